#include "CliMail.h"

#include "ReportMail.h"
#include "SmtpMessage.h"

namespace {

constexpr int kSendFailure = 2;

int usage(CliContext &context, const QString &why)
{
    context.err << "tavrel-cli: " << why << '\n'
                << "usage: tavrel-cli report send --mail-to ADDR [--mail-to ADDR...] (--period yesterday|last-week "
                   "| --from yyyy-MM-dd --to yyyy-MM-dd) [--plan NAME] [--site NAME] [--only-if-missed] [--force]\n";
    return CliExit::kUsage;
}

}

int cliReportSend(CliContext &context)
{
    ReportMailRequest request;
    QString period, fromText, toText;
    const QStringList a = context.args.mid(1); // after "send"
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i] == QLatin1String("--only-if-missed")) {
            request.onlyIfMissed = true;
            continue;
        }
        if (a[i] == QLatin1String("--force")) {
            request.force = true;
            continue;
        }
        QString mailTo;
        QString *value = a[i] == QLatin1String("--mail-to") ? &mailTo
            : a[i] == QLatin1String("--period")             ? &period
            : a[i] == QLatin1String("--from")               ? &fromText
            : a[i] == QLatin1String("--to")                 ? &toText
            : a[i] == QLatin1String("--plan")               ? &request.plan
            : a[i] == QLatin1String("--site")               ? &request.site
                                                            : nullptr;
        if (!value)
            return usage(context, QStringLiteral("unknown argument %1").arg(a[i]));
        if (i + 1 >= a.size() || a[i + 1].isEmpty())
            return usage(context, QStringLiteral("%1 needs a value").arg(a[i]));
        *value = a[++i];
        if (value == &mailTo && !SmtpMessage::isAddress(mailTo))
            return usage(context, QStringLiteral("--mail-to %1 is no mail address").arg(mailTo));
        if (value == &mailTo)
            request.recipients << mailTo;
    }
    if (request.recipients.isEmpty())
        return usage(context, QStringLiteral("--mail-to is missing"));
    if (!period.isEmpty()) {
        if (!fromText.isEmpty() || !toText.isEmpty())
            return usage(context, QStringLiteral("--period and --from/--to exclude each other"));
        if (!ReportMail::periodDates(period, QDate::currentDate(), &request.from, &request.to))
            return usage(context, QStringLiteral("--period takes yesterday or last-week"));
    } else {
        request.from = QDate::fromString(fromText, Qt::ISODate);
        request.to = QDate::fromString(toText, Qt::ISODate);
        if (!request.from.isValid() || !request.to.isValid())
            return usage(context, QStringLiteral("give --period, or --from and --to as dates yyyy-MM-dd"));
        if (request.to < request.from)
            return usage(context, QStringLiteral("--to is before --from"));
    }
    const ReportMail::Result result = ReportMail::send(request);
    for (const QString &w : result.warnings)
        context.err << "tavrel-cli: " << w << '\n';
    switch (result.outcome) {
    case ReportMail::Outcome::Failed:
        context.err << "tavrel-cli: " << result.text << '\n';
        return kSendFailure;
    case ReportMail::Outcome::Sent:
        context.out << result.text << '\n';
        return result.missed ? CliExit::kMissed : CliExit::kOk;
    case ReportMail::Outcome::AlreadySent:
    case ReportMail::Outcome::NothingMissed:
        break;
    }
    context.out << result.text << '\n';
    return CliExit::kOk;
}
