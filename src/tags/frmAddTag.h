#pragma once

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class frmAddTag;
}

// The tag dialog: a code of ten upper-case hexadecimal digits, a
// description and whether the tag is a guard's tag. The caller sets the
// caption and the values, shows it modally and reads IsOK and the values back.
// With a store set, OK stores the entry before closing, so a refused entry
// (a code already defined) leaves the dialog open with what was typed.
class frmAddTag : public QDialog
{
    Q_OBJECT
public:
    explicit frmAddTag(QWidget *parent = nullptr);
    ~frmAddTag() override;

    void ClearEntries();
    QString txt0Value() const { return m_txt0Value; }
    void setTxt0Value(const QString &value);
    QString txt1Value() const { return m_txt1Value; }
    void setTxt1Value(const QString &value);
    bool guardValue() const;
    void setGuardValue(bool guard);
    bool IsOK() const { return m_isOK; }
    // Stores the checked entry (code, description); false, after its
    // own message, keeps the dialog open.
    void setStore(std::function<bool(const QString &, const QString &)> store) { m_store = std::move(store); }

    // Runs the checks; false (after the message, with the focus on the field
    // of the last failing check) when something is wrong.
    bool ValidateEntries();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void cmdCtrl_Click(int index);

    std::unique_ptr<Ui::frmAddTag> m_ui;
    QString m_txt0Value;
    QString m_txt1Value;
    bool m_isOK = false;
    std::function<bool(const QString &, const QString &)> m_store;
};
