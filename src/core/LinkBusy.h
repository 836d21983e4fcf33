#pragma once

#include <QObject>

// Whether a terminal exchange is under way somewhere in the program. The links
// wait for their replies with the event loop running, so timers, clicks and
// tray commands can fire in the middle of an exchange; whatever would start a
// second one asks isBusy() first (the auto-download tick) or is held back until
// idle() (user input, see InputHold).
//
// A background exchange (the auto-download probe, which may wait a whole
// second on an empty dock every few seconds) gives way to the user: held input
// asks it to yield, its waits end at once, and the input runs right after.
class LinkBusy : public QObject
{
    Q_OBJECT
public:
    static LinkBusy &instance();
    static bool isBusy() { return instance().m_depth > 0; }

    enum class Kind { Command, Background };

    // Marks an exchange (or a command of several) for its lifetime; nests.
    // Only the application's thread counts: on another thread it marks nothing.
    class Scope
    {
    public:
        explicit Scope(Kind kind = Kind::Command);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;
    };

    // Asks a background exchange to stop waiting; ignored for a command.
    void requestYield();
    // Whether the background exchange under way was asked to yield (the links'
    // waits then end at once, and the exchange's outcome means nothing).
    static bool yieldRequested() { return instance().m_yieldRequested; }

Q_SIGNALS:
    // The outermost scope ended: nothing talks to a terminal now.
    void idle();
    void yielding();

private:
    int m_depth = 0;
    bool m_background = false;
    bool m_yieldRequested = false;
};
