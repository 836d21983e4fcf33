#include "CliExceptions.h"

#include "ExceptionReport.h"
#include "rptExceptions.h"

namespace {

constexpr int kDataFailure = 2;

int usage(CliContext &context, const QString &why)
{
    context.err << "tavrel-cli: " << why << '\n'
                << "usage: tavrel-cli exceptions --from yyyy-MM-dd --to yyyy-MM-dd [--plan NAME] [--pdf OUT.pdf]\n";
    return CliExit::kUsage;
}

}

int cliExceptions(CliContext &context)
{
    QString fromText, toText, plan, pdf;
    const QStringList &a = context.args;
    for (qsizetype i = 0; i < a.size(); i += 2) {
        QString *value = a[i] == QLatin1String("--from") ? &fromText
            : a[i] == QLatin1String("--to")              ? &toText
            : a[i] == QLatin1String("--plan")            ? &plan
            : a[i] == QLatin1String("--pdf")             ? &pdf
                                                         : nullptr;
        if (!value)
            return usage(context, QStringLiteral("unknown argument %1").arg(a[i]));
        if (i + 1 >= a.size() || a[i + 1].isEmpty())
            return usage(context, QStringLiteral("%1 needs a value").arg(a[i]));
        *value = a[i + 1];
    }
    const QDate from = QDate::fromString(fromText, Qt::ISODate);
    const QDate to = QDate::fromString(toText, Qt::ISODate);
    if (!from.isValid() || !to.isValid())
        return usage(context, QStringLiteral("--from and --to take dates yyyy-MM-dd"));
    if (to < from)
        return usage(context, QStringLiteral("--to is before --from"));

    ExceptionResult result;
    QString error;
    QStringList warnings;
    const bool ok = ExceptionReport::run(from, to, plan, &result, &error, &warnings);
    for (const QString &w : warnings)
        context.err << "tavrel-cli: " << w << '\n';
    if (!ok) {
        context.err << "tavrel-cli: " << error << '\n';
        return kDataFailure;
    }
    for (const CheckpointOutcome &o : std::as_const(result.outcomes))
        context.out << ExceptionReport::line(o) << '\n';
    if (!pdf.isEmpty()) {
        rptExceptions report;
        report.setResult(result, from, to);
        if (!report.writePdf(pdf, &error)) {
            context.err << "tavrel-cli: " << error << '\n';
            return kDataFailure;
        }
    }
    return result.anyMissed() ? CliExit::kMissed : CliExit::kOk;
}
