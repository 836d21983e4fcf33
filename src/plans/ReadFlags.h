#pragma once

#include "PatrolPlan.h"

#include <QList>
#include <QSet>
#include <QString>

#include <optional>
#include <vector>

// What looks wrong about a record. A flag never removes the record.
enum class FlagRule { Burst, Repeat, Transit, Clock, Twin };

// One record as the rules need it.
struct FlagRead
{
    QString machineNo;
    qint64 at = 0; // wall clock in seconds: PatrolPlan::moment(date, time).toSecsSinceEpoch()
    QString code;  // TagStore::codeKey
    int download = 0; // the download that brought it, into the downloads given with the reads
};

// One download (one patrol-data file): when the PC saved it and how far the
// terminal's clock was off then, when known.
struct DownloadInfo
{
    QString file;
    std::optional<qint64> at;     // wall clock of the PC in seconds, as FlagRead::at
    std::optional<qint64> offset; // terminal minus PC, seconds
};

// The thresholds of the rules, settings section "Flags".
struct FlagThresholds
{
    int burstTags = 4;       // BurstTags: different checkpoint tags ...
    int burstSeconds = 60;   // BurstSeconds: ... read within this many seconds
    int repeatSeconds = 60;  // RepeatSeconds: the same tag twice within this
    int clockSeconds = 120;  // ClockSeconds: what a terminal's clock may be off

    static FlagThresholds fromSettings();
};

// A plan's least time between two of its checkpoints in turn.
struct TransitRule
{
    QString plan;
    QString previous; // TagStore::codeKey of the checkpoint before
    QString code;     // and of this one
    qint64 minSeconds = 0;
};

struct ReadFlag
{
    qsizetype read = 0; // into the reads
    FlagRule rule = FlagRule::Burst;
    QString detail;
};

// The suspicious-read rules, per terminal (machine number):
// - burst: at least burstTags different checkpoint tags read within
//   burstSeconds (tags carried to one place and read together); every read of
//   such a stretch is flagged;
// - repeat: the same checkpoint tag read twice within repeatSeconds; both
//   reads are flagged (two records of the same second are the same read
//   twice over, a download kept twice, not a repeat);
// - transit: a checkpoint read sooner after the plan's checkpoint before it
//   than the plan point's minimum;
// - clock: a record dated more than clockSeconds after the download that
//   brought it, a record earlier than the record before it on the same
//   terminal (within one download any step back; from one download to the
//   next, more than clockSeconds, as setting the clock at a download may
//   rightly step it back), or a record of a download whose terminal clock was
//   more than clockSeconds off the PC;
// - twin: the same machine number read at two sites on one day (a terminal
//   carried between sites, or two terminals set to one number). Only the
//   central database sees every site, so evaluate() never gives it: the
//   central report adds it.
// "Within" includes the limit: 4 tags 60 s apart are a burst, 61 s apart not.
// Burst, repeat and transit look at checkpoint reads in time order; the clock
// at every read in the order the terminals stored them, which is the order
// of `reads` (downloads in turn, each in its file's order).
class ReadFlags
{
public:
    static QList<TransitRule> transitRules(const QList<PatrolPlan> &plans);

    // The flags of `reads`, by read and then rule, one per read and rule.
    // `notCheckpoints` (TagStore::codeKey) are the guard and incident tags.
    static QList<ReadFlag> evaluate(const std::vector<FlagRead> &reads, const std::vector<DownloadInfo> &downloads,
                                    const QList<TransitRule> &transit, const QSet<QString> &notCheckpoints,
                                    const FlagThresholds &thresholds);

    // "burst", "repeat", "transit", "clock", "twin".
    static QString ruleName(FlagRule rule);
    static std::optional<FlagRule> ruleFromName(const QString &name);
};
