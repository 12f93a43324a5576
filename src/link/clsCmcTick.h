#pragma once
// Millisecond countdown on the system tick count. All time-outs and waits of
// the link use it; the elapsed time is worked out so that a wrap of the
// signed 32-bit tick count from 2147483647 to -2147483648 is handled.
#include <cstdint>

class clsCmcTick {
public:
    // Starts a countdown of ms milliseconds from now.
    void counter(std::int32_t ms);
    // Milliseconds remaining; 0 when expired or none running.
    std::int32_t counter();

    // The elapsed-time rule on its own, for two tick counts: sets *expired
    // when the difference cannot be trusted, or when it is 2^31 ms (longer
    // than any countdown, and outside the signed range), else returns
    // now - start taken modulo 2^32.
    static std::int32_t Elapsed(std::int32_t start, std::int32_t now, bool* expired);

private:
    std::int32_t start_ = 0;
    std::int32_t duration_ = 0;
    bool running_ = false;
};
