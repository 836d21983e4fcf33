#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers the next modal window of type T (a dialog opened with exec()) once
// it is up: `answer` gets the window and clicks or closes it. A dialog that
// never opens leaves the answer waiting until cancelModalAnswers() (call it in
// cleanup) or about ten seconds have passed.
template<typename T>
void whenModal(std::function<void(T *)> answer)
{
    auto *timer = new QTimer(qApp);
    timer->setObjectName(QStringLiteral("whenModal"));
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer, tries = 0]() mutable {
        auto *window = qobject_cast<T *>(QApplication::activeModalWidget());
        if (window && window->isVisible()) {
            timer->deleteLater();
            timer->stop();
            answer(window);
        } else if (++tries > 1000) {
            timer->deleteLater();
            timer->stop();
        }
    });
    timer->start();
}

inline void cancelModalAnswers()
{
    for (QTimer *timer : qApp->findChildren<QTimer *>(QStringLiteral("whenModal"), Qt::FindDirectChildrenOnly))
        delete timer;
}
