// A clone read counts only when it ended whole. The whole program against
// the simulated transceiver on a paced in-memory line: a clone read that the
// port ends (a receive overflow, a speed the port refuses) or that stops
// without its signature and without any recorded cause is reported once,
// leaves the program idle with the port closed, and never loads the console
// from the partial image, so no adjustment command with its zeros reaches the
// radio.
#include <gtest/gtest.h>

#include <cerrno>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "ZtN7Sim.h"
#include "ZtN7SimPeer.h"
#include "link/Xfr3Frame.h"
#include "platform/SerialDeviceProbe.h"
#include "support/ProgramRig.h"

namespace {

using testsupport::ProgramRig;
using zsim::ZtN7Sim;

const std::string kChecks = "\r\n\r\nCheck the following:\r\n- The COM port settings.\r\n"
                            "- Cloning cable connections.\r\n- Transceiver power is ON.";
// The cause below it: the device refused the speed with the system's text.
const std::string kRefused = "\r\n\r\nmem:COM1: " + platform::SystemErrorText(EINVAL) + ".";

// Position of the first frame with this command from the program, or npos.
std::size_t FindRequest(const ByteStr& tx, std::uint8_t cmd, std::size_t from = 0) {
    for (std::size_t i = from; i + 3 < tx.size(); ++i)
        if (tx[i] == xfr3::kPreamble && tx[i + 1] == xfr3::kAdrRadio && tx[i + 2] == xfr3::kAdrProgram &&
            tx[i + 3] == cmd)
            return i;
    return std::string::npos;
}

// The whole program against the simulator on a line paced at its speed.
struct PacedProgram {
    ZtN7Sim sim;
    zsim::ZtN7SimPeer peer{sim};
    ProgramRig rig{&peer};
    // After Start: one tick to settle, then bytes travel at the line speed.
    void pace() {
        rig.tick();
        rig.port.setPacing(true);
    }
};

struct Case {
    const char* name;
    // Set up before "Connect".
    std::function<void(ProgramRig&)> before;
    // Strikes once the transfer has stored this many bytes; -1 = never.
    std::int32_t strikeAt;
    std::function<void(ProgramRig&)> strike;
    std::string expected;
};

// Test names and failure reports show the case by its name.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class CloneReadIntegrity : public ::testing::TestWithParam<Case> {};

TEST_P(CloneReadIntegrity, ReportsOnceGoesIdleAndSendsNothingFromThePartialImage) {
    const Case& c = GetParam();
    PacedProgram p;
    ASSERT_TRUE(p.rig.Start());
    p.pace();
    ZtN7Sim& sim = p.sim;
    ProgramRig& rig = p.rig;
    const ByteStr before = sim.image();
    if (c.before) c.before(rig);

    rig.main().cmd00_Click(0);  // "Connect"
    bool struck = c.strikeAt < 0;
    for (int t = 0; t < 30000; t += 50) {
        rig.tick();
        if (!struck && rig.com().xfr3D().workMode() == 2 && rig.com().xfr3D().lastEeAdr() >= c.strikeAt) {
            c.strike(rig);
            struck = true;
        }
        if (rig.op().OpState() == 0 && !rig.seq().OpRunning()) break;
    }
    ASSERT_TRUE(struck) << "the transfer never got that far";
    rig.runFor(3000);  // no late second message, nothing else happens

    ASSERT_EQ(rig.desktop.messages.size(), 1u);
    EXPECT_EQ(rig.desktop.messages[0], c.expected);
    EXPECT_EQ(rig.op().OpState(), 0);
    EXPECT_FALSE(rig.seq().OpRunning());
    EXPECT_FALSE(rig.port.portOpen());
    EXPECT_EQ(rig.win.lblComBusy.text, "COM1: CLOSE");
    EXPECT_FALSE(rig.op().ImageComplete()) << "the console was loaded from a partial image";
    EXPECT_FALSE(rig.win.mnuFileSaveImage.isEnabled);
    const ByteStr& tx = rig.port.transmittedLog();
    const std::size_t request = FindRequest(tx, xfr3::kCmdCloneRead);
    if (request != std::string::npos) {
        EXPECT_EQ(FindRequest(tx, xfr3::kCmdAdjust, request), std::string::npos)
            << "an adjustment command followed the clone read request";
    }
    EXPECT_EQ(sim.image(), before) << "the radio's EEPROM changed";

    // A sound line again: "Connect" reads the radio whole.
    rig.port.setOpenRefusal({});
    ASSERT_TRUE(rig.Connect());
    EXPECT_EQ(rig.desktop.messages.size(), 1u);
    EXPECT_EQ(rig.image().bytes(), sim.image());
}

// A clean "Connect" on a paced line puts the requests on the line in their
// order, with the radio at the speed each one needs.
TEST(CloneReadOnTheLine, IdentityHighSpeedRequestBurstAndCloneReadRequestInOrder) {
    PacedProgram p;
    ASSERT_TRUE(p.rig.Start());
    p.pace();
    ZtN7Sim& sim = p.sim;
    zsim::ZtN7SimPeer& peer = p.peer;
    ProgramRig& rig = p.rig;
    ASSERT_TRUE(rig.Connect());
    EXPECT_TRUE(rig.desktop.messages.empty());
    EXPECT_EQ(rig.image().bytes(), sim.image());
    EXPECT_TRUE(sim.highSpeedRequested());
    EXPECT_EQ(peer.cloneReadBaud(), 38400);
    EXPECT_EQ(sim.wrongSpeedBytes(), 0);

    const ByteStr& tx = rig.port.transmittedLog();
    const std::size_t identity = FindRequest(tx, xfr3::kCmdIdentity);
    const std::size_t highSpeed = FindRequest(tx, xfr3::kCmdAdjust, identity);
    const std::size_t request = FindRequest(tx, xfr3::kCmdCloneRead, highSpeed);
    ASSERT_NE(identity, std::string::npos);
    ASSERT_NE(highSpeed, std::string::npos);
    ASSERT_NE(request, std::string::npos);
    EXPECT_EQ(tx[highSpeed + 8], 0x01);  // sub-command 1, "09"
    EXPECT_EQ(tx[highSpeed + 9], '0');
    EXPECT_EQ(tx[highSpeed + 10], '9');
    // The burst: what the transmitter had taken of the 39 bytes before the
    // reopen in the same pass dropped the rest, then the request's preamble.
    std::size_t fe = 0;
    while (fe < request && tx[request - 1 - fe] == xfr3::kPreamble) ++fe;
    EXPECT_GE(fe, 1u + platform::MemSerialPort::kTxFifoBytes) << "no burst before the clone read request";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CloneReadIntegrity,
    ::testing::Values(
        Case{"receive_overflow_mid_transfer", {}, 0x1000,
             [](ProgramRig& r) { r.port.injectEvent(platform::comEventRxOver); }, "COM buffer overflow." + kChecks},
        Case{"port_refuses_38400_baud",
             [](ProgramRig& r) { r.port.setOpenRefusal([](std::int16_t, std::int32_t baud) { return baud == 38400; }); },
             -1, {}, "Cannot access COM1." + kChecks + kRefused},
        Case{"port_refuses_9600_after_the_transfer", {}, 0x2F00,
             [](ProgramRig& r) {
                 r.port.setOpenRefusal([](std::int16_t, std::int32_t baud) { return baud == 9600; });
             },
             "Cannot access COM1." + kChecks + kRefused},
        // The port closed under the transfer with no flag and no driver error:
        // the exchange is simply gone, and the signature never came.
        Case{"transfer_dropped_without_a_cause", {}, 0x1000, [](ProgramRig& r) { r.com().comOpen(false); },
             "Cannot Clone." + kChecks}),
    [](const ::testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

} // namespace
