#pragma once

#include "SimFixture.h"
#include "VxCradleSim.h"

// A VX cradle simulator, on COM7 unless told otherwise.
struct VxSimFixture : SimFixture<VxCradleSim>
{
    explicit VxSimFixture(int port = 7, TestEnv *env = nullptr) : SimFixture(port, env) {}
};
