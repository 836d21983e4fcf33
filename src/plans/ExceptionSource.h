#pragma once

#include "ExceptionMatcher.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>

// Where the exceptions page takes its report from when it is not the
// workspace: the sites of a central database. The page calls both on a
// worker thread, so an implementation touches no widget and opens
// connections of its own.
class ExceptionSource
{
public:
    struct Catalog
    {
        QStringList sites; // by name
        QStringList plans; // of any site, by name
    };
    struct Report
    {
        ExceptionResult result;        // outcomes and flagged reads carry their site
        QHash<QString, QString> names; // ExceptionReport::nameKey(site, code) -> description
    };

    virtual ~ExceptionSource() = default;
    virtual bool catalog(Catalog *catalog, QString *error) const = 0;
    // The report of `site` (every site when empty); false with one line in `error`.
    virtual bool run(const QString &site, const QDate &from, const QDate &to, const QString &plan, Report *report,
                     QString *error) const = 0;
};
