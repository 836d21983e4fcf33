#pragma once

#include <QObject>
#include <QString>

// The search of the search-terminal wizard and of `tavrel-cli search`: lists
// the serial ports first (a device plugged in since the last listing gets its
// COM name then), then probes COM1 to COM16 for a KR terminal (record count of
// machine 0), then COM1 to COM16 for a VX cradle (record count), each with its
// link's default time-out, and takes the first port in that order that
// answered. A found terminal becomes the terminal settings (Terminal/Comport
// and Terminal/Model); nothing found changes none.
//
// The ports of one family are probed at the same time, each by a link of its
// own on a thread of its own (a silent port costs a whole time-out, and 16 of
// them in a row cost most of a minute); one device is never probed twice at
// once, and the VX probes start only after every KR probe has ended. The
// caller's thread keeps its event loop running while it waits.
// The search uses links of its own, so the program's links must have let go of
// their ports first. A port that cannot be opened (held by another program)
// counts as one where nothing answered; no message box interrupts the search.
class TerminalSearch : public QObject
{
    Q_OBJECT
public:
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 16;

    struct Result
    {
        bool found = false;
        int family = 0;  // 0 KR family, 1 VX family
        QString port;    // "COM5"
        int probes = 0;  // ports whose outcome was taken, all families together
        QString saveError; // the settings could not be written
    };

    explicit TerminalSearch(QObject *parent = nullptr);

    Result run();

Q_SIGNALS:
    // Before the ports of a family are tried.
    void familyStarted(int family, const QString &name);
    // The port whose outcome the search awaits next, in port order.
    void probing(const QString &port);
};
