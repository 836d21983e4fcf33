#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class frmPasswordChange;
}

// Sets a new application password, typed twice: two equal entries (even
// empty ones) are saved, take effect at once and are confirmed; differing
// entries are refused and nothing is saved. The current password is not asked
// for.
class frmPasswordChange : public QDialog
{
    Q_OBJECT
public:
    explicit frmPasswordChange(QWidget *parent = nullptr);
    ~frmPasswordChange() override;

    bool IsOK() const { return m_isOK; }

private:
    void cmdCtrl_Click(int index);

    std::unique_ptr<Ui::frmPasswordChange> m_ui;
    bool m_isOK = false;
};
