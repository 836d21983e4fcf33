#pragma once

#include "ComplianceFigures.h"
#include "ExceptionMatcher.h"

#include <QDate>
#include <QList>

#include <functional>

// The figures the web page draws from an exception report.
class WebFigures
{
public:
    // The compliance per day from `from` to `to` as the desktop's chart
    // counts it (ComplianceFigures) of the outcomes `which` chooses (a
    // plan's, a guard's); of all when empty.
    static QList<ComplianceRow> daily(const ExceptionResult &result, const QDate &from, const QDate &to,
                                   const std::function<bool(const CheckpointOutcome &)> &which = {});

    // How long a site may go without a download before the page warns: the
    // longest time between two round starts its plans allow, plus kMargin
    // seconds; 24 hours for a site without plans.
    static constexpr qint64 kMargin = 6 * 3600;
    static qint64 staleAfterSeconds(const QList<PatrolPlan> &plans);
};
