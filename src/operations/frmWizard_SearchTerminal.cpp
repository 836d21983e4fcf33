#include "frmWizard_SearchTerminal.h"

#include "CRes.h"
#include "GuiHelpers.h"
#include "MessageReporter.h"
#include "TerminalDialogParts.h"
#include "TerminalOptions.h"
#include "WindowGeometry.h"

#include <QApplication>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

using namespace TerminalDialogParts;

namespace {

enum Button { kCancel = 0, kNext = 1, kBack = 2 };
constexpr int kSearchPage = 2;
constexpr int kResultPage = 3;
constexpr int kFinishText = 252;
constexpr int kNotFoundText = 258;
constexpr int kUsbDriverText = 263;
constexpr int kStationItem = 3;
constexpr int kUsbLinkItem = 5;

struct PageTexts
{
    int heading;
    int description;
};
constexpr PageTexts kPageTexts[frmWizard_SearchTerminal::kPages] = {{237, 248}, {238, 241}, {239, 253}, {240, 257}};

QLineEdit *field(const QString &name)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setReadOnly(true);
    return edit;
}

}

frmWizard_SearchTerminal::frmWizard_SearchTerminal(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmWizard_SearchTerminal"));
    setWindowTitle(QStringLiteral("Search Terminal Wizard"));
    setTag(this, 261);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    // The step list on the left.
    const char *steps[kPages] = {"Before Searching", "Preparation", "Search Terminal", "Search Result"};
    auto *stepList = new QFrame;
    stepList->setFrameShape(QFrame::StyledPanel);
    auto *stepLayout = new QVBoxLayout(stepList);
    for (int i = 0; i < kPages; ++i) {
        m_lbl[size_t(i)] = label(QString::fromLatin1(steps[i]), kPageTexts[i].heading);
        m_lbl[size_t(i)]->setObjectName(QStringLiteral("lbl_%1").arg(i));
        stepLayout->addWidget(m_lbl[size_t(i)]);
    }
    stepLayout->addStretch();
    stepList->setMinimumWidth(150);

    m_lblItem = new QLabel;
    m_lblItem->setObjectName(QStringLiteral("lblItem"));
    QFont headingFont = m_lblItem->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.3);
    m_lblItem->setFont(headingFont);
    m_lblDescription = new QLabel;
    m_lblDescription->setObjectName(QStringLiteral("lblDescription"));
    m_lblDescription->setWordWrap(true);

    m_pages = new QStackedWidget;
    m_pages->addWidget(new QWidget);

    auto *checklist = new QWidget;
    auto *checkLayout = new QVBoxLayout(checklist);
    const char *items[6] = {"Please make sure the following items are ready or setting up correctly.",
                            "Communication cable is connected to PC.",
                            "Terminal power is on.",
                            "Download station power is on.",
                            "Terminal's USB driver is installed on PC. (for USB interface only)",
                            "How to install terminal usb driver"};
    for (int i = 0; i < 6; ++i) {
        QLabel *item = label(QString::fromLatin1(items[i]), 242 + i);
        item->setObjectName(QStringLiteral("lbl01_%1").arg(i));
        m_lbl01[size_t(i)] = item;
        checkLayout->addWidget(item);
    }
    QLabel *link = m_lbl01[kUsbLinkItem];
    link->setTextFormat(Qt::RichText);
    link->setCursor(Qt::PointingHandCursor);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(link, &QLabel::linkActivated, this, [this] { lbl01_Click(kUsbLinkItem); });
    checkLayout->addStretch();
    m_pages->addWidget(checklist);

    auto *search = new QWidget;
    m_txtTerminal = field(QStringLiteral("txtTerminal"));
    m_txtComport = field(QStringLiteral("txtComport"));
    auto *searchLayout = new QFormLayout(search);
    searchLayout->addRow(label(QStringLiteral("Searching..."), 249));
    searchLayout->addRow(label(QStringLiteral("Terminal:"), 250), m_txtTerminal);
    searchLayout->addRow(label(QStringLiteral("Connected Comport:"), 251), m_txtComport);
    m_pages->addWidget(search);

    auto *result = new QWidget;
    m_txtConnectedTerminal = field(QStringLiteral("txtConnectedTerminal"));
    m_txtUsingComport = field(QStringLiteral("txtUsingComport"));
    auto *resultLayout = new QFormLayout(result);
    resultLayout->addRow(label(QStringLiteral("Searching Result:"), 254));
    resultLayout->addRow(label(QStringLiteral("Connected Terminal:"), 255), m_txtConnectedTerminal);
    resultLayout->addRow(label(QStringLiteral("Using Comport:"), 256), m_txtUsingComport);
    m_pages->addWidget(result);

    auto *content = new QVBoxLayout;
    content->addWidget(m_lblItem);
    content->addWidget(m_lblDescription);
    content->addWidget(m_pages, 1);
    auto *body = new QHBoxLayout;
    body->addWidget(stepList);
    body->addLayout(content, 1);

    m_cmdCtrl[kCancel] = arrayButton(QStringLiteral("CmdCtrl"), kCancel, QStringLiteral("Cancel"), 9);
    m_cmdCtrl[kNext] = arrayButton(QStringLiteral("CmdCtrl"), kNext, QStringLiteral("&Next >"), 259);
    m_cmdCtrl[kBack] = arrayButton(QStringLiteral("CmdCtrl"), kBack, QStringLiteral("< &Back"), 260);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    for (int i : {kBack, kNext, kCancel}) {
        buttons->addWidget(m_cmdCtrl[size_t(i)]);
        connect(m_cmdCtrl[size_t(i)], &QPushButton::clicked, this, [this, i] { CmdCtrl_Click(i); });
    }
    m_cmdCtrl[kNext]->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);
    resize(600, 360);

    m_tmrSearchTerminal.setInterval(100);
    connect(&m_tmrSearchTerminal, &QTimer::timeout, this, &frmWizard_SearchTerminal::tmrSearchTerminal_Timer);

    CRes::instance().SetFormInterface(this);
    // The link's caption as a link the user can follow.
    link->setText(QStringLiteral("<a href=\"usb\">%1</a>").arg(link->text().toHtmlEscaped()));
    m_cmdCtrl[kBack]->setEnabled(false);
    showPage();
    WindowGeometry::keep(this, QStringLiteral("frmWizard_SearchTerminal"));
}

frmWizard_SearchTerminal::~frmWizard_SearchTerminal() = default;

void frmWizard_SearchTerminal::done(int result)
{
    // The search runs inside this window; it ends by itself and shows its result.
    if (m_searching)
        return;
    m_tmrSearchTerminal.stop();
    QDialog::done(result);
}

void frmWizard_SearchTerminal::CmdCtrl_Click(int index)
{
    switch (index) {
    case kCancel:
        reject();
        return;
    case kNext:
        if (m_page >= kPages - 1)
            return;
        ++m_page;
        m_cmdCtrl[kNext]->setEnabled(true);
        m_cmdCtrl[kBack]->setEnabled(true);
        if (m_page == 1) {
            m_lbl01[kStationItem]->setText(CRes::instance().ResString(245, m_lbl01[kStationItem]->text())
                                           + QStringLiteral(" (for VX700A/700N/KR900)"));
        } else if (m_page == kSearchPage) {
            m_tmrSearchTerminal.start();
        } else if (m_page == kResultPage) {
            m_cmdCtrl[kNext]->setEnabled(false);
            if (m_result.found)
                m_cmdCtrl[kBack]->setEnabled(false);
        }
        break;
    case kBack:
        if (m_page <= 0)
            return;
        --m_page;
        // The search page is never shown again by going back.
        if (m_page == kSearchPage)
            m_page = 1;
        m_cmdCtrl[kNext]->setEnabled(true);
        m_cmdCtrl[kBack]->setEnabled(m_page > 0);
        break;
    }
    showPage();
}

void frmWizard_SearchTerminal::showPage()
{
    CRes &res = CRes::instance();
    m_lblItem->setText(res.ResString(kPageTexts[m_page].heading));
    m_lblDescription->setText(res.ResString(kPageTexts[m_page].description));
    for (int i = 0; i < kPages; ++i) {
        QFont font = m_lbl[size_t(i)]->font();
        font.setBold(i == m_page);
        m_lbl[size_t(i)]->setFont(font);
    }
    m_pages->setCurrentIndex(m_page);
    // Enter goes on to the next page, and on the last one finishes.
    const bool last = m_page == kPages - 1;
    m_cmdCtrl[kNext]->setDefault(!last);
    m_cmdCtrl[kCancel]->setDefault(last);
}

void frmWizard_SearchTerminal::tmrSearchTerminal_Timer()
{
    m_tmrSearchTerminal.stop();
    if (m_searching)
        return;
    m_searching = true;
    for (QPushButton *b : m_cmdCtrl)
        b->setEnabled(false);
    {
        const BusyCursor busy;
        TerminalSearch search;
        connect(&search, &TerminalSearch::familyStarted, this,
                [this](int, const QString &name) { m_txtTerminal->setText(name); });
        connect(&search, &TerminalSearch::probing, this, [this](const QString &port) { m_txtComport->setText(port); });
        m_result = search.run();
    }
    if (m_result.found) {
        m_txtConnectedTerminal->setText(TerminalOptions::familyName(m_result.family));
        m_txtUsingComport->setText(m_result.port);
        m_cmdCtrl[kCancel]->setText(CRes::instance().ResString(kFinishText));
        if (!m_result.saveError.isEmpty())
            MessageReporter::instance().message(m_result.saveError, MessageReporter::Icon::Exclamation);
    } else {
        m_txtConnectedTerminal->setText(CRes::instance().ResString(kNotFoundText));
        m_txtUsingComport->setText(CRes::instance().ResString(kNotFoundText));
    }
    for (QPushButton *b : m_cmdCtrl)
        b->setEnabled(true);
    m_searching = false;
    CmdCtrl_Click(kNext);
}

void frmWizard_SearchTerminal::lbl01_Click(int index)
{
    if (index == kUsbLinkItem)
        MessageReporter::instance().message(CRes::instance().ResString(kUsbDriverText),
                                            MessageReporter::Icon::Information);
}
