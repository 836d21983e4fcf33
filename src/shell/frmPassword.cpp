#include "frmPassword.h"

#include "ui_frmPassword.h"

#include "ApplicationPassword.h"
#include "CRes.h"
#include "MessageReporter.h"

#include <QPushButton>

namespace {
constexpr int kWrongPasswordText = 174;
}

frmPassword::frmPassword(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::frmPassword>())
{
    m_ui->setupUi(this);
    CRes::instance().SetFormInterface(this);
    connect(m_ui->cmdCtrl_0, &QPushButton::clicked, this, [this] { cmdCtrl_Click(0); });
    connect(m_ui->cmdCtrl_1, &QPushButton::clicked, this, [this] { cmdCtrl_Click(1); });
}

frmPassword::~frmPassword() = default;

void frmPassword::cmdCtrl_Click(int index)
{
    if (index == 1) {
        m_isOK = false;
        reject();
        return;
    }
    const QString entry = m_ui->txtPassword->text();
    if (!ApplicationPassword::accepts(entry)) {
        MessageReporter::instance().message(CRes::instance().ResString(kWrongPasswordText),
                                            MessageReporter::Icon::Exclamation);
        m_ui->txtPassword->setSelection(0, int(entry.size()));
        // The message box took the focus; give it back even without a window manager.
        activateWindow();
        m_ui->txtPassword->setFocus();
        return;
    }
    ApplicationPassword::setCurrent(entry);
    m_isOK = true;
    accept();
}
