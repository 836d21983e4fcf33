#pragma once

#include "KrTerminalSim.h"
#include "SimFixture.h"

// A KR terminal simulator, on COM5 unless told otherwise.
struct KrSimFixture : SimFixture<KrTerminalSim>
{
    explicit KrSimFixture(int port = 5, TestEnv *env = nullptr) : SimFixture(port, env) {}
};
