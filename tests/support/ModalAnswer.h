#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers the next modal window of type T (a dialog opened with exec()) once
// it is up: `answer` gets the window and clicks or closes it. Gives up after
// about ten seconds, so that a dialog that never opens fails the test instead
// of leaving a timer behind.
template<typename T>
void whenModal(std::function<void(T *)> answer)
{
    auto *timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, answer] {
        auto *window = qobject_cast<T *>(QApplication::activeModalWidget());
        if (window && window->isVisible()) {
            timer->stop();
            timer->deleteLater();
            answer(window);
        } else if (++*tries > 1000) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}
