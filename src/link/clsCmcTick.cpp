#include "link/clsCmcTick.h"

#include "platform/Clock.h"

namespace {
// Largest integer not above v/2 (floor division, also for negative v).
std::int32_t HalfFloor(std::int32_t v) { return v >= 0 ? v / 2 : -((-(v + 1)) / 2) - 1; }
} // namespace

void clsCmcTick::counter(std::int32_t ms) {
    start_ = platform::GetTickCount();
    duration_ = ms;
    running_ = true;
}

std::int32_t clsCmcTick::Elapsed(std::int32_t start, std::int32_t now, bool* expired) {
    *expired = false;
    if (now >= start) {
        // A difference of 2^31 or more cannot be told from a wrap: treat as expired.
        if (HalfFloor(now) - HalfFloor(start) >= 1073741824) {
            *expired = true;
            return 0;
        }
        return now - start;
    }
    // The count wrapped from 2147483647 to -2147483648 (or is far apart).
    if (now > -1073741824 || start < 1073741824) {
        *expired = true;
        return 0;
    }
    // now - start + 2^32 as the sum of two parts that stay inside the signed
    // range: now + 2^31 and 2^31 - start, each between 0 and 2^30.
    std::int32_t sinceWrap = now + 2147483647 + 1;
    std::int32_t beforeWrap = 2147483647 - start + 1;
    // Both at 2^30 (start 2^30, now -2^30) makes 2^31 ms, one more than the
    // longest countdown can last: it is over, and the sum would not fit.
    if (sinceWrap > 2147483647 - beforeWrap) {
        *expired = true;
        return 0;
    }
    return sinceWrap + beforeWrap;
}

std::int32_t clsCmcTick::counter() {
    if (!running_) return 0;
    bool expired = false;
    std::int32_t elapsed = Elapsed(start_, platform::GetTickCount(), &expired);
    if (expired || elapsed >= duration_) {
        running_ = false;
        return 0;
    }
    return duration_ - elapsed;
}
