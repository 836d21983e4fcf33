#include "CliFlags.h"

#include "FlagReport.h"
#include "TagStore.h"

#include <algorithm>

namespace {

constexpr int kDataFailure = 2;
constexpr int kFlagged = 7;

int refused(CliContext &context, const QString &text)
{
    context.err << "tavrel-cli: " << text << '\n';
    return kDataFailure;
}

// --from, --to and, for flags, --rule; false after printing the usage.
bool readRange(CliContext &context, bool withRule, QDate *from, QDate *to, QString *rule, int *status)
{
    const char *usage = withRule ? "usage: tavrel-cli flags --from yyyy-MM-dd --to yyyy-MM-dd [--rule burst|repeat|transit|clock|twin]\n"
                                 : "usage: tavrel-cli incidents --from yyyy-MM-dd --to yyyy-MM-dd\n";
    auto fail = [&](const QString &why) {
        context.err << "tavrel-cli: " << why << '\n' << usage;
        *status = CliExit::kUsage;
        return false;
    };
    QHash<QString, QString> options;
    QString why;
    if (!context.rangeOptions(withRule ? QStringList{QStringLiteral("--rule")} : QStringList{}, from, to, &options, &why))
        return fail(why);
    *rule = options.value(QStringLiteral("--rule"));
    if (withRule && !rule->isEmpty() && !ReadFlags::ruleFromName(*rule))
        return fail(QStringLiteral("unknown rule %1").arg(*rule));
    return true;
}

bool gather(CliContext &context, const QDate &from, const QDate &to, FlagData *data)
{
    QString error;
    QStringList warnings;
    const bool ok = FlagReport::run(from, to, data, &error, &warnings);
    for (const QString &w : std::as_const(warnings))
        context.err << "tavrel-cli: " << w << '\n';
    if (!ok)
        context.err << "tavrel-cli: " << error << '\n';
    return ok;
}

}

int cliFlags(CliContext &context)
{
    QDate from, to;
    QString rule;
    int status = CliExit::kOk;
    if (!readRange(context, true, &from, &to, &rule, &status))
        return status;
    FlagData data;
    if (!gather(context, from, to, &data))
        return kDataFailure;
    context.out.setEncoding(QStringConverter::Utf8);
    bool any = false;
    for (const ReadFlag &flag : std::as_const(data.flags)) {
        if (!data.inRange(flag.read, from, to) || (!rule.isEmpty() && ReadFlags::ruleName(flag.rule) != rule))
            continue;
        context.out << FlagReport::line(data, flag) << '\n';
        any = true;
    }
    return any ? kFlagged : CliExit::kOk;
}

int cliIncidents(CliContext &context)
{
    QDate from, to;
    QString rule;
    int status = CliExit::kOk;
    if (!readRange(context, false, &from, &to, &rule, &status))
        return status;
    FlagData data;
    if (!gather(context, from, to, &data))
        return kDataFailure;
    context.out.setEncoding(QStringConverter::Utf8);
    for (const IncidentRead &incident : std::as_const(data.incidents))
        if (data.inRange(incident.read, from, to))
            context.out << FlagReport::incidentLine(data, incident) << '\n';
    return CliExit::kOk;
}

int cliIncidentTags(CliContext &context)
{
    const QStringList &a = context.args;
    context.out.setEncoding(QStringConverter::Utf8);
    QString error;
    if (a.size() == 1 && a[0] == QLatin1String("incidents")) {
        const QHash<QString, QString> texts = TagStore::incidentTexts(&error);
        if (!error.isEmpty())
            return refused(context, error);
        QStringList codes = texts.keys();
        codes.sort();
        for (const QString &code : std::as_const(codes))
            context.out << code << '\t' << texts.value(code) << '\n';
        return CliExit::kOk;
    }
    const bool mark = a.size() == 3 && a[0] == QLatin1String("incident") && !a[2].trimmed().isEmpty();
    if (mark || (a.size() == 2 && a[0] == QLatin1String("unincident"))) {
        if (mark) {
            const QSet<QString> codes = TagStore::codes(&error);
            if (!error.isEmpty())
                return refused(context, error);
            if (!codes.contains(TagStore::codeKey(a[1])))
                return refused(context, QStringLiteral("The tag code %1 is not defined.").arg(a[1]));
        }
        return TagStore::setIncident(a[1], mark ? a[2].trimmed() : QString(), &error) ? CliExit::kOk
                                                                                     : refused(context, error);
    }
    context.err << "usage: tavrel-cli tags incident CODE TEXT | unincident CODE | incidents\n";
    return CliExit::kUsage;
}
