#include "frmPassword_VX700Logon.h"

#include "ui_frmPassword_VX700Logon.h"

#include "CRes.h"

#include <QPushButton>

frmPassword_VX700Logon::frmPassword_VX700Logon(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::frmPassword_VX700Logon>())
{
    m_ui->setupUi(this);
    CRes::instance().SetFormInterface(this);
    // One "*" per character typed, whatever the style's own mask character is.
    m_ui->txtPassword->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &frmPassword_VX700Logon::onOk);
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &frmPassword_VX700Logon::onCancel);
}

frmPassword_VX700Logon::~frmPassword_VX700Logon() = default;

void frmPassword_VX700Logon::setPassword(const QString &password)
{
    m_password = password;
    m_ui->txtPassword->setText(password);
}

void frmPassword_VX700Logon::showEvent(QShowEvent *event)
{
    m_isOK = false;
    m_ui->txtPassword->selectAll();
    m_ui->txtPassword->setFocus();
    QDialog::showEvent(event);
}

void frmPassword_VX700Logon::onOk()
{
    m_password = m_ui->txtPassword->text();
    m_isOK = true;
    accept();
}

void frmPassword_VX700Logon::onCancel()
{
    m_isOK = false;
    reject();
}
