// tavrel: the desktop program.

#include "GuiStartupUi.h"

#include "AppIcon.h"
#include "InputHold.h"
#include "Ledger.h"

#include "MessageBoxReporter.h"
#include "Startup.h"
#include "Version.h"
#include "Workspace.h"
#include "frmMain.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrel"));
    QApplication::setApplicationVersion(VersionSuffix().mid(2));
    QApplication::setDesktopFileName(QStringLiteral("org.tavrel.Tavrel"));
    QApplication::setWindowIcon(AppIcon::icon());
    AppIcon::useShippedIcons();
    // The main window hides to the tray, and dialogs opened from the tray close
    // while it is hidden: only Exit ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Guard-patrol terminal download and review"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption workspaceOption(
        QStringLiteral("workspace"),
        QStringLiteral("Use DIR as the workspace (databases and patrol-data folders); created when missing."),
        QStringLiteral("DIR"));
    parser.addOption(workspaceOption);
    parser.process(app);

    MessageBoxReporter reporter;
    MessageReporter::install(&reporter);
    // No click or key may start a second exchange on a link that waits for a reply.
    InputHold inputHold;

    GuiStartupUi ui;
    Startup startup(ui);
    const QString folder = Workspace::resolve(parser.value(workspaceOption), QCoreApplication::applicationDirPath());
    switch (startup.run(folder)) {
    case Startup::Result::ShowMainWindow:
        break;
    case Startup::Result::Failed:
        return 1;
    case Startup::Result::AlreadyRunning:
    case Startup::Result::Cancelled:
        return 0;
    }

    // A workspace that had files before it had a ledger starts it now.
    QString ledgerError;
    if (!Ledger::ensureBaseline(&ledgerError))
        MessageReporter::instance().message(ledgerError, MessageReporter::Icon::Exclamation);

    frmMain window;
    QObject::connect(&window, &frmMain::exitRequested, &app, &QApplication::quit);
    window.show();
    const int status = app.exec();
    MessageReporter::install(nullptr);
    return status;
}
