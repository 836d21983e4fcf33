#pragma once

#include <QWidget>

class ViewCommands;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

// The tag view: the search box and toolbar over the list of tag definitions
// (lvwTagDef), guard tags marked in a third column. Adding and editing go
// through frmAddTag; the records and their guard marks change through TagStore.
class TagDefView : public QWidget
{
    Q_OBJECT
public:
    TagDefView(ViewCommands *commands, QWidget *parent = nullptr);

    void Initial_lvwTagDef();
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

    ViewCommands *m_commands;
    QLabel *m_title = nullptr;
    QLineEdit *m_find = nullptr;
    QTreeWidget *m_list = nullptr;
    bool m_columnsSized = false;
};
