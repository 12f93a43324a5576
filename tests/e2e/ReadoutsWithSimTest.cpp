// The read-outs, the channel line and the parameter display of the whole
// program against the simulated transceiver on the in-memory port.
#include <gtest/gtest.h>

#include <string>

#include "ZtN7Sim.h"
#include "ZtN7SimPeer.h"
#include "model/RigN7_Readouts.h"
#include "radio/RigN7Eep_Display.h"
#include "support/ProgramWithSimFixture.h"

namespace {

using testsupport::ProgramRig;
using zsim::ZtN7Sim;

class ReadoutsWithSim : public testsupport::ProgramWithSimFixture {
protected:
    // What each list line must show for the radio's present measurements.
    void ExpectLinesMatchTheRadio() {
        for (std::size_t i = 0; i < rign7::kAdLines.size(); ++i)
            EXPECT_EQ(rig.win.lbo01[0].list(static_cast<int>(i) + 1),
                      rign7::FormatReadoutLine(rign7::kAdLines[i],
                                               static_cast<std::int16_t>(sim.readout(rign7::kAdLines[i].chCode))))
                << "A/D line " << i;
        for (std::size_t i = 0; i < rign7::kDaLines.size(); ++i)
            EXPECT_EQ(rig.win.lbo01[1].list(static_cast<int>(i) + 1),
                      rign7::FormatReadoutLine(rign7::kDaLines[i],
                                               static_cast<std::int16_t>(sim.readout(rign7::kDaLines[i].chCode))))
                << "D/A line " << i;
    }
};

TEST_F(ReadoutsWithSim, EveryLineShowsWhatTheRadioMeasures) {
    sim.vin(255);
    sim.temperature(0);
    sim.lvin(0);
    ASSERT_TRUE(Connect());
    rig.runFor(5000);
    // The first cycle reads before it sends the items (and the band-pass
    // settings the "SD" level follows); read again once they are in the radio.
    rig.main().Form_KeyDown(keys::kF5, false);
    rig.runFor(3000);
    ASSERT_TRUE(rig.desktop.messages.empty());
    ExpectLinesMatchTheRadio();
    EXPECT_EQ(rig.win.lbo01[0].list(1), "VIN  :255:FFh: 20.00V");
    EXPECT_EQ(rig.win.lbo01[0].list(2), "TEMPS:  0:00h:*Error");
    EXPECT_EQ(rig.win.lbo01[0].list(3), "LVIN :  0:00h:  0.00V");

    // Reload: changed measurements are shown, unchanged lines are left alone.
    rig.win.lbo01[1].setList(1, "marker");
    sim.vin(176);
    sim.temperature(128);
    rig.main().Form_KeyDown(keys::kF5, false);
    rig.runFor(3000);
    EXPECT_EQ(rig.win.lbo01[0].list(1), "VIN  :176:B0h: 13.80V");
    EXPECT_EQ(rig.win.lbo01[0].list(2), "TEMPS:128:80h:  9.27'C");
    EXPECT_EQ(rig.win.lbo01[1].list(1), "marker");
    EXPECT_TRUE(rig.desktop.messages.empty());
}

// A malformed answer came over a working link, so the report is the general
// one; an answer that never came is the frame driver's time-out, reported as
// such. Either way the user is told once and the operation is back to idle.
TEST_F(ReadoutsWithSim, MissingOrMalformedAnswersAreReportedAndEndInIdle) {
    struct Case { const char* name; void (*set)(ZtN7Sim::Faults&); const char* message; };
    const Case cases[] = {
        {"no answer", [](ZtN7Sim::Faults& f) { f.dropReadouts = true; }, "No answer from transceiver."},
        {"value characters not hex", [](ZtN7Sim::Faults& f) { f.malformedReadouts = true; }, "Communication failed."},
        {"one value character short", [](ZtN7Sim::Faults& f) { f.shortReadouts = true; }, "Communication failed."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim.faults() = {};
        rig.desktop.messages.clear();
        ASSERT_TRUE(Connect());
        rig.runFor(5000);
        c.set(sim.faults());
        rig.main().Form_KeyDown(keys::kF5, false);
        rig.runUntil([&] { return !rig.desktop.messages.empty(); }, 30000);
        rig.runFor(2000);
        ASSERT_EQ(rig.desktop.messages.size(), 1u);
        EXPECT_EQ(rig.desktop.messages[0].rfind(c.message, 0), 0u) << rig.desktop.messages[0];
        EXPECT_TRUE(rig.op().RigN7Prop_Shielding());   // back to idle
        EXPECT_FALSE(rig.op().RigN7Prop_EditEnabled());
    }
}

TEST_F(ReadoutsWithSim, ChannelLineAndParameterDisplayShowTheRadiosImage) {
    ASSERT_TRUE(Connect());
    rig.runFor(5000);
    const std::string chLine = rig.win.lboConsole.list(0);
    EXPECT_EQ(chLine.rfind("    CH No.: 01 RX Freq = ", 0), 0u) << chLine;

    rig.main().cmd00_Click(2);   // "Disp para"
    ASSERT_TRUE(rig.runUntil([&] { return rig.op().RigN7Prop_DispPara(); }, 5000));
    const std::string want = rign7eep::ParaListing(
        rig.image(), [&](std::int16_t k) { return rig.op().RigN7Op_Table_Txf_TempBorder(k); });
    EXPECT_EQ(rig.win.txtDispPara.text(), want);
    EXPECT_NE(want.find("              Base Frequency:  136.000MHz\r\n"), std::string::npos);
    EXPECT_NE(want.find("             REF Area 0:    0\r\n"), std::string::npos);

    rig.main().cmd00_Click(2);   // back to the adjustment
    EXPECT_TRUE(rig.runUntil([&] { return rig.op().RigN7Prop_EditEnabled(); }, 5000));
    EXPECT_TRUE(rig.desktop.messages.empty());
}

} // namespace
