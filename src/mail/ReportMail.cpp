#include "ReportMail.h"

#include "CentralExceptions.h"

#include "CRes.h"
#include "DataStore.h"
#include "ExceptionReport.h"
#include "Ledger.h"
#include "MailSettings.h"
#include "SmtpMessage.h"
#include "SmtpSender.h"
#include "TagStore.h"
#include "rptExceptions.h"

#include <QDateTime>
#include <QFile>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {

QString isoDay(const QDate &day)
{
    return day.toString(Qt::ISODate);
}

// The rounds of the result: plan and start of every round with a checkpoint.
int roundCount(const ExceptionResult &result)
{
    QSet<QString> rounds;
    for (const CheckpointOutcome &o : result.outcomes)
        if (o.seq > 0)
            rounds.insert(o.plan + QLatin1Char('\n') + o.roundStart.toString(Qt::ISODate));
    return int(rounds.size());
}

OutcomeTotals totals(const ExceptionResult &result)
{
    OutcomeTotals all;
    for (const OutcomeTotals &t : result.byPlan) {
        all.onTime += t.onTime;
        all.early += t.early;
        all.late += t.late;
        all.missed += t.missed;
        all.extra += t.extra;
        all.outOfOrder += t.outOfOrder;
    }
    return all;
}

// Qt binds a null string as NULL, which no "= ?" matches: keys are never null.
QString key(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

struct SentRow
{
    QString recipients, messageId, sentAt;
};

bool findSent(const QString &period, const ReportMailRequest &request, SentRow *row, bool *found, QString *error)
{
    *found = false;
    QSqlDatabase db = DataStore::database(DataStore::kConnLog, error);
    if (!db.isOpen())
        return false;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT Recipients, MessageId, SentAt FROM SentReport WHERE Period = ? AND PlanName = ? "
                             "AND Site = ? AND Recipients = ? ORDER BY rowid DESC LIMIT 1"));
    for (const QString &value : {period, request.plan, request.site, ReportMail::recipientsKey(request.recipients)})
        q.addBindValue(key(value));
    if (!q.exec()) {
        *error = QStringLiteral("The record of sent reports in tvl.mon cannot be read: %1").arg(q.lastError().text());
        return false;
    }
    if (q.next()) {
        *row = {q.value(0).toString(), q.value(1).toString(), q.value(2).toString()};
        *found = true;
    }
    return true;
}

bool recordSent(const QString &period, const ReportMailRequest &request, const QString &messageId, QString *error)
{
    QSqlDatabase db = DataStore::database(DataStore::kConnLog, error);
    if (!db.isOpen())
        return false;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO SentReport (Period, PlanName, Site, Recipients, MessageId, SentAt) "
                             "VALUES (?, ?, ?, ?, ?, ?)"));
    for (const QString &value : {period, request.plan, request.site, ReportMail::recipientsKey(request.recipients),
                                 messageId, QDateTime::currentDateTimeUtc().toString(Qt::ISODate)})
        q.addBindValue(key(value));
    if (!q.exec()) {
        *error = q.lastError().text();
        return false;
    }
    return true;
}

// The report as the window prints it, as PDF bytes.
bool reportPdf(const ReportMailRequest &request, const ExceptionResult &result, const QHash<QString, QString> &names,
               QByteArray *pdf, QString *error)
{
    QTemporaryDir folder;
    if (!folder.isValid()) {
        *error = QStringLiteral("No temporary folder for the report's PDF: %1").arg(folder.errorString());
        return false;
    }
    rptExceptions report;
    report.setResult(result, request.from, request.to, names.isEmpty() ? nullptr : &names);
    const QString path = folder.filePath(QStringLiteral("report.pdf"));
    if (!report.writePdf(path, error))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("The report's PDF cannot be read back: %1").arg(file.errorString());
        return false;
    }
    *pdf = file.readAll();
    return true;
}

ReportMail::Result failed(ReportMail::Result result, const QString &why)
{
    result.outcome = ReportMail::Outcome::Failed;
    result.text = why;
    return result;
}

}

bool ReportMail::periodDates(const QString &period, const QDate &today, QDate *from, QDate *to)
{
    if (period == QLatin1String("yesterday")) {
        *from = *to = today.addDays(-1);
        return true;
    }
    if (period == QLatin1String("last-week")) {
        const QDate monday = today.addDays(1 - today.dayOfWeek());
        *from = monday.addDays(-7);
        *to = monday.addDays(-1);
        return true;
    }
    return false;
}

bool ReportMail::exceptionResult(const ReportMailRequest &request, ExceptionResult *result,
                                 QHash<QString, QString> *names, QString *error, QStringList *warnings)
{
    names->clear();
    if (request.site.isEmpty())
        return ExceptionReport::run(request.from, request.to, request.plan, result, error, warnings);
    CentralExceptions::Result central;
    if (CentralExceptions::run(CentralSettings::fromSettings(), request.site, request.from, request.to, request.plan,
                               &central, error)
        != CentralExceptions::Status::Ok)
        return false;
    *result = std::move(central.report);
    *names = std::move(central.names);
    return true;
}

QString ReportMail::periodKey(const QDate &from, const QDate &to)
{
    return isoDay(from) + QStringLiteral("..") + isoDay(to);
}

QString ReportMail::recipientsKey(const QStringList &recipients)
{
    QStringList keys;
    for (const QString &r : recipients)
        keys << r.trimmed().toLower();
    keys.sort();
    keys.removeDuplicates();
    return keys.join(QStringLiteral(", "));
}

QString ReportMail::subject(const ReportMailRequest &request, const ExceptionResult &result)
{
    const CRes &texts = CRes::instance();
    QString text = texts.ResString(490, QStringLiteral("Tavrel exception report %1 to %2"))
                       .arg(isoDay(request.from), isoDay(request.to));
    if (!request.plan.isEmpty())
        text += QStringLiteral(" (%1)").arg(request.plan);
    const int missed = totals(result).missed;
    if (missed > 0)
        text += QStringLiteral(" - ") + texts.ResString(491, QStringLiteral("%1 checkpoints missed")).arg(missed);
    return text;
}

QString ReportMail::summary(const ReportMailRequest &request, const ExceptionResult &result)
{
    const CRes &texts = CRes::instance();
    const OutcomeTotals all = totals(result);
    int due = 0;
    for (const CheckpointOutcome &o : result.outcomes)
        due += o.seq > 0 ? 1 : 0;
    QStringList lines;
    const QString plan = request.plan.isEmpty() ? texts.ResString(366, QStringLiteral("(All plans)")) : request.plan;
    lines << texts.ResString(492, QStringLiteral("Period: %1 to %2")).arg(isoDay(request.from), isoDay(request.to))
          << texts.ResString(493, QStringLiteral("Plan: %1")).arg(plan) << QString()
          << texts.ResString(494, QStringLiteral("Rounds: %1")).arg(roundCount(result))
          << texts.ResString(495, QStringLiteral("Checkpoints due: %1")).arg(due)
          << texts.ResString(496, QStringLiteral("On time: %1, early: %2, late: %3, missed: %4, extra: %5"))
                 .arg(all.onTime)
                 .arg(all.early)
                 .arg(all.late)
                 .arg(all.missed)
                 .arg(all.extra)
          << texts.ResString(497, QStringLiteral("Flagged reads: %1")).arg(result.flagged.size())
          << Ledger::footerLine();
    if (all.missed > 0) {
        QString error;
        const QHash<QString, QString> names = TagStore::descriptionMap(&error); // without them the codes alone show
        lines << QString() << texts.ResString(498, QStringLiteral("Missed checkpoints:"));
        int listed = 0;
        for (const CheckpointOutcome &o : result.outcomes) {
            if (o.kind != CheckpointOutcome::Kind::Missed)
                continue;
            if (listed++ == kListedMissed)
                break;
            // Joined, not arg()'d: a plan or tag name may hold a "%1" of its own.
            lines << QStringLiteral("  ")
                         + QStringList{o.plan, o.due.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                                       QString::number(o.seq), o.code, names.value(o.code)}
                               .join(QStringLiteral("  "))
                               .trimmed();
        }
        if (all.missed > kListedMissed)
            lines << QStringLiteral("  ")
                         + texts.ResString(499, QStringLiteral("... and %1 more")).arg(all.missed - kListedMissed);
    }
    lines << QString() << texts.ResString(26, QStringLiteral("The exception report is attached as a PDF file."));
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

ReportMail::Result ReportMail::send(const ReportMailRequest &request)
{
    Result result;
    if (request.recipients.isEmpty())
        return failed(result, QStringLiteral("No recipient: give --mail-to ADDRESS"));
    for (const QString &r : request.recipients)
        if (!SmtpMessage::isAddress(r))
            return failed(result, QStringLiteral("%1 is no mail address").arg(r));
    if (!request.from.isValid() || !request.to.isValid() || request.to < request.from)
        return failed(result, QStringLiteral("The period is no range of days"));

    MailSettings settings;
    QString password, error;
    if (!MailSettings::load(&settings, &error) || !settings.readPassword(&password, &error))
        return failed(result, error);

    const QString period = periodKey(request.from, request.to);
    SentRow before;
    bool found = false;
    if (!findSent(period, request, &before, &found, &error))
        return failed(result, error);
    if (found && !request.force) {
        result.outcome = Outcome::AlreadySent;
        result.messageId = before.messageId;
        result.text = QStringLiteral("The exception report %1 was already sent to %2 at %3 (Message-ID <%4>); "
                                     "nothing sent (--force sends it again)")
                          .arg(period, before.recipients, before.sentAt, before.messageId);
        return result;
    }

    ExceptionResult report;
    QHash<QString, QString> names;
    if (!exceptionResult(request, &report, &names, &error, &result.warnings))
        return failed(result, error);
    result.missed = report.anyMissed();
    if (request.onlyIfMissed && !result.missed) {
        result.outcome = Outcome::NothingMissed;
        result.text = QStringLiteral("No checkpoint was missed from %1 to %2; nothing sent")
                          .arg(isoDay(request.from), isoDay(request.to));
        return result;
    }

    SmtpMessage message;
    if (!reportPdf(request, report, names, &message.attachment, &error))
        return failed(result, error);
    message.attachmentName = request.from == request.to
        ? QStringLiteral("exceptions-%1.pdf").arg(isoDay(request.from))
        : QStringLiteral("exceptions-%1-%2.pdf").arg(isoDay(request.from), isoDay(request.to));
    message.from = settings.sender;
    message.to = request.recipients;
    message.subject = subject(request, report);
    message.text = summary(request, report);
    message.messageId = SmtpMessage::newMessageId(settings.sender);
    if (!SmtpSender::send(settings, password, settings.sender, request.recipients, message.toBytes(), &error))
        return failed(result, error);

    result.outcome = Outcome::Sent;
    result.messageId = message.messageId;
    result.text = QStringLiteral("Sent the exception report %1 to %2 (Message-ID <%3>)")
                      .arg(period, request.recipients.join(QStringLiteral(", ")), message.messageId);
    // The mail is out either way; without its record a repeated run would send it again.
    if (!recordSent(period, request, message.messageId, &error))
        result.warnings << QStringLiteral("The sent report could not be recorded in tvl.mon (%1): running the same "
                                          "command again sends it again")
                               .arg(error);
    return result;
}
