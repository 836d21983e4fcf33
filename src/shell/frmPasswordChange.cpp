#include "frmPasswordChange.h"

#include "ui_frmPasswordChange.h"

#include "ApplicationPassword.h"
#include "CRes.h"
#include "MessageReporter.h"
#include "Startup.h"

#include <QPushButton>

frmPasswordChange::frmPasswordChange(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::frmPasswordChange>())
{
    m_ui->setupUi(this);
    CRes &res = CRes::instance();
    res.SetFormInterface(this);
    // Set here rather than through the labels' tags, so that a workspace
    // whose Res.mdb predates these texts still shows the designed ones.
    m_ui->lblPassword->setText(res.ResString(96, m_ui->lblPassword->text()));
    m_ui->lblConfirm->setText(res.ResString(97, m_ui->lblConfirm->text()));
    connect(m_ui->cmdCtrl_0, &QPushButton::clicked, this, [this] { cmdCtrl_Click(0); });
    connect(m_ui->cmdCtrl_1, &QPushButton::clicked, this, [this] { cmdCtrl_Click(1); });
}

frmPasswordChange::~frmPasswordChange() = default;

void frmPasswordChange::cmdCtrl_Click(int index)
{
    if (index == 1) {
        m_isOK = false;
        reject();
        return;
    }
    CRes &res = CRes::instance();
    // One mistyped character would otherwise lock the supervisor out.
    if (m_ui->txtPassword->text() != m_ui->txtConfirm->text()) {
        MessageReporter::instance().message(
            res.ResString(98, QStringLiteral("The two entries differ. Please type the new password twice.")),
            MessageReporter::Icon::Exclamation);
        m_ui->txtConfirm->clear();
        m_ui->txtPassword->selectAll();
        m_ui->txtPassword->setFocus();
        return;
    }
    QString error;
    if (!ApplicationPassword::change(m_ui->txtPassword->text(), &error)) {
        MessageReporter::instance().failure(error, Startup::kFileAccessError);
        return;
    }
    MessageReporter::instance().message(res.ResString(99, QStringLiteral("The password has been changed.")),
                                        MessageReporter::Icon::Information);
    m_isOK = true;
    accept();
}
