#pragma once

#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class QEvent;

// Holds back user input (clicks, keys, shortcuts, wheel) while a terminal
// exchange waits, and delivers it in its original order once the exchange has
// ended: a second command clicked during a slow reply runs after the first one,
// never inside it. Windows whose dynamic property "inputDuringExchange" is true
// (the download dialog, whose Cancel must work while records arrive) still get
// their input at once, and so do message boxes, which a link may show in the
// middle of an exchange. Installed once on the application.
class InputHold : public QObject
{
    Q_OBJECT
public:
    explicit InputHold(QObject *parent = nullptr);
    ~InputHold() override;

    static constexpr const char *kExemptProperty = "inputDuringExchange";

    // How many events wait for the exchange to end.
    int heldCount() const { return int(m_held.size()); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void release();

    struct Held
    {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };
    std::vector<Held> m_held;
    bool m_releasing = false;
};
