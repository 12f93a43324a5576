#pragma once
// The whole program on the in-memory platform, started, with the simulated
// transceiver at the far end of its line.
#include <gtest/gtest.h>

#include "ZtN7Sim.h"
#include "ZtN7SimPeer.h"
#include "support/ProgramRig.h"

namespace testsupport {

class ProgramWithSimFixture : public ::testing::Test {
protected:
    zsim::ZtN7Sim sim;
    zsim::ZtN7SimPeer peer{sim};
    ProgramRig rig{&peer};

    void SetUp() override {
        ASSERT_TRUE(rig.Start());
        rig.tick();
    }
    bool Connect() { return rig.Connect(); }
};

} // namespace testsupport
