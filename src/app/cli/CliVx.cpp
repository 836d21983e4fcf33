#include "CliVx.h"

#include "ComPorts.h"
#include "MessageReporter.h"
#include "Settings.h"
#include "VxLogon.h"
#include "TerminalPasswordPrompt.h"
#include "VxPasswordPrompt.h"
#include "VxRecordLine.h"
#include "ucVX700.h"

#include <QDateTime>

namespace {

const char kUsage[] =
    "usage: tavrel-cli [--port COMn] vx [--password P] [--timeout MS] COMMAND\n"
    "commands:\n"
    "  logon | logoff | set-password NEW | record-count | records\n"
    "  get-time | set-time [YYYYMMDDhhnnss] | get-id | set-id ID\n"
    "  version | voltage | temperature | clear\n"
    "  charger-status | set-charger-status LETTER\n";

int usage(CliContext &context)
{
    context.err << kUsage;
    return CliExit::kUsage;
}

int linkFailure(CliContext &context, const ucVX700 &link)
{
    return context.linkFailure(link.ErrCode(), ucVX700::ErrMessage(link.ErrCode()));
}

// The command prints the error code itself; failures of the serial layer still
// reach stderr with their description.
class CliReporter : public MessageReporter
{
public:
    CliReporter() : m_previous(MessageReporter::install(this)) {}
    ~CliReporter() override { MessageReporter::install(m_previous); }
    void failure(const QString &description, int number) override { m_stderr.failure(description, number); }
    void message(const QString &, Icon, const QString &) override {}
    bool question(const QString &, const QString &) override { return false; }

private:
    MessageReporter *m_previous;
    StderrReporter m_stderr;
};

}

int cliVx(CliContext &context)
{
    QStringList args = context.args;
    QString password = StoredTerminalPassword();
    int timeout = -1;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (args.isEmpty())
            return usage(context);
        const QString value = args.takeFirst();
        bool ok = false;
        if (option == QLatin1String("--password"))
            password = value;
        else if (option == QLatin1String("--timeout") && value.toInt(&ok) > 0 && ok)
            timeout = value.toInt();
        else
            return usage(context);
    }
    if (args.isEmpty())
        return usage(context);
    const QString command = args.takeFirst();

    CliReporter reporter;
    TerminalPasswordPrompt prompt;
    ucVX700 link;
    link.setComport(ComPortNumber(context.portName()));
    if (timeout > 0)
        link.setTimeout(timeout);

    auto done = [&](const QString &result) {
        if (link.ErrCode() != ucVX700::VX_SUCCESS)
            return linkFailure(context, link);
        context.out << (result.isEmpty() ? QStringLiteral("OK") : result) << '\n';
        return CliExit::kOk;
    };
    auto logon = [&] { return VxLogon(password, link, &prompt); };

    if (command == QLatin1String("logon") && args.isEmpty()) {
        logon();
        return done(link.GetData());
    }
    if (command == QLatin1String("logoff") && args.isEmpty()) {
        link.VX700_Logoff();
        return done(link.GetData());
    }
    if (command == QLatin1String("set-password") && args.size() == 1) {
        if (args.first().isEmpty()) {
            context.err << "tavrel-cli: set-password wants a non-empty password\n";
            return CliExit::kFailure;
        }
        if (!logon())
            return linkFailure(context, link);
        link.VX700_SetPassword(args.first());
        if (link.ErrCode() == ucVX700::VX_SUCCESS
            && !SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Password"), args.first())) {
            context.err << "tavrel-cli: the terminal has the new password, but it could not be saved: "
                        << Settings::lastError() << '\n';
            return CliExit::kFailure;
        }
        return done(link.GetData());
    }
    if (command == QLatin1String("record-count") && args.isEmpty()) {
        link.VX700_RecordCount();
        return done(QString::number(LeadingNumber(link.GetData())));
    }
    if (command == QLatin1String("records") && args.isEmpty()) {
        if (!logon())
            return linkFailure(context, link);
        link.VX700_RecordCount();
        if (link.ErrCode() != ucVX700::VX_SUCCESS)
            return linkFailure(context, link);
        link.GetData();
        link.VX700_GetID();
        if (link.ErrCode() != ucVX700::VX_SUCCESS)
            return linkFailure(context, link);
        const QString machine = link.GetData();
        for (;;) {
            link.VX700_GetOneRecord();
            if (link.ErrCode() != ucVX700::VX_SUCCESS)
                break;
            context.out << VxRecordLine(machine, link.GetData()) << '\n';
        }
        if (link.ErrCode() != ucVX700::VX_ERR_TERMINAL_DATA_EMPTY)
            return linkFailure(context, link);
        // Reading removes nothing: the terminal keeps its records until cleared.
        link.VX700_RollBack();
        if (link.ErrCode() != ucVX700::VX_SUCCESS)
            return linkFailure(context, link);
        return CliExit::kOk;
    }
    if (command == QLatin1String("get-time") && args.isEmpty()) {
        link.VX700_GetTime();
        if (link.ErrCode() == ucVX700::VX_ERR_INVALID_REPLY_DATA)
            context.err << "tavrel-cli: the terminal's clock reads \"" << link.GetData() << "\", no date and time\n";
        return done(link.GetData());
    }
    if (command == QLatin1String("set-time") && args.size() <= 1) {
        QDateTime moment;
        if (!context.momentArgument(args, &moment))
            return CliExit::kFailure;
        if (!logon())
            return linkFailure(context, link);
        link.VX700_SetTime(moment);
        return done(link.GetData());
    }
    if (command == QLatin1String("get-id") && args.isEmpty()) {
        // As in the maintenance dialog, a terminal without an ID reads "N/A".
        link.VX700_GetID(true);
        return done(link.GetData());
    }
    if (command == QLatin1String("set-id") && args.size() == 1) {
        const QString id = args.first();
        bool plain = !id.isEmpty();
        for (const QChar c : id)
            plain = plain && c.unicode() < 0x80 && c.isLetterOrNumber();
        if (!plain) {
            context.err << "tavrel-cli: set-id wants an ID of letters A-Z, a-z and digits\n";
            return CliExit::kFailure;
        }
        if (!logon())
            return linkFailure(context, link);
        link.VX700_SetID(id);
        return done(link.GetData());
    }
    if (command == QLatin1String("version") && args.isEmpty()) {
        link.VX700_GetVersion();
        return done(link.GetData());
    }
    if (command == QLatin1String("voltage") && args.isEmpty()) {
        link.VX700_GetBatteryVoltage();
        return done(link.GetData());
    }
    if (command == QLatin1String("temperature") && args.isEmpty()) {
        link.VX700_GetBatteryTemperature();
        return done(link.GetData());
    }
    if (command == QLatin1String("clear") && args.isEmpty()) {
        if (!logon())
            return linkFailure(context, link);
        link.VX700_EraseAllRecord();
        return done(link.GetData());
    }
    if (command == QLatin1String("charger-status") && args.isEmpty()) {
        link.CRADLE_GetStatus();
        return done(link.GetData());
    }
    if (command == QLatin1String("set-charger-status") && args.size() == 1) {
        const QString letter = args.first().toUpper();
        if (ucVX700::chargerStatusText(letter).isEmpty()) {
            context.err << "tavrel-cli: set-charger-status wants one of the letters N I D C F O A\n";
            return CliExit::kFailure;
        }
        link.CRADLE_SetStatus(letter);
        return done(link.GetData());
    }
    return usage(context);
}
