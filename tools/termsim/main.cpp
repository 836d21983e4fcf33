// termsim: plays a serial terminal on a pseudo-terminal until SIGTERM or
// SIGINT. The slave side is published as a symlink at --link; its path is
// printed on stdout once the device is ready.

#include "KrTerminalSim.h"
#include "VxCradleSim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

int number(const QCommandLineParser &parser, const QString &name, bool *ok)
{
    bool good = false;
    const int value = parser.value(name).toInt(&good, 0);
    if (!good) {
        std::fprintf(stderr, "termsim: --%s needs a number\n", qPrintable(name));
        *ok = false;
    }
    return value;
}

// The KR terminal with the options that concern it; null after an error message.
std::unique_ptr<TerminalSim> makeKr(const QCommandLineParser &parser)
{
    auto sim = std::make_unique<KrTerminalSim>();
    bool ok = true;
    if (parser.isSet(QStringLiteral("id")))
        sim->setId(number(parser, QStringLiteral("id"), &ok));
    const int machine = parser.isSet(QStringLiteral("machine")) ? number(parser, QStringLiteral("machine"), &ok) : 1;
    if (parser.isSet(QStringLiteral("records-file"))) {
        QStringList records;
        QString error;
        if (!KrTerminalSim::readRecordsFile(parser.value(QStringLiteral("records-file")), &records, &error)) {
            std::fprintf(stderr, "termsim: %s\n", qPrintable(error));
            return nullptr;
        }
        sim->setRecords(records);
    } else if (parser.isSet(QStringLiteral("records"))) {
        sim->setRecords(KrTerminalSim::generateRecords(number(parser, QStringLiteral("records"), &ok), machine));
    }
    if (parser.isSet(QStringLiteral("version")))
        sim->setVersion(parser.value(QStringLiteral("version")).toLatin1());
    if (parser.isSet(QStringLiteral("voltage")))
        sim->setVoltage(parser.value(QStringLiteral("voltage")).toLatin1());
    if (parser.isSet(QStringLiteral("count-reply")))
        sim->setCountReply(parser.value(QStringLiteral("count-reply")).toLatin1());
    if (parser.isSet(QStringLiteral("bad-bcc")))
        sim->setBadBccFrames(number(parser, QStringLiteral("bad-bcc"), &ok));
    if (parser.isSet(QStringLiteral("stray")))
        sim->setStrayBytes(number(parser, QStringLiteral("stray"), &ok));
    if (parser.isSet(QStringLiteral("cut-short")))
        sim->setCutShortFrames(number(parser, QStringLiteral("cut-short"), &ok));
    if (parser.isSet(QStringLiteral("eot-inside")))
        sim->setEotInsideFrames(number(parser, QStringLiteral("eot-inside"), &ok));
    if (parser.isSet(QStringLiteral("vanish-after")))
        sim->setVanishAfterRecords(number(parser, QStringLiteral("vanish-after"), &ok));
    sim->setEotInsteadOfData(parser.isSet(QStringLiteral("eot-at-once")));
    sim->setRefuseCommands(parser.isSet(QStringLiteral("refuse")));
    if (parser.isSet(QStringLiteral("refuse-clear")))
        sim->setRefusedLetters("D");
    if (parser.isSet(QStringLiteral("nak-frames")))
        sim->setNakHostFrames(number(parser, QStringLiteral("nak-frames"), &ok));
    if (parser.isSet(QStringLiteral("no-eot")))
        sim->setNoEotAfterReply(number(parser, QStringLiteral("no-eot"), &ok));
    if (parser.isSet(QStringLiteral("clock-offset")))
        sim->setClock(QDateTime::currentDateTime().addSecs(number(parser, QStringLiteral("clock-offset"), &ok)));
    if (!ok)
        return nullptr;
    return sim;
}

// The VX cradle with its terminal; null after an error message.
std::unique_ptr<TerminalSim> makeVx(const QCommandLineParser &parser)
{
    auto sim = std::make_unique<VxCradleSim>();
    bool ok = true;
    if (parser.isSet(QStringLiteral("records")))
        sim->setRecords(VxCradleSim::sampleRecords(number(parser, QStringLiteral("records"), &ok)));
    if (parser.isSet(QStringLiteral("password")))
        sim->setPassword(parser.value(QStringLiteral("password")));
    if (parser.isSet(QStringLiteral("machine-id")))
        sim->setMachineId(parser.value(QStringLiteral("machine-id")));
    if (parser.isSet(QStringLiteral("count-reply")))
        sim->setCountReply(parser.value(QStringLiteral("count-reply")).toLatin1());
    if (parser.isSet(QStringLiteral("refuse-clear")))
        sim->setFailedCommands("E");
    if (parser.isSet(QStringLiteral("clock-offset")))
        sim->setClock(QDateTime::currentDateTime().addSecs(number(parser, QStringLiteral("clock-offset"), &ok)));
    if (!ok)
        return nullptr;
    return sim;
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("termsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Plays a patrol terminal on a pseudo-terminal."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("link"), QStringLiteral("Publish the device as a symlink at PATH (required)."), QStringLiteral("PATH")},
        {QStringLiteral("kr"), QStringLiteral("A KR-family terminal with a DS900 base station (the default).")},
        {QStringLiteral("paced"), QStringLiteral("Take as long per byte as a real line at the chosen baud rate.")},
        {QStringLiteral("silent"), QStringLiteral("Never answer.")},
        {QStringLiteral("pieces"), QStringLiteral("Send every reply in N pieces a few milliseconds apart."), QStringLiteral("N")},
        {QStringLiteral("records"), QStringLiteral("Hold N generated records."), QStringLiteral("N")},
        {QStringLiteral("records-file"), QStringLiteral("Hold the records of FILE, one a line."), QStringLiteral("FILE")},
        {QStringLiteral("id"), QStringLiteral("KR: terminal ID (default 0); 0x.. for hexadecimal."), QStringLiteral("N")},
        {QStringLiteral("machine"), QStringLiteral("KR: machine number in generated records (default 1)."), QStringLiteral("N")},
        {QStringLiteral("version"), QStringLiteral("KR: version text."), QStringLiteral("TEXT")},
        {QStringLiteral("voltage"), QStringLiteral("KR: voltage text."), QStringLiteral("TEXT")},
        {QStringLiteral("count-reply"), QStringLiteral("Reply to the record count with TEXT."), QStringLiteral("TEXT")},
        {QStringLiteral("refuse-clear"), QStringLiteral("Keep the records when told to clear them (KR: NAK; VX: status F).")},
        {QStringLiteral("bad-bcc"), QStringLiteral("KR: the first K frames carry a wrong check byte."), QStringLiteral("K")},
        {QStringLiteral("stray"), QStringLiteral("KR: stray bytes before the first K frames."), QStringLiteral("K")},
        {QStringLiteral("cut-short"), QStringLiteral("KR: the first K frames stop half-way."), QStringLiteral("K")},
        {QStringLiteral("eot-inside"), QStringLiteral("KR: the first K frames carry an EOT byte in their data."), QStringLiteral("K")},
        {QStringLiteral("vanish-after"), QStringLiteral("KR: vanish after K records of a download."), QStringLiteral("K")},
        {QStringLiteral("eot-at-once"), QStringLiteral("KR: answer every read with EOT.")},
        {QStringLiteral("refuse"), QStringLiteral("KR: answer NAK where ACK is due.")},
        {QStringLiteral("nak-frames"), QStringLiteral("KR: answer the first K data frames of the host with NAK."), QStringLiteral("K")},
        {QStringLiteral("no-eot"), QStringLiteral("KR: close the first K acknowledged replies with NAK, not EOT."), QStringLiteral("K")},
        {QStringLiteral("vanish-on"), QStringLiteral("Vanish, unanswered, at the N-th arrival of command letter L (L or L:N)."), QStringLiteral("L[:N]")},
        {QStringLiteral("clock-offset"), QStringLiteral("Start with the terminal's clock N seconds off the PC's (negative: behind)."), QStringLiteral("N")},
        {QStringLiteral("vx"), QStringLiteral("A VX-family cradle with a terminal in it.")},
        {QStringLiteral("password"), QStringLiteral("VX: terminal password (default 7391)."), QStringLiteral("TEXT")},
        {QStringLiteral("machine-id"), QStringLiteral("VX: terminal machine ID (default 0001)."), QStringLiteral("TEXT")},
    });
    parser.process(app);

    const QString link = parser.value(QStringLiteral("link"));
    if (link.isEmpty()) {
        std::fprintf(stderr, "termsim: --link PATH is required\n");
        return 64;
    }

    std::unique_ptr<TerminalSim> sim = parser.isSet(QStringLiteral("vx")) ? makeVx(parser) : makeKr(parser);
    if (!sim)
        return 64;
    sim->setPaced(parser.isSet(QStringLiteral("paced")));
    sim->setSilent(parser.isSet(QStringLiteral("silent")));
    if (parser.isSet(QStringLiteral("vanish-on"))) {
        const QString value = parser.value(QStringLiteral("vanish-on"));
        bool ok = value.size() == 1;
        int occurrence = 1;
        if (value.size() > 2 && value.at(1) == QLatin1Char(':'))
            occurrence = value.mid(2).toInt(&ok);
        if (!ok || occurrence < 1 || value.at(0).unicode() > 0x7E) {
            std::fprintf(stderr, "termsim: --vanish-on needs a command letter, optionally :N\n");
            return 64;
        }
        sim->setVanishOnCommand(char(value.at(0).unicode()), occurrence);
    }
    if (parser.isSet(QStringLiteral("pieces"))) {
        bool ok = true;
        sim->setSendPieces(number(parser, QStringLiteral("pieces"), &ok));
        if (!ok)
            return 64;
    }

    QString error;
    if (!sim->start(link, &error)) {
        std::fprintf(stderr, "termsim: %s\n", qPrintable(error));
        return 1;
    }

    if (::pipe(g_signalPipe) != 0) {
        std::perror("termsim: pipe");
        return 1;
    }
    QSocketNotifier stopper(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopper, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    // A vanished device stays gone: the program ends with it.
    QObject::connect(sim.get(), &TerminalSim::vanished, &app, &QCoreApplication::quit);

    std::printf("%s\n", qPrintable(sim->devicePath()));
    std::fflush(stdout);
    const int status = app.exec();
    sim->stop();
    return status;
}
