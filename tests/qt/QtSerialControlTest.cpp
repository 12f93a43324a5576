// The Qt serial control against a real pseudo-terminal: the control opens the
// slave side through the options profile's port map, the test is the far end.
#include "platform/qt/QtSerialControl.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

#include "platform/Profile.h"
#include "qt/PtyLine.h"

namespace {

using platform::qt::LineErrorCounts;
using platform::qt::QtSerialControl;
using qttest::PtyLine;
using qttest::PumpFor;
using qttest::PumpUntil;

ByteStr Bytes(std::initializer_list<int> v) {
    ByteStr out;
    for (int b : v) out.push_back(static_cast<std::uint8_t>(b));
    return out;
}

ByteStr Pattern(std::size_t n, std::size_t start = 0) {
    ByteStr out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>((start + i) * 7 + (start + i) / 251);
    return out;
}

// The device driver's line-error counters, played by the test: the control
// reads them through the counter source it was given.
struct FakeDriverCounts {
    LineErrorCounts counts;
    std::vector<int> descriptors;  // what the control asked about
    platform::qt::LineErrorCounter source() {
        return [this](int fd) -> std::optional<LineErrorCounts> {
            descriptors.push_back(fd);
            return counts;
        };
    }
};

class QtSerialControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(dir.isValid());
        profile = dir.filePath("ZSN7ADJ.rs").toStdString();
        mapCom1(pty.slavePath());
        ctl = std::make_unique<QtSerialControl>(profile);
        // What the port host sets before every opening.
        ctl->setCommPort(1);
        ctl->setSettings("9600,N,8,1");
        ctl->setDTREnable(true);
        ctl->setRTSEnable(true);
        ctl->setInBufferSize(32760);
        ctl->setOutBufferSize(1024);
        ctl->setRThreshold(1);
        ctl->setOnComm([this](int ev) {
            events.push_back(ev);
            // Like the port host: a receive event drains everything at once.
            if (ev == platform::comEvReceive && drainOnReceive && ctl->inBufferCount() > 0) {
                const ByteStr in = ctl->input();
                received.insert(received.end(), in.begin(), in.end());
            }
        });
    }
    void TearDown() override { ctl.reset(); }

    void mapCom1(const std::string& device) {
        ASSERT_TRUE(platform::WritePrivateProfileString("PORTS", "COM1", device, profile));
    }
    int count(int ev) const { return static_cast<int>(std::count(events.begin(), events.end(), ev)); }

    PtyLine pty;
    QTemporaryDir dir;
    std::string profile;
    std::unique_ptr<QtSerialControl> ctl;
    std::vector<int> events;
    bool drainOnReceive = true;
    ByteStr received;
    std::size_t kept = 0;  // bytes the control holds before a damaged reading
};

TEST_F(QtSerialControlTest, CarriesBytesBothWaysAndRaisesTheReceiveEvent) {
    ASSERT_TRUE(ctl->setPortOpen(true)) << ctl->lastErrorText();
    EXPECT_TRUE(ctl->portOpen());
    EXPECT_EQ(ctl->deviceName(), pty.slavePath());

    const ByteStr frame = Bytes({0xFE, 0xFE, 0xEE, 0xEF, 0xE0, 0x25, 0x26, 0x01, 0x00, 0xFD, 0x00, 0x0A, 0x0D, 0x11, 0x13});
    ASSERT_TRUE(ctl->output(frame));
    ByteStr atFarEnd;
    ASSERT_TRUE(PumpUntil([&] {
        const ByteStr in = pty.receive();
        atFarEnd.insert(atFarEnd.end(), in.begin(), in.end());
        return atFarEnd.size() >= frame.size();
    }));
    EXPECT_EQ(atFarEnd, frame);  // binary: no translation of CR, LF, XON, XOFF
    EXPECT_TRUE(PumpUntil([&] { return ctl->outBufferCount() == 0; }));

    const ByteStr answer = Bytes({0xFE, 0xFE, 0xEF, 0xEE, 0xE1, 0x0D, 0x0A, 0x11, 0x13, 0x03, 0x7F, 0xFF, 0xFD});
    ASSERT_TRUE(pty.send(answer));
    ASSERT_TRUE(PumpUntil([&] { return received.size() >= answer.size(); }));
    EXPECT_EQ(received, answer);
    EXPECT_GE(count(platform::comEvReceive), 1);
    EXPECT_EQ(ctl->inBufferCount(), 0);
    EXPECT_EQ(events.size(), static_cast<std::size_t>(count(platform::comEvReceive)));  // no line errors
}

TEST_F(QtSerialControlTest, ReadsEverythingWaitingAtOnceAndHonoursTheReceiveThreshold) {
    drainOnReceive = false;
    ctl->setRThreshold(0);  // no receive events at all
    ASSERT_TRUE(ctl->setPortOpen(true)) << ctl->lastErrorText();
    const ByteStr a = Pattern(100), b = Pattern(900, 100), c = Pattern(1, 1000);
    ASSERT_TRUE(pty.send(a));
    ASSERT_TRUE(pty.send(b));
    ASSERT_TRUE(pty.send(c));
    ASSERT_TRUE(PumpUntil([&] { return ctl->inBufferCount() >= 1001; }));
    EXPECT_EQ(ctl->inBufferCount(), 1001);
    EXPECT_EQ(ctl->input(), Pattern(1001));
    EXPECT_EQ(ctl->inBufferCount(), 0);
    EXPECT_TRUE(ctl->input().empty());
    EXPECT_TRUE(events.empty());

    // The high-speed threshold: no event below 1024 waiting bytes, one at it.
    ctl->setRThreshold(1024);
    ASSERT_TRUE(pty.send(Pattern(1000)));
    ASSERT_TRUE(PumpUntil([&] { return ctl->inBufferCount() >= 1000; }));
    PumpFor(50);
    EXPECT_EQ(count(platform::comEvReceive), 0);
    ASSERT_TRUE(pty.send(Pattern(24, 1000)));
    ASSERT_TRUE(PumpUntil([&] { return count(platform::comEvReceive) > 0; }));
    EXPECT_EQ(ctl->input(), Pattern(1024));
}

TEST_F(QtSerialControlTest, BytesGoToTheSystemAtOnceSoADiscardOrCloseRightAfterKeepsThem) {
    // As the program does at the start of a clone read: bytes, then a
    // discard, more bytes, then the port closed, all without the event loop
    // running in between. A pseudo-terminal takes everything at once and
    // counts none of it as unsent, so all of it is on the line.
    ASSERT_TRUE(ctl->setPortOpen(true)) << ctl->lastErrorText();
    ASSERT_TRUE(ctl->output(Pattern(300)));
    EXPECT_EQ(ctl->outBufferCount(), 0);
    ctl->discardOutput();
    ASSERT_TRUE(ctl->output(Pattern(200, 300)));
    ASSERT_TRUE(ctl->setPortOpen(false));

    ByteStr atFarEnd;
    PumpUntil([&] {
        const ByteStr in = pty.receive();
        atFarEnd.insert(atFarEnd.end(), in.begin(), in.end());
        return atFarEnd.size() >= 500;
    });
    PumpFor(50);
    const ByteStr late = pty.receive();
    atFarEnd.insert(atFarEnd.end(), late.begin(), late.end());
    EXPECT_TRUE(atFarEnd == Pattern(500)) << atFarEnd.size() << " bytes";
}

// The far end stops reading until the system's queue is full: what the
// system does not take waits in the control and counts as unsent.
TEST_F(QtSerialControlTest, TransmitQueueNeverHoldsMoreThanItsSizeAndDiscardDropsOnlyWhatIsUnsent) {
    ASSERT_TRUE(ctl->setPortOpen(true)) << ctl->lastErrorText();
    ASSERT_EQ(ctl->outBufferSize(), 1024);

    // Whatever fits keeps going in until the line backs up; the count never
    // passes the queue's size.
    std::size_t sent = 0;
    int maxCount = 0;
    bool backedUp = false;
    QElapsedTimer t;
    t.start();
    int refusedInARow = 0;
    while (t.elapsed() < 10000 && sent < (8u << 20)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const int n = ctl->outBufferCount();
        maxCount = std::max(maxCount, n);
        const int room = ctl->outBufferSize() - n;
        if (room > 0 && ctl->output(Pattern(static_cast<std::size_t>(room), sent))) {
            sent += static_cast<std::size_t>(room);
            refusedInARow = 0;
        } else if (++refusedInARow > 200) {
            backedUp = true;
            break;
        }
        maxCount = std::max(maxCount, ctl->outBufferCount());
    }
    ASSERT_TRUE(backedUp) << "the queue never filled after " << sent << " bytes";
    RecordProperty("bytesBeforeTheLineBackedUp", static_cast<int>(sent));
    EXPECT_LE(maxCount, 1024);
    ASSERT_EQ(ctl->outBufferCount(), 1024);

    // A write that does not fit is refused whole and reported; none of it
    // reaches the line (the pattern would not continue if it did).
    EXPECT_FALSE(ctl->output(Bytes({0x55})));
    ASSERT_TRUE(PumpUntil([&] { return count(platform::comEventTxFull) >= 1; }));

    // The far end reads again: every byte arrives, in order, once.
    ByteStr atFarEnd;
    ASSERT_TRUE(PumpUntil([&] {
        const ByteStr in = pty.receive();
        atFarEnd.insert(atFarEnd.end(), in.begin(), in.end());
        return atFarEnd.size() >= sent;
    }, 10000)) << atFarEnd.size() << " of " << sent;
    EXPECT_TRUE(atFarEnd == Pattern(sent));
    EXPECT_TRUE(PumpUntil([&] { return ctl->outBufferCount() == 0; }));

    // Backed up once more, a discard drops what the control still holds: the
    // far end gets the bytes from before it, without that unsent tail, and
    // then what was written after the discard.
    const std::size_t second = sent;
    refusedInARow = 0;
    t.restart();
    while (t.elapsed() < 10000 && refusedInARow <= 200) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const int room = ctl->outBufferSize() - ctl->outBufferCount();
        if (room > 0 && ctl->output(Pattern(static_cast<std::size_t>(room), sent))) {
            sent += static_cast<std::size_t>(room);
            refusedInARow = 0;
        } else {
            ++refusedInARow;
        }
    }
    const int held = ctl->outBufferCount();
    ASSERT_GT(held, 0);
    ctl->discardOutput();
    EXPECT_EQ(ctl->outBufferCount(), 0);
    const ByteStr after = Bytes({'O', 'K'});
    ASSERT_TRUE(ctl->output(after));
    atFarEnd.clear();
    ASSERT_TRUE(PumpUntil([&] {
        const ByteStr in = pty.receive();
        atFarEnd.insert(atFarEnd.end(), in.begin(), in.end());
        return atFarEnd.size() >= 2 && ByteStr(atFarEnd.end() - 2, atFarEnd.end()) == after;
    }, 10000)) << atFarEnd.size() << " bytes";
    const std::size_t kept = atFarEnd.size() - after.size();
    EXPECT_LE(kept, sent - second - static_cast<std::size_t>(held));
    EXPECT_TRUE(ByteStr(atFarEnd.begin(), atFarEnd.begin() + static_cast<std::ptrdiff_t>(kept)) ==
                Pattern(kept, second));
    RecordProperty("bytesKeptByTheDiscard", static_cast<int>(kept));
}

TEST_F(QtSerialControlTest, LineSettingsReachTheDevice) {
    struct Case {
        const char* settings;
        speed_t speed;
        tcflag_t size;
        bool parity, odd, twoStop;
    };
    const Case cases[] = {
        {"9600,N,8,1", B9600, CS8, false, false, false},
        {"38400,N,8,1", B38400, CS8, false, false, false},
        {"1200,N,8,2", B1200, CS8, false, false, true},
    };
    for (const auto& c : cases) {
        ctl->setSettings(c.settings);
        ASSERT_TRUE(ctl->setPortOpen(true)) << c.settings << ": " << ctl->lastErrorText();
        termios t{};
        // A second handle on the device sees the modes the control set.
        const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        const int rc = ::tcgetattr(fd, &t);
        ::close(fd);
        ASSERT_EQ(rc, 0);
        EXPECT_EQ(::cfgetospeed(&t), c.speed) << c.settings;
        EXPECT_EQ(t.c_cflag & CSIZE, c.size) << c.settings;
        EXPECT_EQ((t.c_cflag & PARENB) != 0, c.parity) << c.settings;
        if (c.parity) { EXPECT_EQ((t.c_cflag & PARODD) != 0, c.odd) << c.settings; }
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStop) << c.settings;
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u) << c.settings;
        ASSERT_TRUE(ctl->setPortOpen(false));
        EXPECT_FALSE(ctl->portOpen());
    }
    // A pseudo-terminal carries 8 bits without parity only. Framing the
    // device cannot run fails the opening, rather than talk in another one.
    ctl->setSettings("9600,E,7,1");
    EXPECT_FALSE(ctl->setPortOpen(true));
    EXPECT_FALSE(ctl->portOpen());
    EXPECT_NE(ctl->lastErrorText().find("9600,E,7,1"), std::string::npos) << ctl->lastErrorText();
    EXPECT_TRUE(events.empty());
}

TEST_F(QtSerialControlTest, OpenFailuresAreReportedWithTheReason) {
    const std::string missing = dir.filePath("no-such-tty").toStdString();
    mapCom1(missing);
    EXPECT_FALSE(ctl->setPortOpen(true));
    EXPECT_FALSE(ctl->portOpen());
    EXPECT_EQ(ctl->deviceName(), missing);
    EXPECT_NE(ctl->lastErrorText().find("No such file"), std::string::npos) << ctl->lastErrorText();
    EXPECT_FALSE(ctl->output(Bytes({1})));
    EXPECT_EQ(ctl->inBufferCount(), 0);
    EXPECT_TRUE(ctl->input().empty());
    EXPECT_EQ(ctl->outBufferCount(), 0);
    ctl->discardOutput();

    // A plain file is no serial device.
    const std::string plain = dir.filePath("plain").toStdString();
    FILE* f = std::fopen(plain.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    mapCom1(plain);
    EXPECT_FALSE(ctl->setPortOpen(true));
    EXPECT_FALSE(ctl->lastErrorText().empty());

    // Settings no line can run.
    mapCom1(pty.slavePath());
    ctl->setSettings("9600,X,8,1");
    EXPECT_FALSE(ctl->setPortOpen(true));
    EXPECT_NE(ctl->lastErrorText().find("9600,X,8,1"), std::string::npos) << ctl->lastErrorText();

    // No port 0: no device at all.
    ctl->setSettings("9600,N,8,1");
    ctl->setCommPort(0);
    EXPECT_FALSE(ctl->setPortOpen(true));
    EXPECT_FALSE(ctl->lastErrorText().empty());

    // And the good port still opens afterwards, with the reason cleared.
    ctl->setCommPort(1);
    ASSERT_TRUE(ctl->setPortOpen(true)) << ctl->lastErrorText();
    EXPECT_TRUE(ctl->lastErrorText().empty());
    EXPECT_TRUE(events.empty());
}

TEST_F(QtSerialControlTest, EachOpeningStartsWithEmptyQueues) {
    ASSERT_TRUE(ctl->setPortOpen(true)) << ctl->lastErrorText();
    EXPECT_TRUE(ctl->setPortOpen(true));  // already open: stays open
    ASSERT_TRUE(ctl->output(Pattern(500)));
    ASSERT_TRUE(ctl->setPortOpen(false));
    EXPECT_TRUE(ctl->setPortOpen(false));
    EXPECT_EQ(ctl->outBufferCount(), 0);
    // The system had taken that output before the close: it is on the line.
    ByteStr atFarEnd;
    ASSERT_TRUE(PumpUntil([&] {
        const ByteStr in = pty.receive();
        atFarEnd.insert(atFarEnd.end(), in.begin(), in.end());
        return atFarEnd.size() >= 500;
    }));
    EXPECT_TRUE(atFarEnd == Pattern(500));

    // Bytes the far end sent while the port was closed are stale.
    ASSERT_TRUE(pty.send(Bytes({'o', 'l', 'd'})));
    PumpFor(50);
    ASSERT_TRUE(ctl->setPortOpen(true)) << ctl->lastErrorText();
    PumpFor(100);
    EXPECT_EQ(ctl->inBufferCount(), 0);
    EXPECT_TRUE(received.empty());
    ASSERT_TRUE(pty.send(Bytes({'n', 'e', 'w'})));
    ASSERT_TRUE(PumpUntil([&] { return received.size() >= 3; }));
    EXPECT_EQ(received, Bytes({'n', 'e', 'w'}));
    // The reopening sent nothing again.
    EXPECT_TRUE(pty.receive().empty());
}

TEST_F(QtSerialControlTest, InputBeyondTheReceiveBufferIsReportedOnce) {
    drainOnReceive = false;
    ctl->setInBufferSize(64);
    ASSERT_TRUE(ctl->setPortOpen(true)) << ctl->lastErrorText();
    ASSERT_TRUE(pty.send(Pattern(40)));
    ASSERT_TRUE(PumpUntil([&] { return ctl->inBufferCount() >= 40; }));
    PumpFor(30);
    EXPECT_EQ(count(platform::comEventRxOver), 0);
    ASSERT_TRUE(pty.send(Pattern(40, 40)));
    ASSERT_TRUE(PumpUntil([&] { return count(platform::comEventRxOver) > 0; }));
    ASSERT_TRUE(pty.send(Pattern(40, 80)));
    ASSERT_TRUE(PumpUntil([&] { return ctl->inBufferCount() >= 120; }));
    PumpFor(30);
    EXPECT_EQ(count(platform::comEventRxOver), 1);
    // Once drained, a new overflow is reported again.
    EXPECT_EQ(ctl->input().size(), 120u);
    ASSERT_TRUE(pty.send(Pattern(100)));
    ASSERT_TRUE(PumpUntil([&] { return count(platform::comEventRxOver) == 2; }));
}

TEST_F(QtSerialControlTest, PulledCableClosesThePortOnceAndQuietly) {
    ASSERT_FALSE(pty.devicePath().empty());
    mapCom1(pty.devicePath());  // a name that goes with the device
    ASSERT_TRUE(ctl->setPortOpen(true)) << ctl->lastErrorText();
    ASSERT_TRUE(ctl->output(Pattern(100)));
    pty.closeMaster();
    ASSERT_TRUE(PumpUntil([&] { return !ctl->portOpen(); }));
    ASSERT_TRUE(PumpUntil([&] { return count(platform::comEventDSRTO) == 1; }));
    EXPECT_FALSE(ctl->lastErrorText().empty());
    EXPECT_FALSE(ctl->output(Bytes({1})));
    EXPECT_EQ(ctl->outBufferCount(), 0);
    EXPECT_EQ(ctl->inBufferCount(), 0);
    ctl->discardOutput();

    // Nothing keeps firing afterwards.
    const std::size_t seen = events.size();
    PumpFor(200);
    EXPECT_EQ(events.size(), seen);

    // Closing is harmless; opening again finds the device gone.
    EXPECT_TRUE(ctl->setPortOpen(false));
    EXPECT_FALSE(ctl->setPortOpen(true));
    EXPECT_FALSE(ctl->portOpen());
    EXPECT_FALSE(ctl->lastErrorText().empty());
    PumpFor(50);
    EXPECT_EQ(events.size(), seen);
}

TEST_F(QtSerialControlTest, EachLineErrorCountThatGoesUpRaisesItsEventOnce) {
    struct Row {
        const char* what;
        std::uint32_t LineErrorCounts::*counter;
        int event;
    };
    const Row rows[] = {
        {"break", &LineErrorCounts::brk, platform::comEventBreak},
        {"framing error", &LineErrorCounts::frame, platform::comEventFrame},
        {"overrun", &LineErrorCounts::overrun, platform::comEventOverrun},
        {"parity error", &LineErrorCounts::parity, platform::comEventRxParity},
        {"receive buffer full", &LineErrorCounts::bufOverrun, platform::comEventRxOver},
    };
    FakeDriverCounts driver;
    ctl->setLineErrorCounter(driver.source());
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        // What the driver counted before the port was opened is not news.
        driver.counts = LineErrorCounts{9, 9, 9, 9, 9};
        driver.descriptors.clear();
        events.clear();
        ASSERT_TRUE(ctl->setPortOpen(true)) << ctl->lastErrorText();
        PumpFor(120);
        EXPECT_TRUE(events.empty());

        driver.counts.*r.counter += 1;
        ASSERT_TRUE(PumpUntil([&] { return count(r.event) == 1; }));
        PumpFor(120);
        EXPECT_EQ(events, std::vector<int>{r.event});  // once, and nothing else
        // Several more between two readings: one event.
        driver.counts.*r.counter += 4;
        ASSERT_TRUE(PumpUntil([&] { return count(r.event) == 2; }));
        PumpFor(120);
        EXPECT_EQ(events.size(), 2u);

        // Counted while the port was closed: not news to the next opening.
        ASSERT_TRUE(ctl->setPortOpen(false));
        driver.counts.*r.counter += 1;
        PumpFor(120);
        ASSERT_TRUE(ctl->setPortOpen(true)) << ctl->lastErrorText();
        PumpFor(120);
        EXPECT_EQ(events.size(), 2u);
        ASSERT_TRUE(ctl->setPortOpen(false));

        ASSERT_FALSE(driver.descriptors.empty());
        EXPECT_TRUE(std::all_of(driver.descriptors.begin(), driver.descriptors.end(), [](int fd) { return fd >= 0; }));
    }
}

// A driver without parity checking passes a byte with a framing error on as
// data and only counts it. The reading whose counters rose delivers none of
// its bytes; the sound bytes read before it come first, then the error. It
// fails if the counters are raised before the same reading's bytes are
// handed over (the port host would clear its partial frame and then parse
// the damaged bytes as a whole frame), or if the bytes waiting below the
// receive threshold are dropped or come after the error.
TEST_F(QtSerialControlTest, AReadingWithRisenLineErrorCountsDeliversNoneOfItsBytesAndACountedOverflowMayCloseThePort) {
    FakeDriverCounts driver;
    // The driver counts the error once the damaged bytes are in the
    // control's hands, the way the receiver counts a byte as it takes it.
    bool damageArrives = false;
    ctl->setLineErrorCounter([&](int fd) -> std::optional<LineErrorCounts> {
        if (damageArrives && ctl->inBufferCount() > static_cast<int>(kept)) {
            damageArrives = false;
            ++driver.counts.frame;
        }
        return driver.source()(fd);
    });
    ASSERT_TRUE(ctl->setPortOpen(true)) << ctl->lastErrorText();

    const ByteStr damaged = Bytes({0xFE, 0xFE, 0xEF, 0xEE, 0xE1, 0xFD});
    damageArrives = true;
    ASSERT_TRUE(pty.send(damaged));
    ASSERT_TRUE(PumpUntil([&] { return count(platform::comEventFrame) == 1; }));
    PumpFor(120);
    EXPECT_TRUE(received.empty()) << received.size() << " damaged bytes delivered";
    EXPECT_EQ(events, std::vector<int>{platform::comEventFrame});
    // The line goes on: the next reading is sound and delivered.
    const ByteStr sound = Bytes({0xFE, 0xFE, 0xEF, 0xEE, 0xE1, 0x25, 0x26, 0x01, 0x00, 0xFD});
    ASSERT_TRUE(pty.send(sound));
    ASSERT_TRUE(PumpUntil([&] { return received.size() >= sound.size(); }));
    EXPECT_EQ(received, sound);

    // At 38400 baud the bytes wait for the next pass below the receive
    // threshold. A damaged reading then hands the sound bytes before it
    // over first and only then raises its error; none of its own come.
    ASSERT_TRUE(ctl->setPortOpen(false));
    ctl->setSettings("38400,N,8,1");
    ctl->setRThreshold(1024);
    ASSERT_TRUE(ctl->setPortOpen(true)) << ctl->lastErrorText();
    events.clear();
    received.clear();
    const ByteStr record = Pattern(46);
    ASSERT_TRUE(pty.send(record));
    ASSERT_TRUE(PumpUntil([&] { return ctl->inBufferCount() == static_cast<int>(record.size()); }));
    PumpFor(120);
    EXPECT_TRUE(events.empty());
    kept = record.size();
    damageArrives = true;
    ASSERT_TRUE(pty.send(Pattern(46, 46)));
    ASSERT_TRUE(PumpUntil([&] { return count(platform::comEventFrame) == 1; }));
    PumpFor(120);
    EXPECT_EQ(received, record);
    EXPECT_EQ(events, (std::vector<int>{platform::comEvReceive, platform::comEventFrame}));
    EXPECT_EQ(ctl->inBufferCount(), 0);
    kept = 0;
    ctl->setPortOpen(false);
    ctl->setSettings("9600,N,8,1");
    ctl->setRThreshold(1);
    ASSERT_TRUE(ctl->setPortOpen(true)) << ctl->lastErrorText();

    // The port host closes the port on a receive overflow: the events of the
    // same reading before it still arrive, nothing after it.
    ctl->setOnComm([this](int ev) {
        events.push_back(ev);
        if (ev == platform::comEventRxOver) ctl->setPortOpen(false);
    });
    events.clear();
    driver.counts.parity += 1;
    driver.counts.bufOverrun += 1;
    ASSERT_TRUE(PumpUntil([&] { return !ctl->portOpen(); }));
    EXPECT_EQ(events, (std::vector<int>{platform::comEventRxParity, platform::comEventRxOver}));
    const std::size_t asked = driver.descriptors.size();
    driver.counts.brk += 1;
    PumpFor(150);
    EXPECT_EQ(events.size(), 2u);
    EXPECT_EQ(driver.descriptors.size(), asked);  // a closed port is not polled
}

} // namespace
