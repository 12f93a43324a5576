// The program's link (port host, frame driver, sequencer) against the
// simulated transceiver: on the in-memory port with the test clock, and once
// over a real pseudo-terminal against the simulator executable.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "support/LinkStandIns.h"
#include "link/Xfr3Frame.h"
#include "link/clsCmcXfr3Drv.h"
#include "link/clsCmcXfr3Sequence.h"
#include "link/frmCom.h"
#include "platform/Timer.h"
#include "radio/clsCmcRadio.h"
#include "support/PosixSerialControl.h"
#include "support/PtyLinkRig.h"
#include "support/SimProcess.h"
#include "support/SimRig.h"
#include "support/ZtN7Radio.h"

namespace {

using zsim::ZtN7Sim;

ByteStr Pattern(std::size_t n, std::uint32_t seed) {
    ByteStr b(n);
    std::uint32_t x = seed;
    for (auto& v : b) {
        x = x * 1103515245u + 12345u;
        v = static_cast<std::uint8_t>(x >> 16);
    }
    return b;
}

class LinkE2E : public ::testing::Test {
protected:
    simrig::SimRig rig;  // first: the clock outlives everything below
    platform::ManualTimer timer;
    frmCom com{rig.port, timer};
    clsCmcRadio radio;
    clsCmcXfr3Sequence seq{com, radio, ZtN7SubNames()};
    SimpleMainWindowLink main{com, seq};

    void SetUp() override {
        testsupport::SetUpZtN7(radio);
        com.mainWindow(&main);
        seq.MainWindow(&main);
        rig.heartbeat([this] { com.timSolid_Timer(); });
    }
    bool RunOperation(std::int32_t maxMs) {
        return rig.runUntil([this] { return !seq.OpRunning(); }, maxMs);
    }
    clsCmcXfr3Drv& drv() { return com.xfr3D(); }
};

TEST_F(LinkE2E, CloneReadBringsTheWholeImageAtHighSpeed) {
    rig.sim.image(Pattern(ZtN7Sim::kImageSize, 3));
    seq.easyCloneRead();
    ASSERT_TRUE(RunOperation(20000));
    EXPECT_TRUE(main.messages.empty());
    EXPECT_EQ(drv().lastError(), 0);
    EXPECT_EQ(radio.eepImage().bytes(), rig.sim.image());
    EXPECT_EQ(drv().lastEeAdr(), 0x2FFF);
    EXPECT_TRUE(rig.sim.highSpeedRequested());
    EXPECT_EQ(rig.sim.cloneReads(), 1);
    // The request went out on a line reopened at 38400 baud, then back to 9600.
    const auto& log = rig.peer.lineLog();
    ASSERT_GE(log.size(), 3u);
    EXPECT_NE(std::find(log.begin(), log.end(), std::make_pair(true, 38400)), log.end());
    EXPECT_EQ(log.back(), std::make_pair(true, 9600));
    EXPECT_EQ(rig.peer.cloneReadBaud(), 38400);
}

TEST_F(LinkE2E, CloneWriteOnAPacedLineStoresTheImageInTheRadio) {
    rig.port.setPacing(true);
    const ByteStr image = Pattern(ZtN7Sim::kImageSize, 11);
    radio.eepImage().WriteBlock(0, image);
    seq.easyCloneWrite();
    ASSERT_TRUE(RunOperation(60000));
    EXPECT_TRUE(main.messages.empty());
    EXPECT_EQ(drv().lastError(), 0);
    EXPECT_EQ(rig.sim.image(), image);
    EXPECT_EQ(rig.sim.recordsWritten(), 768);
    EXPECT_EQ(rig.sim.badRecordsWritten(), 0);
    EXPECT_EQ(rig.sim.cloneWritesEnded(), 1);
}

TEST_F(LinkE2E, EachRadioFaultEndsInItsDriverErrorCode) {
    struct Case {
        const char* name;
        void (*set)(ZtN7Sim::Faults&);
        bool write;
        std::int16_t code;
    };
    const std::vector<Case> cases = {
        {"silence", [](ZtN7Sim::Faults& f) { f.silence = true; }, false, 2},
        {"corrupted record", [](ZtN7Sim::Faults& f) { f.corruptRecordAt = 0x0200; }, false, 3},
        {"dropped record", [](ZtN7Sim::Faults& f) { f.dropRecordAt = 0x0300; }, false, 3},
        {"record short of a character", [](ZtN7Sim::Faults& f) { f.shortRecordAt = 0x0200; }, false, 3},
        {"extra signature byte", [](ZtN7Sim::Faults& f) { f.extraSignatureByte = true; }, false, 3},
        {"record outside the image", [](ZtN7Sim::Faults& f) { f.recordOutsideImage = true; }, false, 5},
        {"clone write refused", [](ZtN7Sim::Faults& f) { f.cloneWriteResult = 1; }, true, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        rig.sim.faults() = {};
        c.set(rig.sim.faults());
        main.messages.clear();
        rig.port.setPacing(c.write);
        if (c.write) seq.easyCloneWrite(); else seq.easyCloneRead();
        ASSERT_TRUE(RunOperation(60000));
        EXPECT_EQ(drv().lastError(), c.code);
        EXPECT_EQ(main.messages.size(), 1u);
        EXPECT_FALSE(com.comOpen());
        rig.runFor(200);
    }
}

TEST_F(LinkE2E, RecordsBeforeAFailureStayInTheImage) {
    rig.sim.image(Pattern(ZtN7Sim::kImageSize, 5));
    rig.sim.faults().recordOutsideImage = true;
    seq.easyCloneRead();
    ASSERT_TRUE(RunOperation(20000));
    EXPECT_EQ(drv().lastError(), 5);
    EXPECT_EQ(radio.eepImage().bytes(), rig.sim.image());
}

TEST_F(LinkE2E, AnswersBehindLineNoiseAreAccepted) {
    rig.sim.faults().lineNoise = true;
    rig.sim.temperature(0x7B);
    // A read-out: echo, noise and answer arrive in one byte string.
    seq.easySendE8ReqAnswer("03" "3033");
    ASSERT_TRUE(RunOperation(5000));
    EXPECT_EQ(drv().lastError(), 0);
    EXPECT_EQ(drv().varLastE8Answer(), (ByteStr{0x25, 0x26, 0x01, 0x00, 0x03, '7', 'B'}));
    // A whole clone read with noise before every record.
    seq.easyCloneRead();
    ASSERT_TRUE(RunOperation(20000));
    EXPECT_TRUE(main.messages.empty());
    EXPECT_EQ(radio.eepImage().bytes(), rig.sim.image());
}

TEST_F(LinkE2E, AdjustmentCommandsReachTheRadio) {
    seq.easySendE8NoAnswer("05" "3243");
    ASSERT_TRUE(RunOperation(2000));
    seq.easySendE8NoAnswer("0C" "4646");
    ASSERT_TRUE(RunOperation(2000));
    ASSERT_EQ(rig.sim.e8Log().size(), 2u);
    EXPECT_EQ(rig.sim.e8Log()[0].code, 5);
    EXPECT_EQ(rig.sim.e8Log()[0].value, 0x2C);
    EXPECT_EQ(rig.sim.byteAt(79), 0x2C);
    EXPECT_EQ(rig.sim.byteAt(68), 0xFF);
    // A dropped read-out answer times out after the re-sends.
    rig.sim.faults().dropReadouts = true;
    seq.easySendE8ReqAnswer("03" "3030");
    ASSERT_TRUE(RunOperation(6000));
    EXPECT_EQ(drv().lastError(), 2);
    EXPECT_EQ(rig.sim.e8Log().size(), 5u);  // sent three times
}

#ifdef ZS_SIM_EXE
// Real time and a real pseudo-terminal: the simulator executable serves it.
TEST(LinkE2EPty, CloneReadOverAPseudoTerminal) {
    testsupport::SimProcess proc(ZS_SIM_EXE, {});
    ASSERT_FALSE(proc.path().empty()) << "simulator did not start";
    testsupport::PtyLinkRig link(proc.path());
    link.seq.easyCloneRead();
    ASSERT_TRUE(link.RunWhileBusy(std::chrono::seconds(30)));
    EXPECT_TRUE(link.main.messages.empty());
    EXPECT_EQ(link.com.xfr3D().lastError(), 0);
    EXPECT_EQ(link.radio.eepImage().bytes(), ZtN7Sim::DefaultImage());
    link.com.comOpen(false);
    EXPECT_EQ(proc.stop(), 0);
}

// An adjustment sent over the terminal is in the image the simulator saves
// when it is stopped; its link to the terminal is gone after the stop.
TEST(LinkE2EPty, SimulatorSavesItsImageAndRemovesItsLinkOnStop) {
    const std::string dir = ::testing::TempDir();
    const std::string link = dir + "zs-sim-link-" + std::to_string(getpid());
    const std::string save = dir + "zs-sim-image-" + std::to_string(getpid()) + ".bin";
    testsupport::SimProcess proc(ZS_SIM_EXE, {"--link", link, "--save", save});
    ASSERT_FALSE(proc.path().empty());
    testsupport::PosixSerialControl port(link);
    ASSERT_TRUE(port.setPortOpen(true)) << port.lastErrorText();
    port.output(xfr3::BuildFrame({0xE8, 0x25, 0x26, 0x01, 0x00, 0x05, '2', 'C'}));
    // The echo coming back shows the simulator has read the frame.
    ByteStr echo;
    const auto start = std::chrono::steady_clock::now();
    while (echo.size() < 13 && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
        const ByteStr in = port.input();
        echo.insert(echo.end(), in.begin(), in.end());
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(echo.size(), 13u);
    EXPECT_EQ(proc.stop(), 0);
    ZtN7Sim saved;
    ASSERT_TRUE(saved.loadImage(save));
    EXPECT_EQ(saved.byteAt(79), 0x2C);
    EXPECT_NE(access(link.c_str(), F_OK), 0);
    std::remove(save.c_str());
}
#else
TEST(LinkE2EPty, CloneReadOverAPseudoTerminal) { GTEST_SKIP() << "simulator executable not built"; }
#endif

} // namespace
