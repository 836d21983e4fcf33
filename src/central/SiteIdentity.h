#pragma once

#include <QString>

// This workspace as a site of the central database: a stable id made once per
// workspace (kept in tvl.mon, table Site) and a name the office gives it.
class SiteIdentity
{
public:
    struct Site
    {
        QString id; // a UUID, without braces
        QString name;
    };
    // The site of the current workspace, made now (named after this computer)
    // when it has none yet. False with `error` when tvl.mon cannot be read or written.
    static bool current(Site *site, QString *error);
    static bool setName(const QString &name, QString *error);
};
