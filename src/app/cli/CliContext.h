#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QTextStream>

// What every tavrel-cli command gets: the global options and the words after
// the command name, and the two output streams.
struct CliContext
{
    QString workspace; // --workspace, empty when not given
    QString port;      // --port COMn, empty when not given
    QStringList args;  // the words after the command name
    QTextStream &out;
    QTextStream &err;

    // The port to use: --port, else the Terminal/Comport setting.
    QString portName() const;
    // Prints "ErrCode: <code>, <name>" on stderr; returns the link-failure status.
    int linkFailure(qint32 code, const QString &name);
    // The moment of a set-time command: now when `args` is empty, else its
    // 14 digits YYYYMMDDhhnnss. False (after saying why) for anything else.
    bool momentArgument(const QStringList &args, QDateTime *moment);
    // The "--name value" pairs of `args` for a report over days: `names`
    // are the options taken besides --from and --to (both needed, dates
    // yyyy-MM-dd, --to not before --from). False with `why` for anything else.
    bool rangeOptions(const QStringList &names, QDate *from, QDate *to, QHash<QString, QString> *values,
                      QString *why) const;
};

// Exit statuses shared by the commands.
namespace CliExit {
constexpr int kOk = 0;
constexpr int kFailure = 1;      // bad input, undecodable lines
constexpr int kLinkFailure = 2;  // a terminal link reported an error
constexpr int kUnreadable = 2;   // a database or file could not be read (not Tavrel's, in use by another program)
constexpr int kNoRecords = 3;    // the terminal held no records
constexpr int kWriteFailure = 4; // a patrol-data file could not be written
constexpr int kMissed = 5;       // the exception report found a missed checkpoint
constexpr int kFindings = 6;     // verify: something does not hold (or the head is not in the chain)
constexpr int kPortInUse = 7;    // download: another program holds the terminal's port
constexpr int kCentral = 8;      // the central database refused or could not be reached
constexpr int kUsage = 64;
}

using CliHandler = int (*)(CliContext &context);
