#include "frmLE_SelectLanguage.h"

#include "ui_frmLE_SelectLanguage.h"

#include "CRes.h"
#include "LanguageRules.h"
#include "MessageReporter.h"
#include "QtTranslations.h"
#include "Settings.h"

#include <QPushButton>

frmLE_SelectLanguage::frmLE_SelectLanguage(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::frmLE_SelectLanguage>())
{
    m_ui->setupUi(this);
    m_ui->lstLanguage->addItems(LanguageRules::languageNames());
    m_ui->lstLanguage->setCurrentRow(0);
    connect(m_ui->cmdCtrl, &QPushButton::clicked, this, &frmLE_SelectLanguage::confirm);
    connect(m_ui->lstLanguage, &QListWidget::itemDoubleClicked, this, &frmLE_SelectLanguage::confirm);
}

frmLE_SelectLanguage::~frmLE_SelectLanguage() = default;

void frmLE_SelectLanguage::confirm()
{
    if (!SaveSetting(QStringLiteral("Load"), QStringLiteral("First"), QStringLiteral("False"))) {
        MessageReporter::instance().message(Settings::lastError(), MessageReporter::Icon::Critical);
        return;
    }
    m_isOK = true;
    if (const QListWidgetItem *item = m_ui->lstLanguage->currentItem()) {
        CRes::instance().setLanguage(item->text());
        QtTranslations::use(item->text());
    }
    accept();
}
