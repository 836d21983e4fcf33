#pragma once

#include "ActionTexts.h"
#include "ReportSource.h"

#include <QWidget>

class QAction;
class QLabel;
class QMenu;
class QToolBar;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

// The tag view: the search box and toolbar over the list of tag definitions
// (lvwTagDef), guard tags marked in a third column. Adding and editing go
// through frmAddTag; the records and their guard marks change through TagStore.
// It owns the commands it serves (add, delete, edit, find) with their pop-up
// menu and toolbar.
class TagDefView : public QWidget, public ReportSource
{
    Q_OBJECT
public:
    explicit TagDefView(QWidget *parent = nullptr);

    // Invokable: a language switch rebuilds the column headers through it.
    Q_INVOKABLE void Initial_lvwTagDef();
    // The action texts and tool tips in the current language.
    void applyTexts() { m_texts.apply(); }
    // The tag definitions report of the whole table.
    std::shared_ptr<ReportLayout> report(QString *error) override;
    void LoadTagDefinitions();
    // True when a definition was added.
    bool AddTagDefinition(const QString &code);
    void EditTagDefinition();
    // Asks text 168 first; deletes every selected row on Yes.
    void DeleteWithConfirmation();
    void DeleteTagDefinitions();
    void SearchTagDefinitions(int mode);

    QTreeWidget *list() const { return m_list; }
    QLineEdit *searchBox() const { return m_find; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void listClick();
    QTreeWidgetItem *addRow(const QString &code, const QString &description, bool guard);
    // Stores the guard mark of a code and shows it on `item`; false after a message.
    bool storeGuard(QTreeWidgetItem *item, const QString &code, bool guard);
    void selectOnly(QTreeWidgetItem *item);
    QAction *newCommand(const QString &name, const QString &text, int textNumber, int toolTipNumber);
    void buildCommands();

    ActionTexts m_texts;
    QAction *m_add = nullptr;
    QAction *m_delete = nullptr;
    QAction *m_edit = nullptr;
    QMenu *m_menu = nullptr;
    QToolBar *m_toolbar = nullptr;
    QLabel *m_title = nullptr;
    QLineEdit *m_find = nullptr;
    QTreeWidget *m_list = nullptr;
    bool m_columnsSized = false;
};
