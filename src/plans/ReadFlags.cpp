#include "ReadFlags.h"

#include "Settings.h"
#include "TagStore.h"

#include <QHash>

#include <algorithm>
#include <numeric>

namespace {

constexpr qint64 kNever = std::numeric_limits<qint64>::min();

// Small numbers for the texts that recur: terminals and codes.
class Ids
{
public:
    int id(const QString &text)
    {
        auto it = m_ids.constFind(text);
        if (it == m_ids.constEnd())
            it = m_ids.insert(text, int(m_ids.size()));
        return *it;
    }
    int count() const { return int(m_ids.size()); }

private:
    QHash<QString, int> m_ids;
};

}

FlagThresholds FlagThresholds::fromSettings()
{
    // A value that is no number reads as 0, which would flag every read (or,
    // for a burst, every second read): such a value keeps the default.
    FlagThresholds t;
    auto read = [](const char *key, int *value, int least) {
        const int v = GetSettingNumber(QStringLiteral("Flags"), QLatin1String(key), *value);
        if (v >= least)
            *value = v;
    };
    read("BurstTags", &t.burstTags, 2);
    read("BurstSeconds", &t.burstSeconds, 1);
    read("RepeatSeconds", &t.repeatSeconds, 1);
    read("ClockSeconds", &t.clockSeconds, 1);
    return t;
}

QList<TransitRule> ReadFlags::transitRules(const QList<PatrolPlan> &plans)
{
    QList<TransitRule> rules;
    for (const PatrolPlan &plan : plans)
        for (qsizetype i = 1; i < plan.checkpoints.size(); ++i)
            if (plan.checkpoints.at(i).minMinutes > 0)
                rules.append({plan.name, TagStore::codeKey(plan.checkpoints.at(i - 1).code),
                              TagStore::codeKey(plan.checkpoints.at(i).code),
                              qint64(plan.checkpoints.at(i).minMinutes) * 60});
    return rules;
}

QString ReadFlags::ruleName(FlagRule rule)
{
    static const char *const kNames[] = {"burst", "repeat", "transit", "clock", "twin"};
    return QLatin1String(kNames[int(rule)]);
}

std::optional<FlagRule> ReadFlags::ruleFromName(const QString &name)
{
    for (FlagRule rule : {FlagRule::Burst, FlagRule::Repeat, FlagRule::Transit, FlagRule::Clock, FlagRule::Twin})
        if (ruleName(rule) == name)
            return rule;
    return std::nullopt;
}

QList<ReadFlag> ReadFlags::evaluate(const std::vector<FlagRead> &reads, const std::vector<DownloadInfo> &downloads,
                                    const QList<TransitRule> &transit, const QSet<QString> &notCheckpoints,
                                    const FlagThresholds &thresholds)
{
    const qsizetype n = qsizetype(reads.size());
    std::vector<ReadFlag> flags;
    auto flag = [&](qsizetype read, FlagRule rule, QString detail) { flags.push_back({read, rule, std::move(detail)}); };

    Ids terminals, codes;
    std::vector<int> terminal(reads.size()), code(reads.size());
    std::vector<char> checkpoint(reads.size());
    for (qsizetype i = 0; i < n; ++i) {
        terminal[size_t(i)] = terminals.id(reads[size_t(i)].machineNo);
        code[size_t(i)] = codes.id(reads[size_t(i)].code);
        checkpoint[size_t(i)] = !notCheckpoints.contains(reads[size_t(i)].code);
    }
    // Transit rules by the code they end at.
    std::vector<QList<std::pair<int, const TransitRule *>>> transitTo;
    for (const TransitRule &rule : transit) {
        const int to = codes.id(rule.code);
        const int from = codes.id(rule.previous);
        if (transitTo.size() <= size_t(to))
            transitTo.resize(size_t(to) + 1);
        transitTo[size_t(to)].append({from, &rule});
    }
    transitTo.resize(size_t(codes.count()));

    // Clock, in the order the terminals stored the records.
    const qint64 clock = thresholds.clockSeconds;
    std::vector<qsizetype> previous(size_t(terminals.count()), -1);
    for (qsizetype i = 0; i < n; ++i) {
        const FlagRead &r = reads[size_t(i)];
        const DownloadInfo *d = r.download >= 0 && size_t(r.download) < downloads.size() ? &downloads[size_t(r.download)] : nullptr;
        QStringList why;
        if (d && d->at && r.at - *d->at > clock)
            why << QStringLiteral("dated %1 s after its download").arg(r.at - *d->at);
        if (d && d->offset && qAbs(*d->offset) > clock)
            why << QStringLiteral("terminal clock %1 s off at download").arg(*d->offset);
        qsizetype &before = previous[size_t(terminal[size_t(i)])];
        if (before >= 0) {
            const FlagRead &p = reads[size_t(before)];
            const qint64 back = p.at - r.at;
            if (back > (p.download == r.download ? 0 : clock))
                why << QStringLiteral("%1 s before the record before it").arg(back);
        }
        before = i;
        if (!why.isEmpty())
            flag(i, FlagRule::Clock, why.join(QStringLiteral("; ")));
    }

    // Burst, repeat and transit: checkpoint reads, terminal by terminal in time order.
    std::vector<qsizetype> order;
    order.reserve(size_t(n));
    for (qsizetype i = 0; i < n; ++i)
        if (checkpoint[size_t(i)])
            order.push_back(i);
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        if (terminal[size_t(a)] != terminal[size_t(b)])
            return terminal[size_t(a)] < terminal[size_t(b)];
        if (reads[size_t(a)].at != reads[size_t(b)].at)
            return reads[size_t(a)].at < reads[size_t(b)].at;
        return a < b;
    });
    std::vector<qint64> lastAt(size_t(codes.count()), kNever);
    std::vector<qsizetype> lastRead(size_t(codes.count()), -1);
    std::vector<int> inWindow(size_t(codes.count()), 0);
    for (size_t start = 0; start < order.size();) {
        size_t end = start;
        while (end < order.size() && terminal[size_t(order[end])] == terminal[size_t(order[start])])
            ++end;
        // Burst: a window of reads no more than burstSeconds apart.
        int distinct = 0;
        size_t low = start;
        size_t marked = start; // reads before this one are flagged already
        for (size_t j = start; j < end; ++j) {
            const qint64 at = reads[size_t(order[j])].at;
            if (inWindow[size_t(code[size_t(order[j])])]++ == 0)
                ++distinct;
            while (at - reads[size_t(order[low])].at > thresholds.burstSeconds)
                if (--inWindow[size_t(code[size_t(order[low++])])] == 0)
                    --distinct;
            if (distinct >= thresholds.burstTags) {
                const QString detail = QStringLiteral("%1 tags in %2 s").arg(distinct).arg(at - reads[size_t(order[low])].at);
                for (size_t k = std::max(low, marked); k <= j; ++k)
                    flag(order[k], FlagRule::Burst, detail);
                marked = j + 1;
            }
        }
        for (size_t k = low; k < end; ++k)
            --inWindow[size_t(code[size_t(order[k])])];
        // Repeat and transit: the last read of each code on this terminal.
        for (size_t j = start; j < end; ++j) {
            const qsizetype i = order[j];
            const qint64 at = reads[size_t(i)].at;
            const int c = code[size_t(i)];
            // The same record twice (a download kept twice) is no second read.
            if (lastAt[size_t(c)] != kNever && at > lastAt[size_t(c)] && at - lastAt[size_t(c)] <= thresholds.repeatSeconds) {
                const QString detail = QStringLiteral("same tag %1 s apart").arg(at - lastAt[size_t(c)]);
                flag(lastRead[size_t(c)], FlagRule::Repeat, detail);
                flag(i, FlagRule::Repeat, detail);
            }
            for (const auto &[from, rule] : std::as_const(transitTo[size_t(c)])) {
                const qint64 before = lastAt[size_t(from)];
                if (before != kNever && at - before < rule->minSeconds)
                    flag(i, FlagRule::Transit,
                         QStringLiteral("%1 s after %2, plan %3 wants %4 min")
                             .arg(at - before)
                             .arg(rule->previous, rule->plan)
                             .arg(rule->minSeconds / 60));
            }
            lastAt[size_t(c)] = at;
            lastRead[size_t(c)] = i;
        }
        for (size_t j = start; j < end; ++j) {
            lastAt[size_t(code[size_t(order[j])])] = kNever;
            lastRead[size_t(code[size_t(order[j])])] = -1;
        }
        start = end;
    }

    // One flag per read and rule: the first detail found stays.
    std::stable_sort(flags.begin(), flags.end(), [](const ReadFlag &a, const ReadFlag &b) {
        return a.read != b.read ? a.read < b.read : int(a.rule) < int(b.rule);
    });
    QList<ReadFlag> result;
    result.reserve(qsizetype(flags.size()));
    for (ReadFlag &f : flags)
        if (result.isEmpty() || result.last().read != f.read || result.last().rule != f.rule)
            result.append(std::move(f));
    return result;
}
