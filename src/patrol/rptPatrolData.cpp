#include "rptPatrolData.h"

#include "CRes.h"
#include "DataStore.h"

#include <QLocale>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

}

bool rptPatrolData::load(const QList<PatrolRow> &list, QString *error)
{
    rows.clear();
    // Any command opens connTVL when it is not open yet.
    if (!DataStore::run(QStringLiteral("rptTagDef"), {}, error).isActive())
        return false;
    QSqlDatabase db = QSqlDatabase::database(DataStore::kConnTVL, false);
    if (!db.transaction()) {
        setError(error, db.lastError().text());
        return false;
    }
    bool ok = DataStore::run(QStringLiteral("DeletePatrolData"), {}, error).isActive();
    QSqlQuery insert(db);
    if (ok && !insert.prepare(DataStore::command(QStringLiteral("InsertPatrolData"))->text)) {
        setError(error, insert.lastError().text());
        ok = false;
    }
    for (qsizetype i = 0; ok && i < list.size(); ++i) {
        const PatrolRow &row = list.at(i);
        const QDate date = row.dateValue();
        const QTime time = row.timeValue();
        if (!date.isValid() || !time.isValid())
            continue;
        insert.addBindValue(row.machineNo);
        insert.addBindValue(row.code);
        insert.addBindValue(date.toString(QStringLiteral("yyyy-MM-dd")));
        insert.addBindValue(time.toString(QStringLiteral("HH:mm:ss")));
        if (!insert.exec()) {
            setError(error, insert.lastError().text());
            ok = false;
        }
    }
    insert.finish();
    if (!ok || !db.commit()) {
        if (ok)
            setError(error, db.lastError().text());
        db.rollback();
        return false;
    }

    QSqlQuery report = DataStore::run(QStringLiteral("rptPatrolData"), {}, error);
    if (!report.isActive())
        return false;
    const QLocale locale = QLocale::system();
    const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    const QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    while (report.next()) {
        const QDate date = QDate::fromString(report.value(2).toString(), QStringLiteral("yyyy-MM-dd"));
        const QTime time = QTime::fromString(report.value(3).toString(), QStringLiteral("HH:mm:ss"));
        rows.append({report.value(0).toString(), report.value(1).toString(), locale.toString(date, dateFormat),
                     locale.toString(time, timeFormat), report.value(4).toString()});
    }
    return true;
}

void rptPatrolData::SetupPatrolDataReport()
{
    CRes &res = CRes::instance();
    setupHeader(res.ResString(123, QStringLiteral("Patrol Data")));
    columns = {{res.ResString(232, QStringLiteral("Mach#")), 1},
               {res.ResString(129, QStringLiteral("Code")), 2},
               {res.ResString(127, QStringLiteral("Date")), 1.6},
               {res.ResString(128, QStringLiteral("Time")), 1.6},
               {res.ResString(130, QStringLiteral("Description")), 3.5}};
    lblRecordCount = res.ResString(233, QStringLiteral("Total number of data:"));
}
