#pragma once

#include "TerminalSearch.h"

#include <QDialog>
#include <QTimer>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

// The search-terminal wizard: an introduction, a checklist, the search over
// COM1 to COM16 for a KR terminal and then a VX cradle (TerminalSearch; the
// "Connected Comport:" field shows the port whose outcome it awaits, the
// buttons stay disabled while it runs), and the result, which
// becomes the terminal settings when something answered. Buttons: Cancel
// (Finish after a successful search), Next and Back; Back never returns to the
// search page.
class frmWizard_SearchTerminal : public QDialog
{
    Q_OBJECT
public:
    explicit frmWizard_SearchTerminal(QWidget *parent = nullptr);
    ~frmWizard_SearchTerminal() override;

    static constexpr int kPages = 4;
    int pageIndex() const { return m_page; }
    QPushButton *button(int index) const { return m_cmdCtrl.at(size_t(index)); }
    const TerminalSearch::Result &result() const { return m_result; }

protected:
    void done(int result) override;

private:
    void CmdCtrl_Click(int index);
    void showPage();
    void tmrSearchTerminal_Timer();
    void lbl01_Click(int index);

    std::array<QPushButton *, 3> m_cmdCtrl {};
    std::array<QLabel *, kPages> m_lbl {};
    std::array<QLabel *, 6> m_lbl01 {};
    QLabel *m_lblItem = nullptr;
    QLabel *m_lblDescription = nullptr;
    QStackedWidget *m_pages = nullptr;
    QLineEdit *m_txtTerminal = nullptr;
    QLineEdit *m_txtComport = nullptr;
    QLineEdit *m_txtConnectedTerminal = nullptr;
    QLineEdit *m_txtUsingComport = nullptr;
    QTimer m_tmrSearchTerminal;
    int m_page = 0;
    bool m_searching = false;
    TerminalSearch::Result m_result;
};
