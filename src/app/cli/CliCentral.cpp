#include "CliCentral.h"
#include "CliCentralUsers.h"

#include "CentralDatabase.h"
#include "CliCentralPush.h"
#include "CliCentralReports.h"
#include "CentralSchema.h"
#include "SiteIdentity.h"

namespace {

const QString kConnection = QStringLiteral("cliCentral");

int failure(CliContext &context, const QString &error)
{
    context.err << "tavrel-cli: " << error << '\n';
    return CliExit::kCentral;
}

int centralInit(CliContext &context)
{
    const bool roles = context.args.contains(QLatin1String("--roles"));
    const bool print = context.args.contains(QLatin1String("--print"));
    if (context.args.size() != int(roles) + int(print) || (print && !roles)) {
        context.err << "usage: tavrel-cli central init [--roles [--print]]\n";
        return CliExit::kUsage;
    }
    QString error;
    QSqlDatabase db = CentralDatabase::open(CentralSettings::fromSettings(), kConnection, &error);
    if (!db.isOpen())
        return failure(context, error);
    QStringList applied;
    const bool ok = CentralSchema::migrate(db, &applied, &error);
    for (const QString &m : std::as_const(applied))
        context.out << "applied\t" << m << '\n';
    const int status = ok && roles ? cliCentralRoles(context, db, print) : CliExit::kOk;
    db = QSqlDatabase();
    CentralDatabase::close(kConnection);
    if (!ok)
        return failure(context, error);
    context.out << "schema\t" << CentralSchema::knownVersion() << '\n';
    return status;
}

struct CentralCommand
{
    const char *name;
    CliHandler handler;
    const char *usage;
};

const CentralCommand kCentralCommands[] = {
    {"init", &centralInit, "central init [--roles [--print]]\n"
                           "                         create or upgrade the central database's schema; --roles: a login\n"
                           "                         role per site and the reader role (--print: the SQL run)"},
    {"user", &cliCentralUser, "central user add NAME --sites A,B | --all | passwd NAME | delete NAME | list  the web page's users"},
    {"push", &centralPush, "central push [--all]   send the waiting downloads and changed definitions"},
    {"status", &centralStatus, "central status         each site's last download and push, waiting, records, conflicts"},
    {"exceptions", &cliCentralExceptions,
     "central exceptions --from yyyy-MM-dd --to yyyy-MM-dd [--site NAME] [--plan NAME] [--pdf OUT.pdf]\n"
     "                         the exception report of every site (or one), a site column first"},
};

}

int cliSite(CliContext &context)
{
    const QStringList &a = context.args;
    QString error;
    if (a.size() == 2 && a[0] == QLatin1String("set")) {
        if (!SiteIdentity::setName(a[1], &error)) {
            context.err << "tavrel-cli: " << error << '\n';
            return a[1].trimmed().isEmpty() ? CliExit::kUsage : CliExit::kUnreadable;
        }
    } else if (!a.isEmpty()) {
        context.err << "usage: tavrel-cli site [set NAME]\n";
        return CliExit::kUsage;
    }
    SiteIdentity::Site site;
    if (!SiteIdentity::current(&site, &error)) {
        context.err << "tavrel-cli: " << error << '\n';
        return CliExit::kUnreadable;
    }
    context.out.setEncoding(QStringConverter::Utf8);
    context.out << site.id << '\t' << site.name << '\n';
    return CliExit::kOk;
}

int cliCentral(CliContext &context)
{
    const QString name = context.args.value(0);
    for (const CentralCommand &c : kCentralCommands) {
        if (name == QLatin1String(c.name)) {
            context.args.removeFirst();
            return c.handler(context);
        }
    }
    context.err << "usage:\n";
    for (const CentralCommand &c : kCentralCommands)
        context.err << "  tavrel-cli " << c.usage << '\n';
    return CliExit::kUsage;
}
