#include "frmTerminalConfiguration_VX.h"

#include "ApplicationPassword.h"
#include "CRes.h"
#include "GuiHelpers.h"
#include "MessageReporter.h"
#include "OperationLog.h"
#include "TerminalDialogParts.h"
#include "VxDialogPasswordPrompt.h"
#include "frmDownloadProcess.h"
#include "ucVX700.h"
#include "WindowGeometry.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <exception>

using namespace TerminalDialogParts;

namespace {

constexpr CommandText kCommands[VxMaintenance::kCommandCount] = {
    {"Logon", 221},         {"Logoff", 222},          {"Set Password", 224},       {"Set Time", 148},
    {"Get Time", 149},      {"Sync. to PC", 167},     {"Set Mach ID", 225},        {"Get Mac ID", 226},
    {"Get Version", 153},   {"Get Bat. Volt.", 227},  {"Get Bat. Temp.", 228},     {"Download Data", 161},
    {"Clear Data", 154},    {"Record Count", 150},    {"Get Charger Status", 267}, {"Set Charger Status", 268},
};

// The commands that need a logon.
constexpr int kLogonCommands[] = {VxMaintenance::SetTime, VxMaintenance::SyncToPc, VxMaintenance::SetMachineId,
                                  VxMaintenance::DownloadData, VxMaintenance::ClearData};

constexpr const char *kChargerLetters = "NIDCFOA";

}

frmTerminalConfiguration_VX::frmTerminalConfiguration_VX(ucKR500_900 &kr, ucVX700 &vx, QAction &download,
                                                         QWidget *parent)
    : QDialog(parent)
    , m_kr(kr)
    , m_vx(vx)
    , m_download(download)
    , m_commands(vx)
{
    setObjectName(QStringLiteral("frmTerminalConfiguration_VX"));
    setWindowTitle(QStringLiteral("Terminal Configuration - VX700A"));
    setTag(this, 220);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_cmd = commandButtons(this, kCommands, VxMaintenance::kCommandCount, [this](int i) { cmd_Click(i); });
    auto cmd = [this](int i) { return m_cmd.at(i); };
    const bool maintenance = ApplicationPassword::maintenanceUnlocked();
    // Everything that describes the battery commands and setting the charger.
    QList<QWidget *> maintenanceOnly {cmd(VxMaintenance::GetBatteryVoltage), cmd(VxMaintenance::GetBatteryTemperature),
                                      cmd(VxMaintenance::SetChargerStatus)};

    m_cboCommPort = new QComboBox;
    m_cboCommPort->setObjectName(QStringLiteral("cboCommPort"));
    auto *title = heading(QStringLiteral("VX700A/700N/KR60 Configuration"), 229);
    auto *picLogo = new QLabel;
    picLogo->setObjectName(QStringLiteral("picLogo"));
    picLogo->setPixmap(style()->standardIcon(QStyle::SP_DriveHDIcon).pixmap(32, 32));
    picLogo->setVisible(!maintenance);
    auto *top = new QHBoxLayout;
    top->addWidget(picLogo);
    top->addWidget(title, 1);
    top->addWidget(label(QStringLiteral("Comm. Port:"), 134));
    top->addWidget(m_cboCommPort);

    auto *logon = group(QStringLiteral("fraPassword"), QStringLiteral("Terminal Password"), 212);
    m_txtPassword = new QLineEdit;
    m_txtPassword->setObjectName(QStringLiteral("txtPassword"));
    m_txtPassword->setEchoMode(QLineEdit::Password);
    auto *lg = new QGridLayout(logon);
    lg->addWidget(label(QStringLiteral("Log on with the terminal's password, log off, or change the password."), 274),
                  0, 0, 1, 3);
    lg->addWidget(label(QStringLiteral("Password:"), 157), 1, 0);
    lg->addWidget(m_txtPassword, 1, 1, 1, 2);
    lg->addWidget(cmd(VxMaintenance::Logon), 2, 0);
    lg->addWidget(cmd(VxMaintenance::Logoff), 2, 1);
    lg->addWidget(cmd(VxMaintenance::SetPassword), 2, 2);

    QGroupBox *dateTime =
        m_pickers.group(cmd(VxMaintenance::SetTime), cmd(VxMaintenance::GetTime), cmd(VxMaintenance::SyncToPc));

    auto *machine = group(QStringLiteral("fraMachineNumber"), QStringLiteral("Machine Number"), 177);
    m_txtNewID = new QLineEdit;
    m_txtNewID->setObjectName(QStringLiteral("txtNewID"));
    auto *mn = new QGridLayout(machine);
    mn->addWidget(label(QStringLiteral("Using these commands to retrieve or specify the terminal's number (ID)."), 138),
                  0, 0, 1, 3);
    mn->addWidget(label(QStringLiteral("New Mach#:"), 180), 1, 0);
    mn->addWidget(m_txtNewID, 1, 1, 1, 2);
    mn->addWidget(cmd(VxMaintenance::SetMachineId), 2, 1);
    mn->addWidget(cmd(VxMaintenance::GetMachineId), 2, 2);

    auto *voltage = label(QStringLiteral("Retrieve VX700's battery voltage."), 272);
    auto *temperature = label(QStringLiteral("Retrieve VX700's battery temperature."), 273);
    maintenanceOnly << voltage << temperature;
    QGroupBox *device = commandGroup(
        QStringLiteral("fraDevice"), QStringLiteral("Device Maintain"), 178,
        {{cmd(VxMaintenance::GetVersion), label(QStringLiteral("Retrieve the terminal's firmware version."), 144)},
         {cmd(VxMaintenance::GetBatteryVoltage), voltage},
         {cmd(VxMaintenance::GetBatteryTemperature), temperature}});
    QGroupBox *data = commandGroup(
        QStringLiteral("fraData"), QStringLiteral("Data"), 179,
        {{cmd(VxMaintenance::RecordCount), label(QStringLiteral("Retrieve the terminal's data number."), 139)},
         {cmd(VxMaintenance::ClearData), label(QStringLiteral("Clear the terminal's data."), 140)},
         {cmd(VxMaintenance::DownloadData), label(QStringLiteral("Download the terminal's data."), 142)}});

    auto *charger = group(QStringLiteral("fraCharger"), QStringLiteral("Charger"), 223);
    m_cboChargerStatus = new QComboBox;
    m_cboChargerStatus->setObjectName(QStringLiteral("cboChargerStatus"));
    for (const char *letter = kChargerLetters; *letter; ++letter)
        m_cboChargerStatus->addItem(VxMaintenance::chargerStatusText(QString(QLatin1Char(*letter))));
    auto *line = new QFrame;
    line->setObjectName(QStringLiteral("linCharger"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto *setChargerText = label(QStringLiteral("Change current charger status."), 270);
    maintenanceOnly << line << setChargerText;
    auto *ch = new QGridLayout(charger);
    ch->addWidget(cmd(VxMaintenance::GetChargerStatus), 0, 0);
    ch->addWidget(label(QStringLiteral("Receive current charger status."), 269), 0, 1, 1, 2);
    ch->addWidget(label(QStringLiteral("Status:"), 271), 1, 0);
    ch->addWidget(m_cboChargerStatus, 1, 1, 1, 2);
    ch->addWidget(line, 2, 0, 1, 3);
    ch->addWidget(cmd(VxMaintenance::SetChargerStatus), 3, 0);
    ch->addWidget(setChargerText, 3, 1, 1, 2);
    ch->setColumnStretch(2, 1);


    auto *grid = new QGridLayout;
    grid->addWidget(logon, 0, 0);
    grid->addWidget(dateTime, 0, 1);
    grid->addWidget(machine, 1, 0);
    grid->addWidget(device, 1, 1);
    grid->addWidget(data, 2, 0);
    grid->addWidget(charger, 2, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(grid);
    layout->addLayout(closeRow(this));

    acceptMachineIdOnly(*m_txtNewID);
    // A failed connection test of the link means the terminal must log on again.
    connect(&m_vx, &ucVX700::deviceDisconnected, this, [this] { setLoggedOn(false); });

    // Loading.
    fillPortList(*m_cboCommPort);
    setLoggedOn(m_download.isEnabled());
    for (QWidget *w : maintenanceOnly)
        w->setVisible(maintenance);
    CRes::instance().SetFormInterface(this);
    WindowGeometry::keep(this, QStringLiteral("frmTerminalConfiguration_VX"));
}

frmTerminalConfiguration_VX::~frmTerminalConfiguration_VX() = default;

void frmTerminalConfiguration_VX::setLoggedOn(bool loggedOn)
{
    for (int index : kLogonCommands)
        m_cmd.at(index)->setEnabled(loggedOn);
    m_cboCommPort->setEnabled(!loggedOn);
    m_download.setEnabled(loggedOn);
}

void frmTerminalConfiguration_VX::done(int result)
{
    storePortList(*m_cboCommPort);
    QDialog::done(result);
}

void frmTerminalConfiguration_VX::cmd_Click(int index)
{
    if (index == VxMaintenance::DownloadData) {
        WriteLog(QStringLiteral("VD"), QStringLiteral("Download Data"));
        VxDialogPasswordPrompt prompt(this);
        frmDownloadProcess dialog(m_kr, m_vx, DownloadProcess::kVxFamily, this);
        connect(&dialog, &frmDownloadProcess::downloadFinished, this, &frmTerminalConfiguration_VX::downloadFinished);
        dialog.setPasswordPrompt(&prompt);
        connect(&dialog, &frmDownloadProcess::vxConnectionLost, this, [this] { setLoggedOn(false); });
        dialog.exec();
        return;
    }
    try {
        VxMaintenance::Outcome outcome;
        {
            const BusyCursor busy;
            VxMaintenance::Input input;
            input.port = m_cboCommPort->currentText();
            input.password = m_txtPassword->text();
            input.setMoment = m_pickers.moment();
            input.newId = m_txtNewID->text();
            input.chargerStatus = m_cboChargerStatus->currentText();
            outcome = m_commands.run(index, input);
        }
        if (outcome.logged != VxMaintenance::Logged::Unchanged)
            setLoggedOn(outcome.logged == VxMaintenance::Logged::On);
        if (index == VxMaintenance::SyncToPc)
            m_pickers.showNow();
        if (outcome.succeeded && index == VxMaintenance::GetMachineId)
            m_txtNewID->setText(*outcome.message);
        if (outcome.succeeded && index == VxMaintenance::GetChargerStatus)
            m_cboChargerStatus->setCurrentText(*outcome.message);
        if (outcome.message)
            MessageReporter::instance().message(outcome.shown.isEmpty() ? *outcome.message : outcome.shown,
                                                MessageReporter::Icon::Information);
    } catch (const std::exception &e) {
        MessageReporter::instance().failure(QString::fromLocal8Bit(e.what()), 0);
    }
}
