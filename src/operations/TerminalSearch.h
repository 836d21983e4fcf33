#pragma once

#include <QObject>
#include <QString>

// The search of the search-terminal wizard and of `tavrel-cli search`: probes
// COM1 to COM16 for a KR terminal (record count of machine 0), then COM1 to
// COM16 for a VX cradle (record count), each with its link's default time-out,
// and stops at the first answer. A found terminal becomes the terminal
// settings (Terminal/Comport and Terminal/Model); nothing found changes none.
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
        int probes = 0;  // ports tried, all families together
        QString saveError; // the settings could not be written
    };

    explicit TerminalSearch(QObject *parent = nullptr);

    Result run();

Q_SIGNALS:
    // Before the ports of a family are tried.
    void familyStarted(int family, const QString &name);
    // Before a port is probed.
    void probing(const QString &port);
};
