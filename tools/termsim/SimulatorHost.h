#pragma once

#include <QMetaObject>
#include <QThread>

#include <memory>
#include <utility>

// Runs a simulator in a thread of its own, so that a link waiting on the main
// thread is answered just as a real device would answer it. call() runs a
// function on the simulator's thread and waits for it.
template<class Sim>
class SimulatorHost
{
public:
    SimulatorHost()
    {
        m_anchor.moveToThread(&m_thread);
        m_thread.start();
        call([this] { m_sim = new Sim; });
    }
    ~SimulatorHost()
    {
        call([this] { delete m_sim; m_sim = nullptr; });
        m_thread.quit();
        m_thread.wait();
    }
    SimulatorHost(const SimulatorHost &) = delete;
    SimulatorHost &operator=(const SimulatorHost &) = delete;

    template<class F>
    auto call(F &&f)
    {
        using R = decltype(f());
        if constexpr (std::is_void_v<R>) {
            QMetaObject::invokeMethod(&m_anchor, std::forward<F>(f), Qt::BlockingQueuedConnection);
        } else {
            R result {};
            QMetaObject::invokeMethod(&m_anchor, [&] { result = f(); }, Qt::BlockingQueuedConnection);
            return result;
        }
    }

    // Direct access; only safe from inside call().
    Sim *sim() const { return m_sim; }

private:
    // Declared before the thread so that it is destroyed after the thread stopped.
    QObject m_anchor;
    QThread m_thread;
    Sim *m_sim = nullptr;
};
