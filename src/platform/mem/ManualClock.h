#pragma once
// A tick source that only moves when a test advances it.
#include <cstdint>

#include "platform/Clock.h"

namespace platform {

class ManualClock final : public ITickSource {
public:
    explicit ManualClock(std::int32_t start = 0) : now_(start) {}
    std::int32_t tickCount() override { return now_; }
    void set(std::int32_t now) { now_ = now; }
    // Advances by ms, wrapping from 2147483647 to -2147483648 as a 32-bit counter does.
    void advance(std::int32_t ms) {
        now_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(now_) + static_cast<std::uint32_t>(ms));
    }

private:
    std::int32_t now_;
};

// Installs a clock for the lifetime of the guard.
class ScopedTickSource {
public:
    explicit ScopedTickSource(ITickSource& source) : previous_(CurrentTickSource()) { SetTickSource(&source); }
    ~ScopedTickSource() { SetTickSource(previous_); }
    ScopedTickSource(const ScopedTickSource&) = delete;
    ScopedTickSource& operator=(const ScopedTickSource&) = delete;

private:
    ITickSource* previous_;
};

} // namespace platform
