#include "frmLE_AddNewLanguage.h"

#include "ui_frmLE_AddNewLanguage.h"

#include "CRes.h"
#include "LanguageRules.h"
#include "MessageReporter.h"

#include <QPushButton>

frmLE_AddNewLanguage::frmLE_AddNewLanguage(const QStringList &existing, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::frmLE_AddNewLanguage>())
    , m_existing(existing)
{
    m_ui->setupUi(this);
    CRes::instance().SetFormInterface(this);
    connect(m_ui->cmdCtrl_0, &QPushButton::clicked, this, [this] { cmdCtrl_Click(0); });
    connect(m_ui->cmdCtrl_1, &QPushButton::clicked, this, [this] { cmdCtrl_Click(1); });
}

frmLE_AddNewLanguage::~frmLE_AddNewLanguage() = default;

void frmLE_AddNewLanguage::cmdCtrl_Click(int index)
{
    if (index == 1) {
        m_isOK = false;
        reject();
        return;
    }
    const QString name = m_ui->txtName->text();
    switch (LanguageRules::checkNewName(name, m_existing)) {
    case LanguageRules::NameCheck::Empty:
        MessageReporter::instance().message(LanguageRules::emptyNameMessage(), MessageReporter::Icon::Critical);
        m_ui->txtName->setFocus();
        return;
    case LanguageRules::NameCheck::Exists:
        MessageReporter::instance().message(LanguageRules::existsMessage(name), MessageReporter::Icon::Exclamation);
        m_ui->txtName->selectAll();
        m_ui->txtName->setFocus();
        return;
    case LanguageRules::NameCheck::Accepted:
        break;
    }
    m_name = name;
    m_isOK = true;
    accept();
}
