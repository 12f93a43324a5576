// Frame driver: reassembly, answer handling, time-outs and re-sends, clone
// records, and a robustness run over random and mutated byte strings.
#include <gtest/gtest.h>

#include <random>

#include "link/LinkTestSupport.h"
#include "link/clsCmcXfr3Drv.h"
#include "link/frmCom.h"
#include "platform/Timer.h"
#include "platform/mem/ManualClock.h"
#include "platform/mem/MemSerialPort.h"
#include "radio/clsCmcEeprom.h"
#include "shell/Common.h"

using namespace linktest;

namespace {

// Frame bodies in a transmitted byte stream (bytes after a 0xFE run, before 0xFD).
std::vector<ByteStr> SplitFrames(const ByteStr& log) {
    std::vector<ByteStr> out;
    ByteStr acc;
    bool in = false;
    for (auto b : log) {
        if (b == 0xFE) {
            acc.clear();
            in = true;
        } else if (b == 0xFD) {
            if (in) out.push_back(acc);
            in = false;
        } else if (in) {
            acc.push_back(b);
        }
    }
    return out;
}

const ByteStr kE8Answer = {0xE8, 0x25, 0x26, 0x01, 0x00, 0x05, 0x12, 0x34};

class DrvTest : public ::testing::Test {
protected:
    platform::ManualClock clock{1000};
    platform::ScopedTickSource tickSource{clock};
    platform::MemSerialPort port;
    platform::ManualTimer timer;
    frmCom com{port, timer};
    clsCmcXfr3Drv& drv = com.xfr3D();
    clsCmcEeprom eep;

    void SetUp() override {
        com.comOpen(true);
        port.input();
        port.clearTransmittedLog();
    }
    void StartE8(std::uint8_t sub = 0x05, std::int16_t retries = 0) {
        drv.workMode(clsCmcXfr3Drv::kModeE8);
        drv.waitAnswer(true);
        drv.retryCount(retries);
        ASSERT_FALSE(drv.Send({0xE8, 0x25, 0x26, 0x01, 0x00, sub, 0x30, 0x39}));
    }
    void StartCloneRead() {
        drv.workMode(clsCmcXfr3Drv::kModeCloneRead);
        drv.myEep(&eep);
        ASSERT_FALSE(drv.Send({0xE2, 0x25, 0x26, 0x01, 0x00}));
        port.input();  // drop the echo
    }
    // One heartbeat of the driver alone: received bytes, then time-outs.
    void Pass() {
        if (port.inBufferCount() > 0) drv.read(port.input());
        drv.task();
    }
    void Wait(std::int32_t ms) {
        for (std::int32_t t = 0; t < ms; t += 50) {
            clock.advance(50);
            Pass();
        }
    }
};

TEST_F(DrvTest, BytesWhileIdleAreDiscardedEvenAValidFrame) {
    drv.workMode(clsCmcXfr3Drv::kModeIdentity);
    drv.read(RadioWire(IdentityAnswer()));
    EXPECT_TRUE(drv.ansInfo().empty());
    EXPECT_EQ(drv.rxFrameSize(), 0u);
    EXPECT_FALSE(drv.Running());
}

TEST_F(DrvTest, EchoIsIgnoredAndTheAnswerAfterItInTheSameStringAccepted) {
    StartE8();
    port.deliverToHost(RadioWire(kE8Answer));
    ASSERT_GT(port.inBufferCount(), 20);  // echo and answer wait as one byte string
    Pass();
    EXPECT_FALSE(drv.Running());
    EXPECT_EQ(drv.nowError(), 0);
    EXPECT_EQ(drv.varLastE8Answer(), (ByteStr{0x25, 0x26, 0x01, 0x00, 0x05, 0x12, 0x34}));
}

TEST_F(DrvTest, FrameSplitAtEveryPointIsReassembled) {
    const ByteStr wire = RadioWire(kE8Answer);
    for (std::size_t cut = 0; cut <= wire.size(); ++cut) {
        StartE8();
        port.input();
        drv.read(ByteStr(wire.begin(), wire.begin() + static_cast<long>(cut)));
        drv.read(ByteStr(wire.begin() + static_cast<long>(cut), wire.end()));
        EXPECT_FALSE(drv.Running()) << "cut at " << cut;
        EXPECT_EQ(drv.nowError(), 0) << "cut at " << cut;
    }
    StartE8();
    for (auto b : wire) drv.read({b});
    EXPECT_FALSE(drv.Running());
}

TEST_F(DrvTest, PreambleInsideAFrameRestartsIt) {
    StartE8();
    // A frame broken off after two bytes, then a complete one.
    drv.read(Cat({0xFE, 0xFE, 0xEF, 0xEE, 0xE8, 0x25}, RadioWire(kE8Answer)));
    EXPECT_FALSE(drv.Running());
    EXPECT_EQ(drv.nowError(), 0);
    EXPECT_EQ(drv.varLastE8Answer().size(), 7u);
}

TEST_F(DrvTest, BytesBetweenEndAndNextPreambleAreDiscarded) {
    StartCloneRead();
    const ByteStr r1 = Cat(Cat({0xFE, 0xFE}, RecordBody(0x0000, {0x11, 0x22})), {0xFD});
    const ByteStr r2 = Cat(Cat({0xFE, 0xFE}, RecordBody(0x0002, {0x33})), {0xFD});
    drv.read(Cat(Cat(r1, {0x41, 0x42, 0x43}), r2));
    EXPECT_EQ(drv.nowError(), 0);
    EXPECT_TRUE(drv.Running());
    EXPECT_EQ(eep.ReadBlock(0, 3), (ByteStr{0x11, 0x22, 0x33}));
    EXPECT_EQ(drv.lastEeAdr(), 2);
}

// Mend: an end byte met while hunting for a preamble no longer throws away
// the rest of the byte string, so the valid frame after it is kept.
TEST_F(DrvTest, EndByteWhileHuntingDropsOnlyUpToTheNextPreamble) {
    StartE8();
    port.input();
    ASSERT_TRUE(drv.rxHunting());
    drv.read(Cat({0x00, 0x12, 0xFD, 0x55}, RadioWire(kE8Answer)));
    EXPECT_FALSE(drv.Running());
    EXPECT_EQ(drv.nowError(), 0);
    EXPECT_EQ(drv.varLastE8Answer().size(), 7u);
}

TEST_F(DrvTest, AnswerChecksSetIllegalDataOrIgnoreOutOfModeFrames) {
    struct Case {
        const char* name;
        std::int16_t mode;
        ByteStr answer;
        bool running;
        std::int16_t error;
    };
    const std::vector<Case> cases = {
        {"E8 answer to another sub-command", clsCmcXfr3Drv::kModeE8, {0xE8, 0x25, 0x26, 0x01, 0x00, 0x06}, false, 3},
        {"E1 of 6 bytes", clsCmcXfr3Drv::kModeIdentity, {0xE1, 0x25, 0x26, 0x01}, false, 3},
        {"E1 in E8 mode is ignored", clsCmcXfr3Drv::kModeE8, IdentityAnswer(), true, 0},
        {"record in E8 mode is ignored", clsCmcXfr3Drv::kModeE8, xfr3::CloneRecordData(0, {1}), true, 0},
        {"E6 outside clone write is ignored", clsCmcXfr3Drv::kModeIdentity, {0xE6, 0x00}, true, 0},
        {"unknown command is ignored", clsCmcXfr3Drv::kModeIdentity, {0x77, 0x00}, true, 0},
        {"good E1", clsCmcXfr3Drv::kModeIdentity, IdentityAnswer(), false, 0},
    };
    for (const auto& c : cases) {
        com.comOpen(true);
        drv.lastError(0);
        drv.workMode(c.mode);
        drv.waitAnswer(true);
        ASSERT_FALSE(drv.Send({c.mode == clsCmcXfr3Drv::kModeE8 ? std::uint8_t{0xE8} : std::uint8_t{0xE0}, 0x25,
                               0x26, 0x01, 0x00, 0x05}))
            << c.name;
        drv.read(RadioWire(c.answer));
        EXPECT_EQ(drv.Running(), c.running) << c.name;
        EXPECT_EQ(drv.nowError(), c.error) << c.name;
        EXPECT_EQ(drv.lastError(), c.error) << c.name;
    }
    EXPECT_EQ(drv.ansInfo(), RadioBody(IdentityAnswer()));
}

TEST_F(DrvTest, TwoResendsThenNoAnswerAfterThreeAnswerTimes) {
    StartE8(0x05, 2);
    const std::int32_t t0 = clock.tickCount();
    std::int32_t failedAt = -1;
    for (int i = 0; i < 200 && failedAt < 0; ++i) {
        clock.advance(50);
        Pass();
        if (drv.nowError() != 0) failedAt = clock.tickCount() - t0;
    }
    EXPECT_EQ(drv.nowError(), 2);
    EXPECT_GE(failedAt, 3600);
    EXPECT_LE(failedAt, 3650);
    const auto frames = SplitFrames(port.transmittedLog());
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], frames[2]);
    // Without an answer the last frame seen in the wait was our own echo.
    EXPECT_EQ(drv.varLastE8Answer(), frames[2]);
    EXPECT_EQ(drv.retryCount(), 0);
}

TEST_F(DrvTest, NoResendGivesUpAfterOneAnswerTime) {
    StartE8(0x05, 0);
    Wait(1150);
    EXPECT_TRUE(drv.Running());
    Wait(50);
    EXPECT_FALSE(drv.Running());
    EXPECT_EQ(drv.nowError(), 2);
    EXPECT_EQ(SplitFrames(port.transmittedLog()).size(), 1u);
}

TEST_F(DrvTest, SendWhilePendingIsRefusedAndLeavesTheExchange) {
    StartE8();
    const ByteStr pending = drv.sendBuf();
    const std::size_t logged = port.transmittedLog().size();
    EXPECT_TRUE(drv.Send({0xE8, 0x25, 0x26, 0x01, 0x00, 0x07}));
    EXPECT_EQ(drv.sendBuf(), pending);
    EXPECT_EQ(port.transmittedLog().size(), logged);
    EXPECT_EQ(drv.e8SubCmd(), 0x05);
    EXPECT_TRUE(drv.Running());
}

TEST_F(DrvTest, SendGateNeedsFreeRoomAndAnOpenPort) {
    drv.workMode(clsCmcXfr3Drv::kModeE8);
    EXPECT_TRUE(drv.SendEnable());
    com.comOpen(false);
    EXPECT_FALSE(drv.SendEnable());
    EXPECT_TRUE(drv.Send({0xE8}));
    // A paced line that has not moved: the queue fills and the gate closes
    // once fewer than 257 of its 1024 bytes are free.
    com.comOpen(true);
    port.setPacing(true);
    drv.SendFE(767);
    EXPECT_TRUE(drv.SendEnable());
    com.comOpen(true);
    drv.SendFE(768);
    EXPECT_FALSE(drv.SendEnable());
}

TEST_F(DrvTest, WorkModeClearsLastAnswerAndProgress) {
    StartE8();
    port.deliverToHost(RadioWire(kE8Answer));
    Pass();
    ASSERT_FALSE(drv.varLastE8Answer().empty());
    drv.workMode(clsCmcXfr3Drv::kModeE8);
    EXPECT_TRUE(drv.varLastE8Answer().empty());
    EXPECT_EQ(drv.lastEeAdr(), 0);
}

TEST_F(DrvTest, CloneRecordsAreStoredOrRefusedAtTheImageEnd) {
    struct Case {
        const char* name;
        ByteStr body;
        std::int16_t error;
        std::int32_t lastEeAdr;
    };
    ByteStr lower = RecordBody(0x0100, {0xAB, 0xCD});
    for (auto& c : lower) c = static_cast<std::uint8_t>(std::tolower(c));
    const std::vector<Case> cases = {
        {"last record of the image", RecordBody(0x2FF0, Pattern(16)), 0, 0x2FFF},
        {"record past the image end", RecordBody(0x2FF8, Pattern(16)), 5, 0},
        {"negative address", RecordBody(0x8000, {1}), 5, 0},
        {"lower-case hex", lower, 0, 0x0101},
        {"bad checksum", Cat(ByteStr(lower.begin(), lower.end() - 1), {'0'}), 3, 0},
    };
    for (const auto& c : cases) {
        com.comOpen(true);
        StartCloneRead();
        drv.read(Cat(Cat({0xFE, 0xFE}, c.body), {0xFD}));
        EXPECT_EQ(drv.nowError(), c.error) << c.name;
        EXPECT_EQ(drv.Running(), c.error == 0) << c.name;
        EXPECT_EQ(drv.lastEeAdr(), c.lastEeAdr) << c.name;
    }
    EXPECT_EQ(eep.ReadBlock(0x0100, 2), (ByteStr{0xAB, 0xCD}));
}

TEST_F(DrvTest, EachRecordRestartsTheAnswerTime) {
    StartCloneRead();
    for (std::int32_t a = 0; a < 0x40; a += 16) {
        Wait(1000);
        drv.read(Cat(Cat({0xFE, 0xFE}, RecordBody(a, Pattern(16))), {0xFD}));
    }
    EXPECT_TRUE(drv.Running());
    Wait(1200);
    EXPECT_EQ(drv.nowError(), 2);
}

// Mend: the signature closes a clone read only when every address of the
// image was stored since the request; otherwise the data are illegal, and
// what was stored stays in the image.
TEST_F(DrvTest, SignatureAcceptedOnlyAfterTheWholeImage) {
    const ByteStr image = Pattern(0x3000, 3);
    auto stream = [&](std::int32_t skip) {
        ByteStr all;
        // Out of order and with one overlap, to show order does not matter.
        for (std::int32_t a = 0x3000 - 16; a >= 0; a -= 16) {
            if (a == skip) continue;
            all = Cat(all, Cat(Cat({0xFE, 0xFE}, RecordBody(a, ByteStr(image.begin() + a, image.begin() + a + 16))), {0xFD}));
        }
        all = Cat(all, Cat(Cat({0xFE, 0xFE}, RecordBody(8, ByteStr(image.begin() + 8, image.begin() + 24))), {0xFD}));
        return Cat(all, RadioWire(xfr3::SignatureData()));
    };
    StartCloneRead();
    drv.read(stream(-1));
    EXPECT_FALSE(drv.Running());
    EXPECT_EQ(drv.nowError(), 0);
    EXPECT_EQ(eep.bytes(), image);

    eep.FillBlock(0, 0, eep.eeSize());
    com.comOpen(true);
    StartCloneRead();
    drv.read(stream(0x1230));
    EXPECT_FALSE(drv.Running());
    EXPECT_EQ(drv.nowError(), 3);
    EXPECT_EQ(eep.ReadBlock(0x1220, 16), ByteStr(image.begin() + 0x1220, image.begin() + 0x1230));
    EXPECT_EQ(eep.ReadBlock(0x1230, 16), ByteStr(16, 0));
}

TEST_F(DrvTest, SignatureWithAnExtraByteIsIllegal) {
    StartCloneRead();
    drv.read(RadioWire(Cat(xfr3::SignatureData(), {0x00})));
    EXPECT_EQ(drv.nowError(), 3);
}

TEST_F(DrvTest, ShortCloneWriteListGivesOneRecordThenTheSignature) {
    eep.WriteBlock(0, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    drv.workMode(clsCmcXfr3Drv::kModeCloneWrite);
    drv.myEep(&eep);
    drv.sizDataOfPacket(16);
    drv.cloneWriteAdrList("0000-0007,");
    EXPECT_EQ(drv.nextCloneAdr(), 0);
    ASSERT_FALSE(drv.Send({0xE3, 0x25, 0x26, 0x01, 0x00}));
    const auto frames = SplitFrames(port.transmittedLog());
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[1], Cat({0xEE, 0xEF}, xfr3::CloneRecordData(0, {1, 2, 3, 4, 5, 6, 7, 8})));
    EXPECT_EQ(frames[2], Cat({0xEE, 0xEF}, xfr3::SignatureData()));
    EXPECT_EQ(drv.workMode(), clsCmcXfr3Drv::kModeCloneWriteEnd);
    EXPECT_EQ(drv.nextCloneAdr(), -1);
    EXPECT_EQ(drv.lastEeAdr(), 7);
    EXPECT_TRUE(drv.Running());
    port.input();
    drv.read(RadioWire({0xE6, 0x00}));
    EXPECT_FALSE(drv.Running());
    EXPECT_EQ(drv.nowError(), 0);
}

TEST_F(DrvTest, CloneWriteResultRejectedOrMissing) {
    for (std::uint8_t status : {std::uint8_t{1}, std::uint8_t{0xFF}}) {
        com.comOpen(true);
        drv.workMode(clsCmcXfr3Drv::kModeCloneWrite);
        drv.myEep(&eep);
        drv.cloneWriteAdrList("0000-001F,0100-0100,");
        ASSERT_FALSE(drv.Send({0xE3, 0x25, 0x26, 0x01, 0x00}));
        drv.read(RadioWire({0xE6, status}));
        EXPECT_EQ(drv.nowError(), 7);
    }
    port.clearTransmittedLog();
    com.comOpen(true);
    drv.workMode(clsCmcXfr3Drv::kModeCloneWrite);
    drv.cloneWriteAdrList("0000-001F,0100-0100,");
    ASSERT_FALSE(drv.Send({0xE3, 0x25, 0x26, 0x01, 0x00}));
    // Two records of the first range, one of the second, then the signature.
    EXPECT_EQ(SplitFrames(port.transmittedLog()).size(), 5u);
    Wait(1200);
    EXPECT_EQ(drv.nowError(), 2);
}

// Mend: a clone write whose records cannot be queued waits for the queue,
// and fails with code 8 only when nothing could be queued for 1.2 s.
TEST_F(DrvTest, CloneWriteStalledQueueFailsAfterTheAnswerTime) {
    drv.workMode(clsCmcXfr3Drv::kModeCloneWrite);
    drv.myEep(&eep);
    drv.sizDataOfPacket(16);
    drv.cloneWriteAdrList("0000-2FFF,");
    port.setPacing(true);
    ASSERT_FALSE(drv.Send({0xE3, 0x25, 0x26, 0x01, 0x00}));
    EXPECT_TRUE(drv.cloneWriteQueuing());
    EXPECT_TRUE(drv.Running());
    // The line goes away underneath (device unplugged): nothing drains.
    port.setPortOpen(false);
    Wait(1150);
    EXPECT_EQ(drv.nowError(), 0);
    EXPECT_TRUE(drv.Running());
    Wait(100);
    EXPECT_EQ(drv.nowError(), 8);
    EXPECT_FALSE(drv.Running());
    EXPECT_FALSE(drv.cloneWriteQueuing());
}

TEST_F(DrvTest, ResetDropsTheExchangeAndTheReceiver) {
    StartCloneRead();
    drv.read({0xFE, 0xFE, 0xEF, 0xEE, 0xE4, 0x30});
    EXPECT_GT(drv.rxFrameSize(), 0u);
    drv.Reset();
    EXPECT_FALSE(drv.Running());
    EXPECT_EQ(drv.rxFrameSize(), 0u);
    EXPECT_TRUE(drv.rxHunting());
    EXPECT_TRUE(drv.sendBuf().empty());
    EXPECT_EQ(drv.nextCloneAdr(), 0);
}

// Random and mutated byte strings in the answer wait of every receiving
// mode: nothing crashes, the partial frame never exceeds 256 bytes, and
// the exchange state stays consistent.
TEST_F(DrvTest, RobustAgainstRandomAndMutatedInput) {
    std::mt19937 rng(20240611u);
    auto rnd = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const std::vector<ByteStr> seeds = {
        RadioWire(IdentityAnswer()),
        RadioWire(kE8Answer),
        Cat(Cat({0xFE, 0xFE}, RecordBody(0x0120, Pattern(16))), {0xFD}),
        Cat(Cat({0xFE, 0xFE}, RecordBody(0x2FF0, Pattern(16))), {0xFD}),
        RadioWire(xfr3::SignatureData()),
        RadioWire({0xE6, 0x00}),
        xfr3::BuildFrame({0xE8, 0x25, 0x26, 0x01, 0x00, 0x05}),
    };
    const std::uint8_t special[] = {0xFE, 0xFD, 0xEF, 0xEE, 0xE1, 0xE4, 0xE5, 0xE8, '0', 'F'};
    drv.myEep(&eep);
    auto rearm = [&] {
        com.comOpen(true);
        port.input();
        const std::int16_t modes[] = {clsCmcXfr3Drv::kModeIdentity, clsCmcXfr3Drv::kModeCloneRead,
                                      clsCmcXfr3Drv::kModeE8, clsCmcXfr3Drv::kModeCloneWriteEnd};
        drv.workMode(modes[rnd(4)]);
        drv.waitAnswer(true);
        ASSERT_FALSE(drv.Send({0xE8, 0x25, 0x26, 0x01, 0x00, 0x05}));
    };
    rearm();
    for (int i = 0; i < 100000; ++i) {
        ByteStr s;
        switch (rnd(3)) {
        case 0: {  // random bytes, rich in protocol bytes
            const int n = rnd(600);
            for (int k = 0; k < n; ++k)
                s.push_back(rnd(3) == 0 ? special[rnd(10)] : static_cast<std::uint8_t>(rng()));
            break;
        }
        case 1: {  // a valid frame with a few mutations
            s = seeds[static_cast<std::size_t>(rnd(static_cast<int>(seeds.size())))];
            for (int m = rnd(4); m > 0 && !s.empty(); --m) {
                const auto at = static_cast<std::size_t>(rnd(static_cast<int>(s.size())));
                switch (rnd(3)) {
                case 0: s[at] = static_cast<std::uint8_t>(rng()); break;
                case 1: s.erase(s.begin() + static_cast<long>(at)); break;
                default: s.insert(s.begin() + static_cast<long>(at), special[rnd(10)]); break;
                }
            }
            break;
        }
        default:  // a long run without any frame byte
            s.assign(static_cast<std::size_t>(300 + rnd(400)), static_cast<std::uint8_t>(rnd(0xFD)));
            break;
        }
        drv.read(s);
        ASSERT_LE(drv.rxFrameSize(), 256u) << "iteration " << i;
        ASSERT_EQ(drv.Running(), drv.answerWait());
        ASSERT_EQ(drv.sendBuf().empty(), !drv.answerWait()) << "iteration " << i;
        const std::int16_t e = drv.nowError();
        ASSERT_TRUE(e == 0 || e == 3 || e == 5 || e == 7) << "iteration " << i << " error " << e;
        if (e != 0) {
            ASSERT_FALSE(drv.Running());
        }
        if (!drv.Running() || rnd(50) == 0) rearm();
    }
}

} // namespace
