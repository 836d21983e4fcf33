#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

class QMenu;
class QWidget;

// The program's icon in the notification area, for the main window's whole
// run. Its double-click brings the main window back (behind the application
// password when it was hidden), its context menu is the main window's tray
// menu. It also owns what the main window's close box does: hide the window
// to the tray, or, on a desktop without a notification area, minimise it, since
// a hidden window there could never be reached again.
class SysTrayIcon : public QObject
{
    Q_OBJECT
public:
    // `menu`: the tray menu; its first action is the default (bold) item.
    SysTrayIcon(QWidget *mainWindow, QMenu *menu, QObject *parent = nullptr);
    ~SysTrayIcon() override;

    // Whether the desktop has a notification area (asked once at start; a
    // desktop can be declared without one).
    bool notificationAreaAvailable() const { return m_available; }
    void setNotificationAreaAvailable(bool available) { m_available = available; }

    // Shows the icon (tip "Tavrel"); Remove takes it away for good, and from
    // then on a close request closes the main window.
    void Add();
    void Remove();
    bool isAdded() const { return m_icon.isVisible(); }
    QSystemTrayIcon &icon() { return m_icon; }

    // The close box: hide to the tray, or minimise without one.
    void hideMainWindow();
    // A double-click on the icon: a hidden window comes back after the
    // password, a visible one is raised without it.
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
    bool m_available = false;
    bool m_removed = false;
    bool m_prompting = false;
};
