#pragma once

#include "ComPorts.h"
#include "SimulatorHost.h"
#include "TestEnv.h"

#include <QtTest>

#include <memory>

// A simulated device on a pseudo-terminal published as COM<port> in a
// throw-away settings folder (its own, or one shared with another fixture).
template<class Sim>
class SimFixture
{
public:
    explicit SimFixture(int port, TestEnv *env = nullptr)
        : m_ownedEnv(env ? nullptr : std::make_unique<TestEnv>(false))
        , m_env(env ? env : m_ownedEnv.get())
        , m_port(port)
    {
        const QString path = m_env->root() + QStringLiteral("/tty%1").arg(port);
        QString error;
        const bool started = host.call([&] { return host.sim()->start(path, &error); });
        if (!started)
            qFatal("SimFixture: %s", qPrintable(error));
        SetComPortDevice(port, path);
    }

    int port() const { return m_port; }
    TestEnv &env() { return *m_env; }

    // Runs `f` with the simulator on its own thread.
    template<class F>
    auto sim(F &&f)
    {
        return host.call([&] { return f(*host.sim()); });
    }

private:
    // Declared before the host, so that the simulator stops before its folder goes.
    std::unique_ptr<TestEnv> m_ownedEnv;
    TestEnv *m_env;
    int m_port;

public:
    SimulatorHost<Sim> host;
};
