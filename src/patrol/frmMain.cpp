#include "frmMain.h"

#include "ui_frmMain.h"

#include "MessageReporter.h"
#include "Version.h"
#include "frmPasswordChange.h"

#include <exception>

namespace {

// Runs a command handler; an unexpected failure is shown and the program goes on.
template<typename F>
void runCommand(F &&handler)
{
    try {
        handler();
    } catch (const std::exception &e) {
        MessageReporter::instance().failure(QString::fromLocal8Bit(e.what()), 0);
    }
}

}

frmMain::frmMain(QWidget *parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::frmMain>())
{
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("Tavrel") + VersionSuffix());
    connect(m_ui->mnuFiles_10, &QAction::triggered, this, [this] { mnuFiles_Click(10); });
    connect(m_ui->mnuTools_1, &QAction::triggered, this, [this] { mnuTools_Click(1); });
}

frmMain::~frmMain() = default;

void frmMain::mnuFiles_Click(int index)
{
    runCommand([&] {
        if (index == 10)
            Q_EMIT exitRequested();
    });
}

void frmMain::mnuTools_Click(int index)
{
    runCommand([&] {
        if (index == 1) {
            frmPasswordChange dialog(this);
            dialog.exec();
        }
    });
}
