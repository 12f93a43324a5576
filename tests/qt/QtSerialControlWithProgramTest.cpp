// The Qt serial control under the real program: what the program puts on a
// real pseudo-terminal at the start of a clone read, and the radio's end of
// the line going away in the middle of the adjustment cycle, as when the cable
// or the adapter is pulled.
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <optional>
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
    // COM1 is mapped to a link that the simulator removes at its end, as a
    // by-id link goes with its adapter. Mapped to the terminal itself, a test
    // running beside this one could be given the same terminal number the
    // moment it is freed, and the device would never look gone.
    const std::string link = dir.file("radio-link");
    qtwin::SimExe sim({QStringLiteral("--link"), QString::fromStdString(link)});
    ASSERT_FALSE(sim.path().empty()) << "zt-n7-sim did not start: " << sim.errors().toStdString();
    ASSERT_TRUE(Start(link));
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->portLabel()->text() == QStringLiteral("COM1: not present"); }, 10000));
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


// The simulated radio served in this process on the master side of a
// pseudo-terminal, from the event loop, with the cable's echo. On request it
// damages one digit of its next S-meter read-out answer, keeping it a hex
// digit (no check of the answer can see it), and tells the test's driver to
// count the framing error that the damaged byte came with.
class ServedRadio {
public:
    explicit ServedRadio(qttest::PtyLine& pty) : pty_(pty) {
        clock_.start();
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] { pump(); });
        timer_.start();
    }
    zsim::ZtN7Sim sim;
    bool damageNextSMeterAnswer = false;
    bool damageOnTheLine = false;  // sent, not yet counted by the driver
    int damagedAnswers = 0;
    int requestsAtDamage = 0;  // S-meter read-out requests up to the damaged answer

    // S-meter read-out requests (code 3, channel 4) the radio has taken.
    int sMeterRequests() const {
        return static_cast<int>(std::count_if(sim.e8Log().begin(), sim.e8Log().end(),
                                              [](const auto& c) { return c.code == 3 && c.value == 4; }));
    }

private:
    void pump() {
        sim.elapse(static_cast<std::int32_t>(clock_.restart()));
        flush();
        const ByteStr in = pty_.receive();
        if (in.empty()) return;
        out_.insert(out_.end(), in.begin(), in.end());  // the cable's echo
        const std::size_t logged = sim.e8Log().size();
        ByteStr answer = sim.feed(in);
        const bool sMeterAsked = std::any_of(sim.e8Log().begin() + static_cast<std::ptrdiff_t>(logged),
                                             sim.e8Log().end(), [](const auto& c) { return c.code == 3 && c.value == 4; });
        // FE FE EF EE E8 main(2) sub(2) 03 hi lo FD: the high digit.
        if (damageNextSMeterAnswer && sMeterAsked && answer.size() >= 13 && answer[9] == 0x03) {
            answer[10] = answer[10] == 'C' ? '4' : 'C';
            damageNextSMeterAnswer = false;
            damageOnTheLine = true;
            ++damagedAnswers;
            requestsAtDamage = sMeterRequests();
        }
        out_.insert(out_.end(), answer.begin(), answer.end());
        flush();
    }
    // The terminal takes a few kilobytes at a time: the rest of the clone
    // read stream waits here.
    void flush() {
        if (!out_.empty()) out_.erase(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(pty_.sendSome(out_)));
    }

    qttest::PtyLine& pty_;
    QTimer timer_;
    QElapsedTimer clock_;
    ByteStr out_;  // for the line, not yet taken by the terminal
};

// A read-out answer carries no checksum: a digit damaged into another hex
// digit passes every check of the answer. On a real port the damaged byte
// comes with a framing error that the driver counts; the test plays that
// driver, counting the error with the reading that holds the damaged answer.
// The reading is dropped, the read-out times out and is asked for again, and
// the S-meter point stored in the radio (E8 code 19) is the sound level.
// Fails when the serial control raises the error before it hands over the
// same reading's bytes (the port host clears its partial frame, then parses
// the damaged answer as a whole frame and sends the damaged level).
TEST_F(QtSerialControlWithProgram, ADamagedReadoutDigitInsideOneReadingIsDroppedAndNeverReachesTheRadioAsAnSMeterValue) {
    qttest::PtyLine pty;
    ASSERT_TRUE(pty.ok());
    ServedRadio radio(pty);
    constexpr int kLevel = 0x42;  // answered as "42"; damaged it reads "C2"
    radio.sim.sdModel([](int, int) { return kLevel; });
    ASSERT_TRUE(Start(pty.slavePath()));
    platform::qt::LineErrorCounts counts;
    serial->setLineErrorCounter([&](int) -> std::optional<platform::qt::LineErrorCounts> {
        if (radio.damageOnTheLine && serial->inBufferCount() > 0) {
            radio.damageOnTheLine = false;
            ++counts.frame;
        }
        return counts;
    });

    QTest::mouseClick(window->button(0), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return qtwin::ConnectedAndRead(*window); }, 60000))
        << "messages: " << desktop.messages.size();
    QListWidget* console = window->consoleList();
    const int sMeter = qtwin::RowStartingWith(console, QStringLiteral("   S-METER"));
    ASSERT_GE(sMeter, 0);
    console->setFocus();
    console->setCurrentRow(sMeter);
    QTest::keyClick(console, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return console->item(sMeter)->text().contains(QStringLiteral(": RSSI S3 Level ")); },
                                10000))
        << console->item(sMeter)->text().toStdString();
    QTest::qWait(500);

    // Enter stores the level of the reading that ends next: its answer is
    // the damaged one.
    radio.damageNextSMeterAnswer = true;
    QTest::keyClick(console, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return std::any_of(radio.sim.e8Log().begin(), radio.sim.e8Log().end(),
                           [](const auto& c) { return c.code == 19; });
    }, 15000)) << "no S3 point stored; damaged answers: " << radio.damagedAnswers;
    EXPECT_EQ(radio.damagedAnswers, 1);
    EXPECT_EQ(counts.frame, 1u);
    // The dropped answer was asked for again.
    EXPECT_GT(radio.sMeterRequests(), radio.requestsAtDamage);
    for (const auto& c : radio.sim.e8Log()) {
        if (c.code == 18 || c.code == 19) {
            EXPECT_EQ(c.value, kLevel) << "E8 code " << c.code;
        }
    }
    EXPECT_TRUE(desktop.messages.empty()) << desktop.messages.front();
}

}  // namespace
