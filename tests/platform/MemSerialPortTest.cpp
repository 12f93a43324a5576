// The in-memory serial port is as strict as the real serial control: a write
// that does not fit is refused whole, and a damaged byte costs the reading it
// came in, with the error raised after what came before.
#include "platform/mem/MemSerialPort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/mem/ManualClock.h"

namespace {

using platform::MemSerialPort;

ByteStr Bytes(std::size_t n, std::uint8_t from) {
    ByteStr out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(from + i);
    return out;
}

struct MemPortFixture : ::testing::Test {
    platform::ManualClock clock{1000};
    platform::ScopedTickSource installed{clock};
    MemSerialPort port;
    std::vector<int> events;
    ByteStr received;
    std::size_t receivedAtError = 0;  // bytes the program had when the framing error came

    void SetUp() override {
        port.setEcho(false);
        port.setPacing(true);
        port.setOnComm([this](int ev) {
            events.push_back(ev);
            if (ev == platform::comEventFrame) receivedAtError = received.size();
            if (ev == platform::comEvReceive) {
                const ByteStr in = port.input();
                received.insert(received.end(), in.begin(), in.end());
            }
        });
        ASSERT_TRUE(port.setPortOpen(true));
    }
    void runFor(int ms) {
        for (int t = 0; t < ms; t += 5) {
            clock.advance(5);
            port.pump();
        }
    }
};

// Fails if the port truncates a write to what fits (the real control sends
// all of a frame or nothing of it) or stays silent about the refusal.
TEST_F(MemPortFixture, AWriteThatDoesNotFitIsRefusedWholeWithItsEvent) {
    port.setPortOpen(false);
    port.setOutBufferSize(32);
    ASSERT_TRUE(port.setPortOpen(true));
    ASSERT_TRUE(port.output(Bytes(20, 0)));
    EXPECT_FALSE(port.output(Bytes(20, 100)));
    EXPECT_EQ(port.outBufferCount(), 20);
    runFor(100);
    EXPECT_EQ(events, std::vector<int>{platform::comEventTxFull});
    EXPECT_EQ(port.transmittedLog(), Bytes(20, 0));
    // Once there is room again the same write goes out whole.
    EXPECT_TRUE(port.output(Bytes(20, 100)));
    runFor(100);
    ByteStr both = Bytes(20, 0);
    const ByteStr second = Bytes(20, 100);
    both.insert(both.end(), second.begin(), second.end());
    EXPECT_EQ(port.transmittedLog(), both);
}

// Fails if the damaged byte (or the bytes read with it) reaches the program,
// if the bytes before that reading are lost, or if the error comes before
// them: the port host's drop of its partial frame must fall where the damage
// was.
TEST_F(MemPortFixture, ADamagedByteCostsItsReadingAndItsErrorComesAfterWhatCameBefore) {
    // 9600 baud: about one byte a millisecond.
    port.deliverToHost(Bytes(10, 0));
    runFor(20);
    ASSERT_EQ(received, Bytes(10, 0));
    events.clear();
    const ByteStr frame = Bytes(30, 50);
    port.deliverToHost(frame, 12, platform::comEventFrame);
    runFor(100);
    ASSERT_EQ(std::count(events.begin(), events.end(), platform::comEventFrame), 1);
    // The bytes of earlier steps were read before the error came.
    EXPECT_GT(receivedAtError, 10u);
    EXPECT_LT(receivedAtError, 10u + 12u);
    EXPECT_TRUE(std::equal(received.begin() + 10, received.begin() + static_cast<std::ptrdiff_t>(receivedAtError),
                           frame.begin()));
    // The damaged byte never arrives, nor does any byte of the step it came in.
    const ByteStr got(received.begin() + 10, received.end());
    EXPECT_EQ(std::find(got.begin(), got.end(), static_cast<std::uint8_t>(frame[12] ^ 0x10)), got.end());
    EXPECT_EQ(std::find(got.begin(), got.end(), frame[12]), got.end());
    // What came after the damaged byte follows the error, in order.
    ASSERT_GE(got.size(), frame.size() - 13);
    EXPECT_TRUE(std::equal(frame.end() - 17, frame.end(), got.end() - 17));
    EXPECT_LT(got.size(), frame.size());
}

} // namespace
