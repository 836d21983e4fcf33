#include "rptTagDef.h"

#include "CRes.h"
#include "DataStore.h"

#include <QSqlQuery>

bool rptTagDef::load(QString *error)
{
    rows.clear();
    invalidateLayout();
    QSqlQuery query = DataStore::run(QStringLiteral("rptTagDef"), {}, error);
    if (!query.isActive())
        return false;
    while (query.next())
        rows.append({query.value(0).toString(), query.value(1).toString()});
    return true;
}

void rptTagDef::SetupTagDefReport()
{
    CRes &res = CRes::instance();
    setupHeader(res.ResString(124, QStringLiteral("Tag Definition")));
    columns = {{res.ResString(129, QStringLiteral("Code")), 1}, {res.ResString(130, QStringLiteral("Description")), 3, true}};
    lblRecordCount = res.ResString(234, QStringLiteral("Total number of tags:"));
}
