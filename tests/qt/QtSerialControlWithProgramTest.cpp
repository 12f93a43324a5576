// The Qt serial control under the real program: what the program puts on a
// real pseudo-terminal at the start of a clone read, and the radio's end of
// the line going away in the middle of the adjustment cycle, as when the cable
// or the adapter is pulled.
#include <algorithm>
#include <string>

#include "ZtN7Sim.h"
#include "link/clsCmcXfr3Drv.h"
#include "link/Xfr3Frame.h"
#include "link/clsCmcXfr3Sequence.h"
#include "model/clsIndOp_RigN7.h"
#include "platform/qt/LineErrorCounts.h"
#include "qt/PtyLine.h"
#include "qt/WindowWithSim.h"

namespace {

using QtSerialControlWithProgram = qtwin::WindowWithSim;

std::size_t Find(const ByteStr& hay, const ByteStr& needle, std::size_t from = 0) {
    if (from > hay.size()) return std::string::npos;
    const auto it = std::search(hay.begin() + static_cast<std::ptrdiff_t>(from), hay.end(), needle.begin(), needle.end());
    return it == hay.end() ? std::string::npos : static_cast<std::size_t>(it - hay.begin());
}

// The far end of a pseudo-terminal playing just enough of the radio for the
// start of a clone read: the cable's echo of every byte and the answer to
// each identity request. It keeps everything the program put on the line.
class IdentityOnlyRadio {
public:
    explicit IdentityOnlyRadio(qttest::PtyLine& pty) : pty_(pty) {}

    void pump() {
        const ByteStr in = pty_.receive();
        if (in.empty()) return;
        line_.insert(line_.end(), in.begin(), in.end());
        pty_.send(in);  // the cable's echo
        const ByteStr request = {xfr3::kPreamble, xfr3::kAdrRadio, xfr3::kAdrProgram, xfr3::kCmdIdentity};
        for (std::size_t at; (at = Find(line_, request, answeredUpTo_)) != std::string::npos &&
                             Find(line_, {xfr3::kEnd}, at) != std::string::npos;) {
            answeredUpTo_ = at + request.size();
            pty_.send({xfr3::kPreamble, xfr3::kPreamble, xfr3::kAdrProgram, xfr3::kAdrRadio,
                       xfr3::kCmdIdentityAnswer, 0x25, 0x26, 0x01, 0x00, xfr3::kEnd});
        }
    }
    const ByteStr& line() const { return line_; }

private:
    qttest::PtyLine& pty_;
    ByteStr line_;
    std::size_t answeredUpTo_ = 0;
};

// The program writes the high-speed request, closes the port, opens it at
// 38400 baud, writes the preamble burst and opens it again (a discard of what
// is still unsent) before it writes the clone read request, all within two
// passes. What the control has handed to the system by then is on the line; a
// pseudo-terminal sends at once, so here all of it arrives.
TEST_F(QtSerialControlWithProgram, HighSpeedRequestAndPreambleBurstPrecedeTheCloneReadRequest) {
    qttest::PtyLine pty;
    ASSERT_TRUE(pty.ok());
    IdentityOnlyRadio radio(pty);
    ASSERT_TRUE(Start(pty.slavePath()));
    QTest::mouseClick(window->button(0), Qt::LeftButton);

    const ByteStr cloneRead = {xfr3::kAdrRadio, xfr3::kAdrProgram, xfr3::kCmdCloneRead, 0x25, 0x26, 0x01, 0x00,
                               xfr3::kEnd};
    ASSERT_TRUE(QTest::qWaitFor([&] {
        radio.pump();
        return Find(radio.line(), cloneRead) != std::string::npos;
    }, 10000)) << "bytes on the line: " << radio.line().size() << "; messages: " << desktop.messages.size();
    const ByteStr& line = radio.line();

    const std::size_t identity = Find(line, xfr3::BuildFrame({xfr3::kCmdIdentity, 0x25, 0x26, 0x00, 0x00}));
    const ByteStr highSpeedFrame = xfr3::BuildFrame({xfr3::kCmdAdjust, 0x25, 0x26, 0x01, 0x00, 0x01, '0', '9'});
    const std::size_t highSpeed = Find(line, highSpeedFrame);
    const std::size_t request = Find(line, cloneRead);
    ASSERT_NE(identity, std::string::npos);
    ASSERT_NE(highSpeed, std::string::npos) << "no high-speed request on the line";
    EXPECT_LT(identity, highSpeed);
    ASSERT_LT(highSpeed, request);

    // From the end of the high-speed request to the clone read request's
    // addresses there is nothing but 0xFE: the 39-byte burst and the
    // request's own preamble of two.
    const std::size_t afterHighSpeed = highSpeed + highSpeedFrame.size();
    const auto gap = static_cast<std::ptrdiff_t>(request - afterHighSpeed);
    EXPECT_TRUE(std::all_of(line.begin() + static_cast<std::ptrdiff_t>(afterHighSpeed),
                            line.begin() + static_cast<std::ptrdiff_t>(request),
                            [](std::uint8_t b) { return b == xfr3::kPreamble; }));
    EXPECT_EQ(gap, 39 + 2);
    RecordProperty("preambleBytesBeforeTheCloneReadRequest", static_cast<int>(gap));
}

TEST_F(QtSerialControlWithProgram, PulledCableIsReportedOnceAndThePortStaysClosed) {
    qtwin::SimExe sim({});
    ASSERT_FALSE(sim.path().empty()) << "zt-n7-sim did not start: " << sim.errors().toStdString();
    ASSERT_TRUE(Start(sim.path()));
    QTest::mouseClick(window->button(0), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return qtwin::ConnectedAndRead(*window); }, 60000))
        << "messages: " << desktop.messages.size()
        << (desktop.messages.empty() ? "" : " first: " + desktop.messages.front());
    ASSERT_TRUE(desktop.messages.empty());
    ASSERT_EQ(window->portLabel()->text(), QStringLiteral("COM1: OPEN"));

    sim.stop();  // the far end of the pseudo-terminal is gone
    ASSERT_TRUE(QTest::qWaitFor([&] { return !desktop.messages.empty(); }, 15000));
    RecordProperty("message", desktop.messages.front());
    // Idle, and the terminal behind COM1 is gone with its far end.
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->portLabel()->text() == QStringLiteral("COM1: not present"); }, 2000));
    EXPECT_FALSE(serial->portOpen());

    // The program stays usable and quiet: no second message, no reopening.
    QTest::qWait(2000);
    EXPECT_EQ(desktop.messages.size(), 1u) << desktop.messages.back();
    EXPECT_EQ(window->portLabel()->text(), QStringLiteral("COM1: not present"));
    EXPECT_EQ(ended, 0);
}

// The system drops received bytes for a full receive buffer in the middle of
// the clone read, which the device's driver counts. The program must not take
// the image it got as the radio's: one message, the link idle and the port
// closed, and nothing sent to the radio afterwards.
TEST_F(QtSerialControlWithProgram, ReceiveOverflowCountedMidCloneReadIsReportedOnceAndTheRadioLeftAlone) {
    const std::string saved = dir.file("sim-eeprom.bin");
    // Paced at the line speed, so the transfer takes its real few seconds.
    qtwin::SimExe sim({QStringLiteral("--pace"), QStringLiteral("--save"), QString::fromStdString(saved)});
    ASSERT_FALSE(sim.path().empty()) << "zt-n7-sim did not start: " << sim.errors().toStdString();
    ASSERT_TRUE(Start(sim.path()));

    // A pseudo-terminal counts nothing; the test plays a driver that does,
    // and counts one overflow once a sixth of the image has been stored.
    platform::qt::LineErrorCounts counts;
    std::int32_t struckAt = -1;
    serial->setLineErrorCounter([&](int) -> std::optional<platform::qt::LineErrorCounts> {
        const std::int32_t adr = program->com().xfr3D().lastEeAdr();
        if (struckAt < 0 && serial->settings() == "38400,N,8,1" && adr >= 0x0800) {
            struckAt = adr;
            ++counts.bufOverrun;
        }
        return counts;
    });

    QTest::mouseClick(window->button(0), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !desktop.messages.empty(); }, 30000))
        << "struck at " << struckAt << "; console lines: " << window->consoleList()->count();
    ASSERT_GE(struckAt, 0x0800);
    EXPECT_LT(struckAt, 0x2FFF);  // mid-transfer
    RecordProperty("struckAtAddress", static_cast<int>(struckAt));

    // The program keeps running; whatever it does next must not send a
    // second message or open the port again.
    QTest::qWait(2000);
    ASSERT_EQ(desktop.messages.size(), 1u) << desktop.messages.back();
    EXPECT_EQ(desktop.messages.front(),
              "COM buffer overflow.\r\n\r\nCheck the following:\r\n- The COM port settings.\r\n"
              "- Cloning cable connections.\r\n- Transceiver power is ON.");
    EXPECT_FALSE(program->sequencer().OpRunning());
    EXPECT_EQ(program->operation().OpState(), 0);
    EXPECT_FALSE(serial->portOpen());
    EXPECT_EQ(window->portLabel()->text(), QStringLiteral("COM1: CLOSE"));
    EXPECT_FALSE(window->consoleList()->count() == 16 && window->consoleList()->isVisible());

    // No adjustment command reached the radio: its EEPROM is as it was.
    ASSERT_TRUE(sim.stop());
    const std::string image = qtwin::ReadFile(saved);
    ASSERT_EQ(image.size(), 12288u);
    const ByteStr original = zsim::ZtN7Sim::DefaultImage();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), original.begin(),
                           [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }));
}

}  // namespace
