#pragma once

#include "ComPorts.h"
#include "SimulatorHost.h"
#include "TestEnv.h"
#include "VxCradleSim.h"

#include <QtTest>

#include <memory>

// A VX cradle simulator on a pseudo-terminal published as COM<port> in a
// throw-away settings folder.
class VxSimFixture
{
public:
    explicit VxSimFixture(int port = 7, TestEnv *env = nullptr)
        : m_ownedEnv(env ? nullptr : std::make_unique<TestEnv>(false))
        , m_env(env ? env : m_ownedEnv.get())
        , m_port(port)
    {
        const QString path = m_env->root() + QStringLiteral("/ttyVX%1").arg(port);
        QString error;
        const bool started = host.call([&] { return host.sim()->start(path, &error); });
        if (!started)
            qFatal("VxSimFixture: %s", qPrintable(error));
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
    SimulatorHost<VxCradleSim> host;
};
