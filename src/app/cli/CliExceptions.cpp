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
    QDate from, to;
    QHash<QString, QString> options;
    QString why;
    if (!context.rangeOptions({QStringLiteral("--plan"), QStringLiteral("--pdf")}, &from, &to, &options, &why))
        return usage(context, why);
    const QString plan = options.value(QStringLiteral("--plan"));
    const QString pdf = options.value(QStringLiteral("--pdf"));

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
