#include "frmOptions.h"

#include "CRes.h"
#include "MessageReporter.h"
#include "TerminalDialogParts.h"
#include "WindowGeometry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace TerminalDialogParts;

namespace {

constexpr int kTerminalTab = 0;
constexpr int kAutoDownloadTab = 1;

QCheckBox *checkBox(const QString &name, const QString &text, int textNumber)
{
    auto *box = new QCheckBox(text);
    box->setObjectName(name);
    setTag(box, textNumber);
    return box;
}

}

frmOptions::frmOptions(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setTag(this, 183);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_tab = new QTabWidget(this);
    m_tab->setObjectName(QStringLiteral("tab"));

    auto *terminal = new QWidget;
    terminal->setObjectName(QStringLiteral("tabTerminal"));
    setTag(terminal, 172);
    m_cboTerminalModel = new QComboBox;
    m_cboTerminalModel->setObjectName(QStringLiteral("cboTerminalModel"));
    m_cboTerminalModel->addItems({TerminalOptions::familyName(0), TerminalOptions::familyName(1)});
    m_cboComport = new QComboBox;
    m_cboComport->setObjectName(QStringLiteral("cboComport"));
    auto *form = new QFormLayout;
    form->addRow(label(QStringLiteral("Connected Terminal:"), 255), m_cboTerminalModel);
    form->addRow(label(QStringLiteral("Using Comport:"), 256), m_cboComport);
    auto *automation = group(QStringLiteral("fraAutomation"),
                             QStringLiteral("Automation: After downloading data successfully, automatically"), 184);
    m_chkClearData = checkBox(QStringLiteral("chkClearData"), QStringLiteral("clearing the data of terminal."), 186);
    m_chkUpdateTime = checkBox(QStringLiteral("chkUpdateTime"), QStringLiteral("updating the time of terminal."), 187);
    m_chkPowerDown = checkBox(QStringLiteral("chkPowerDown"), QStringLiteral("turning off the power of terminal."), 188);
    auto *automationLayout = new QVBoxLayout(automation);
    automationLayout->addWidget(m_chkClearData);
    automationLayout->addWidget(m_chkUpdateTime);
    automationLayout->addWidget(m_chkPowerDown);
    auto *terminalLayout = new QVBoxLayout(terminal);
    terminalLayout->addLayout(form);
    terminalLayout->addWidget(automation);
    terminalLayout->addStretch();

    auto *autoDownload = new QWidget;
    autoDownload->setObjectName(QStringLiteral("tabAutoDownload"));
    setTag(autoDownload, 173);
    m_chkAutoDownload = checkBox(
        QStringLiteral("chkAutoDownload"),
        QStringLiteral("Automatically download the terminal's data when the terminal is connected to PC."), 189);
    auto *autoLayout = new QVBoxLayout(autoDownload);
    autoLayout->addWidget(m_chkAutoDownload);
    autoLayout->addWidget(label(QStringLiteral("Note: After the auto-download process is completed, the terminal's "
                                               "data will be erased and the date/time will be synchronized to PC "
                                               "automatically."),
                                190));
    autoLayout->addStretch();

    m_tab->addTab(terminal, QStringLiteral("Terminal"));
    m_tab->addTab(autoDownload, QStringLiteral("Auto-download"));

    auto *ok = arrayButton(QStringLiteral("cmd"), 0, QStringLiteral("OK"), 8);
    auto *cancel = arrayButton(QStringLiteral("cmd"), 1, QStringLiteral("Cancel"), 9);
    ok->setDefault(true);
    auto *buttons = new QDialogButtonBox;
    buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    connect(ok, &QPushButton::clicked, this, [this] { cmd_Click(0); });
    connect(cancel, &QPushButton::clicked, this, [this] { cmd_Click(1); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tab);
    layout->addWidget(buttons);

    // Loading: the stored choices with their defaults, the model rule, the language.
    const TerminalOptions options = TerminalOptions::load();
    fillPortList(*m_cboComport);
    m_cboTerminalModel->setCurrentIndex(options.model);
    m_chkClearData->setChecked(options.autoClear);
    m_chkUpdateTime->setChecked(options.autoTime);
    m_chkPowerDown->setChecked(options.autoPowerDown);
    m_chkAutoDownload->setChecked(options.autoDownload);
    cboTerminalModel_Click();
    connect(m_cboTerminalModel, &QComboBox::currentIndexChanged, this, &frmOptions::cboTerminalModel_Click);
    CRes::instance().SetFormInterface(this);
    WindowGeometry::keep(this, QStringLiteral("frmOptions"));
}

frmOptions::~frmOptions() = default;

void frmOptions::cboTerminalModel_Click()
{
    const bool kr = m_cboTerminalModel->currentIndex() == TerminalOptions::kKrFamily;
    m_chkPowerDown->setVisible(kr);
    if (!kr) {
        m_chkAutoDownload->setChecked(false);
        if (m_tab->currentIndex() == kAutoDownloadTab)
            m_tab->setCurrentIndex(kTerminalTab);
    }
    m_tab->setTabEnabled(kAutoDownloadTab, kr);
}

TerminalOptions frmOptions::chosen() const
{
    TerminalOptions o;
    o.comport = m_cboComport->currentText();
    o.model = m_cboTerminalModel->currentIndex();
    o.autoClear = m_chkClearData->isChecked();
    o.autoTime = m_chkUpdateTime->isChecked();
    o.autoPowerDown = m_chkPowerDown->isChecked();
    o.autoDownload = m_chkAutoDownload->isChecked();
    return o;
}

void frmOptions::cmd_Click(int index)
{
    if (index == 0) {
        m_okClick = true;
        QString error;
        if (!chosen().save(&error))
            MessageReporter::instance().message(error, MessageReporter::Icon::Exclamation);
        accept();
    } else {
        reject();
    }
}
