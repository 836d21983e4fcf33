#include "CliKr.h"

#include "ComPorts.h"
#include "KrFrame.h"
#include "ucKR500_900.h"

#include <QDateTime>

namespace {

const char kUsage[] =
    "usage: tavrel-cli [--port COMn] kr [--id N] [--timeout MS] COMMAND\n"
    "commands:\n"
    "  record-count | get-time | set-time [YYYYMMDDhhnnss] | get-id | set-id HEX\n"
    "  version | voltage | clear | recover | test | power-down | records\n"
    "  ds900-version | ds900-info\n";

int usage(CliContext &context)
{
    context.err << kUsage;
    return CliExit::kUsage;
}

int linkFailure(CliContext &context, const ucKR500_900 &link)
{
    return context.linkFailure(link.ErrCode(), link.ErrMessage(link.ErrCode()));
}

}

int cliKr(CliContext &context)
{
    QStringList args = context.args;
    qint16 id = 0;
    int timeout = -1;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (args.isEmpty())
            return usage(context);
        bool ok = false;
        const int value = args.takeFirst().toInt(&ok, 0);
        if (option == QLatin1String("--id") && ok && value >= 0 && value <= 0xFF)
            id = qint16(value);
        else if (option == QLatin1String("--timeout") && ok && value >= 0)
            timeout = value;
        else
            return usage(context);
    }
    if (args.isEmpty())
        return usage(context);
    const QString command = args.takeFirst();

    ucKR500_900 link;
    link.setCommPort(ComPortNumber(context.portName()));
    if (timeout >= 0)
        link.setTimeout(timeout);
    link.setErrCode(0);

    auto done = [&](const QString &result) {
        if (link.ErrCode() != ucKR500_900::KR_SUCCESS)
            return linkFailure(context, link);
        context.out << result << '\n';
        return CliExit::kOk;
    };

    if (command == QLatin1String("record-count") && args.isEmpty()) {
        qint16 count = 0;
        link.GetRecordCount(id, count);
        return done(QString::number(count));
    }
    if (command == QLatin1String("get-time") && args.isEmpty()) {
        QDateTime moment;
        link.GetTime(id, moment);
        return done(moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }
    if (command == QLatin1String("set-time") && args.size() <= 1) {
        QDateTime moment;
        if (!context.momentArgument(args, &moment))
            return CliExit::kFailure;
        link.SetTime(id, moment);
        return done(QStringLiteral("OK"));
    }
    if (command == QLatin1String("get-id") && args.isEmpty()) {
        qint16 terminalId = 0;
        link.GetID(id, terminalId);
        return done(QString::fromLatin1(KrFrame::idText(terminalId)));
    }
    if (command == QLatin1String("set-id") && args.size() == 1) {
        bool ok = false;
        const int newId = args.first().toInt(&ok, 16);
        if (!ok || newId < 0 || newId > 0xFF) {
            context.err << "tavrel-cli: set-id wants a hexadecimal ID from 00 to FF\n";
            return CliExit::kFailure;
        }
        link.SetID(id, qint16(newId));
        return done(QStringLiteral("OK"));
    }
    if (command == QLatin1String("version") && args.isEmpty()) {
        QString version;
        link.getVersion(id, version);
        return done(version);
    }
    if (command == QLatin1String("voltage") && args.isEmpty()) {
        QString voltage;
        link.GetVoltage(id, voltage);
        return done(voltage);
    }
    if (command == QLatin1String("clear") && args.isEmpty()) {
        link.ClearData(id);
        return done(QStringLiteral("OK"));
    }
    if (command == QLatin1String("recover") && args.isEmpty()) {
        link.RecoverData(id);
        return done(QStringLiteral("OK"));
    }
    if (command == QLatin1String("test") && args.isEmpty()) {
        link.InvokeTest(id);
        return done(QStringLiteral("OK"));
    }
    if (command == QLatin1String("power-down") && args.isEmpty()) {
        link.PowerDown(id);
        return done(QStringLiteral("OK"));
    }
    if (command == QLatin1String("records") && args.isEmpty()) {
        link.BeginDownload(id);
        if (link.ErrCode() != ucKR500_900::KR_SUCCESS)
            return linkFailure(context, link);
        for (;;) {
            QString record;
            link.GetRecord(record);
            if (link.ErrCode() == ucKR500_900::KR_ERR_NO_DATA)
                return CliExit::kOk;
            if (link.ErrCode() != ucKR500_900::KR_SUCCESS)
                return linkFailure(context, link);
            context.out << record << '\n';
        }
    }
    if (command == QLatin1String("ds900-version") && args.isEmpty()) {
        QString version;
        link.DS900_GetVersion(version);
        return done(version);
    }
    if (command == QLatin1String("ds900-info") && args.isEmpty()) {
        QString information;
        link.DS900_GetInformation(information);
        return done(information);
    }
    return usage(context);
}
