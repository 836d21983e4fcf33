#include "frmAbout.h"

#include "ui_frmAbout.h"

#include "AboutText.h"
#include "AppIcon.h"
#include "CRes.h"
#include "MainFormInterface.h"
#include "MessageReporter.h"
#include "SystemInfo.h"

#include <QPushButton>

namespace {
constexpr int kVersionText = 143;
}

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::frmAbout>())
{
    m_ui->setupUi(this);
    CRes &res = CRes::instance();
    // Without a readable store the designed texts stay.
    if (res.isOpen()) {
        const QString product = res.ResString(kProductNameText);
        setWindowTitle(res.ResString(61, QStringLiteral("About %1")).arg(product));
        m_ui->lblTitle->setText(product);
        m_ui->lblVersion->setText(AboutText::versionLine(res.ResString(kVersionText)));
    } else {
        m_ui->lblVersion->setText(AboutText::versionLine(m_ui->lblVersion->text()));
    }
    m_ui->picIcon->setPixmap(AppIcon::pixmap(64));
    res.SetFormInterface(this);
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);
}

frmAbout::~frmAbout() = default;

void frmAbout::StartSysInfo()
{
    if (!SystemInfo::start())
        MessageReporter::instance().message(QString::fromLatin1(SystemInfo::kUnavailable),
                                            MessageReporter::Icon::None);
}
