#include "frmTerminalConfiguration_KR.h"

#include "ApplicationPassword.h"
#include "CRes.h"
#include "GuiHelpers.h"
#include "MessageReporter.h"
#include "TerminalDialogParts.h"
#include "frmDownloadProcess.h"
#include "WindowGeometry.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>

using namespace TerminalDialogParts;

namespace {

constexpr CommandText kCommands[KrMaintenance::kCommandCount] = {
    {"Set Time", 148},   {"Get Time", 149},    {"Record Count", 150}, {"Set Mach#", 151},
    {"Get Mach#", 152},  {"Get Version", 153}, {"Clear Data", 154},   {"Recover Data", 155},
    {"Invoke Test", 158}, {"Power Down", 159}, {"Download Data", 161}, {"Sync. to PC", 167},
};

}

frmTerminalConfiguration_KR::frmTerminalConfiguration_KR(ucKR500_900 &kr, ucVX700 &vx, QWidget *parent)
    : QDialog(parent)
    , m_kr(kr)
    , m_vx(vx)
    , m_commands(kr)
{
    setObjectName(QStringLiteral("frmTerminalConfiguration_KR"));
    setWindowTitle(QStringLiteral("Terminal Configuration - KR500/KR900"));
    setTag(this, 133);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_cmd = commandButtons(this, kCommands, KrMaintenance::kCommandCount, [this](int i) { cmd_Click(i); });
    auto cmd = [this](int i) { return m_cmd.at(i); };

    m_cboCommPort = new QComboBox;
    m_cboCommPort->setObjectName(QStringLiteral("cboCommPort"));
    m_txtID = new QLineEdit(QStringLiteral("0"));
    m_txtID->setObjectName(QStringLiteral("txtID"));
    m_txtID->setMaximumWidth(80);
    auto *title = heading(QStringLiteral("KR500A/550/900 Configuration"), 175);
    auto *top = new QHBoxLayout;
    top->addWidget(title, 1);
    top->addWidget(label(QStringLiteral("Comm. Port:"), 134));
    top->addWidget(m_cboCommPort);
    top->addWidget(label(QStringLiteral("Mach#:"), 135));
    top->addWidget(m_txtID);

    QGroupBox *dateTime =
        m_pickers.group(cmd(KrMaintenance::SetTime), cmd(KrMaintenance::GetTime), cmd(KrMaintenance::SyncToPc));

    auto *machine = group(QStringLiteral("fraMachineNumber"), QStringLiteral("Machine Number"), 177);
    m_txtNewID = new QLineEdit;
    m_txtNewID->setObjectName(QStringLiteral("txtNewID"));
    m_uxIdHex = new QLineEdit;
    m_uxIdHex->setObjectName(QStringLiteral("uxIdHex"));
    auto *mn = new QGridLayout(machine);
    mn->addWidget(label(QStringLiteral("Using these commands to retrieve or specify the terminal's number (ID)."), 138),
                  0, 0, 1, 4);
    mn->addWidget(label(QStringLiteral("New Mach#:"), 180), 1, 0);
    mn->addWidget(m_txtNewID, 1, 1);
    mn->addWidget(m_uxIdHex, 1, 2);
    mn->addWidget(label(QStringLiteral("(Hex Format)"), 136), 1, 3);
    mn->addWidget(cmd(KrMaintenance::SetMachineId), 2, 1);
    mn->addWidget(cmd(KrMaintenance::GetMachineId), 2, 2);

    m_lblRecoverData = label(QStringLiteral("Recover all the data in terminal's memory."), 146);
    m_lblRecoverData->setObjectName(QStringLiteral("lblRecoverData"));
    m_lblInvokeTest = label(QStringLiteral("Reset the connected terminal. This command will erase all the data in the "
                                           "terminal's memory and can't be recovered."),
                            147);
    m_lblInvokeTest->setObjectName(QStringLiteral("lblInvokeTest"));
    QGroupBox *device = commandGroup(
        QStringLiteral("fraDevice"), QStringLiteral("Device Maintain"), 178,
        {{cmd(KrMaintenance::GetVersion), label(QStringLiteral("Retrieve the terminal's firmware version."), 144)},
         {cmd(KrMaintenance::PowerDown), label(QStringLiteral("Turn off the connected terminal."), 145)},
         {cmd(KrMaintenance::RecoverData), m_lblRecoverData},
         {cmd(KrMaintenance::InvokeTest), m_lblInvokeTest}});
    QGroupBox *data = commandGroup(
        QStringLiteral("fraData"), QStringLiteral("Data"), 179,
        {{cmd(KrMaintenance::RecordCount), label(QStringLiteral("Retrieve the terminal's data number."), 139)},
         {cmd(KrMaintenance::ClearData), label(QStringLiteral("Clear the terminal's data."), 140)},
         {cmd(KrMaintenance::DownloadData), label(QStringLiteral("Download the terminal's data."), 142)}});


    auto *grid = new QGridLayout;
    grid->addWidget(dateTime, 0, 0);
    grid->addWidget(machine, 0, 1);
    grid->addWidget(device, 1, 0);
    grid->addWidget(data, 1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(grid);
    layout->addLayout(closeRow(this));

    connect(m_txtNewID, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_uxIdHex->setText(KrMaintenance::hexOfDecimal(text)); });
    acceptHexKeysOnly(*m_uxIdHex);

    // Loading.
    fillPortList(*m_cboCommPort);
    const bool maintenance = ApplicationPassword::maintenanceUnlocked();
    for (QWidget *w : {static_cast<QWidget *>(cmd(KrMaintenance::RecoverData)),
                       static_cast<QWidget *>(cmd(KrMaintenance::InvokeTest)),
                       static_cast<QWidget *>(m_lblRecoverData), static_cast<QWidget *>(m_lblInvokeTest)})
        w->setVisible(maintenance);
    CRes::instance().SetFormInterface(this);
    WindowGeometry::keep(this, QStringLiteral("frmTerminalConfiguration_KR"));
}

frmTerminalConfiguration_KR::~frmTerminalConfiguration_KR() = default;

void frmTerminalConfiguration_KR::done(int result)
{
    storePortList(*m_cboCommPort);
    QDialog::done(result);
}

void frmTerminalConfiguration_KR::cmd_Click(int index)
{
    if (index == KrMaintenance::DownloadData) {
        frmDownloadProcess dialog(m_kr, m_vx, DownloadProcess::kKrFamily, this);
        connect(&dialog, &frmDownloadProcess::downloadFinished, this, &frmTerminalConfiguration_KR::downloadFinished);
        dialog.exec();
        return;
    }
    try {
        std::optional<QString> msg;
        {
            const BusyCursor busy;
            KrMaintenance::Input input;
            input.port = m_cboCommPort->currentText();
            input.machineId = m_txtID->text();
            input.setMoment = m_pickers.moment();
            input.hexId = m_uxIdHex->text();
            msg = m_commands.run(index, input);
            if (index == KrMaintenance::SyncToPc)
                m_pickers.showNow();
        }
        if (msg)
            MessageReporter::instance().message(*msg, MessageReporter::Icon::Information);
    } catch (const std::exception &e) {
        MessageReporter::instance().failure(QString::fromLocal8Bit(e.what()), 0);
    }
}
