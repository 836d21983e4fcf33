#include "TestEnv.h"

#include "DataStore.h"
#include "Settings.h"
#include "Workspace.h"

#include <QDir>
#include <QtTest>

TestEnv::TestEnv(bool openStore)
{
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    Settings::setConfigFolder(configFolder());
    Workspace::createIfMissing(workspace(), nullptr);
    Workspace::setCurrent(workspace());
    if (openStore) {
        QString error;
        if (!DataStore::open(&error))
            qFatal("TestEnv: %s", qPrintable(error));
    }
}

TestEnv::~TestEnv()
{
    DataStore::close();
    // Only when no newer TestEnv took over meanwhile.
    if (Settings::configFolder() == configFolder())
        Settings::setConfigFolder(QString());
}

QString TestEnv::workspace() const
{
    return m_dir.path() + QStringLiteral("/ws");
}

QString TestEnv::configFolder() const
{
    return m_dir.path() + QStringLiteral("/config");
}

QString TestEnv::dataFile(const QString &name)
{
    return qEnvironmentVariable("TAVREL_TEST_DATA") + QLatin1Char('/') + name;
}
