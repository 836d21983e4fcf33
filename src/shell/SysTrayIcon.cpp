#include "SysTrayIcon.h"

#include "AppIcon.h"
#include "CRes.h"
#include "Settings.h"
#include "frmPassword.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QWidget>

SysTrayIcon::SysTrayIcon(QWidget *mainWindow, QMenu *menu, QObject *parent)
    : QObject(parent)
    , m_window(mainWindow)
    , m_check(&QSystemTrayIcon::isSystemTrayAvailable)
    , m_available(m_check())
{
    m_icon.setIcon(AppIcon::icon());
    m_icon.setToolTip(QStringLiteral("Tavrel"));
    if (menu) {
        m_icon.setContextMenu(menu);
        if (!menu->actions().isEmpty())
            menu->setDefaultAction(menu->actions().constFirst());
    }
    connect(&m_icon, &QSystemTrayIcon::activated, this, &SysTrayIcon::onActivated);
    if (mainWindow)
        mainWindow->installEventFilter(this);
    connect(&m_availabilityPoll, &QTimer::timeout, this, &SysTrayIcon::checkNotificationArea);
    m_availabilityPoll.start(kAvailabilityPollMs);
}

SysTrayIcon::~SysTrayIcon()
{
    if (m_window)
        m_window->removeEventFilter(this);
}

void SysTrayIcon::setNotificationAreaAvailable(bool available)
{
    m_check = [available] { return available; };
    checkNotificationArea();
}

void SysTrayIcon::checkNotificationArea()
{
    const bool available = m_check();
    if (available == m_available)
        return;
    m_available = available;
    if (m_removed)
        return;
    if (available) {
        // Shown again, the icon registers with the notification area that
        // has just appeared.
        if (isAdded()) {
            m_icon.hide();
            m_icon.show();
        }
    } else if (m_window && m_window->isHidden()) {
        m_window->showMinimized();
    }
}

void SysTrayIcon::Add()
{
    m_removed = false;
    m_icon.show();
}

void SysTrayIcon::Remove()
{
    m_removed = true;
    m_icon.hide();
}

bool SysTrayIcon::eventFilter(QObject *watched, QEvent *event)
{
    // Only the window-frame close box is turned into hiding; a close the
    // program asks for (quitting, the session ending) goes through.
    if (watched == m_window && event->type() == QEvent::Close && event->spontaneous() && !m_removed) {
        event->ignore();
        hideMainWindow();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void SysTrayIcon::hideMainWindow()
{
    if (!m_window)
        return;
    if (m_available && isAdded()) {
        m_window->hide();
        // Once, the first time ever: a window that vanishes looks like a program that ended.
        if (GetSetting(QStringLiteral("Tray"), QStringLiteral("HideMessageShown")) != QLatin1String("1")) {
            SaveSetting(QStringLiteral("Tray"), QStringLiteral("HideMessageShown"), QStringLiteral("1"));
            m_icon.showMessage(QStringLiteral("Tavrel"),
                               CRes::instance().ResString(86, QStringLiteral("Tavrel keeps running here and goes on "
                                                                            "downloading automatically. Choose "
                                                                            "Configuration... on this icon's menu "
                                                                            "to open the window again.")));
        }
    } else
        m_window->showMinimized();
}

bool SysTrayIcon::modalDialogOpen()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return false;
    modal->raise();
    modal->activateWindow();
    return true;
}

void SysTrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    // StatusNotifierItem trays (KDE Plasma, GNOME's AppIndicator extension)
    // report every click as Trigger and never a double-click. Where both
    // come, the second finds the password prompt open and only raises it.
    if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
        iconDoubleClicked();
}

void SysTrayIcon::iconDoubleClicked()
{
    if (!m_window || modalDialogOpen())
        return;
    if (m_window->isHidden())
        restoreWithPassword();
    else
        showMainWindow();
}

bool SysTrayIcon::askPassword()
{
    // A second prompt over the first one would only confuse.
    if (m_prompting || modalDialogOpen())
        return false;
    m_prompting = true;
    frmPassword prompt(m_window && m_window->isVisible() ? m_window.data() : nullptr);
    prompt.show();
    prompt.raise();
    prompt.activateWindow();
    prompt.exec();
    m_prompting = false;
    return prompt.IsOK();
}

bool SysTrayIcon::restoreWithPassword()
{
    if (!m_window || !askPassword())
        return false;
    showMainWindow();
    return true;
}

void SysTrayIcon::showMainWindow()
{
    m_window->show();
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->raise();
    m_window->activateWindow();
}
