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
    CRes::instance().SetFormInterface(this);
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
    QString error;
    if (!ApplicationPassword::change(m_ui->txtPassword->text(), &error)) {
        MessageReporter::instance().failure(error, Startup::kFileAccessError);
        return;
    }
    m_isOK = true;
    accept();
}
