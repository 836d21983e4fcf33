#pragma once

#include "ExceptionMatcher.h"
#include "FlagReport.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QString>

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
};
