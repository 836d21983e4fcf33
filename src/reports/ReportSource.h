#pragma once

#include <QString>

#include <memory>

class ReportLayout;

// Something a report can be made of: a view hands the report of what it
// shows to the print, preview and PDF commands, which need not know the view.
class ReportSource
{
public:
    virtual ~ReportSource() = default;

    // The report with its data and texts; null when there is none, with
    // *error set when the reason still has to be shown (empty: already shown).
    virtual std::shared_ptr<ReportLayout> report(QString *error) = 0;

protected:
    ReportSource() = default;
    ReportSource(const ReportSource &) = default;
    ReportSource &operator=(const ReportSource &) = default;
};
