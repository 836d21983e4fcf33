#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class frmAbout;
}

// The about box: product name, version, rights notice and warning, and a
// button that starts the desktop's system-information program.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);
    ~frmAbout() override;

    // Starts the system-information program, or says that there is none.
    void StartSysInfo();

private:
    std::unique_ptr<Ui::frmAbout> m_ui;
};
