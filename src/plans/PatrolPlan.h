#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QTime>

// One checkpoint of a round: the tag to read, by how many minutes after the
// round's start it should be read, and how many minutes either side still
// count as on time.
struct PlanCheckpoint
{
    QString code;
    int minutes = 0;
    int tolerance = 0;
    // The least minutes a guard needs from the previous checkpoint; a read
    // sooner is flagged as transit. 0: no such minimum.
    int minMinutes = 0;

    bool operator==(const PlanCheckpoint &) const = default;
};

// A named round and its schedule. Rounds start at `start` and then every
// `interval` minutes up to and including `end`; `end` before `start` is a night
// shift that ends on the next day; `interval` 0 (or `end` equal to `start`) is
// one round a day. A round is due on the days of `weekdays` (bit 0 Monday ...
// bit 6 Sunday), counted by the day it starts on.
//
// Moments here are wall-clock times as the terminals record them: QDateTime
// values in UTC, so that no daylight-saving shift ever moves a record.
struct PatrolPlan
{
    static constexpr int kEveryDay = 0x7f;
    static constexpr int kMaxMinutes = 24 * 60;

    QString name;
    QTime start;
    QTime end;
    int interval = 0;
    int weekdays = kEveryDay;
    QList<PlanCheckpoint> checkpoints;

    bool operator==(const PatrolPlan &) const = default;

    bool runsOn(const QDate &day) const { return weekdays & (1 << (day.dayOfWeek() - 1)); }
    // The day the round starting at `roundStart` is due on: the rounds of a
    // night shift that start after midnight belong to the day it began.
    QDate roundDay(const QDateTime &roundStart) const
    {
        return roundStart.time() < start ? roundStart.date().addDays(-1) : roundStart.date();
    }
    // The starts of the rounds due on the days from `from` to `to`, in order.
    QList<QDateTime> roundStarts(const QDate &from, const QDate &to) const;
    // Why the plan cannot be stored, or an empty string: a name, a start and
    // an end, an interval of 0..1440, at least one weekday, at least one
    // checkpoint, each a code of `definedCodes` (TagStore::codeKey: codes
    // compare without case) no other checkpoint of the plan has, minutes of 0..1440 not smaller than the checkpoint before, a
    // tolerance and a minimum from the previous checkpoint of 0..1440.
    QString problem(const QSet<QString> &definedCodes) const;

    // A wall-clock moment, and back (see above).
    static QDateTime moment(const QDate &day, const QTime &time) { return QDateTime(day, time, Qt::UTC); }
};
