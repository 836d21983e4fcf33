#include "Startup.h"

#include "DataStore.h"
#include "Settings.h"
#include "StartupUi.h"
#include "Workspace.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

Startup::Startup(StartupUi &ui, const QString &lockPath)
    : m_ui(ui)
    , m_instance(lockPath)
{
}

bool Startup::fail(const QString &description, int number)
{
    m_ui.showFailure(description, number);
    return false;
}

Startup::Result Startup::run(const QString &workspace)
{
    switch (m_instance.acquire()) {
    case SingleInstance::Result::AlreadyRunning:
        m_ui.alreadyRunning(QString::fromLatin1(kAlreadyLaunched));
        return Result::AlreadyRunning;
    case SingleInstance::Result::Unavailable:
        // Without a place for the lock the program still runs; only the check is lost.
        qWarning("%s", qPrintable(m_instance.errorString()));
        break;
    case SingleInstance::Result::Acquired:
        break;
    }

    Workspace::setCurrent(workspace);
    QString error;
    // An unreadable store would hand every reader its default, the password too.
    if (!Workspace::createIfMissing(workspace, &error) || !Settings::checkStore(&error)) {
        fail(error, kFileAccessError);
        return Result::Failed;
    }

    // Databases are made silently only for a workspace never used; the marker
    // drives the first-start steps alone (a copied or restored workspace can carry one).
    const bool inUse = Workspace::inUse(workspace);
    QStringList created;
    if (IsFirstLoad()) {
        if (!m_ui.selectLanguage())
            return Result::Cancelled;
        if (!firstStart(&created))
            return Result::Failed;
        // Said at once: a start cancelled at the password would not come back to it.
        if (inUse)
            DataStore::reportRecreated(created);
    }

    if (!m_ui.askPassword(GetSetting(QStringLiteral("Security"), QStringLiteral("Password"),
                                     QString::fromLatin1(kDefaultPassword))))
        return Result::Cancelled;

    if (!DataStore::open(&error, &created)) {
        fail(error, kDatabaseError);
        return Result::Failed;
    }
    if (inUse)
        DataStore::reportRecreated(created);

    if (!Workspace::ensureFolders(workspace, &error)) {
        fail(error, kFileAccessError);
        return Result::Failed;
    }
    return Result::ShowMainWindow;
}

bool Startup::firstStart(QStringList *created)
{
    const QString date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    if (!SaveSetting(QStringLiteral("Install"), QStringLiteral("Date"), date)
        || !SaveSetting(QStringLiteral("Install"), QStringLiteral("Path"),
                        QDir::toNativeSeparators(Workspace::current())))
        return fail(Settings::lastError(), kFileAccessError);

    m_ui.runSearchWizard();

    // The databases are made before the marker goes: a first start cancelled
    // at the password must not leave a workspace whose next start takes them
    // for lost ones.
    QString error;
    if (!DataStore::open(&error, created))
        return fail(error, kDatabaseError);

    QFile marker(Workspace::firstLoadMarker());
    if (!marker.remove())
        return fail(QStringLiteral("Cannot delete %1: %2")
                        .arg(QDir::toNativeSeparators(marker.fileName()), marker.errorString()),
                    kFileAccessError);
    return true;
}
