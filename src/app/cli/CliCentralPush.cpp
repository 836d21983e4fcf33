#include "CliCentralPush.h"

#include "CentralDatabase.h"
#include "CentralPusher.h"
#include "CentralSchema.h"
#include "Outbox.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

const QString kConnection = QStringLiteral("cliCentralPush");

QString localTime(const QVariant &value)
{
    return value.isNull() ? QString() : value.toDateTime().toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Qt's PostgreSQL driver warns on stderr when the server has ended a
// connection (rollback, statements it cannot free); the command says what
// happened once, in its own line.
class QuietDriver
{
public:
    QuietDriver() { s_previous = qInstallMessageHandler(&QuietDriver::handle); }
    ~QuietDriver() { qInstallMessageHandler(s_previous); }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (type != QtWarningMsg && s_previous)
            s_previous(type, context, text);
    }
    static inline QtMessageHandler s_previous = nullptr;
};

// A database text without tabs or line breaks, for one tab-separated line.
QString field(const QString &text)
{
    QString out = text;
    out.replace(u'\t', u' ').replace(u'\n', u' ').replace(u'\r', u' ');
    return out;
}

}

int centralPush(CliContext &context)
{
    const bool all = context.args == QStringList{QStringLiteral("--all")};
    if (!context.args.isEmpty() && !all) {
        context.err << "usage: tavrel-cli central push [--all]\n";
        return CliExit::kUsage;
    }
    const CentralSettings settings = CentralSettings::fromSettings();
    QString error;
    if (!settings.configured()) {
        CentralDatabase::open(settings, kConnection, &error);
        context.err << "tavrel-cli: " << error << '\n';
        return CliExit::kCentral;
    }
    if (all) {
        int added = 0;
        if (!Outbox::queueAll(&added, &error)) {
            context.err << "tavrel-cli: " << error << '\n';
            return CliExit::kUnreadable;
        }
        context.out << "queued\t" << added << '\n';
    }
    CentralPusher::Report report;
    bool ok = false;
    {
        QuietDriver quiet;
        ok = CentralPusher::pushPending(settings, kConnection, &report, &error);
    }
    context.out << "landed\t" << report.landed << "\nalready there\t" << report.alreadyThere << "\nconflicts\t"
                << report.conflicts << "\ngone\t" << report.gone << "\nwaiting\t" << report.waiting << '\n';
    context.out.flush();
    if (ok)
        return CliExit::kOk;
    context.err << "tavrel-cli: " << error << '\n';
    // Before the server was asked, only the workspace's own files could fail.
    return !report.reachable || report.failed > 0 ? CliExit::kCentral : CliExit::kUnreadable;
}

int centralStatus(CliContext &context)
{
    if (!context.args.isEmpty()) {
        context.err << "usage: tavrel-cli central status\n";
        return CliExit::kUsage;
    }
    context.out.setEncoding(QStringConverter::Utf8);
    const CentralSettings settings = CentralSettings::fromSettings();
    QString error;
    Outbox::Summary summary;
    const int waiting = CentralPusher::waiting(settings, &error);
    if (waiting < 0 || !Outbox::summary(&summary, &error)) {
        context.err << "tavrel-cli: " << error << '\n';
        return CliExit::kUnreadable;
    }
    context.out << "outbox\t" << waiting << '\t' << summary.oldestWaiting << '\t' << field(summary.lastError) << '\n';
    if (summary.gone > 0)
        context.out << "gone\t" << summary.gone << "\tdeleted before they could be pushed\n";

    QSqlDatabase db = CentralDatabase::open(settings, kConnection, &error);
    bool ok = db.isOpen() && CentralSchema::check(db, &error);
    if (ok) {
        QSqlQuery q(db);
        ok = CentralDatabase::exec(
            q,
            QStringLiteral("SELECT s.name, s.id, (SELECT max(d.downloaded_at) FROM downloads d WHERE d.site_id = s.id), "
                           "s.last_push, s.waiting, (SELECT count(*) FROM records r WHERE r.site_id = s.id), "
                           "(SELECT count(*) FROM conflicts c WHERE c.site_id = s.id) FROM sites s ORDER BY s.name, s.id"),
            QStringLiteral("The sites cannot be read"), &error);
        while (ok && q.next())
            context.out << "site\t" << field(q.value(0).toString()) << '\t' << q.value(1).toString() << '\t'
                        << (q.value(2).isNull() ? QString()
                                                : q.value(2).toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                        << '\t' << localTime(q.value(3)) << '\t' << q.value(4).toInt() << '\t'
                        << q.value(5).toLongLong() << '\t' << q.value(6).toLongLong() << '\n';
    }
    db = QSqlDatabase();
    CentralDatabase::close(kConnection);
    context.out.flush();
    if (ok)
        return CliExit::kOk;
    context.err << "tavrel-cli: " << error << '\n';
    return CliExit::kCentral;
}
