#include "CliPlans.h"

#include "AtomicFile.h"
#include "Ledger.h"
#include "PlanStore.h"
#include "TagStore.h"

#include <QDir>
#include <QFile>
#include <QLocale>

namespace {

constexpr int kDataFailure = 2;

int refused(CliContext &context, const QString &text)
{
    context.err << "tavrel-cli: " << text << '\n';
    return kDataFailure;
}

QString weekdayList(int weekdays)
{
    if (weekdays == PatrolPlan::kEveryDay)
        return QStringLiteral("every day");
    QStringList days;
    for (int day = 1; day <= 7; ++day)
        if (weekdays & (1 << (day - 1)))
            days << QLocale::c().dayName(day, QLocale::ShortFormat);
    return days.join(u',');
}

int importPlans(CliContext &context, const QString &path)
{
    const QString name = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refused(context, QStringLiteral("Cannot read %1: %2").arg(name, file.errorString()));
    QString error;
    const QSet<QString> codes = TagStore::codes(&error);
    if (!error.isEmpty())
        return refused(context, error);
    QList<PatrolPlan> plans;
    if (!PlanStore::fromJson(file.readAll(), codes, &plans, &error) || !PlanStore::replaceAll(plans, &error)) {
        if (!error.endsWith(u'.'))
            error += u'.';
        return refused(context, QStringLiteral("%1 cannot be imported: %2 The plans were not changed.").arg(name, error));
    }
    Ledger::note(Ledger::kPlanImport, path, plans.size());
    context.out << plans.size() << " plans imported\n";
    return CliExit::kOk;
}

int exportPlans(CliContext &context, const QString &path)
{
    QString error;
    const QList<PatrolPlan> plans = PlanStore::all(&error);
    if (!error.isEmpty())
        return refused(context, error);
    if (!AtomicFile::writeFile(path, PlanStore::toJson(plans), &error))
        return refused(context, error);
    context.out << plans.size() << " plans exported\n";
    return CliExit::kOk;
}

}

int cliPlans(CliContext &context)
{
    const QStringList &a = context.args;
    context.out.setEncoding(QStringConverter::Utf8);
    if (a.size() == 1 && a[0] == QLatin1String("list")) {
        QString error;
        const QList<PatrolPlan> plans = PlanStore::all(&error);
        if (!error.isEmpty())
            return refused(context, error);
        for (const PatrolPlan &p : plans)
            context.out << p.name << '\t' << p.start.toString(u"HH:mm") << '-' << p.end.toString(u"HH:mm") << '\t'
                        << p.interval << '\t' << weekdayList(p.weekdays) << '\t' << p.checkpoints.size() << '\n';
        return CliExit::kOk;
    }
    if (a.size() == 2 && a[0] == QLatin1String("export"))
        return exportPlans(context, a[1]);
    if (a.size() == 2 && a[0] == QLatin1String("import"))
        return importPlans(context, a[1]);
    context.err << "usage: tavrel-cli plans list | export FILE.json | import FILE.json\n";
    return CliExit::kUsage;
}

int cliGuardTags(CliContext &context)
{
    const QStringList &a = context.args;
    context.out.setEncoding(QStringConverter::Utf8);
    QString error;
    if (a.size() == 1 && a[0] == QLatin1String("guards")) {
        QStringList codes = TagStore::guardCodes(&error).values();
        if (!error.isEmpty())
            return refused(context, error);
        codes.sort();
        for (const QString &code : std::as_const(codes))
            context.out << code << '\n';
        return CliExit::kOk;
    }
    if (a.size() >= 2 && (a[0] == QLatin1String("guard") || a[0] == QLatin1String("unguard"))) {
        const QSet<QString> codes = TagStore::codes(&error);
        if (!error.isEmpty())
            return refused(context, error);
        const bool guard = a[0] == QLatin1String("guard");
        for (const QString &code : a.mid(1)) {
            if (guard && !codes.contains(TagStore::codeKey(code)))
                return refused(context, QStringLiteral("The tag code %1 is not defined.").arg(code));
            if (!TagStore::setGuard(code, guard, &error))
                return refused(context, error);
        }
        return CliExit::kOk;
    }
    context.err << "usage: tavrel-cli tags guard CODE... | unguard CODE... | guards\n";
    return CliExit::kUsage;
}
