#include "TestEnv.h"

#include "DataStore.h"
#include "PatrolFile.h"
#include "Settings.h"
#include "Workspace.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
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

QStringList TestEnv::patrolLines(const QString &file)
{
    QFile patrol(QDir::isAbsolutePath(file) ? file : QDir(Workspace::unapprovedFolder()).filePath(file));
    if (!patrol.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    QString text;
    while (ReadPatrolLine(patrol, text))
        lines << text;
    return lines;
}

QStringList TestEnv::logEntries()
{
    QStringList out;
    QSqlQuery q(QSqlDatabase::database(DataStore::kConnLog));
    q.exec(QStringLiteral("SELECT Command, Description FROM Log ORDER BY rowid"));
    while (q.next())
        out << q.value(0).toString() + QLatin1Char('/') + q.value(1).toString();
    return out;
}
