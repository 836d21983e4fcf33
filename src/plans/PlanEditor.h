#pragma once

#include "PatrolPlan.h"

#include <QList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimeEdit;

// The plan page of the schedule view: the list of stored plans beside the
// editor of one plan (name, schedule, weekdays, checkpoints). The editor holds
// a draft; Save stores it through PlanStore, Revert shows the stored plan
// again. Leaving a changed draft (another plan, New, the program's end) asks
// whether to save it first.
class PlanEditor : public QWidget
{
    Q_OBJECT
public:
    explicit PlanEditor(QWidget *parent = nullptr);

    // Reads the plans and the tag definitions again, keeping the shown plan
    // (the schedule view calls it whenever it is shown).
    void reload();
    // The tag definitions again (a tag was added or renamed meanwhile).
    void refreshTags();
    // The plan as the editor shows it now.
    PatrolPlan currentPlan() const;
    bool isModified() const { return currentPlan() != m_stored; }
    // Stores the draft; false (after the reason was shown) when refused, the draft stays as it is.
    bool save();
    void revert();
    void newPlan();
    void deletePlan();
    // Asks Yes/No/Cancel about a changed draft; false when the draft must stay
    // (Cancel, or a refused save).
    bool confirmLeave();
    void applyTexts();
    QStringList planNames() const;

Q_SIGNALS:
    // A plan was stored or deleted.
    void plansChanged();

private:
    void showPlan(const PatrolPlan &plan, const QString &storedName);
    void startNewPlan();
    void fillList(const QString &select);
    void listRowChanged(int row);
    void addCheckpoint();
    void removeCheckpoint();
    void moveCheckpoint(int delta);
    void setCheckpoints(const QList<PlanCheckpoint> &points, int selectRow);
    QComboBox *codeBox(const QString &code);
    void updateButtons();

    QList<PatrolPlan> m_plans;
    // Code -> description of every tag definition, in table order.
    QList<QPair<QString, QString>> m_tags;
    PatrolPlan m_stored; // what the draft is compared with
    QString m_storedName; // empty for a plan not stored yet
    bool m_switching = false;
    bool m_filling = false;

    QListWidget *m_list = nullptr;
    QPushButton *m_new = nullptr;
    QPushButton *m_delete = nullptr;
    QLabel *m_nameLabel = nullptr;
    QLineEdit *m_name = nullptr;
    QLabel *m_startLabel = nullptr;
    QTimeEdit *m_start = nullptr;
    QLabel *m_endLabel = nullptr;
    QTimeEdit *m_end = nullptr;
    QLabel *m_intervalLabel = nullptr;
    QSpinBox *m_interval = nullptr;
    QLabel *m_weekdaysLabel = nullptr;
    QList<QCheckBox *> m_days;
    QGroupBox *m_pointsBox = nullptr;
    QTableWidget *m_points = nullptr;
    QPushButton *m_addPoint = nullptr;
    QPushButton *m_removePoint = nullptr;
    QPushButton *m_up = nullptr;
    QPushButton *m_down = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_revert = nullptr;
};
