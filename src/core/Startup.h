#pragma once

#include "SingleInstance.h"

#include <QString>
#include <QStringList>

class StartupUi;

// The start-up procedure, run before any window: single instance, first-start
// steps, password, databases and patrol-data folders. The caller shows the main window on ShowMainWindow and keeps
// this object alive for the whole run, since it holds the single-instance lock.
class Startup
{
public:
    enum class Result { ShowMainWindow, AlreadyRunning, Cancelled, Failed };

    // The application password of an installation that never set one.
    static constexpr const char *kDefaultPassword = "7391";
    static constexpr const char *kAlreadyLaunched = "Tavrel has been already launched.";
    // "Path/File access error": a folder, marker or settings file could not be used.
    static constexpr int kFileAccessError = 75;
    // "Unspecified error": a database could not be opened or created.
    static constexpr int kDatabaseError = -2147467259;

    explicit Startup(StartupUi &ui, const QString &lockPath = SingleInstance::defaultLockPath());

    // `workspace` is the folder Workspace::resolve chose.
    Result run(const QString &workspace);

private:
    bool fail(const QString &description, int number);
    // `created`: the databases it had to make.
    bool firstStart(QStringList *created);

    StartupUi &m_ui;
    SingleInstance m_instance;
};
