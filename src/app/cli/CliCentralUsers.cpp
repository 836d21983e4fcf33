#include "CliCentralUsers.h"

#include "CentralDatabase.h"
#include "CentralSchema.h"
#include "WebUsers.h"

#include <QFile>

namespace {

const QString kConnection = QStringLiteral("cliCentralUsers");
const char kUsage[] = "usage: tavrel-cli central user add NAME --sites A,B | --all\n"
                      "       tavrel-cli central user passwd NAME\n"
                      "       tavrel-cli central user delete NAME\n"
                      "       tavrel-cli central user list\n"
                      "(a password is read from the first line of standard input)\n";

int usage(CliContext &context, const QString &why = {})
{
    if (!why.isEmpty())
        context.err << "tavrel-cli: " << why << '\n';
    context.err << kUsage;
    return CliExit::kUsage;
}

// The first line of standard input without its line end; empty when there is none.
QByteArray passwordLine()
{
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        return {};
    QByteArray line = in.readLine(4096);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

// The connection with the schema checked; an invalid database after saying why.
QSqlDatabase openChecked(CliContext &context)
{
    QString error;
    QSqlDatabase db = CentralDatabase::open(CentralSettings::fromSettings(), kConnection, &error);
    if (db.isOpen() && CentralSchema::check(db, &error))
        return db;
    context.err << "tavrel-cli: " << error << '\n';
    return {};
}

int run(CliContext &context)
{
    const QStringList &a = context.args;
    const QString verb = a.value(0);
    const QString name = a.value(1).trimmed();
    bool all = false;
    QStringList sites;
    if (verb == QLatin1String("add")) {
        if (a.size() == 3 && a[2] == QLatin1String("--all"))
            all = true;
        else if (a.size() == 4 && a[2] == QLatin1String("--sites"))
            sites = a[3].split(u',', Qt::SkipEmptyParts);
        else
            return usage(context, QStringLiteral("add takes a name and --sites A,B or --all"));
        if (!all && sites.isEmpty())
            return usage(context, QStringLiteral("--sites needs at least one site"));
    } else if (verb == QLatin1String("passwd") || verb == QLatin1String("delete")) {
        if (a.size() != 2)
            return usage(context);
    } else if (verb == QLatin1String("list")) {
        if (a.size() != 1)
            return usage(context);
    } else {
        return usage(context);
    }
    if (verb != QLatin1String("list") && name.isEmpty())
        return usage(context, QStringLiteral("a user needs a name"));

    QByteArray password;
    if (verb == QLatin1String("add") || verb == QLatin1String("passwd")) {
        password = passwordLine();
        if (password.isEmpty())
            return usage(context, QStringLiteral("The password (the first line of standard input) is empty"));
    }
    QSqlDatabase db = openChecked(context);
    if (!db.isOpen())
        return CliExit::kCentral;
    QString error;
    int status = CliExit::kOk;
    context.out.setEncoding(QStringConverter::Utf8);
    if (verb == QLatin1String("add")) {
        QStringList ids;
        if (!WebUsers::siteIds(db, sites, &ids, &error))
            status = error.startsWith(u"The sites") ? CliExit::kCentral : CliExit::kFailure;
        else if (!WebUsers::add(db, name, password, all, ids, &error))
            status = error.startsWith(u"There is already") ? CliExit::kFailure : CliExit::kCentral;
    } else if (verb == QLatin1String("passwd")) {
        if (!WebUsers::setPassword(db, name, password, &error))
            status = error.startsWith(u"There is no") ? CliExit::kFailure : CliExit::kCentral;
    } else if (verb == QLatin1String("delete")) {
        if (!WebUsers::remove(db, name, &error))
            status = error.startsWith(u"There is no") ? CliExit::kFailure : CliExit::kCentral;
    } else {
        QList<WebUsers::User> users;
        if (WebUsers::list(db, &users, &error)) {
            for (const WebUsers::User &u : std::as_const(users))
                context.out << u.name << '\t' << (u.allSites ? QStringLiteral("all") : u.sites.join(u',')) << '\n';
        } else {
            status = CliExit::kCentral;
        }
    }
    password.fill('\0');
    if (status != CliExit::kOk)
        context.err << "tavrel-cli: " << error << '\n';
    return status;
}

}

int cliCentralUser(CliContext &context)
{
    const int status = run(context);
    CentralDatabase::close(kConnection);
    return status;
}
