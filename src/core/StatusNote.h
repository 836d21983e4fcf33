#pragma once

#include <QObject>
#include <QString>

// Says in passing what a command did and where ("Exported to ..."), without a
// box to close: whatever window shows a status bar listens to noted(). Code
// of any room posts here; with nobody listening a note goes nowhere.
class StatusNote : public QObject
{
    Q_OBJECT
public:
    static StatusNote &instance();
    static void post(const QString &text);

    // How long a note stays in the status bar.
    static constexpr int kShownMs = 5000;

Q_SIGNALS:
    void noted(const QString &text);

private:
    StatusNote() = default;
};
