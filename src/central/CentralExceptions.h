#pragma once

#include "CentralSettings.h"
#include "ExceptionMatcher.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>

// The exception report of several sites of the central database, each site
// matched against its own plans and tags (CentralReport), side by side: every
// outcome and flagged read carries its site, the totals are per site and plan
// and per site and guard ("North Gate / Night").
class CentralExceptions
{
public:
    struct Result
    {
        ExceptionResult report;
        QHash<QString, QString> names; // ExceptionReport::nameKey(site, code) -> description
        QStringList sites;             // the sites reported, by name
    };

    enum class Status { Ok, Unknown, Refused };

    // Every site, or the sites whose name (or id) is `site`; with a
    // `planName`, the sites that have that plan. The sites run side by side,
    // each on a connection of its own. Unknown when no site (or no site's
    // plan) has that name, Refused when the database cannot be reached or
    // refuses; one line in `error` then.
    static Status run(const CentralSettings &settings, const QString &site, const QDate &from, const QDate &to,
                    const QString &planName, Result *result, QString *error);
};
