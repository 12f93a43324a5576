#include <gtest/gtest.h>

#include "link/clsCmcTick.h"
#include "platform/mem/ManualClock.h"

namespace {

TEST(ClsCmcTick, CountsDownAndStaysExpired) {
    platform::ManualClock clock(5000);
    platform::ScopedTickSource use(clock);
    clsCmcTick t;
    EXPECT_EQ(t.counter(), 0);  // none running
    t.counter(1000);
    clock.advance(400);
    EXPECT_EQ(t.counter(), 600);
    clock.advance(600);
    EXPECT_EQ(t.counter(), 0);
    clock.advance(-900);  // even if the clock read earlier again, an expired countdown stays 0
    EXPECT_EQ(t.counter(), 0);
}

TEST(ClsCmcTick, AcrossTheSignedWrap) {
    platform::ManualClock clock(2147483000);
    platform::ScopedTickSource use(clock);
    clsCmcTick t;
    t.counter(2000);
    clock.set(-2147483000);
    EXPECT_EQ(t.counter(), 704);  // elapsed 1296 ms
    clock.advance(703);
    EXPECT_EQ(t.counter(), 1);
    clock.advance(1);
    EXPECT_EQ(t.counter(), 0);
}

TEST(ClsCmcTick, LongestCountdownsAtTheWrapLimits) {
    platform::ManualClock clock(1073741825);
    platform::ScopedTickSource use(clock);
    clsCmcTick t;
    t.counter(2147483647);
    clock.set(-1073741824);  // 2^31 - 1 ms later, across the wrap
    EXPECT_EQ(t.counter(), 0);

    clock.set(1073741824);
    t.counter(2147483647);
    clock.set(-1073741824);  // 2^31 ms later: over, whatever the duration
    EXPECT_EQ(t.counter(), 0);

    clock.set(1073741824);
    t.counter(2147483647);
    clock.set(-2147483648);  // 2^30 ms later
    EXPECT_EQ(t.counter(), 1073741823);
}

TEST(ClsCmcTick, ElapsedRule) {
    struct Case { std::int32_t start, now; bool expired; std::int32_t elapsed; } cases[] = {
        {0, 0, false, 0},
        {100, 1100, false, 1000},
        {-500, 500, false, 1000},
        {2147483000, -2147483000, false, 1296},
        {2147483647, -2147483648, false, 1},
        {-2147483648, 2147483647, true, 0},       // 2^32-1 apart forward: untrustworthy
        {0, 2147483647, false, 2147483647},       // half-differences just below 2^30
        {-2, 2147483646, true, 0},                // half-differences reach 2^30
        {1000, 500, true, 0},                     // went backwards without a wrap
        {1073741824, -1073741825, false, 2147483647},  // the widest wrap still measured
        // Forward: Int(v/2) is the floor, also for negative odd counts.
        {-1, 2147483645, false, 2147483646},      // halves -1 and 1073741822
        {-1, 2147483646, true, 0},                // halves -1 and 1073741823 reach 2^30
        {-3, 2147483645, true, 0},                // 2^31 apart
        {-2147483647, -1, false, 2147483646},     // halves -1073741824 and -1
        {-2147483647, 0, true, 0},                // halves -1073741824 and 0 reach 2^30
        {-2147483648, -1, false, 2147483647},
        {-2147483648, 0, true, 0},                // 2^31 apart
        {-7, -3, false, 4},
        // Wrapped: measured only from start >= 2^30 to now <= -2^30.
        {1073741824, -1073741824, true, 0},       // 2^31 apart: longer than any countdown
        {1073741825, -1073741824, false, 2147483647},
        {1073741824, -2147483648, false, 1073741824},
        {2147483647, -1073741824, false, 1073741825},
        {1073741824, -1073741823, true, 0},       // now above -2^30
        {2147483647, -1073741823, true, 0},
        {1073741823, -2147483648, true, 0},       // start below 2^30
        {1073741823, -1073741825, true, 0},
        {1, -1, true, 0},
    };
    for (const auto& c : cases) {
        bool expired = false;
        std::int32_t e = clsCmcTick::Elapsed(c.start, c.now, &expired);
        EXPECT_EQ(expired, c.expired) << c.start << " -> " << c.now;
        if (!c.expired) {
            EXPECT_EQ(e, c.elapsed) << c.start << " -> " << c.now;
        }
    }
}

} // namespace
