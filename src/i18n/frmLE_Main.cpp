#include "frmLE_Main.h"

#include "ui_frmLE_Main.h"

#include "CRes.h"
#include "LanguageRules.h"
#include "MainFormInterface.h"
#include "MessageReporter.h"
#include "QtTranslations.h"
#include "frmLE_AddNewLanguage.h"
#include "frmLE_EditLanguageSettings.h"
#include "WindowGeometry.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPushButton>

#include <exception>

frmLE_Main::frmLE_Main(QWidget *mainWindow)
    : QDialog(mainWindow)
    , m_ui(std::make_unique<Ui::frmLE_Main>())
    , m_mainWindow(mainWindow)
{
    m_ui->setupUi(this);
    connect(m_ui->lstLanguage, &QListWidget::currentRowChanged, this, &frmLE_Main::lstLanguage_Click);
    connect(m_ui->lstLanguage, &QListWidget::itemDoubleClicked, this, [this] { cmdCtrl_Click(3); });
    const QList<QPushButton *> buttons = {m_ui->cmdCtrl_0, m_ui->cmdCtrl_1, m_ui->cmdCtrl_2, m_ui->cmdCtrl_3,
                                          m_ui->cmdCtrl_4};
    for (int i = 0; i < buttons.size(); ++i)
        connect(buttons[i], &QPushButton::clicked, this, [this, i] { cmdCtrl_Click(i); });
    fillList(0);
    CRes::instance().SetFormInterface(this);
    WindowGeometry::keep(this, QStringLiteral("frmLE_Main"));
}

frmLE_Main::~frmLE_Main() = default;

QStringList frmLE_Main::languages() const
{
    QStringList names;
    for (int i = 0; i < m_ui->lstLanguage->count(); ++i)
        names.append(m_ui->lstLanguage->item(i)->text());
    return names;
}

QString frmLE_Main::selectedLanguage() const
{
    const QListWidgetItem *item = m_ui->lstLanguage->currentItem();
    return item ? item->text() : QString();
}

// `select`: the row to select, -1 for the last one.
void frmLE_Main::fillList(int select)
{
    m_ui->lstLanguage->clear();
    m_ui->lstLanguage->addItems(LanguageRules::languageNames());
    const int count = m_ui->lstLanguage->count();
    m_ui->lstLanguage->setCurrentRow(select < 0 || select >= count ? count - 1 : select);
    lstLanguage_Click();
}

void frmLE_Main::lstLanguage_Click()
{
    const LanguageRules::Buttons state
        = LanguageRules::buttonsFor(selectedLanguage(), CRes::instance().Language());
    m_ui->cmdCtrl_0->setEnabled(state.edit);
    m_ui->cmdCtrl_2->setEnabled(state.remove);
    m_ui->cmdCtrl_3->setEnabled(!selectedLanguage().isEmpty());
}

void frmLE_Main::cmdCtrl_Click(int index)
{
    try {
        switch (index) {
        case 0:
            editLanguage();
            break;
        case 1:
            addLanguage();
            break;
        case 2:
            deleteLanguage();
            break;
        case 3:
            applyLanguage();
            break;
        default:
            accept();
            break;
        }
    } catch (const std::exception &e) {
        MessageReporter::instance().message(QString::fromLocal8Bit(e.what()), MessageReporter::Icon::Critical);
    }
}

void frmLE_Main::editLanguage()
{
    const QString language = selectedLanguage();
    if (!LanguageRules::buttonsFor(language, CRes::instance().Language()).edit)
        return;
    {
        frmLE_EditLanguageSettings dialog(language, this);
        dialog.exec();
    }
    // The grid wrote into Res.mdb behind the store's back.
    CRes::instance().Refresh();
}

void frmLE_Main::addLanguage()
{
    frmLE_AddNewLanguage dialog(languages(), this);
    dialog.exec();
    QString error;
    if (dialog.IsOK() && !LanguageRules::addLanguage(dialog.LanguageName(), &error))
        MessageReporter::instance().message(error, MessageReporter::Icon::Critical);
    fillList(-1);
}

void frmLE_Main::deleteLanguage()
{
    const QString language = selectedLanguage();
    if (!LanguageRules::buttonsFor(language, CRes::instance().Language()).remove)
        return;
    if (!MessageReporter::instance().question(LanguageRules::deleteQuestion(language)))
        return;
    QString error;
    if (!LanguageRules::deleteLanguage(language, &error)) {
        MessageReporter::instance().message(error, MessageReporter::Icon::Critical);
        return;
    }
    fillList(0);
}

void frmLE_Main::applyLanguage()
{
    const QString language = selectedLanguage();
    if (language.isEmpty())
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    CRes &res = CRes::instance();
    res.setLanguage(language);
    QtTranslations::use(language);
    res.RefreshCurrentForms();
    if (m_mainWindow)
        SetMainFormInterface(m_mainWindow);
    m_ui->cmdCtrl_2->setEnabled(false);
    QGuiApplication::restoreOverrideCursor();
}
