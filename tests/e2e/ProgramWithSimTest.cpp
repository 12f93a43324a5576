// The whole program against the simulated transceiver on the in-memory port
// with the test clock: "Connect" reads the radio's image, the read-outs show
// what the radio measures, an adjustment reaches the radio's EEPROM, the
// band-pass sweep settles on the radio's response, and a radio that garbles
// its read-outs is reported.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ZtN7Sim.h"
#include "ZtN7SimPeer.h"
#include "model/clsIndOp_RigN7.h"
#include "support/ProgramWithSimFixture.h"

namespace {

using testsupport::ProgramRig;
using zsim::ZtN7Sim;

using ProgramWithSim = testsupport::ProgramWithSimFixture;

TEST_F(ProgramWithSim, ConnectLoadsTheRadioAndShowsItsReadouts) {
    sim.temperature(200);
    ASSERT_TRUE(Connect());
    rig.runFor(5000);
    EXPECT_TRUE(rig.desktop.messages.empty());
    EXPECT_EQ(rig.image().bytes(), sim.image());
    EXPECT_EQ(peer.cloneReadBaud(), 38400);
    EXPECT_TRUE(sim.started());
    EXPECT_EQ(sim.selectedChannel(), 1);  // the first listed channel
    EXPECT_EQ(rig.win.lbo01[0].list(1), "VIN  :176:B0h: 13.80V");
    EXPECT_EQ(rig.win.lbo01[0].list(2), "TEMPS:200:C8h: 37.41'C");
    // Every item went to the radio with the image's value, which it already held.
    EXPECT_EQ(sim.image(), ZtN7Sim::DefaultImage());
}

TEST_F(ProgramWithSim, SteppingAnItemChangesTheRadiosEeprom) {
    ASSERT_TRUE(Connect());
    rig.runFor(5000);
    const int before = sim.byteAt(79);
    rig.select(1);  // " Power(Hi)"
    rig.key(keys::kRight, true);
    rig.runFor(500);
    EXPECT_EQ(sim.byteAt(79), before + 5);
    EXPECT_EQ(sim.e8Log().back().code, 5);
    EXPECT_EQ(rig.image().ReadByte(79), before + 5);
}

TEST_F(ProgramWithSim, BandPassSweepSettlesOnTheRadiosResponse) {
    struct Case { const char* name; std::function<int(int, int)> model; int expected; };
    const std::vector<Case> cases = {
        {"single maximum at -20", ZtN7Sim::SdPeak(-20), -20},
        {"plateau from 10 to 13", ZtN7Sim::SdPlateau(10, 13), 11},
    };
    ASSERT_TRUE(Connect());
    rig.runFor(5000);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim.sdModel(c.model);
        const int beeps = rig.desktop.beeps;
        rig.select(10);  // "    BPF T1"
        rig.key(keys::kEnter);
        ASSERT_TRUE(rig.runUntil([&] { return rig.desktop.beeps > beeps; }, 300000));
        rig.runFor(1000);
        EXPECT_TRUE(rig.desktop.messages.empty());
        EXPECT_EQ(rig.console().Value(10), c.expected);
        EXPECT_EQ(static_cast<std::int8_t>(sim.byteAt(68)), c.expected);
        // The last band-pass setting the radio got is the one kept (the sweep
        // reads LVIN once more before it ends, so it is not the last command).
        int lastBpf = -1;
        for (const auto& e : sim.e8Log())
            if (e.code == rign7e8::kBpfT1) lastBpf = e.value;
        EXPECT_EQ(static_cast<std::int8_t>(lastBpf), c.expected);
    }
}

TEST_F(ProgramWithSim, GarbledReadoutsAreReportedOnce) {
    struct Case { const char* name; void (*set)(ZtN7Sim::Faults&); };
    const std::vector<Case> cases = {
        {"value characters not hex", [](ZtN7Sim::Faults& f) { f.malformedReadouts = true; }},
        {"one value character short", [](ZtN7Sim::Faults& f) { f.shortReadouts = true; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim.faults() = {};
        rig.desktop.messages.clear();
        ASSERT_TRUE(Connect());
        c.set(sim.faults());
        rig.main().Form_KeyDown(keys::kF5, false);  // read the lines again
        rig.runFor(3000);
        ASSERT_EQ(rig.desktop.messages.size(), 1u);
        // The link itself worked: the answer was there but unusable.
        EXPECT_EQ(rig.desktop.messages[0].rfind("Communication failed.", 0), 0u) << rig.desktop.messages[0];
        EXPECT_FALSE(rig.op().RigN7Prop_EditEnabled());
    }
}

} // namespace
