#pragma once

#include "ExceptionMatcher.h"

#include <QDate>
#include <QList>

#include <functional>

// How one day's checkpoints went: read on time, read early or late, missed.
struct DayFigures
{
    QDate day;
    int onTime = 0;
    int earlyOrLate = 0;
    int missed = 0;
    int due() const { return onTime + earlyOrLate + missed; }
    // On time / due in percent; -1 for a day with nothing due.
    double percent() const { return due() ? 100.0 * onTime / due() : -1; }
};

// The figures the web page draws from an exception report.
class WebFigures
{
public:
    // Per day from `from` to `to` (every day, also those with nothing due),
    // the checkpoints due counted by the day their round starts on; extra
    // reads do not count. `which` chooses outcomes (a plan's, a guard's); all when empty.
    static QList<DayFigures> daily(const ExceptionResult &result, const QDate &from, const QDate &to,
                                   const std::function<bool(const CheckpointOutcome &)> &which = {});

    // How long a site may go without a download before the page warns: the
    // longest time between two round starts its plans allow, plus kMargin
    // seconds; 24 hours for a site without plans.
    static constexpr qint64 kMargin = 6 * 3600;
    static qint64 staleAfterSeconds(const QList<PatrolPlan> &plans);
};
