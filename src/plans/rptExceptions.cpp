#include "rptExceptions.h"

#include "CRes.h"
#include "ComplianceChartPainter.h"
#include "ExceptionReport.h"
#include "Ledger.h"
#include "TagStore.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>

namespace {

enum Column { kPlan, kRound, kSeq, kCheckpoint, kDue, kOutcome, kMinutes, kRead, kTerminal, kGuard, kFlags };

}

void rptExceptions::setResult(const ExceptionResult &result, const QDate &from, const QDate &to,
                              const QHash<QString, QString> *names)
{
    const bool sites = std::any_of(result.outcomes.cbegin(), result.outcomes.cend(),
                                   [](const CheckpointOutcome &o) { return !o.site.isEmpty(); });
    CRes &res = CRes::instance();
    const QLocale locale;
    setupHeader(res.ResString(380, QStringLiteral("Exception Report")) + QStringLiteral("  ")
                + locale.toString(from, QLocale::ShortFormat) + QStringLiteral(" - ")
                + locale.toString(to, QLocale::ShortFormat));
    footerNote = Ledger::footerLine();
    // Shares in points of the 545 an A4 line holds. Names, outcomes, times
    // and flags wrap rather than lose their ends.
    columns = {{sites ? res.ResString(414, QStringLiteral("Site / Plan")) : res.ResString(381, QStringLiteral("Plan")), 68,
                true},
               {res.ResString(382, QStringLiteral("Round")), 68, true},
               {res.ResString(383, QStringLiteral("No.")), 28},
               {res.ResString(384, QStringLiteral("Checkpoint")), 79, true},
               {res.ResString(385, QStringLiteral("Due")), 34},
               {res.ResString(386, QStringLiteral("Outcome")), 60, true},
               {res.ResString(387, QStringLiteral("Min.")), 30},
               {res.ResString(388, QStringLiteral("Read")), 50, true},
               {res.ResString(232, QStringLiteral("Mach#")), 40, true},
               {res.ResString(389, QStringLiteral("Guard")), 48, true},
               {res.ResString(470, QStringLiteral("Flags")), 40, true}};
    // Days without the year, which the title gives.
    m_dayFormat = locale.dateFormat(QLocale::ShortFormat)
                      .remove(QRegularExpression(QStringLiteral("[^dMy]*y+[^dMy]*")))
                      .trimmed();
    lblRecordCount = res.ResString(399, QStringLiteral("Checkpoints due:"));

    QString error;
    m_descriptions = names ? *names : TagStore::descriptionMap(&error); // without them the codes alone show
    m_outcomes = result.outcomes;
    m_figures = ComplianceFigures(result, from, to);
    m_lines.clear();
    m_due = 0;
    for (qsizetype i = 0; i < m_outcomes.size(); ++i) {
        m_lines.push_back({Line::Kind::Outcome, int(i), {}, {}});
        for (const QString &incident : std::as_const(m_outcomes[i].incidents))
            m_lines.push_back({Line::Kind::Incident, int(i), {}, incident});
        if (m_outcomes[i].seq > 0)
            ++m_due;
    }
    addTotals(396, result.byPlan, false);
    addTotals(397, result.byGuard, true);
    m_flagged = result.flagged;
    if (!m_flagged.isEmpty()) {
        m_lines.push_back({Line::Kind::Blank, 0, {}, {}});
        m_lines.push_back({Line::Kind::Caption, 471, {}, {}});
        for (qsizetype i = 0; i < m_flagged.size(); ++i)
            m_lines.push_back({Line::Kind::Flagged, int(i), {}, {}});
    }
    if (!result.incidentTotals.isEmpty()) {
        m_lines.push_back({Line::Kind::Blank, 0, {}, {}});
        m_lines.push_back({Line::Kind::Caption, 472, {}, {}});
        for (auto it = result.incidentTotals.cbegin(); it != result.incidentTotals.cend(); ++it)
            m_lines.push_back({Line::Kind::Total, 0, it.key(), {}, it.value()});
    }
    // The base class pages by the number of rows; their texts come from cellText.
    rows.clear();
    rows.resize(qsizetype(m_lines.size()));
    invalidateLayout();
}

qreal rptExceptions::figureHeightPoints() const
{
    // About a fifth of an A4 page: room for a month of bars and the day under each.
    return m_figures.days().isEmpty() ? 0 : 170;
}

void rptExceptions::paintFigure(QPainter &painter, const QRectF &rect, const QFont &font) const
{
    ComplianceChartPainter::paint(painter, rect, m_figures, font);
}

void rptExceptions::addTotals(int caption, const QMap<QString, OutcomeTotals> &totals, bool guards)
{
    if (totals.isEmpty())
        return;
    m_lines.push_back({Line::Kind::Blank, 0, {}, {}});
    m_lines.push_back({Line::Kind::Caption, caption, {}, {}});
    using K = CheckpointOutcome::Kind;
    for (auto it = totals.cbegin(); it != totals.cend(); ++it) {
        const OutcomeTotals &t = it.value();
        const std::pair<QString, int> counts[] = {
            {ExceptionReport::kindText(K::OnTime), t.onTime},
            {ExceptionReport::kindText(K::Early), t.early},
            {ExceptionReport::kindText(K::Late), t.late},
            {ExceptionReport::kindText(K::Missed), t.missed},
            {ExceptionReport::kindText(K::Extra), t.extra},
            {CRes::instance().ResString(395, QStringLiteral("out of order")), t.outOfOrder},
        };
        QString name = it.key();
        if (guards && name.isEmpty())
            name = CRes::instance().ResString(398, QStringLiteral("(no guard)"));
        for (const auto &[text, count] : counts) {
            if (count == 0)
                continue;
            m_lines.push_back({Line::Kind::Total, 0, name, text, count});
            name.clear();
        }
    }
}

QString rptExceptions::cellText(qsizetype row, int column) const
{
    const Line &line = m_lines.at(size_t(row));
    switch (line.kind) {
    case Line::Kind::Blank:
        return {};
    case Line::Kind::Caption:
        return column == kPlan ? CRes::instance().ResString(line.index) : QString();
    case Line::Kind::Total:
        return column == kPlan ? line.name
            : column == kOutcome ? line.text
            : column == kMinutes ? QString::number(line.count)
                                 : QString();
    case Line::Kind::Incident:
        return column == kCheckpoint ? QStringLiteral("\u26a0 ") + line.text
            : column == kOutcome     ? CRes::instance().ResString(473, QStringLiteral("Incident"))
                                     : QString();
    case Line::Kind::Flagged: {
        const FlaggedRead &f = m_flagged.at(line.index);
        const QString description = m_descriptions.value(ExceptionReport::nameKey(f.site, f.code));
        return column == kPlan     ? QLocale().toString(f.at.date(), m_dayFormat)
            : column == kRound      ? f.at.toString(QStringLiteral("HH:mm:ss"))
            : column == kCheckpoint ? (description.isEmpty() ? f.code : description)
            : column == kOutcome    ? f.rules
            : column == kTerminal   ? f.machineNo
            : column == kGuard      ? f.detail
            : column == kFlags      ? f.site
                                    : QString();
    }
    case Line::Kind::Outcome:
        break;
    }
    const CheckpointOutcome &o = m_outcomes.at(line.index);
    // The plan and the round show on the first line of each round only.
    const bool sameRound = line.index > 0 && m_outcomes.at(line.index - 1).plan == o.plan
        && m_outcomes.at(line.index - 1).roundStart == o.roundStart && m_outcomes.at(line.index - 1).site == o.site;
    const QLocale locale;
    switch (column) {
    case kPlan:
        return sameRound ? QString() : o.site.isEmpty() ? o.plan : o.site + QStringLiteral(" / ") + o.plan;
    case kRound:
        return sameRound ? QString() : locale.toString(o.roundStart, m_dayFormat + QStringLiteral(" HH:mm"));
    case kSeq:
        return o.seq > 0 ? QString::number(o.seq) : QString();
    case kCheckpoint: {
        // The checkpoint's name where the tag has one: the code leaves no room for it.
        const QString description = m_descriptions.value(ExceptionReport::nameKey(o.site, o.code));
        return description.isEmpty() ? o.code : description;
    }
    case kDue:
        return o.due.isValid() ? o.due.toString(QStringLiteral("HH:mm")) : QString();
    case kOutcome:
        return o.outOfOrder ? ExceptionReport::kindText(o.kind) + QStringLiteral(", ")
                + CRes::instance().ResString(395, QStringLiteral("out of order"))
                            : ExceptionReport::kindText(o.kind);
    case kMinutes:
        if (o.kind == CheckpointOutcome::Kind::Missed || o.kind == CheckpointOutcome::Kind::Extra)
            return {};
        return o.minutes > 0 ? QLatin1Char('+') + QString::number(o.minutes) : QString::number(o.minutes);
    case kRead:
        if (!o.read.isValid())
            return {};
        // A read on another day than the round started (a night round) shows its date.
        return o.read.date() == o.roundStart.date()
            ? o.read.toString(QStringLiteral("HH:mm:ss"))
            : locale.toString(o.read, m_dayFormat + QStringLiteral(" HH:mm:ss"));
    case kTerminal:
        return o.machineNo;
    case kGuard:
        return o.guard;
    case kFlags:
        return o.flags;
    }
    return {};
}
