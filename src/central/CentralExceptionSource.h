#pragma once

#include "CentralSettings.h"
#include "ExceptionSource.h"

// The sites of the central database as the exceptions page's source: each
// call opens connections of its own (it runs on the page's worker thread).
class CentralExceptionSource : public ExceptionSource
{
public:
    explicit CentralExceptionSource(CentralSettings settings);

    bool catalog(Catalog *catalog, QString *error) const override;
    bool run(const QString &site, const QDate &from, const QDate &to, const QString &plan, Report *report,
             QString *error) const override;

private:
    CentralSettings m_settings;
};
