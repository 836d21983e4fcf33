#pragma once

#include <QDate>
#include <QStringList>

class QComboBox;
class QDateEdit;
class QHBoxLayout;
class QLabel;
class QWidget;

// The range and plan filter of the report pages: From and To dates that stay
// a range (moving one end past the other takes it along) and a plan choice,
// "(All plans)" first. The widgets belong to the page.
class ReportFilter
{
public:
    ReportFilter(QWidget *page, const QDate &from, const QDate &to);

    // From, To and Plan with their labels, on `row`.
    void addTo(QHBoxLayout *row) const;
    void applyTexts();

    // All plans, then `names`; the plan chosen stays chosen while it is there.
    void setPlanNames(const QStringList &names);
    // Shows the range and plan (empty for all plans).
    void set(const QDate &from, const QDate &to, const QString &plan);

    QDate from() const;
    QDate to() const;
    // The plan chosen, empty for all plans.
    QString planName() const;

    // `combo` gets the "all" choice (text `allText`), then `names`, keeping its choice.
    static void setChoices(QComboBox *combo, int allText, const char *allEnglish, const QStringList &names);

private:
    QLabel *m_fromLabel;
    QDateEdit *m_fromDate;
    QLabel *m_toLabel;
    QDateEdit *m_toDate;
    QLabel *m_planLabel;
    QComboBox *m_plan;
};

// The note under a report of the files or lines it could not read (hidden when none).
QLabel *makeUnreadableNote(QWidget *page);
void showUnreadable(QLabel *note, const QStringList &warnings);
