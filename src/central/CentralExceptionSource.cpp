#include "CentralExceptionSource.h"

#include "CentralDatabase.h"
#include "CentralExceptions.h"
#include "CentralReport.h"
#include "CentralRoles.h"

#include <QAtomicInteger>
#include <QSqlQuery>

CentralExceptionSource::CentralExceptionSource(CentralSettings settings)
    : m_settings(std::move(settings))
{
}

bool CentralExceptionSource::catalog(Catalog *catalog, QString *error) const
{
    static QAtomicInteger<quint64> next;
    const QString name = QStringLiteral("tavrel-central-catalog-%1").arg(next.fetchAndAddRelaxed(1));
    *catalog = {};
    bool ok = false;
    {
        QSqlDatabase db = CentralDatabase::open(m_settings, name, error);
        QList<CentralReport::Site> sites;
        if (db.isOpen() && CentralReport::sites(db, &sites, error)) {
            for (const CentralReport::Site &s : std::as_const(sites))
                if (!catalog->sites.contains(s.name))
                    catalog->sites << s.name;
            QSqlQuery q(db);
            ok = CentralDatabase::exec(q, QStringLiteral("SELECT DISTINCT name FROM plans ORDER BY name"),
                                       QStringLiteral("The plans of the sites cannot be read"), error);
            while (ok && q.next())
                catalog->plans << q.value(0).toString();
        }
    }
    CentralDatabase::close(name);
    if (!ok)
        *error = CentralRoles::refusal(QStringLiteral("the report"), *error);
    return ok;
}

bool CentralExceptionSource::run(const QString &site, const QDate &from, const QDate &to, const QString &plan,
                                 Report *report, QString *error) const
{
    CentralExceptions::Result result;
    if (CentralExceptions::run(m_settings, site, from, to, plan, &result, error) != CentralExceptions::Status::Ok) {
        *error = CentralRoles::refusal(QStringLiteral("the report"), *error);
        return false;
    }
    report->result = std::move(result.report);
    report->names = std::move(result.names);
    return true;
}
