#pragma once

#include "ExceptionMatcher.h"
#include "FlagReport.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The exception report of one site of the central database: the site's
// plans and tag definitions as it pushed them, matched against its records
// by the same matcher, flag rules and incident attachment as the workspace's
// own report, so a site's report reads the same here and at the site.
class CentralReport
{
public:
    struct Site
    {
        QString id;
        QString name;
    };
    // What a site pushed of its definitions; codes as TagStore::codeKey.
    struct Definitions
    {
        QList<PatrolPlan> plans;
        QSet<QString> guards;
        QHash<QString, QString> names;     // code -> description
        QHash<QString, QString> incidents; // code -> incident text
    };
    // A machine number of the site that another site also read on that day.
    struct Twin
    {
        QString machineNo;
        QDate day;
        QStringList otherSites; // their names
    };

    // Every site, by name.
    static bool sites(QSqlDatabase db, QList<Site> *sites, QString *error);
    static bool definitions(QSqlDatabase db, const QString &siteId, Definitions *definitions, QString *error);
    // The site's records of the downloads that can hold reads of the days
    // from `from` to `to` (as the workspace's report chooses its files), in
    // download order and each download's own order, with their flags and incidents.
    static bool marks(QSqlDatabase db, const QString &siteId, const Definitions &definitions, const QDate &from,
                      const QDate &to, FlagData *marks, QString *error);
    // The report of the rounds due from `from` to `to` of the plan `planName`
    // (every plan when empty). False with `error` when the database refuses
    // or `planName` is no plan of the site.
    static bool run(QSqlDatabase db, const QString &siteId, const QDate &from, const QDate &to,
                    const QString &planName, ExceptionResult *result, QString *error);
    // As run(), also giving the site's definitions (for the descriptions of its codes).
    static bool run(QSqlDatabase db, const QString &siteId, const QDate &from, const QDate &to,
                    const QString &planName, ExceptionResult *result, Definitions *definitions, QString *error);

    // The machine numbers the site read from `first` to `last` that any other
    // site read on the same day (whatever the other site's role lets this
    // connection see).
    static bool twins(QSqlDatabase db, const QString &siteId, const QDate &first, const QDate &last,
                      QList<Twin> *twins, QString *error);
    // The same for every site at once (site id -> its twins): one pass over
    // the records of those days, cheaper than a query per site.
    static bool allTwins(QSqlDatabase db, const QDate &first, const QDate &last, QHash<QString, QList<Twin>> *twins,
                         QString *error);
    // Flags the site's first read of each twin machine number and day in
    // `marks` ("twin"), keeping the flags in order of read and rule.
    static void addTwins(const QList<Twin> &twins, FlagData *marks);
};
