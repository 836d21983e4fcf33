#pragma once

#include "CentralReport.h"
#include "ExceptionMatcher.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QSqlDatabase>
#include <QString>

#include <memory>

// What the web service reads of the central database, always on behalf of a
// user: a site the user may not see is not found, the same as one that does
// not exist. The scoping is in the SQL (bound values only); the reports of a
// site are computed only for a site found that way.
class WebData
{
public:
    struct Site
    {
        QString id;
        QString name;
        QDateTime lastDownload; // the site's wall clock (see PatrolPlan), invalid when none
        QDateTime lastPush;     // UTC, invalid when never
        int waiting = 0;
        QString version; // changes whenever its downloads or definitions do
    };
    // A site's report with its definitions.
    struct Report
    {
        ExceptionResult result;
        CentralReport::Definitions definitions;
    };

    // The sites `user` may see, by name.
    static bool sites(QSqlDatabase db, const QString &user, QList<Site> *sites, QString *error);
    // Every site, for computing reports ahead of the first request only:
    // nothing read this way is shown to anyone.
    static bool allSites(QSqlDatabase db, QList<Site> *sites, QString *error);
    // The site `siteId` when `user` may see it; `found` false otherwise (also for an id that is no UUID).
    static bool site(QSqlDatabase db, const QString &user, const QString &siteId, Site *site, bool *found,
                     QString *error);

    // The report of `site` (from sites() or site()) for the days and plan,
    // from memory when the site's data has not changed since it was computed.
    // `planMissing` tells a plan the site does not have from a database failure.
    bool report(QSqlDatabase db, const Site &site, const QDate &from, const QDate &to, const QString &plan,
                std::shared_ptr<const Report> *report, bool *planMissing, QString *error);
    // Forgets every computed report (for measuring the cold case).
    void clear();

private:
    QMutex m_mutex;
    QHash<QString, std::shared_ptr<const Report>> m_cache;
};
