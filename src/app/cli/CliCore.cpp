#include "CliCore.h"

#include "ComPorts.h"
#include "MessageReporter.h"
#include "PatrolDataLoader.h"
#include "PatrolFile.h"
#include "RegularFile.h"
#include "Settings.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

int cliDecode(CliContext &context)
{
    if (context.args.size() != 1) {
        context.err << "usage: tavrel-cli decode FILE.tvl\n";
        return CliExit::kUsage;
    }
    QFile file;
    QString error;
    if (!RegularFile::openForReading(file, context.args.first(), &error)) {
        context.err << "tavrel-cli: " << error << '\n';
        return CliExit::kFailure;
    }
    // Records are written as UTF-8; the codec itself works on Windows-1252.
    context.out.setEncoding(QStringConverter::Utf8);
    int lineNumber = 0;
    int bad = 0;
    while (!file.atEnd()) {
        QByteArray line = file.readLine(PatrolDataLoader::kMaxLineBytes + 2);
        ++lineNumber;
        if (!line.endsWith('\n') && !file.atEnd()) {
            // No record is this long: pass over the rest of the line unkept.
            while (!file.atEnd() && !file.readLine(1 << 16).endsWith('\n')) {
            }
            context.err << "line " << lineNumber << ": longer than " << PatrolDataLoader::kMaxLineBytes << " bytes\n";
            ++bad;
            continue;
        }
        while (!line.isEmpty() && (line.endsWith('\n') || line.endsWith('\r')))
            line.chop(1);
        QString text;
        QByteArray group;
        switch (PatrolFile::decode(line, &text, &group)) {
        case PatrolFile::Decode::Ok:
            context.out << text << '\n';
            break;
        case PatrolFile::Decode::EmptyLine:
            context.err << "line " << lineNumber << ": empty line\n";
            ++bad;
            break;
        case PatrolFile::Decode::BadLength:
            context.err << "line " << lineNumber << ": length " << line.size() << " is not a multiple of 6\n";
            ++bad;
            break;
        default:
            context.err << "line " << lineNumber << ": group \"" << QString::fromLatin1(group)
                        << "\" is not an encoded byte\n";
            ++bad;
            break;
        }
    }
    return bad ? CliExit::kFailure : CliExit::kOk;
}

int cliEncode(CliContext &context)
{
    if (context.args.size() != 1) {
        context.err << "usage: tavrel-cli encode FILE.tvl < records.txt\n";
        return CliExit::kUsage;
    }
    QFile file(context.args.first());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        context.err << "tavrel-cli: cannot open " << file.fileName() << ": " << file.errorString() << '\n';
        return CliExit::kFailure;
    }
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly)) {
        context.err << "tavrel-cli: cannot read standard input\n";
        return CliExit::kFailure;
    }
    int lineNumber = 0;
    while (!input.atEnd()) {
        QByteArray line = input.readLine();
        ++lineNumber;
        while (!line.isEmpty() && (line.endsWith('\n') || line.endsWith('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue; // an empty record is never written
        const QString text = QString::fromUtf8(line);
        // The file holds Windows-1252 bytes; say so when that loses characters.
        if (PatrolFile::fromAnsi(PatrolFile::toAnsi(text)) != text)
            context.err << "line " << lineNumber << ": characters without a Windows-1252 form are written as ?\n";
        if (!WritePatrolLine(file, text))
            return CliExit::kWriteFailure;
    }
    return CliExit::kOk;
}

namespace {

int settingsFailure(CliContext &context)
{
    context.err << "tavrel-cli: " << Settings::lastError() << '\n';
    return CliExit::kFailure;
}

}

int cliPorts(CliContext &context)
{
    const QStringList &args = context.args;
    if (!args.isEmpty()) {
        const bool map = args.first() == QLatin1String("map") && args.size() == 3;
        const bool unmap = args.first() == QLatin1String("unmap") && args.size() == 2;
        const QString name = args.value(1);
        if ((!map && !unmap) || !IsComPortName(name)) {
            context.err << "usage: tavrel-cli ports [map COMn DEVICE | unmap COMn]   (n from 1 to 99)\n";
            return CliExit::kUsage;
        }
        if (unmap)
            return DeleteSetting(QStringLiteral("Ports"), name) ? CliExit::kOk : settingsFailure(context);
        const QString device = QFileInfo(args.at(2)).absoluteFilePath();
        if (!QFileInfo::exists(device))
            context.err << "tavrel-cli: warning: " << device << " does not exist (yet)\n";
        return SetComPortDevice(ComPortNumber(name), device) ? CliExit::kOk : settingsFailure(context);
    }
    QStringList names;
    ListComPorts(names);
    for (const QString &name : names)
        context.out << name << '\t' << ComPortDevice(ComPortNumber(name)) << '\n';
    return CliExit::kOk;
}
