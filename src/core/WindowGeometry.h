#pragma once

#include <QObject>
#include <QRect>
#include <QString>

class QSplitter;
class QWidget;

// Keeps a window's size and place or a splitter's division from one start to
// the next, in the settings (section "Windows", one key each), and keeps every
// window inside the available area of its screen: a window larger than the
// screen, or saved on a larger one, is shrunk and moved into it when it is
// first shown. Each kept widget gets one of these as a child
// that restores it when it is first shown and saves it whenever it is hidden
// and when the program ends.
class WindowGeometry : public QObject
{
    Q_OBJECT
public:
    static void keep(QWidget *window, const QString &key);
    static void keep(QSplitter *splitter, const QString &key);

    // `frame` moved, and shrunk where it is larger, as little as needed to lie
    // inside `available`.
    static QRect clamp(const QRect &frame, const QRect &available);
    // Shrinks and moves a shown window into its screen's available area.
    static void fitIntoScreen(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Kind { Window, Splitter };
    WindowGeometry(QWidget *widget, Kind kind, const QString &key);
    void restore();
    void save();

    QWidget *m_widget;
    Kind m_kind;
    QString m_key;
    bool m_shown = false;
};
