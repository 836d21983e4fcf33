#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A throw-away workspace and settings folder for one test: the settings store,
// the current workspace and the databases all point into a temporary folder.
class TestEnv
{
public:
    // `openStore` also creates and opens tvl.mdb and tvl.mon.
    explicit TestEnv(bool openStore = true);
    ~TestEnv();

    QString root() const { return m_dir.path(); }
    QString workspace() const;
    QString configFolder() const;
    // The path of a file under tests/data.
    static QString dataFile(const QString &name);
    // The decoded records of a patrol-data file (a file name is taken in Unapproved/).
    static QStringList patrolLines(const QString &file);
    // The operation log as "Command/Description", oldest first.
    static QStringList logEntries();

private:
    QTemporaryDir m_dir;
};
