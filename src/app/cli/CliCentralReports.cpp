#include "CliCentralReports.h"

#include "CentralExceptions.h"
#include "CentralRoles.h"
#include "ExceptionReport.h"
#include "rptExceptions.h"

namespace {

constexpr int kDataFailure = 2;

int usage(CliContext &context, const QString &why)
{
    context.err << "tavrel-cli: " << why << '\n'
                << "usage: tavrel-cli central exceptions --from yyyy-MM-dd --to yyyy-MM-dd [--site NAME] [--plan NAME] "
                   "[--pdf OUT.pdf]\n";
    return CliExit::kUsage;
}

}

int cliCentralExceptions(CliContext &context)
{
    QDate from, to;
    QHash<QString, QString> options;
    QString why;
    if (!context.rangeOptions({QStringLiteral("--site"), QStringLiteral("--plan"), QStringLiteral("--pdf")}, &from, &to,
                              &options, &why))
        return usage(context, why);
    const QString site = options.value(QStringLiteral("--site"));
    const QString plan = options.value(QStringLiteral("--plan"));
    const QString pdf = options.value(QStringLiteral("--pdf"));

    CentralExceptions::Result result;
    QString error;
    const CentralExceptions::Status status =
        CentralExceptions::run(CentralSettings::fromSettings(), site, from, to, plan, &result, &error);
    if (status != CentralExceptions::Status::Ok) {
        context.err << "tavrel-cli: " << CentralRoles::refusal(QStringLiteral("the report"), error) << '\n';
        return status == CentralExceptions::Status::Unknown ? kDataFailure : CliExit::kCentral;
    }
    context.out.setEncoding(QStringConverter::Utf8);
    for (const CheckpointOutcome &o : std::as_const(result.report.outcomes)) {
        QString siteName = o.site;
        siteName.replace(u'\t', u' ');
        context.out << siteName << '\t' << ExceptionReport::line(o) << '\n';
    }
    if (!pdf.isEmpty()) {
        rptExceptions report;
        report.setResult(result.report, from, to, &result.names);
        if (!report.writePdf(pdf, &error)) {
            context.err << "tavrel-cli: " << error << '\n';
            return kDataFailure;
        }
    }
    return result.report.anyMissed() ? CliExit::kMissed : CliExit::kOk;
}

int cliCentralRoles(CliContext &context, QSqlDatabase db, bool print)
{
    QStringList statements, roles;
    QString error;
    if (!CentralRoles::apply(db, &statements, &roles, &error)) {
        context.err << "tavrel-cli: " << CentralRoles::refusal(QStringLiteral("the roles"), error) << '\n';
        return CliExit::kCentral;
    }
    context.out.setEncoding(QStringConverter::Utf8);
    if (print)
        for (const QString &sql : std::as_const(statements))
            context.out << sql << ";\n";
    for (const QString &role : std::as_const(roles))
        context.out << "role\t" << role << '\n';
    return CliExit::kOk;
}
