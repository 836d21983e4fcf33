#include "rptPatrolData.h"

#include "CRes.h"
#include "DataStore.h"
#include "Ledger.h"
#include "PatrolTableModel.h"
#include "TagStore.h"

#include <QLocale>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

constexpr int kRowsPerInsert = 200; // 800 parameters, below SQLite's oldest limit of 999

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

// The number written by `text` in ASCII digits only; -1 for anything else.
int digits(QStringView text)
{
    int value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

// The row's date as yyyy-MM-dd; false when it is not a date. The forms the
// files hold are turned around without a full parse.
bool isoDate(const PatrolRow &row, QString *out)
{
    const QString &t = row.date;
    if (t.size() == 10 && (t[4] == QLatin1Char('/') || t[4] == QLatin1Char('-')) && t[7] == t[4]
        && QDate::isValid(digits(QStringView(t).left(4)), digits(QStringView(t).mid(5, 2)),
                          digits(QStringView(t).mid(8, 2)))) {
        *out = t;
        (*out)[4] = (*out)[7] = QLatin1Char('-');
        return true;
    }
    const QDate date = row.dateValue();
    if (!date.isValid())
        return false;
    *out = date.toString(Qt::ISODate);
    return true;
}

// The row's time as HH:mm:ss; false when it is not a time.
bool isoTime(const PatrolRow &row, QString *out)
{
    const QString &t = row.time;
    if (t.size() == 8 && t[2] == QLatin1Char(':') && t[5] == QLatin1Char(':')
        && QTime::isValid(digits(QStringView(t).left(2)), digits(QStringView(t).mid(3, 2)),
                          digits(QStringView(t).mid(6, 2)))) {
        *out = t;
        return true;
    }
    const QTime time = row.timeValue();
    if (!time.isValid())
        return false;
    *out = time.toString(Qt::ISODate);
    return true;
}

}

bool rptPatrolData::load(const QList<PatrolRow> &list, QString *error)
{
    rows.clear();
    invalidateLayout();
    // Any command opens connTVL when it is not open yet; this one reads nothing.
    if (!DataStore::isOpen()
        && !DataStore::run(QStringLiteral("GetDescriptionWithSpecCode_TagDef"), {QString()}, error).isActive())
        return false;
    QSqlDatabase db = QSqlDatabase::database(DataStore::kConnTVL, false);
    if (!db.transaction()) {
        setError(error, db.lastError().text());
        return false;
    }
    bool ok = DataStore::run(QStringLiteral("DeletePatrolData"), {}, error).isActive();
    // InsertPatrolData with many rows to a statement: binding, not SQLite, is
    // what costs time with a long list. Its named parameters become
    // positional ones, as a name may appear only once in a statement.
    const QString insertText = DataStore::command(QStringLiteral("InsertPatrolData"))->text;
    const QString head = insertText.left(insertText.indexOf(QLatin1String("VALUES")) + 6);
    auto statement = [&](int count) {
        QStringList tuples(count, QStringLiteral(" (?, ?, ?, ?)"));
        return head + tuples.join(QLatin1Char(','));
    };
    QSqlQuery batch(db);
    if (ok && !batch.prepare(statement(kRowsPerInsert))) {
        setError(error, batch.lastError().text());
        ok = false;
    }
    int bound = 0; // parameters bound in the current statement
    auto flush = [&](QSqlQuery &query) {
        bound = 0;
        if (!query.exec()) {
            setError(error, query.lastError().text());
            ok = false;
        }
    };
    QString date;
    QString time;
    for (qsizetype i = 0; ok && i < list.size(); ++i) {
        const PatrolRow &row = list.at(i);
        if (!isoDate(row, &date) || !isoTime(row, &time))
            continue;
        batch.bindValue(bound++, row.machineNo);
        batch.bindValue(bound++, row.code);
        batch.bindValue(bound++, date);
        batch.bindValue(bound++, time);
        if (bound == 4 * kRowsPerInsert)
            flush(batch);
    }
    const int pendingRows = bound / 4;
    batch.finish();
    if (ok && pendingRows > 0) {
        // The rows bound last go again into a statement of their size.
        QSqlQuery last(db);
        if (last.prepare(statement(pendingRows))) {
            const QVariantList values = batch.boundValues().mid(0, 4 * pendingRows);
            for (int i = 0; i < values.size(); ++i)
                last.bindValue(i, values.at(i));
            flush(last);
        } else {
            setError(error, last.lastError().text());
            ok = false;
        }
    }
    if (!ok || !db.commit()) {
        if (ok)
            setError(error, db.lastError().text());
        db.rollback();
        return false;
    }

    QSqlQuery report(db);
    report.setForwardOnly(true);
    if (!report.exec(DataStore::command(QStringLiteral("rptPatrolData"))->text)) {
        setError(error, report.lastError().text());
        return false;
    }
    // The join compares codes with case; a code defined in another case gets
    // its description as the list shows it.
    QHash<QString, QString> otherCase;
    bool otherCaseRead = false;
    while (report.next()) {
        QString description = report.value(4).toString();
        if (description.isEmpty() && report.value(4).isNull()) {
            if (!otherCaseRead) {
                otherCase = TagStore::descriptionMap(nullptr);
                otherCaseRead = true;
            }
            description = otherCase.value(TagStore::codeKey(report.value(1).toString()));
        }
        rows.append({report.value(0).toString(), report.value(1).toString(), report.value(2).toString(),
                     report.value(3).toString(), description});
    }
    return true;
}

QString rptPatrolData::cellText(qsizetype row, int column) const
{
    const QString &stored = rows.at(row).at(column);
    if (column != 2 && column != 3)
        return stored;
    // Formatted when a page is drawn, each distinct value once: a long list
    // shows its first page without formatting every row.
    auto it = m_shown.constFind(stored);
    if (it == m_shown.constEnd()) {
        const QLocale locale = QLocale::system();
        it = m_shown.insert(stored, column == 2
                                        ? locale.toString(QDate::fromString(stored, Qt::ISODate), QLocale::ShortFormat)
                                        : locale.toString(QTime::fromString(stored, Qt::ISODate),
                                                          PatrolTableModel::longTimeFormatWithoutZone()));
    }
    return *it;
}

void rptPatrolData::SetupPatrolDataReport()
{
    CRes &res = CRes::instance();
    setupHeader(res.ResString(123, QStringLiteral("Patrol Data")));
    footerNote = Ledger::footerLine();
    columns = {{res.ResString(232, QStringLiteral("Mach#")), 1},
               {res.ResString(129, QStringLiteral("Code")), 2},
               {res.ResString(127, QStringLiteral("Date")), 1.6},
               {res.ResString(128, QStringLiteral("Time")), 1.6},
               {res.ResString(130, QStringLiteral("Description")), 3.5, true}};
    lblRecordCount = res.ResString(233, QStringLiteral("Total number of data:"));
}
