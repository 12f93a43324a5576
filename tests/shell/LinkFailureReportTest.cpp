// How the running program reports a failed radio operation: the link is
// reset before the message box opens, a tick that runs while the box is
// open finds nothing more to report, and the remaining failure paths of a
// connection (wrong model code, a corrupted clone record) each give their
// message once. Also: closing the window with the port open.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <stdexcept>

#include "link/LinkTestSupport.h"
#include "support/ProgramRig.h"

using testsupport::ProgramRig;

namespace {

// A desktop whose message box runs a callback while it is "open", as a
// modal box lets the event loop (and so the timer) run.
class ModalDesktop : public platform::IDesktop {
public:
    int messageBox(const std::string& text, const std::string&) override {
        messages.push_back(text);
        if (whileOpen) whileOpen();
        return platform::kMsgBoxOk;
    }
    void beep() override {}
    std::string programFolder() override { return folder; }
    bool previousInstance() override { return false; }
    std::vector<std::string> messages;
    std::function<void()> whileOpen;
    std::string folder;
};

TEST(LinkFailureReport, TheLinkIsResetBeforeTheBoxOpens) {
    linktest::ScriptedPeer peer;
    peer.silent = true;
    ProgramRig rig(&peer);
    ModalDesktop desk;
    desk.folder = rig.dir.path().string();
    platform::SetDesktop(&desk);
    ASSERT_TRUE(rig.Start());
    struct Seen { bool portOpen, cannotOpen, overflow; std::int16_t nowError, opState; bool seqRunning; };
    std::vector<Seen> seen;
    desk.whileOpen = [&] {
        seen.push_back({rig.com().comOpen(), rig.com().errCannotOpen(), rig.com().errOverflow(),
                        rig.com().xfr3D().nowError(), rig.op().OpState(), rig.seq().OpRunning()});
        // Ticks go on while the box is open; none may report again.
        for (int i = 0; i < 5 && desk.messages.size() < 3; ++i) rig.tick();
    };
    rig.main().cmd00_Click(0);
    rig.runFor(6000);
    ASSERT_EQ(desk.messages.size(), 1u);
    EXPECT_EQ(desk.messages[0].substr(0, 28), "No answer from transceiver.\r");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_FALSE(seen[0].portOpen);
    EXPECT_FALSE(seen[0].cannotOpen);
    EXPECT_FALSE(seen[0].overflow);
    EXPECT_EQ(seen[0].nowError, 0);
    EXPECT_EQ(seen[0].opState, 0);
    EXPECT_FALSE(seen[0].seqRunning);
}

// A transceiver scripted by the test: identity answer and clone stream.
struct StreamPeer : linktest::ScriptedPeer {
    ByteStr identity = linktest::IdentityAnswer();
    std::function<ByteStr(std::int32_t, ByteStr)> recordWire;  // the wire bytes of one record
    StreamPeer() {
        silent = true;  // every answer comes from here
        extra = [this](const ByteStr& body, platform::MemSerialPort& port) {
            if (body.size() < 3 || body[0] != 0xEE) return;
            if (body[2] == 0xE0) port.deliverToHost(linktest::RadioWire(identity));
            if (body[2] == 0xE2) {
                ByteStr all;
                for (std::int32_t a = 0; a < 0x3000; a += 16) {
                    ByteStr wire = linktest::Cat(
                        linktest::Cat({0xFE, 0xFE}, linktest::RecordBody(a, ByteStr(image.begin() + a, image.begin() + a + 16))),
                        {0xFD});
                    all = linktest::Cat(all, recordWire ? recordWire(a, wire) : wire);
                }
                port.deliverToHost(linktest::Cat(all, linktest::RadioWire(xfr3::SignatureData())));
            }
        };
    }
};

struct PathCase {
    const char* name;
    std::function<void(StreamPeer&)> arrange;
    std::string message;
};

// Test names and failure reports show the case by its name.
void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }

class ConnectFailureMore : public ::testing::TestWithParam<PathCase> {};

TEST_P(ConnectFailureMore, ShowsTheExactMessageOnceAndGoesIdle) {
    StreamPeer peer;
    GetParam().arrange(peer);
    ProgramRig rig(&peer);
    ASSERT_TRUE(rig.Start());
    rig.main().cmd00_Click(0);
    rig.runFor(10000);
    ASSERT_EQ(rig.desktop.messages.size(), 1u);
    EXPECT_EQ(rig.desktop.messages[0], GetParam().message);
    EXPECT_FALSE(rig.com().comOpen());
    EXPECT_EQ(rig.op().OpState(), 0);
    EXPECT_TRUE(rig.win.fra01[0].visible());
    EXPECT_TRUE(rig.win.cmd00[0].enabled());
    EXPECT_FALSE(rig.win.cmd00[1].enabled());
    // The same radio works again once it is mended: "Connect" recovers.
    peer.identity = linktest::IdentityAnswer();
    peer.recordWire = nullptr;
    rig.main().cmd00_Click(0);
    EXPECT_TRUE(rig.runUntil([&] { return rig.op().RigN7Prop_EditEnabled(); }, 20000));
    EXPECT_EQ(rig.desktop.messages.size(), 1u);
}

const std::string kFullList =
    "\r\n\r\nCheck the following:\r\n- The COM port settings.\r\n- Cloning cable connections.\r\n"
    "- Transceiver power is ON.";

INSTANTIATE_TEST_SUITE_P(
    Paths, ConnectFailureMore,
    ::testing::Values(
        PathCase{"wrong_model_code", [](StreamPeer& p) { p.identity = {0xE1, 0x25, 0x27, 0x01, 0x00}; },
                 "Cannot Clone." + kFullList},
        PathCase{"corrupted_record",
                 [](StreamPeer& p) {
                     p.recordWire = [](std::int32_t a, ByteStr w) {
                         // One data character of the record at 0x1230 changes on the line.
                         if (a == 0x1230) w[12] = static_cast<std::uint8_t>(w[12] == '0' ? '1' : '0');
                         return w;
                     };
                 },
                 "Illegal data." + kFullList}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProgramExit, ClosingWithThePortOpenClosesItAndSavesTheMenusValues) {
    linktest::ScriptedPeer peer;
    peer.answerE8 = false;
    ProgramRig rig(&peer);
    ASSERT_TRUE(rig.Start());
    rig.main().mnuOptionSelAutoRelease_Click(2);
    rig.main().cmd00_Click(0);
    ASSERT_TRUE(rig.runUntil([&] { return rig.com().comOpen() && rig.op().RigN7Prop_EditEnabled(); }, 20000));
    rig.main().Form_QueryUnload();
    EXPECT_FALSE(rig.port.portOpen());
    EXPECT_FALSE(rig.timer.enabled());
    EXPECT_EQ(rig.ended, 1);
    EXPECT_EQ(rig.profile(), testsupport::NewFileText("[OPTION]\nComPort=1\nComAutoRelease=2\n"));
}

TEST(TickFailure, AnUnexpectedFailureEndsThatPassOnlyAndIsNoted) {
    linktest::ScriptedPeer peer;
    peer.answerE8 = false;
    peer.extra = [](const ByteStr& body, platform::MemSerialPort& port) {
        // Read-out requests get a well-formed level of 40h.
        if (body.size() >= 8 && body[0] == 0xEE && body[2] == 0xE8 && body[7] == 0x03)
            port.deliverToHost(linktest::RadioWire({0xE8, 0x25, 0x26, 0x01, 0x00, 0x03, '4', '0'}));
    };
    ProgramRig rig(&peer);
    ASSERT_TRUE(rig.Start());
    clsCmcXfr3Drv& drv = rig.com().xfr3D();
    int throws = 2;
    rig.op().E8AnswerSource([&]() -> ByteStr {
        if (throws > 0) {
            --throws;
            throw std::out_of_range("answer index");
        }
        return drv.varLastE8Answer();
    });
    testing::internal::CaptureStderr();
    rig.main().cmd00_Click(0);
    const bool inCycle = rig.runUntil([&] { return rig.op().RigN7Prop_EditEnabled() && throws == 0; }, 20000);
    rig.runFor(3000);
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(inCycle);
    EXPECT_EQ(throws, 0);
    EXPECT_NE(err.find("answer index"), std::string::npos) << err;
    // The program went on: the read-outs completed, nothing was reported,
    // and the status label is still refreshed.
    EXPECT_TRUE(rig.desktop.messages.empty());
    EXPECT_TRUE(rig.op().RigN7Prop_EditEnabled());
    for (int line = 1; line <= 4; ++line) EXPECT_NE(rig.win.lbo01[0].list(line).find(":40h"), std::string::npos) << line;
    EXPECT_EQ(rig.win.lblComBusy.caption(), "COM1: OPEN");
}

} // namespace
