#include "ExceptionMatcher.h"

#include "GuardTracker.h"
#include "TagStore.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <vector>

namespace {

constexpr qint64 kMinute = 60;
constexpr qint64 kDay = 24 * 60 * kMinute;
// How long after the last checkpoint's tolerance a read can still belong to a round.
constexpr qint64 kGrace = 60 * kMinute;
// The next round of a plan is looked for this many days after the claiming days.
constexpr int kLookAheadDays = 8;

// A read with its terminal and code as small numbers and its moment in seconds.
struct Read
{
    qint64 at;
    int machine;
    int code;
    int source; // index into the reads given
    int guard = -1; // the code of the guard tag read last on the terminal, -1 for none
};

struct Round
{
    qint64 start;
    qint64 lo, hi; // the window [lo, hi)
    int plan;      // index into the sorted plans
    bool shown;    // given back: due in the range, of the plan asked for
};

// Where a plan's reads can lie, in seconds after a round's start: from its
// first checkpoint's tolerance to the grace after its last one's.
struct Reach
{
    qint64 first, last;
};

Reach reachOf(const PatrolPlan &plan)
{
    Reach reach{std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::min()};
    for (const PlanCheckpoint &c : plan.checkpoints) {
        reach.first = std::min<qint64>(reach.first, (c.minutes - c.tolerance) * kMinute);
        reach.last = std::max<qint64>(reach.last, (c.minutes + c.tolerance) * kMinute + kGrace);
    }
    return reach;
}

// How many whole days beyond a day the windows of its rounds can reach, before
// it and after it together, at most over `plans`: a night shift and a long
// tolerance carry them into the next days, a round at midnight with a
// tolerance into the day before.
int overlapDays(const QList<PatrolPlan> &plans)
{
    int days = 0;
    for (const PatrolPlan &plan : plans) {
        if (plan.checkpoints.isEmpty() || !plan.start.isValid() || !plan.end.isValid())
            continue;
        const Reach reach = reachOf(plan);
        const qint64 firstStart = plan.start.msecsSinceStartOfDay() / 60000 * kMinute;
        qint64 lastStart = plan.end.msecsSinceStartOfDay() / 60000 * kMinute;
        if (lastStart < firstStart)
            lastStart += kDay;
        const qint64 before = std::max<qint64>(0, -(firstStart + reach.first));
        const qint64 after = std::max<qint64>(0, lastStart + reach.last - kDay);
        days = std::max(days, int((before + kDay - 1) / kDay + (after + kDay - 1) / kDay));
    }
    return days;
}

// Machine numbers as numbers (a number before any other text), then as text.
bool machineLess(const QString &a, const QString &b)
{
    bool aNumber = false, bNumber = false;
    const qulonglong x = a.toULongLong(&aNumber);
    const qulonglong y = b.toULongLong(&bNumber);
    if (aNumber != bNumber)
        return aNumber;
    if (aNumber && x != y)
        return x < y;
    return a < b;
}

// Reads in time order, grouped by a key (code or terminal): the reads of key k
// are order[offsets[k] .. offsets[k + 1]).
struct Groups
{
    std::vector<int> offsets;
    std::vector<int> order;

    void build(const std::vector<Read> &reads, const std::vector<char> &skip, int keys, int Read::*key)
    {
        offsets.assign(keys + 1, 0);
        for (size_t i = 0; i < reads.size(); ++i)
            if (!skip[i])
                ++offsets[reads[i].*key + 1];
        for (int k = 0; k < keys; ++k)
            offsets[k + 1] += offsets[k];
        order.resize(offsets[keys]);
        std::vector<int> fill(offsets.begin(), offsets.end() - 1);
        for (size_t i = 0; i < reads.size(); ++i)
            if (!skip[i])
                order[fill[reads[i].*key]++] = int(i);
    }
    // The reads of `key` from the first at or after `lo`.
    const int *from(const std::vector<Read> &reads, int key, qint64 lo) const
    {
        const int *first = order.data() + offsets[key];
        const int *last = order.data() + offsets[key + 1];
        return std::lower_bound(first, last, lo, [&](int i, qint64 t) { return reads[i].at < t; });
    }
    const int *end(int key) const { return order.data() + offsets[key + 1]; }
};

qint64 ceilMinutes(qint64 seconds)
{
    return (seconds + kMinute - 1) / kMinute;
}

}

void OutcomeTotals::add(const CheckpointOutcome &outcome)
{
    // In the order of CheckpointOutcome::Kind.
    int *const byKind[] = {&onTime, &early, &late, &missed, &extra};
    ++*byKind[int(outcome.kind)];
    if (outcome.outOfOrder)
        ++outOfOrder;
}

bool ExceptionResult::anyMissed() const
{
    for (const OutcomeTotals &t : byPlan)
        if (t.missed > 0)
            return true;
    return false;
}

void ExceptionMatcher::claimingDays(const QList<PatrolPlan> &plans, const QDate &from, const QDate &to, QDate *first,
                                    QDate *last)
{
    // A round of the range shares reads with the rounds whose windows overlap
    // its own: those of up to `days` days either side. A round before the range
    // claims after the rounds before it in turn, so `days` more before it make
    // its claims those of any longer report; a round after the range claims
    // after every round of the range and only takes what they left.
    const int days = overlapDays(plans);
    *first = from.addDays(-2 * days);
    *last = to.addDays(days);
}

ExceptionResult ExceptionMatcher::match(const QList<PatrolPlan> &plans, QList<PatrolRead> reads, const QDate &from,
                                        const QDate &to, const QSet<QString> &guardCodes,
                                        const QHash<QString, QString> &names, const QString &planName)
{
    ExceptionResult result;
    QList<PatrolPlan> sorted;
    for (const PatrolPlan &p : plans)
        if (!p.checkpoints.isEmpty())
            sorted.append(p);
    std::sort(sorted.begin(), sorted.end(), [](const PatrolPlan &a, const PatrolPlan &b) { return a.name < b.name; });
    // Codes compare without case: plans' and reads' codes as TagStore::codeKey.
    for (PatrolPlan &p : sorted)
        for (PlanCheckpoint &c : p.checkpoints)
            c.code = TagStore::codeKey(c.code);
    for (PatrolRead &r : reads)
        r.code = TagStore::codeKey(r.code);

    // Codes and terminals as numbers; the codes of the plans come first.
    QHash<QString, int> codeIds;
    QHash<QString, int> machineIds;
    // The number of `key`, a new one for a key not seen before.
    auto idOf = [](QHash<QString, int> &ids, const QString &key) {
        auto it = ids.constFind(key);
        return it != ids.constEnd() ? it.value() : ids.insert(key, int(ids.size())).value();
    };
    auto codeId = [&](const QString &code) { return idOf(codeIds, code); };
    std::vector<std::vector<int>> planCodes(sorted.size());
    for (qsizetype p = 0; p < sorted.size(); ++p)
        for (const PlanCheckpoint &c : sorted[p].checkpoints)
            planCodes[p].push_back(codeId(c.code));

    // Every round of the claiming days with its window; those of the range
    // and the plan asked for are shown.
    QDate firstDay, lastDay;
    claimingDays(sorted, from, to, &firstDay, &lastDay);
    std::vector<Round> rounds;
    qint64 earliest = std::numeric_limits<qint64>::max();
    qint64 latest = std::numeric_limits<qint64>::min();
    for (qsizetype p = 0; p < sorted.size(); ++p) {
        const Reach reach = reachOf(sorted[p]);
        const bool planShown = planName.isEmpty() || sorted[p].name == planName;
        const QList<QDateTime> before = sorted[p].roundStarts(firstDay, from.addDays(-1));
        const QList<QDateTime> range = sorted[p].roundStarts(from, to);
        const QList<QDateTime> starts = before + range + sorted[p].roundStarts(to.addDays(1), lastDay);
        const QList<QDateTime> later = sorted[p].roundStarts(lastDay.addDays(1), lastDay.addDays(kLookAheadDays));
        for (qsizetype i = 0; i < starts.size(); ++i) {
            const qint64 s = starts[i].toSecsSinceEpoch();
            qint64 hi = s + reach.last;
            const QDateTime next = i + 1 < starts.size() ? starts[i + 1] : later.value(0);
            if (next.isValid())
                hi = std::min(hi, next.toSecsSinceEpoch() + reach.first);
            const bool shown = planShown && i >= before.size() && i < before.size() + range.size();
            rounds.push_back({s, s + reach.first, hi, int(p), shown});
            earliest = std::min(earliest, s + reach.first);
            latest = std::max(latest, hi);
        }
    }
    // The order of claiming: by start, then by plan name (the plans are sorted).
    std::stable_sort(rounds.begin(), rounds.end(), [](const Round &a, const Round &b) { return a.start < b.start; });

    // The reads that can matter: in some window, or a guard read before one
    // (it names the guard of the reads after it).
    std::vector<Read> all;
    all.reserve(reads.size());
    std::vector<QString> machineNames;
    for (qsizetype i = 0; i < reads.size(); ++i) {
        const PatrolRead &r = reads.at(i);
        if (!r.at.isValid())
            continue;
        const qint64 at = r.at.toSecsSinceEpoch();
        if (at >= latest)
            continue;
        const bool guard = guardCodes.contains(r.code);
        if (at < earliest && !guard)
            continue;
        const int machine = idOf(machineIds, r.machineNo);
        if (machine == int(machineNames.size()))
            machineNames.push_back(r.machineNo);
        all.push_back({at, machine, codeId(r.code), int(i)});
    }
    // Terminals numbered in order of their machine numbers, so that a tie
    // between two of them never depends on the order of the files.
    {
        std::vector<int> byNumber(machineNames.size());
        std::iota(byNumber.begin(), byNumber.end(), 0);
        std::sort(byNumber.begin(), byNumber.end(),
                  [&](int a, int b) { return machineLess(machineNames[a], machineNames[b]); });
        std::vector<int> rank(byNumber.size());
        std::vector<QString> renamed(byNumber.size());
        for (size_t i = 0; i < byNumber.size(); ++i) {
            rank[byNumber[i]] = int(i);
            renamed[i] = machineNames[byNumber[i]];
        }
        for (Read &read : all)
            read.machine = rank[read.machine];
        machineNames.swap(renamed);
    }
    // Terminal by terminal in time order (the same second in the order given);
    // the same terminal, second and code counts once.
    std::sort(all.begin(), all.end(), [](const Read &a, const Read &b) {
        if (a.machine != b.machine)
            return a.machine < b.machine;
        return a.at != b.at ? a.at < b.at : a.source < b.source;
    });
    {
        size_t kept = 0;
        for (size_t i = 0, run = 0; i < all.size(); ++i) {
            if (i == 0 || all[i].machine != all[i - 1].machine || all[i].at != all[i - 1].at)
                run = kept; // the reads kept of this terminal and second start here
            bool twice = false;
            for (size_t j = run; j < kept && !twice; ++j)
                twice = all[j].code == all[i].code;
            if (!twice)
                all[kept++] = all[i];
        }
        all.resize(kept);
    }

    // Who carries each terminal at each read, and which reads are guard reads.
    const int codeCount = int(codeIds.size());
    std::vector<char> isGuardCode(codeCount, 0);
    std::vector<QString> guardName(codeCount);
    for (auto it = codeIds.cbegin(); it != codeIds.cend(); ++it)
        if (guardCodes.contains(it.key())) {
            isGuardCode[it.value()] = 1;
            const QString name = names.value(it.key());
            guardName[it.value()] = name.isEmpty() ? it.key() : name;
        }
    std::vector<int> order(all.size());
    std::iota(order.begin(), order.end(), 0);
    GuardTracker::walk(
        order, [&](int i) { return all[i].machine; }, -1,
        [&](int i) { return isGuardCode[all[i].code] ? all[i].code : -1; },
        [&](int i, int guard) { all[i].guard = guard; });
    // From here on in time order.
    std::sort(all.begin(), all.end(), [](const Read &a, const Read &b) {
        if (a.at != b.at)
            return a.at < b.at;
        return a.machine != b.machine ? a.machine < b.machine : a.source < b.source;
    });
    std::vector<char> skip(all.size(), 0);
    for (size_t i = 0; i < all.size(); ++i)
        skip[i] = isGuardCode[all[i].code];

    Groups byCode;
    byCode.build(all, skip, codeCount, &Read::code);
    Groups byMachine;
    byMachine.build(all, skip, int(machineNames.size()), &Read::machine);

    // Claiming, round by round: each checkpoint takes the unclaimed read of its
    // code in the window nearest its due time, the earlier on a tie (in the
    // same second the lower machine number: the order of `all`).
    std::vector<char> &taken = skip; // claimed, extra, or a guard read
    struct Claim
    {
        qint64 due;
        int read; // -1 when missed
    };
    std::vector<Claim> claims;
    std::vector<size_t> roundOffset(rounds.size() + 1, 0);
    for (size_t r = 0; r < rounds.size(); ++r)
        roundOffset[r + 1] = roundOffset[r] + sorted[rounds[r].plan].checkpoints.size();
    claims.resize(roundOffset.back());
    for (size_t r = 0; r < rounds.size(); ++r) {
        const Round &round = rounds[r];
        const QList<PlanCheckpoint> &checkpoints = sorted[round.plan].checkpoints;
        for (qsizetype c = 0; c < checkpoints.size(); ++c) {
            const qint64 due = round.start + checkpoints[c].minutes * kMinute;
            const int code = planCodes[round.plan][c];
            int best = -1;
            qint64 bestDistance = std::numeric_limits<qint64>::max();
            for (const int *it = byCode.from(all, code, round.lo), *end = byCode.end(code);
                 it != end && all[*it].at < round.hi; ++it) {
                if (taken[*it])
                    continue;
                const qint64 distance = std::abs(all[*it].at - due);
                if (distance < bestDistance) {
                    best = *it;
                    bestDistance = distance;
                } else if (all[*it].at >= due) {
                    break; // later reads are only further away
                }
            }
            if (best >= 0)
                taken[best] = 1;
            claims[roundOffset[r] + c] = {due, best};
        }
    }

    // Extras: unclaimed reads in a round's window of one of its plan's codes,
    // or of a terminal that walked the round; each goes to the first such round.
    struct Extra
    {
        size_t round;
        int read;
    };
    std::vector<Extra> extras;
    std::vector<int> walked;
    auto takeExtras = [&](size_t r, const Groups &groups, int key) {
        const Round &round = rounds[r];
        for (const int *it = groups.from(all, key, round.lo), *end = groups.end(key);
             it != end && all[*it].at < round.hi; ++it)
            if (!taken[*it]) {
                taken[*it] = 1;
                extras.push_back({r, *it});
            }
    };
    for (size_t r = 0; r < rounds.size(); ++r) {
        walked.clear();
        for (size_t c = roundOffset[r]; c < roundOffset[r + 1]; ++c)
            if (claims[c].read >= 0)
                walked.push_back(all[claims[c].read].machine);
        std::sort(walked.begin(), walked.end());
        walked.erase(std::unique(walked.begin(), walked.end()), walked.end());
        for (const int code : planCodes[rounds[r].plan])
            takeExtras(r, byCode, code);
        for (const int machine : walked)
            takeExtras(r, byMachine, machine);
    }
    std::sort(extras.begin(), extras.end(), [&](const Extra &a, const Extra &b) {
        return a.round != b.round ? a.round < b.round : a.read < b.read;
    });

    // The outcomes of the rounds shown, round by round, the extras after each
    // round's checkpoints. Totals per guard are kept by the guard tag's number
    // (the last for none) and named at the end.
    std::vector<OutcomeTotals> guardTotals(codeCount + 1);
    std::vector<char> guardUsed(codeCount + 1, 0);
    result.outcomes.reserve(qsizetype(claims.size() + extras.size()));
    size_t nextExtra = 0;
    for (size_t r = 0; r < rounds.size(); ++r) {
        const Round &round = rounds[r];
        if (!round.shown) {
            while (nextExtra < extras.size() && extras[nextExtra].round == r)
                ++nextExtra;
            continue;
        }
        const PatrolPlan &plan = sorted[round.plan];
        const QDateTime start = QDateTime::fromSecsSinceEpoch(round.start, Qt::UTC);
        OutcomeTotals &planTotals = result.byPlan[plan.name];
        // A missed checkpoint is put down to whoever made the round's first read.
        int firstRead = -1;
        for (size_t c = roundOffset[r]; c < roundOffset[r + 1]; ++c)
            if (claims[c].read >= 0 && (firstRead < 0 || claims[c].read < firstRead))
                firstRead = claims[c].read;
        const int roundGuard = firstRead < 0 ? -1 : all[firstRead].guard;
        qint64 previous = std::numeric_limits<qint64>::min();
        // A new outcome of this round, counted once filled in.
        auto next = [&]() -> CheckpointOutcome & {
            CheckpointOutcome &o = result.outcomes.emplaceBack();
            o.plan = plan.name;
            o.roundStart = start;
            o.day = plan.roundDay(start);
            return o;
        };
        auto count = [&](const CheckpointOutcome &o, int guard) {
            const size_t g = guard < 0 ? size_t(codeCount) : size_t(guard);
            planTotals.add(o);
            guardTotals[g].add(o);
            guardUsed[g] = 1;
        };
        for (qsizetype c = 0; c < plan.checkpoints.size(); ++c) {
            const PlanCheckpoint &checkpoint = plan.checkpoints[c];
            const Claim &claim = claims[roundOffset[r] + c];
            CheckpointOutcome &o = next();
            o.seq = int(c + 1);
            o.code = checkpoint.code;
            o.due = start.addSecs(checkpoint.minutes * kMinute);
            int guard = roundGuard;
            if (claim.read < 0) {
                o.kind = CheckpointOutcome::Kind::Missed;
            } else {
                const Read &read = all[claim.read];
                const qint64 d = read.at - claim.due;
                o.minutes = int(d < 0 ? -ceilMinutes(-d) : ceilMinutes(d));
                o.kind = std::abs(d) <= checkpoint.tolerance * kMinute ? CheckpointOutcome::Kind::OnTime
                    : d < 0                                             ? CheckpointOutcome::Kind::Early
                                                                        : CheckpointOutcome::Kind::Late;
                o.outOfOrder = read.at < previous;
                previous = read.at;
                o.read = reads.at(read.source).at;
                o.machineNo = machineNames[read.machine];
                guard = read.guard;
            }
            if (guard >= 0)
                o.guard = guardName[guard];
            count(o, guard);
        }
        for (; nextExtra < extras.size() && extras[nextExtra].round == r; ++nextExtra) {
            const Read &read = all[extras[nextExtra].read];
            CheckpointOutcome &o = next();
            o.code = reads.at(read.source).code;
            o.kind = CheckpointOutcome::Kind::Extra;
            o.read = reads.at(read.source).at;
            o.machineNo = machineNames[read.machine];
            if (read.guard >= 0)
                o.guard = guardName[read.guard];
            count(o, read.guard);
        }
    }
    // Two guard tags may carry the same name: their totals add up.
    for (int g = 0; g <= codeCount; ++g) {
        if (!guardUsed[g])
            continue;
        OutcomeTotals &t = result.byGuard[g < codeCount ? guardName[g] : QString()];
        const OutcomeTotals &u = guardTotals[g];
        t = {t.onTime + u.onTime, t.early + u.early, t.late + u.late, t.missed + u.missed, t.extra + u.extra,
             t.outOfOrder + u.outOfOrder};
    }
    return result;
}
