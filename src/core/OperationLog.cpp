#include "OperationLog.h"

#include "DataStore.h"
#include "MessageReporter.h"
#include "Workspace.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

bool WriteLog(const QString &command, const QString &description)
{
    QString error;
    int number = 3021; // "No current record": the log record set could not be used
    // A closed log connection is opened again, as the log record set would be.
    if (!QSqlDatabase::contains(DataStore::kConnLog) || !QSqlDatabase::database(DataStore::kConnLog, false).isOpen()) {
        if (!DataStore::prepareFile(DataStore::kConnLog, Workspace::tvlMon(), &error)) {
            MessageReporter::instance().failure(error + QStringLiteral(": MonitorLog "), number);
            return false;
        }
    }
    QSqlQuery insert(QSqlDatabase::database(DataStore::kConnLog));
    insert.prepare(QStringLiteral("INSERT INTO Log (`DateTime`, Command, Description) VALUES (?, ?, ?)"));
    insert.addBindValue(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    insert.addBindValue(command);
    insert.addBindValue(description);
    if (!insert.exec()) {
        const QSqlError e = insert.lastError();
        bool ok = false;
        const int native = e.nativeErrorCode().toInt(&ok);
        MessageReporter::instance().failure(e.text() + QStringLiteral(": MonitorLog "), ok ? native : number);
        return false;
    }
    return true;
}
