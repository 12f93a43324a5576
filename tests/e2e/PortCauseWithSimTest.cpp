// The cause under a link failure's message, through the whole program on the
// in-memory platform: a port that cannot be opened (the system's answer put
// in), a radio that does not answer behind an echoing cable, a dead line and
// bytes that are neither echo nor answer; and a mapped device that goes away
// while the program is idle and comes back.
#include <gtest/gtest.h>

#include <cerrno>

#include "ZtN7Sim.h"
#include "ZtN7SimPeer.h"
#include "platform/SerialDeviceProbe.h"
#include "support/ProgramRig.h"

namespace {

using testsupport::ProgramRig;

const std::string kChecks = "\r\n\r\nCheck the following:\r\n- The COM port settings.\r\n"
                            "- Cloning cable connections.\r\n- Transceiver power is ON.";

struct OpenCase {
    const char* name;
    int code;
    std::string cause;
};

class OpenFailureThroughProgram : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpenFailureThroughProgram, MessageKeepsItsTextAndAddsTheCauseOnce) {
    zsim::ZtN7Sim sim;
    zsim::ZtN7SimPeer peer(sim);
    ProgramRig rig(&peer);
    platform::SerialDeviceInfo present;
    present.kernelName = "mem:COM2";
    rig.devices.list = {present};
    const int code = GetParam().code;
    // Fails if frmCom dropped the control's cause, or the message box lost
    // its first line or gained a second report.
    rig.port.setOpenError([code](std::int16_t, std::int32_t) { return code; });
    ASSERT_TRUE(rig.Start());
    rig.tick();
    rig.main().cmd00_Click(0);
    rig.runFor(3000);
    ASSERT_EQ(rig.desktop.messages.size(), 1u);
    EXPECT_EQ(rig.desktop.messages[0], "Cannot access COM1." + kChecks + "\r\n\r\n" + GetParam().cause);
    EXPECT_FALSE(rig.com().comOpen());
    EXPECT_EQ(rig.op().OpState(), 0);
    EXPECT_EQ(rig.port.openCount(), 0);
    // The next Connect on a port that opens reaches the cycle.
    rig.port.setOpenError({});
    EXPECT_TRUE(rig.Connect());
    EXPECT_EQ(rig.desktop.messages.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, OpenFailureThroughProgram,
    ::testing::Values(
        OpenCase{"NoSuchDevice", ENOENT,
                 "mem:COM1 does not exist: is the cable plugged in?\r\nSerial devices present: mem:COM2.\r\n"
                 "Option, Port, \"Choose device...\" maps the port to a device."},
        OpenCase{"PermissionDenied", EACCES,
                 "No permission to open mem:COM1.\r\nJoin the group: sudo usermod -aG dialout $USER\r\n"
                 "then log out and in again."},
        OpenCase{"InUse", EBUSY,
                 "mem:COM1 is in use by another program.\r\n"
                 "Close the program that uses it (fuser -v mem:COM1 names it), then try again."},
        // The system's own text, whatever its C library calls the error.
        OpenCase{"OtherError", EIO, "mem:COM1: " + platform::SystemErrorText(EIO) + "."}),
    [](const auto& info) { return std::string(info.param.name); });

// Bytes that are neither echo nor answer: what a radio at another line
// speed gives back (its answer garbled into stray bytes).
struct GarblingPeer final : platform::ISerialPeer {
    void receiveFromHost(const ByteStr& bytes, platform::MemSerialPort& port) override {
        if (!bytes.empty()) port.deliverToHost(ByteStr{0x80, 0x00, 0xF8, 0x78});
    }
};

struct LineCase {
    const char* name;
    std::function<void(zsim::ZtN7Sim&, ProgramRig&)> arrange;
    std::string cause;
};

class NoAnswerThroughProgram : public ::testing::TestWithParam<LineCase> {};

TEST_P(NoAnswerThroughProgram, MessageKeepsItsTextAndAddsWhatCameBack) {
    zsim::ZtN7Sim sim;
    zsim::ZtN7SimPeer peer(sim);
    GarblingPeer garbling;
    ProgramRig rig(&peer);
    if (std::string(GetParam().name) == "NeitherEchoNorAnswer") rig.port.setPeer(&garbling);
    GetParam().arrange(sim, rig);
    ASSERT_TRUE(rig.Start());
    rig.tick();
    rig.main().cmd00_Click(0);
    // Fails if the driver stopped sorting what came back into echo and
    // other bytes (every case would read as a dead line), or if the
    // simulator's dead line still echoed.
    ASSERT_TRUE(rig.runUntil([&] { return !rig.desktop.messages.empty(); }, 10000));
    rig.runFor(2000);
    ASSERT_EQ(rig.desktop.messages.size(), 1u);
    const std::string expected = "No answer from transceiver." + kChecks + "\r\n\r\n" + GetParam().cause;
    const std::string& shown = rig.desktop.messages[0];
    // The count of stray bytes depends on the tries made; the rest is exact.
    const std::size_t count = expected.find("(N bytes)");
    if (count == std::string::npos) {
        EXPECT_EQ(shown, expected);
    } else {
        EXPECT_EQ(shown.substr(0, count + 1), expected.substr(0, count + 1));
        const std::string tail = expected.substr(count + 2);
        ASSERT_GT(shown.size(), tail.size());
        EXPECT_EQ(shown.substr(shown.size() - tail.size()), tail);
    }
    EXPECT_FALSE(rig.com().comOpen());
    EXPECT_EQ(rig.op().OpState(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, NoAnswerThroughProgram,
    ::testing::Values(
        LineCase{"SilentRadioBehindEchoingCable", [](zsim::ZtN7Sim& s, ProgramRig&) { s.faults().silence = true; },
                 "The echo of what was sent came back: the adapter and the cable work.\r\n"
                 "The radio is off, not plugged into the cable's socket, or not a ZT-N7 at this speed."},
        LineCase{"DeadLine", [](zsim::ZtN7Sim& s, ProgramRig&) { s.faults().deadLine = true; },
                 "Nothing came back, not even the echo of what was sent:\r\n"
                 "the adapter, the cable or the port mapping is wrong."},
        LineCase{"NeitherEchoNorAnswer", [](zsim::ZtN7Sim&, ProgramRig& r) { r.port.setEcho(false); },
                 "Bytes came back that were neither the echo of what was sent nor an answer (N bytes):\r\n"
                 "a wrong line speed or noise on the line."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PluggedAndPulled, MappedDeviceGoneWhileIdleShowsNotPresentAndConnectWorksWhenItIsBack) {
    zsim::ZtN7Sim sim;
    zsim::ZtN7SimPeer peer(sim);
    ProgramRig rig(&peer);
    rig.port.setMapped(true);
    ASSERT_TRUE(rig.Start());
    rig.runFor(1200);
    EXPECT_EQ(rig.win.lblComBusy.caption(), "COM1: CLOSE");
    // Pulled: only COM2's device is there. Fails if the label were not
    // polled while idle.
    rig.port.setExistingPorts({2});
    rig.runFor(1200);
    EXPECT_EQ(rig.win.lblComBusy.caption(), "COM1: not present");
    // Plugged in again under the same name: no restart needed.
    rig.port.setExistingPorts({});
    rig.runFor(1200);
    EXPECT_EQ(rig.win.lblComBusy.caption(), "COM1: CLOSE");
    EXPECT_TRUE(rig.Connect());
    EXPECT_EQ(rig.win.lblComBusy.caption(), "COM1: OPEN");
    EXPECT_TRUE(rig.desktop.messages.empty());
}

TEST(PluggedAndPulled, AnUnmappedPortNeverShowsNotPresent) {
    // Without a PORTS entry the port is the system's default device, which
    // many machines lack; only a device the user chose is watched.
    zsim::ZtN7Sim sim;
    zsim::ZtN7SimPeer peer(sim);
    ProgramRig rig(&peer);
    rig.port.setExistingPorts({2});
    ASSERT_TRUE(rig.Start());
    rig.runFor(1200);
    EXPECT_EQ(rig.win.lblComBusy.caption(), "COM1: CLOSE");
}

} // namespace
