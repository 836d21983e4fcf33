#pragma once

#include "ActionTexts.h"
#include "PatrolLibrary.h"
#include "PatrolRowMarks.h"
#include "PatrolTableModel.h"
#include "ReportSource.h"

#include <QWidget>

#include <memory>

class QAction;
class QLabel;
class QMenu;
class QToolBar;
class QLineEdit;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

// The patrol-data view: the library of files (tree tvwPatrolData), the search
// box and toolbar, and the records of the open file (list lvwPatrolData).
// File commands and search run here on the non-widget library, loader,
// model and search; the view shows their results. It owns the commands it
// serves (delete, approve, approve all, define tag, find) with their pop-up
// menus and search toolbar; the window places them in its own toolbar too.
class PatrolDataView : public QWidget, public ReportSource
{
    Q_OBJECT
public:
    explicit PatrolDataView(QWidget *parent = nullptr);

    QAction *deleteFileAction() const { return m_delete; }
    QAction *approveAction() const { return m_approve; }
    QAction *approveAllAction() const { return m_approveAll; }
    // The action texts and tool tips in the current language.
    void applyTexts() { m_texts.apply(); }
    // The patrol data report of the rows the list shows.
    std::shared_ptr<ReportLayout> report(QString *error) override;

    void Initial_tvwPatrolData();
    void Initial_lvwPatrolData();
    void OpenPatrolDataFile(const QString &path);
    void SearchPatrolData(int mode);
    void ApprovePatrolDataFile();
    void ApproveAllPatrolDataFiles();
    void DeletePatrolDataFile();
    // After a terminal maintenance dialog saved a file: re-reads the folders
    // and opens the last unapproved file.
    void RefreshAfterMaintenance();
    // Puts a file the download saved into the tree and opens it.
    void AddDownloadedFile(const QString &name);
    // Opens the file selected in the tree again (after a tag was defined).
    void ReopenSelectedFile();
    void ClearList();
    // Where the list's flag column comes from; without one it shows none.
    void setRowMarks(std::shared_ptr<PatrolRowMarks> marks) { m_rowMarks = std::move(marks); }

    PatrolTableModel *model() { return &m_model; }
    const PatrolLibrary &library() const { return m_library; }
    QTreeWidget *tree() const { return m_tree; }
    QTableView *list() const { return m_list; }
    QLineEdit *searchBox() const { return m_find; }
    QString CurrentFilePath() const { return m_currentFilePath; }
    QString selectedKey() const;
    // The code of the row the define-tag pop-up was shown for.
    QString defineTagCode() const { return m_defineTagCode; }

Q_SIGNALS:
    // A file was opened (the status bar shows its path); an empty path: the
    // file shown is gone.
    void fileOpened(const QString &path);
    // Double-click on a file: the report preview of what the view shows.
    void previewRequested(const QString &path);
    // Define Tag on a record whose code has no definition; the record shows
    // its new description once this returns.
    void defineTagRequested(const QString &code);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void nodeClick(QTreeWidgetItem *item);
    void rebuildTree(const QString &selectKey);
    QTreeWidgetItem *itemForKey(const QString &key) const;
    void treeContextMenu(const QPoint &pos);
    void listContextMenu(const QPoint &pos);
    void updateFileCommands(const QString &key);
    void showFailure(const QString &text);
    QAction *newCommand(const QString &name, const QString &text, int textNumber, int toolTipNumber);
    void buildCommands();
    // The incident text of every row as the list shows it, or nothing for a file without incident reads.
    static QStringList incidentTexts(const QList<PatrolRow> &rows, const QSet<QString> &guardCodes,
                                     const QHash<QString, QString> &descriptions);

    ActionTexts m_texts;
    QAction *m_delete = nullptr;
    QAction *m_approve = nullptr;
    QAction *m_approveAll = nullptr;
    QAction *m_defineTag = nullptr;
    QAction *m_findFirst = nullptr;
    QAction *m_findNext = nullptr;
    QMenu *m_fileMenu = nullptr;
    QMenu *m_defineTagMenu = nullptr;
    QToolBar *m_toolbar = nullptr;
    QLabel *m_title = nullptr;
    QTreeWidget *m_tree = nullptr;
    QLineEdit *m_find = nullptr;
    QTableView *m_list = nullptr;
    PatrolTableModel m_model;
    PatrolLibrary m_library;
    QString m_currentFilePath;
    QString m_defineTagCode;
    std::shared_ptr<PatrolRowMarks> m_rowMarks;
    bool m_rebuilding = false;
    bool m_columnsSized = false;
};
