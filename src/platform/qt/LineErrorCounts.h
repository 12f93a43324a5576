#pragma once
// Counts of line conditions that a serial device's driver keeps, and the
// communication events their increases stand for. QSerialPort reports none
// of these conditions, so the serial control reads the driver's counters
// and turns each increase into the event the port host expects.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace platform::qt {

struct LineErrorCounts {
    std::uint32_t brk = 0;         // breaks received
    std::uint32_t frame = 0;       // framing errors
    std::uint32_t overrun = 0;     // receiver overruns: the device lost bytes
    std::uint32_t parity = 0;      // parity errors
    std::uint32_t bufOverrun = 0;  // bytes the system dropped because its receive buffer was full

    bool operator==(const LineErrorCounts&) const = default;
};

// Reads the counts of the device open on `descriptor`; nullopt when its
// driver keeps none. The serial control takes one, so a test can feed counts.
using LineErrorCounter = std::function<std::optional<LineErrorCounts>(int descriptor)>;

// The driver's own counters (TIOCGICOUNT on Linux); nullopt where the system
// has no such request or the driver answers it with an error, as
// pseudo-terminals do.
std::optional<LineErrorCounts> SystemLineErrorCounts(int descriptor);

// One event for every counter that went up from `before` to `now`, however
// far, in the order break (1001), framing error (1004), overrun (1006), parity
// error (1009), receive overflow (1008). The counters wrap around: any change
// is an increase.
std::vector<int> LineErrorEvents(const LineErrorCounts& before, const LineErrorCounts& now);

} // namespace platform::qt
