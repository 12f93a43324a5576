// Operation sequencer against a scripted transceiver on the in-memory port,
// driven by the host's heartbeat on a test clock.
#include <gtest/gtest.h>

#include "support/LinkStandIns.h"
#include "link/LinkTestSupport.h"
#include "link/clsCmcXfr3Drv.h"
#include "link/clsCmcXfr3Sequence.h"
#include "link/frmCom.h"
#include "platform/Timer.h"
#include "platform/mem/ManualClock.h"
#include "platform/mem/MemSerialPort.h"
#include "radio/clsCmcRadio.h"
#include "support/ZtN7Radio.h"

using namespace linktest;

namespace {

const ByteStr kCodes = {0x25, 0x26, 0x01, 0x00};

class SeqTest : public ::testing::Test {
protected:
    platform::ManualClock clock{5000};
    platform::ScopedTickSource tickSource{clock};
    platform::MemSerialPort port;
    platform::ManualTimer timer;
    ScriptedPeer peer;
    frmCom com{port, timer};
    clsCmcRadio radio;
    clsCmcXfr3Sequence seq{com, radio, ZtN7SubNames()};
    SimpleMainWindowLink main{com, seq};

    void SetUp() override {
        testsupport::SetUpZtN7(radio);
        port.setPeer(&peer);
        com.mainWindow(&main);
        seq.MainWindow(&main);
        timer.setEnabled(true);
    }
    // One 50 ms tick: the line moves, receive events run the heartbeat,
    // then the timer runs it.
    void Tick() {
        clock.advance(50);
        port.pump();
        timer.fire();
    }
    // Ticks until the operation is over; returns the ticks used or -1.
    int RunUntilIdle(int maxTicks) {
        for (int i = 1; i <= maxTicks; ++i) {
            Tick();
            if (!seq.OpRunning()) return i;
        }
        return -1;
    }
    std::vector<ByteStr> Bodies() const {
        std::vector<ByteStr> out;
        for (const auto& f : peer.frames) out.push_back(f.body);
        return out;
    }
    clsCmcXfr3Drv& drv() { return com.xfr3D(); }
};

TEST_F(SeqTest, CloneReadRunsHighSpeedRequestReopensAt38400AndBackAt9600) {
    port.clearTransmittedLog();
    seq.easyCloneRead();
    ASSERT_GT(RunUntilIdle(200), 0);
    EXPECT_TRUE(main.messages.empty());
    EXPECT_EQ(radio.eepImage().bytes(), peer.image);
    EXPECT_EQ(drv().lastEeAdr(), 0x2FFF);  // progress stays readable after the operation

    // Exact bytes on the wire, in order.
    ByteStr expected = xfr3::BuildFrame({0xE0, 0x25, 0x26, 0x00, 0x00});
    expected = Cat(expected, xfr3::BuildFrame(Cat(Cat({0xE8}, kCodes), {0x01, 0x30, 0x39})));
    expected = Cat(expected, ByteStr(39, 0xFE));
    expected = Cat(expected, xfr3::BuildFrame(Cat({0xE2}, kCodes)));
    expected = Cat(expected, ByteStr(11, 0xFE));
    EXPECT_EQ(port.transmittedLog(), expected);

    ASSERT_EQ(peer.frames.size(), 3u);
    EXPECT_EQ(peer.frames[0].baud, 9600);
    EXPECT_EQ(peer.frames[1].baud, 9600);
    EXPECT_EQ(peer.frames[2].baud, 38400);
    const std::vector<std::pair<bool, std::int32_t>> lines = {
        {true, 9600}, {false, 9600}, {true, 38400}, {false, 38400}, {true, 9600}};
    EXPECT_EQ(peer.lineLog, lines);
    EXPECT_TRUE(com.comOpen());
    EXPECT_EQ(com.comBaud(), 9600);
    EXPECT_EQ(radio.radionameS(), "0100");
    EXPECT_EQ(seq.ansNameM(), "2526");
    EXPECT_EQ(seq.ansNameS(), "0100");
}

TEST_F(SeqTest, AResetWhileTheHighSpeedRequestIsOutLeavesNothingSuspended) {
    // Driven pass by pass: the identity answer is read, the check passes,
    // the high-speed request goes out and the read waits for it to return.
    seq.easyCloneRead();
    drv().read(port.input());
    seq.task();
    seq.task();
    ASSERT_TRUE(seq.returnPending());
    seq.easyReset(1);  // a failure report at this point resets the link
    EXPECT_FALSE(seq.returnPending());
    peer.frames.clear();
    seq.easyCloneRead();
    ASSERT_GT(RunUntilIdle(200), 0);
    EXPECT_TRUE(main.messages.empty());
    // The second read asks for high speed again before its request.
    ASSERT_EQ(peer.frames.size(), 3u);
    EXPECT_EQ(peer.frames[1].body, Cat(Cat({0xEE, 0xEF, 0xE8}, kCodes), {0x01, 0x30, 0x39}));
    EXPECT_EQ(peer.frames[2].baud, 38400);
}

TEST_F(SeqTest, CloneReadWithAMissingRecordReportsIllegalData) {
    peer.skipRecord = 0x0800;
    seq.easyCloneRead();
    ASSERT_GT(RunUntilIdle(200), 0);
    ASSERT_EQ(main.messages.size(), 1u);
    EXPECT_EQ(main.messages[0].substr(0, 13), "Illegal data.");
    EXPECT_FALSE(com.comOpen());
    EXPECT_EQ(radio.eepImage().ReadBlock(0x07F0, 16), ByteStr(peer.image.begin() + 0x07F0, peer.image.begin() + 0x0800));
}

TEST_F(SeqTest, RejectedSubCodeGivesError2AndNoCloneRequest) {
    peer.subCode0 = 0x02;
    seq.easyCloneRead();
    ASSERT_GT(RunUntilIdle(50), 0);
    EXPECT_EQ(seq.error(), 2);
    ASSERT_EQ(main.messages.size(), 1u);
    EXPECT_EQ(main.messages[0], "Version number does not match\r\nfor this transceiver.");
    for (const auto& b : Bodies()) EXPECT_NE(b[2], 0xE2);
    EXPECT_FALSE(com.comOpen());
    EXPECT_EQ(radio.radionameS(), "0100");
}

TEST_F(SeqTest, WithoutTheModelsRuleNoSubCodeIsLegal) {
    seq.SubNameCheck(nullptr);
    seq.easyCloneRead();
    ASSERT_GT(RunUntilIdle(50), 0);
    EXPECT_EQ(seq.error(), 2);
    for (const auto& b : Bodies()) EXPECT_NE(b[2], 0xE2);
}

TEST_F(SeqTest, WrongMainCodeIsError1ReportedAsCannotClone) {
    radio.radioNameM("2527");
    seq.easyCloneRead();
    ASSERT_GT(RunUntilIdle(50), 0);
    EXPECT_EQ(seq.error(), 1);
    ASSERT_EQ(main.messages.size(), 1u);
    EXPECT_EQ(main.messages[0].substr(0, 14), "Cannot Clone.\r");
}

TEST_F(SeqTest, SilentRadioEndsAtTheIdentityStepAfterOneAnswerTime) {
    peer.silent = true;
    const std::int32_t t0 = clock.tickCount();
    seq.easyCloneRead();
    std::int32_t reportedAt = -1;
    for (int i = 0; i < 100 && reportedAt < 0; ++i) {
        Tick();
        if (!main.messages.empty()) reportedAt = clock.tickCount() - t0;
    }
    EXPECT_EQ(reportedAt, 1200);
    EXPECT_EQ(seq.error(), 4);
    EXPECT_EQ(drv().lastError(), 2);
    ASSERT_EQ(main.messages.size(), 1u);
    EXPECT_EQ(main.messages[0].substr(0, 27), "No answer from transceiver.");
    EXPECT_FALSE(com.comOpen());
    EXPECT_FALSE(seq.OpRunning());
    for (int i = 0; i < 40; ++i) Tick();
    EXPECT_EQ(main.messages.size(), 1u);  // told once
}

TEST_F(SeqTest, E8WithoutAnswerIsQueuedAtOnceAndOverOnTheNextPass) {
    EXPECT_EQ(seq.easySendE8NoAnswer("05 3243"), 0);
    EXPECT_TRUE(seq.OpRunning());
    EXPECT_EQ(seq.step(), 1);
    EXPECT_EQ(port.transmittedLog(), xfr3::BuildFrame(Cat(Cat({0xE8}, kCodes), {0x05, 0x32, 0x43})));
    EXPECT_FALSE(drv().Running());
    seq.task();
    EXPECT_FALSE(seq.OpRunning());
    EXPECT_TRUE(com.comOpen());
    EXPECT_TRUE(main.messages.empty());
}

TEST_F(SeqTest, E8WithAnswerEndsOnThePassAfterTheAnswer) {
    EXPECT_EQ(seq.easySendE8ReqAnswer("053039"), 0);
    EXPECT_TRUE(seq.e8AnsRequired());
    EXPECT_TRUE(drv().Running());
    ASSERT_EQ(RunUntilIdle(5), 1);
    EXPECT_EQ(drv().varLastE8Answer(), (ByteStr{0x25, 0x26, 0x01, 0x00, 0x05, 0x12, 0x34}));
    EXPECT_TRUE(main.messages.empty());
}

TEST_F(SeqTest, E8WithoutAnswerFromRadioIsSentThreeTimesThenReported) {
    peer.answerE8 = false;
    seq.easySendE8ReqAnswer("053039");
    ASSERT_GT(RunUntilIdle(100), 0);
    EXPECT_EQ(peer.frames.size(), 3u);
    ASSERT_EQ(main.messages.size(), 1u);
    EXPECT_EQ(main.messages[0].substr(0, 27), "No answer from transceiver.");
}

TEST_F(SeqTest, E8WaitsForAnEarlierExchangeToEnd) {
    peer.silent = true;
    com.comOpen(true);
    drv().workMode(clsCmcXfr3Drv::kModeIdentity);
    ASSERT_FALSE(drv().Send({0xE0, 0x25, 0x26, 0x00, 0x00}));
    seq.easySendE8NoAnswer("0530");
    EXPECT_EQ(seq.step(), 0);
    EXPECT_FALSE(seq.OpRunning());
    Tick();
    EXPECT_EQ(peer.frames.size(), 1u);
    port.deliverToHost(RadioWire(IdentityAnswer()));
    Tick();
    ASSERT_EQ(peer.frames.size(), 2u);
    EXPECT_EQ(peer.frames[1].body[2], 0xE8);
    Tick();
    EXPECT_FALSE(seq.OpRunning());
}

TEST_F(SeqTest, PortIsReleasedAfterTheHoldTime) {
    seq.comHoldReload(3000);
    seq.easySendE8NoAnswer("0530");
    Tick();
    ASSERT_FALSE(seq.OpRunning());
    const std::int32_t ended = clock.tickCount();
    std::int32_t closedAt = -1;
    for (int i = 0; i < 100 && closedAt < 0; ++i) {
        Tick();
        if (!com.comOpen()) closedAt = clock.tickCount() - ended;
    }
    EXPECT_GE(closedAt, 3000);
    EXPECT_LE(closedAt, 3050);

    seq.comHoldReload(0);
    seq.easySendE8NoAnswer("0530");
    for (int i = 0; i < 200; ++i) Tick();
    EXPECT_TRUE(com.comOpen());
}

TEST_F(SeqTest, EasyResetWhileCloneReadWaitsDropsEverything) {
    peer.silent = true;
    seq.easyCloneRead();
    Tick();
    ASSERT_TRUE(drv().Running());
    seq.easyReset(4);
    EXPECT_FALSE(seq.OpRunning());
    EXPECT_EQ(seq.Operation(), 0);
    EXPECT_FALSE(drv().Running());
    EXPECT_FALSE(com.comOpen());
    EXPECT_EQ(seq.ComPortNo(), 4);
    for (int i = 0; i < 60; ++i) Tick();
    EXPECT_TRUE(main.messages.empty());
}

TEST_F(SeqTest, SequencerPortNumberIsUsedAtEveryAction) {
    seq.ComPortNo(7);
    seq.easySendE8NoAnswer("0530");
    EXPECT_EQ(port.commPort(), 7);
    EXPECT_EQ(com.comPortNum(), 7);
}

TEST_F(SeqTest, PortThatCannotBeOpenedIsReportedOnce) {
    port.setExistingPorts({1});
    seq.ComPortNo(2);
    testing::internal::CaptureStderr();
    seq.easySendE8NoAnswer("0530");
    Tick();
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_EQ(main.messages.size(), 1u);
    EXPECT_EQ(main.messages[0].substr(0, 19), "Cannot access COM2.");
    EXPECT_NE(err.find("mem:COM2"), std::string::npos);
    for (int i = 0; i < 10; ++i) Tick();
    EXPECT_EQ(main.messages.size(), 1u);
    EXPECT_FALSE(seq.OpRunning());
}

// Mend: on a line that drains at its real speed the clone write queues each
// record as room appears, over many ticks, and completes with all records.
TEST_F(SeqTest, CloneWriteOnAPacedLineCompletesWithAllRecords) {
    port.setPacing(true);
    const ByteStr image = Pattern(0x3000, 11);
    radio.eepImage().WriteBlock(0, image);
    seq.easyCloneWrite();
    bool sawQueueFull = false;
    int ticks = 0;
    for (; ticks < 3000 && seq.OpRunning(); ++ticks) {
        Tick();
        if (drv().cloneWriteQueuing() && !drv().SendEnable()) sawQueueFull = true;
    }
    ASSERT_FALSE(seq.OpRunning());
    EXPECT_TRUE(sawQueueFull);
    EXPECT_TRUE(main.messages.empty());
    EXPECT_EQ(drv().lastError(), 0);
    EXPECT_EQ(peer.recordsWritten, 768);
    EXPECT_EQ(peer.written, image);
    ASSERT_FALSE(peer.frames.empty());
    EXPECT_EQ(peer.frames.back().body, Cat({0xEE, 0xEF}, xfr3::SignatureData()));
    // 768 records of 46 bytes take about 37 s at 9600 baud.
    EXPECT_GT(ticks * 50, 36000);
}

TEST_F(SeqTest, CloneWriteRejectedByTheRadioIsReported) {
    peer.writeResult = 1;
    port.setPacing(true);
    seq.easyCloneWrite();
    ASSERT_GT(RunUntilIdle(1000), 0);
    ASSERT_EQ(main.messages.size(), 1u);
    EXPECT_EQ(main.messages[0].substr(0, 26), "Cannot write cloning data.");
}

TEST_F(SeqTest, IdentityOnlyOperation) {
    seq.Operation(clsCmcXfr3Sequence::kOpIdentity);
    seq.start();
    ASSERT_GT(RunUntilIdle(5), 0);
    EXPECT_EQ(seq.ansInfo(), RadioBody(IdentityAnswer()));
    EXPECT_EQ(peer.frames.size(), 1u);
}

} // namespace
