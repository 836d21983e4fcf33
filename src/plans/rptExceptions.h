#pragma once

#include "ComplianceFigures.h"
#include "ExceptionMatcher.h"
#include "ReportLayout.h"

#include <vector>

// The exception report on paper: the compliance chart of the range's days on
// the first page, one line per checkpoint outcome and extra read, each followed by the incidents found there, then the totals per plan
// and per guard, the flagged reads and the totals per incident kind, in the
// current language.
// A report across sites shows each outcome's site before its plan, and the
// site of each flagged read in the last column.
class rptExceptions : public ReportLayout
{
public:
    // `names` (by ExceptionReport::nameKey) gives the descriptions of the
    // codes; the workspace's tag definitions when null.
    void setResult(const ExceptionResult &result, const QDate &from, const QDate &to,
                   const QHash<QString, QString> *names = nullptr);

    // Lines are formatted when their page is drawn: a month holds hundreds of
    // thousands of them.
    QString cellText(qsizetype row, int column) const override;
    // The number of checkpoints due (extra reads and totals are not counted).
    qsizetype Function1() const override { return m_due; }
    qreal figureHeightPoints() const override;
    void paintFigure(QPainter &painter, const QRectF &rect, const QFont &font) const override;
    // What the chart shows.
    const ComplianceFigures &figures() const { return m_figures; }

private:
    // What one line of the report shows.
    struct Line
    {
        enum class Kind { Outcome, Caption, Total, Blank, Incident, Flagged } kind;
        int index;       // Outcome, Incident: into m_outcomes; Caption: the text number; Flagged: into m_flagged
        QString name;    // Total: the plan or guard, on its first line only
        QString text;    // Total: the outcome counted; Incident: its text
        int count = 0;
    };
    void addTotals(int caption, const QMap<QString, OutcomeTotals> &totals, bool guards);

    QList<CheckpointOutcome> m_outcomes;
    QList<FlaggedRead> m_flagged;
    std::vector<Line> m_lines;
    QHash<QString, QString> m_descriptions;
    qsizetype m_due = 0;
    ComplianceFigures m_figures;
    QString m_dayFormat;
};
