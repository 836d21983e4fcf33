#pragma once

#include <QObject>

// Whether a terminal exchange is under way somewhere in the program. The links
// wait for their replies with the event loop running, so timers, clicks and
// tray commands can fire in the middle of an exchange; whatever would start a
// second one asks isBusy() first (the auto-download tick) or is held back until
// idle() (user input, see InputHold).
class LinkBusy : public QObject
{
    Q_OBJECT
public:
    static LinkBusy &instance();
    static bool isBusy() { return instance().m_depth > 0; }

    // Marks an exchange (or a command of several) for its lifetime; nests.
    class Scope
    {
    public:
        Scope();
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;
    };

Q_SIGNALS:
    // The outermost scope ended: nothing talks to a terminal now.
    void idle();

private:
    int m_depth = 0;
};
