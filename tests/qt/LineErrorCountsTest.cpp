// The driver's line-error counters and the events their increases raise.
#include "platform/qt/LineErrorCounts.h"

#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

#include "platform/SerialControl.h"

namespace {

using platform::qt::LineErrorCounts;
using platform::qt::LineErrorEvents;

LineErrorCounts Counts(std::uint32_t brk, std::uint32_t frame, std::uint32_t overrun, std::uint32_t parity,
                       std::uint32_t bufOverrun) {
    LineErrorCounts c;
    c.brk = brk;
    c.frame = frame;
    c.overrun = overrun;
    c.parity = parity;
    c.bufOverrun = bufOverrun;
    return c;
}

TEST(LineErrorEvents, OneEventForEachCounterThatWentUp) {
    using namespace platform;
    struct Case {
        const char* what;
        LineErrorCounts before, now;
        std::vector<int> events;
    };
    const LineErrorCounts base = Counts(3, 5, 7, 11, 13);
    const Case cases[] = {
        {"nothing changed", base, base, {}},
        {"break", base, Counts(4, 5, 7, 11, 13), {comEventBreak}},
        {"framing error", base, Counts(3, 6, 7, 11, 13), {comEventFrame}},
        {"overrun", base, Counts(3, 5, 8, 11, 13), {comEventOverrun}},
        {"parity error", base, Counts(3, 5, 7, 12, 13), {comEventRxParity}},
        {"receive buffer full", base, Counts(3, 5, 7, 11, 14), {comEventRxOver}},
        {"many framing errors at once: one event", base, Counts(3, 105, 7, 11, 13), {comEventFrame}},
        {"all, the overflow last", base, Counts(4, 6, 8, 12, 14),
         {comEventBreak, comEventFrame, comEventOverrun, comEventRxParity, comEventRxOver}},
        {"a counter wrapping around", Counts(0xFFFFFFFFu, 0, 0, 0, 0xFFFFFFFEu), Counts(0, 0, 0, 0, 1),
         {comEventBreak, comEventRxOver}},
    };
    for (const Case& c : cases) EXPECT_EQ(LineErrorEvents(c.before, c.now), c.events) << c.what;
}

TEST(SystemLineErrorCounts, NoneForAPseudoTerminalOrNoDevice) {
    int master = -1, slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    EXPECT_FALSE(platform::qt::SystemLineErrorCounts(slave).has_value());
    EXPECT_FALSE(platform::qt::SystemLineErrorCounts(master).has_value());
    ::close(slave);
    ::close(master);
    EXPECT_FALSE(platform::qt::SystemLineErrorCounts(-1).has_value());
}

} // namespace
