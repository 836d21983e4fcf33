#pragma once

#include <QMainWindow>

#include <memory>

namespace Ui {
class frmMain;
}

// The program's main window and the hub of its commands. Menu items keep the
// object names of their menu arrays (mnuFiles_10, mnuTools_1) so that the
// language code can find them by index.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

Q_SIGNALS:
    // File item 10: the program should end now.
    void exitRequested();

private:
    void mnuFiles_Click(int index);
    void mnuTools_Click(int index);

    std::unique_ptr<Ui::frmMain> m_ui;
};
