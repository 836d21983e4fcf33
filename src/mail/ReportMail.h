#pragma once

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>

struct ExceptionResult;

// What to send: the exception report of the days from `from` to `to`.
struct ReportMailRequest
{
    QStringList recipients;
    QDate from, to;
    QString plan;              // empty: every plan
    QString site;              // empty: this workspace's records
    bool onlyIfMissed = false; // send only when a checkpoint was missed
    bool force = false;        // send even when this report went out already
};

// The morning report by mail: the exception report of a period as the window
// prints it (a PDF attachment) with a short summary in the interface
// language, sent once per period, plan, site and set of recipients. Each
// sent report is recorded in the table SentReport of tvl.mon, so a repeated
// run sends nothing; a failed send records nothing.
class ReportMail
{
public:
    enum class Outcome {
        Sent,          // the server took the message (and it is recorded)
        AlreadySent,   // recorded before: nothing sent
        NothingMissed, // onlyIfMissed and no checkpoint was missed: nothing sent
        Failed         // settings, password, report or server: nothing recorded
    };
    struct Result
    {
        Outcome outcome = Outcome::Failed;
        bool missed = false; // the report holds a missed checkpoint
        QString messageId;   // of the message sent now, or of the one sent before
        QString text;        // one line saying what happened, or why it failed
        QStringList warnings; // unreadable files and lines, a record that could not be written
    };

    static Result send(const ReportMailRequest &request);

    // "yesterday": the day before `today`; "last-week": Monday to Sunday of
    // the ISO week before the one of `today`. False for any other word.
    static bool periodDates(const QString &period, const QDate &today, QDate *from, QDate *to);

    // The exception report the mail carries: this workspace's, or with a
    // site that site's from the central database (`names` then gives the
    // descriptions of its codes, by ExceptionReport::nameKey).
    static bool exceptionResult(const ReportMailRequest &request, ExceptionResult *result,
                                QHash<QString, QString> *names, QString *error, QStringList *warnings);

    // Subject and body text, in the current interface language.
    static QString subject(const ReportMailRequest &request, const ExceptionResult &result);
    static QString summary(const ReportMailRequest &request, const ExceptionResult &result);

    // How a report is keyed in SentReport: "yyyy-MM-dd..yyyy-MM-dd", and the
    // addresses in lower case, sorted, once each, joined by ", ".
    static QString periodKey(const QDate &from, const QDate &to);
    static QString recipientsKey(const QStringList &recipients);

    // At most this many missed checkpoints are listed in the body.
    static constexpr int kListedMissed = 20;
};
