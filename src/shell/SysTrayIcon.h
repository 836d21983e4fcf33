#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

#include <functional>

class QMenu;
class QWidget;

// The program's icon in the notification area, for the main window's whole
// run. Its double-click brings the main window back (behind the application
// password when it was hidden), its context menu is the main window's tray
// menu. It also owns what the main window's close box does: hide the window
// to the tray, or, on a desktop without a notification area, minimise it, since
// a hidden window there could never be reached again. The notification area is
// looked for every few seconds: a panel that starts later gets the icon, and
// when it goes away a hidden main window comes back minimised.
class SysTrayIcon : public QObject
{
    Q_OBJECT
public:
    // `menu`: the tray menu; its first action is the default (bold) item.
    SysTrayIcon(QWidget *mainWindow, QMenu *menu, QObject *parent = nullptr);
    ~SysTrayIcon() override;

    // How often the notification area is looked for.
    static constexpr int kAvailabilityPollMs = 3000;

    // Whether the desktop has a notification area, as last looked for.
    bool notificationAreaAvailable() const { return m_available; }
    // Declares the desktop with or without one from now on (no more asking).
    void setNotificationAreaAvailable(bool available);
    // How the notification area is looked for (QSystemTrayIcon::isSystemTrayAvailable).
    void setAvailabilityCheck(std::function<bool()> check) { m_check = std::move(check); }
    // Looks for the notification area now and follows a change: the icon is
    // shown again in a new one; without one a hidden main window is shown
    // minimised.
    void checkNotificationArea();

    // Shows the icon (tip "Tavrel"); Remove takes it away for good, and from
    // then on a close request closes the main window.
    void Add();
    void Remove();
    bool isAdded() const { return m_icon.isVisible(); }
    QSystemTrayIcon &icon() { return m_icon; }

    // The close box: hide to the tray, or minimise without one.
    void hideMainWindow();
    // A double-click on the icon (or the single activation of trays that
    // report no double-click): a hidden window comes back after the password,
    // a visible one is raised without it.
    void iconDoubleClicked();
    // The application password prompt, then the main window; true when shown.
    bool restoreWithPassword();
    // The application password prompt alone; true when it was accepted.
    bool askPassword();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void showMainWindow();
    // A modal dialog is open: bring it to the front and do nothing else.
    bool modalDialogOpen();

    QPointer<QWidget> m_window;
    QSystemTrayIcon m_icon;
    QTimer m_availabilityPoll;
    std::function<bool()> m_check;
    bool m_available = false;
    bool m_removed = false;
    bool m_prompting = false;
};
