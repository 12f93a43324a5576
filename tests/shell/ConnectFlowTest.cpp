// "Connect" through the whole program against a canned transceiver on the
// in-memory port: identity, high-speed request, clone read at 38400 baud,
// back to 9600, loading, the start-of-adjustment command and the first cycle.
#include <gtest/gtest.h>

#include <ostream>

#include "link/LinkTestSupport.h"
#include "shell/Common.h"
#include "support/ProgramRig.h"

using testsupport::ProgramRig;

namespace {

// Answers read-out requests (E8 sub-command 3) with a value per channel code
// as two ASCII hex digits, and records when every E8 frame arrived.
struct ReadoutPeer : linktest::ScriptedPeer {
    platform::ManualClock* clock = nullptr;
    struct E8 { std::uint8_t code; ByteStr data; std::int32_t at; };
    std::vector<E8> e8s;

    ReadoutPeer() {
        answerE8 = false;
        extra = [this](const ByteStr& body, platform::MemSerialPort& port) {
            if (body.size() < 8 || body[0] != 0xEE || body[2] != 0xE8) return;
            e8s.push_back({body[7], ByteStr(body.begin() + 8, body.end()), clock->tickCount()});
            if (body[7] == 0x03 && body.size() >= 10) {
                const int ch = AsciiHexToInt(ByteStr(body.begin() + 8, body.begin() + 10));
                const std::string v = ByteToHexStr(static_cast<std::int16_t>(100 + ch));
                port.deliverToHost(linktest::RadioWire({0xE8, 0x25, 0x26, 0x01, 0x00, 0x03,
                                                        static_cast<std::uint8_t>(v[0]),
                                                        static_cast<std::uint8_t>(v[1])}));
            }
        };
    }
};

class ConnectFlow : public ::testing::Test {
protected:
    ReadoutPeer peer;
    ProgramRig rig{&peer};
    void SetUp() override {
        peer.clock = &rig.clock;
        ASSERT_TRUE(rig.Start());
        rig.tick();
    }
    bool InCycle() { return rig.op().RigN7Prop_EditEnabled(); }
};

TEST_F(ConnectFlow, ConnectReadsTheImageAndSendsEveryItemOnce) {
    rig.main().cmd00_Click(0);
    ASSERT_TRUE(rig.runUntil([&] { return InCycle(); }, 20000));
    EXPECT_TRUE(rig.desktop.messages.empty());

    // The requests in order, with the line speed each went out at.
    ASSERT_GE(peer.frames.size(), 4u);
    EXPECT_EQ(peer.frames[0].body, ByteStr({0xEE, 0xEF, 0xE0, 0x25, 0x26, 0x00, 0x00}));
    EXPECT_EQ(peer.frames[0].baud, 9600);
    EXPECT_EQ(peer.frames[1].body, ByteStr({0xEE, 0xEF, 0xE8, 0x25, 0x26, 0x01, 0x00, 0x01, 0x30, 0x39}));
    EXPECT_EQ(peer.frames[2].body, ByteStr({0xEE, 0xEF, 0xE2, 0x25, 0x26, 0x01, 0x00}));
    EXPECT_EQ(peer.frames[2].baud, 38400);
    // Wire bytes around the speed change: 39 x FE before the request at
    // 38400, and 11 x FE after the reopen at 9600.
    const ByteStr& wire = rig.port.transmittedLog();
    auto countRun = [&](std::size_t from) {
        std::size_t n = 0;
        while (from + n < wire.size() && wire[from + n] == 0xFE) ++n;
        return n;
    };
    const ByteStr req = {0xEE, 0xEF, 0xE2};
    auto at = std::search(wire.begin(), wire.end(), req.begin(), req.end());
    ASSERT_NE(at, wire.end());
    std::size_t runStart = static_cast<std::size_t>(at - wire.begin());
    while (runStart > 0 && wire[runStart - 1] == 0xFE) --runStart;
    EXPECT_EQ(countRun(runStart), 39u + 2u);  // burst and the request's own preamble
    // The line: opened at 9600, closed, opened at 38400, closed, opened at 9600.
    std::vector<std::pair<bool, std::int32_t>> opens;
    for (auto& l : peer.lineLog) if (l.first) opens.push_back(l);
    ASSERT_GE(opens.size(), 3u);
    EXPECT_EQ(opens[0].second, 9600);
    EXPECT_EQ(opens[1].second, 38400);
    EXPECT_EQ(opens[2].second, 9600);

    // The image is the radio's, and loading sent the start command, the
    // read-outs and then every item with an E8 command in table order.
    EXPECT_EQ(rig.image().bytes(), std::vector<std::uint8_t>(peer.image.begin(), peer.image.end()));
    rig.runFor(5000);
    std::vector<std::uint8_t> codes;
    for (auto& e : peer.e8s) codes.push_back(e.code);
    std::vector<std::uint8_t> want = {0x01, 0x02};
    for (int i = 0; i < 13; ++i) want.push_back(0x03);
    for (std::uint8_t c : {0x00, 0x05, 0x06, 0x07, 0x0A, 0x08, 0x09, 0x11, 0x04, 0x0C, 0x0D, 0x0E, 0x0F})
        want.push_back(c);
    EXPECT_EQ(codes, want);
    // Items with their own E8 command settle 200 ms before the next goes out;
    // the channel selection does not wait.
    for (std::size_t i = 16; i + 1 < peer.e8s.size(); ++i) {
        if (peer.e8s[i].code == 0x00) continue;
        EXPECT_GE(peer.e8s[i + 1].at - peer.e8s[i].at, 200) << "after code " << int(peer.e8s[i].code);
    }
    EXPECT_EQ(peer.e8s[15].data, ByteStr({0x30, 0x31}));  // channel 0 goes as 1
    // Each item's value is the image's byte.
    EXPECT_EQ(rig.console().Value(1), peer.image[79]);
    EXPECT_EQ(rig.win.lbo01[0].list(1).substr(0, 13), "VIN  :100:64h");
    EXPECT_EQ(rig.win.lblComBusy.caption(), "COM1: OPEN");
}

TEST_F(ConnectFlow, SteppingAnItemSendsItOnTheNextTickAndWritesTheImage) {
    rig.main().cmd00_Click(0);
    ASSERT_TRUE(rig.runUntil([&] { return InCycle(); }, 20000));
    rig.runFor(5000);
    const std::uint8_t before = static_cast<std::uint8_t>(rig.console().Value(1));
    rig.select(1);
    rig.port.clearTransmittedLog();
    rig.key(keys::kRight);
    const std::uint8_t now = static_cast<std::uint8_t>(before + 1);
    EXPECT_EQ(rig.console().Value(1), now);
    EXPECT_TRUE(rig.port.transmittedLog().empty());  // nothing until the next tick
    rig.tick();
    const std::string hex = ByteToHexStr(now);
    const ByteStr frame = {0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x25, 0x26, 0x01, 0x00, 0x05,
                           static_cast<std::uint8_t>(hex[0]), static_cast<std::uint8_t>(hex[1]), 0xFD};
    EXPECT_EQ(rig.port.transmittedLog(), frame);
    EXPECT_EQ(rig.image().ReadByte(79), now);
}

TEST_F(ConnectFlow, ReloadRefreshesTheReadOutsOnceAndDispParaShowsTheListing) {
    rig.main().cmd00_Click(0);
    ASSERT_TRUE(rig.runUntil([&] { return InCycle(); }, 20000));
    rig.runFor(5000);
    auto readouts = [&] {
        int n = 0;
        for (auto& e : peer.e8s) n += e.code == 0x03;
        return n;
    };
    EXPECT_EQ(readouts(), 13);
    rig.main().Form_KeyDown(keys::kF5, false);
    rig.runFor(3000);
    EXPECT_EQ(readouts(), 26);
    rig.runFor(3000);
    EXPECT_EQ(readouts(), 26);

    rig.main().cmd00_Click(2);
    ASSERT_TRUE(rig.runUntil([&] { return rig.op().RigN7Prop_DispPara(); }, 3000));
    rig.tick();
    EXPECT_TRUE(rig.win.fra01[3].visible());
    EXPECT_FALSE(rig.win.fra01[1].visible());
    EXPECT_FALSE(rig.win.cmd00[0].enabled());
    EXPECT_TRUE(rig.win.cmd00[2].isDefault);
    EXPECT_EQ(rig.win.txtDispPara.text().substr(0, 30), "                POW HI Level: ");
    rig.main().cmd00_Click(2);
    ASSERT_TRUE(rig.runUntil([&] { return InCycle(); }, 3000));
    rig.tick();
    EXPECT_TRUE(rig.win.fra01[1].visible());
}

struct FailureCase {
    const char* name;
    std::function<void(ReadoutPeer&, ProgramRig&)> arrange;
    std::string firstLine;
};

// Test names and failure reports show the case by its name.
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class ConnectFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ConnectFailure, ShowsTheMessageOnceClosesThePortAndGoesIdle) {
    ReadoutPeer peer;
    ProgramRig rig(&peer);
    peer.clock = &rig.clock;
    GetParam().arrange(peer, rig);
    ASSERT_TRUE(rig.Start());
    rig.main().cmd00_Click(0);
    rig.runFor(10000);
    ASSERT_EQ(rig.desktop.messages.size(), 1u) << GetParam().name;
    const std::string& m = rig.desktop.messages[0];
    EXPECT_EQ(m.substr(0, m.find('\r')), GetParam().firstLine);
    EXPECT_FALSE(rig.com().comOpen());
    EXPECT_EQ(rig.op().OpState(), 0);
    EXPECT_EQ(rig.win.lblComBusy.caption(), "COM1: CLOSE");
    EXPECT_TRUE(rig.win.fra01[0].visible());
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ConnectFailure,
    ::testing::Values(
        FailureCase{"silent", [](ReadoutPeer& p, ProgramRig&) { p.silent = true; }, "No answer from transceiver."},
        FailureCase{"sub code", [](ReadoutPeer& p, ProgramRig&) { p.subCode0 = 0x02; }, "Version number does not match"},
        FailureCase{"record missing", [](ReadoutPeer& p, ProgramRig&) { p.skipRecord = 0x1230; }, "Illegal data."},
        FailureCase{"no port", [](ReadoutPeer&, ProgramRig& r) { r.port.setExistingPorts({2}); }, "Cannot access COM1."}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (auto& ch : n) if (ch == ' ') ch = '_';
        return n;
    });

TEST(ConnectPort, PortOutsideTheHostsRangeIsNeverReplacedByPort1) {
    linktest::ScriptedPeer peer;
    ProgramRig rig(&peer);
    testsupport::WriteFile(rig.dir.file("ZSN7ADJ.rs"), "[OPTION]\nComPort=12\n");
    ASSERT_TRUE(rig.Start());
    rig.tick();
    EXPECT_EQ(rig.win.lblComBusy.caption(), "COM12: CLOSE");
    rig.main().cmd00_Click(0);
    rig.runFor(1000);
    ASSERT_EQ(rig.desktop.messages.size(), 1u);
    EXPECT_EQ(rig.desktop.messages[0].substr(0, 20), "Cannot access COM12.");
    EXPECT_EQ(rig.port.openCount(), 0);  // no port was opened at all
    EXPECT_TRUE(peer.frames.empty());
}

} // namespace

namespace {

TEST_F(ConnectFlow, BackupSavesTheImageReadOnlyAfterACompleteCloneRead) {
    rig.tick();
    EXPECT_FALSE(rig.win.mnuFileSaveImage.enabled());
    rig.win.saveAnswer = rig.dir.file("backup.bin");
    rig.main().mnuFileSaveImage_Click();
    EXPECT_TRUE(rig.win.saveAsked.empty());  // nothing to save yet
    rig.main().cmd00_Click(0);
    ASSERT_TRUE(rig.runUntil([&] { return InCycle(); }, 20000));
    rig.tick();
    EXPECT_TRUE(rig.win.mnuFileSaveImage.enabled());
    rig.runFor(8000);  // the first cycle has sent everything
    const ByteStr asRead = rig.image().bytes();
    EXPECT_EQ(asRead, peer.image);
    // An adjustment after the read is not part of the backup.
    rig.select(1);  // " Power(Hi)"
    rig.key(keys::kRight, true);
    rig.runFor(500);
    ASSERT_NE(rig.image().bytes(), asRead);
    const std::size_t sent = rig.port.transmittedLog().size();
    rig.main().mnuFileSaveImage_Click();
    ASSERT_EQ(rig.win.saveAsked.size(), 1u);
    EXPECT_EQ(testsupport::ReadFile(rig.dir.file("backup.bin")), std::string(asRead.begin(), asRead.end()));
    rig.tick();
    EXPECT_EQ(rig.port.transmittedLog().size(), sent);  // nothing went to the radio
    // A folder that cannot be written: a clear message, nothing else changes.
    rig.win.saveAnswer = rig.dir.file("no/such/folder/backup.bin");
    rig.main().mnuFileSaveImage_Click();
    ASSERT_EQ(rig.desktop.messages.size(), 1u);
    EXPECT_EQ(rig.desktop.messages[0].substr(0, 35), "Cannot save the EEPROM image to '" + rig.dir.file("no").substr(0, 2));
    // A new connection disables it until its clone read completes.
    peer.silent = true;
    rig.main().cmd00_Click(0);
    rig.runFor(600);
    EXPECT_FALSE(rig.win.mnuFileSaveImage.enabled());
}

} // namespace
