#pragma once
// Millisecond tick count of the system, read as a signed 32-bit value.
// The program asks for it through GetTickCount(); tests install a clock
// they advance by hand (see platform/mem/ManualClock.h).
#include <cstdint>

namespace platform {

class ITickSource {
public:
    virtual ~ITickSource() = default;
    virtual std::int32_t tickCount() = 0;
};

// Milliseconds from a monotonic clock, wrapping through the signed 32-bit range.
std::int32_t GetTickCount();

// Installs the clock GetTickCount() reads; nullptr restores the steady clock.
void SetTickSource(ITickSource* source);
ITickSource* CurrentTickSource();

} // namespace platform
