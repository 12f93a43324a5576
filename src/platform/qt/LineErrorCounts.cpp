#include "platform/qt/LineErrorCounts.h"

#include "platform/SerialControl.h"

#if defined(__linux__)
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace platform::qt {

std::optional<LineErrorCounts> SystemLineErrorCounts(int descriptor) {
#if defined(__linux__) && defined(TIOCGICOUNT)
    if (descriptor < 0) return std::nullopt;
    serial_icounter_struct c{};
    if (::ioctl(descriptor, TIOCGICOUNT, &c) != 0) return std::nullopt;
    LineErrorCounts out;
    out.brk = static_cast<std::uint32_t>(c.brk);
    out.frame = static_cast<std::uint32_t>(c.frame);
    out.overrun = static_cast<std::uint32_t>(c.overrun);
    out.parity = static_cast<std::uint32_t>(c.parity);
    out.bufOverrun = static_cast<std::uint32_t>(c.buf_overrun);
    return out;
#else
    static_cast<void>(descriptor);
    return std::nullopt;
#endif
}

std::vector<int> LineErrorEvents(const LineErrorCounts& before, const LineErrorCounts& now) {
    std::vector<int> events;
    if (now.brk != before.brk) events.push_back(comEventBreak);
    if (now.frame != before.frame) events.push_back(comEventFrame);
    if (now.overrun != before.overrun) events.push_back(comEventOverrun);
    if (now.parity != before.parity) events.push_back(comEventRxParity);
    // Last: the port host closes the port on a receive overflow.
    if (now.bufOverrun != before.bufOverrun) events.push_back(comEventRxOver);
    return events;
}

} // namespace platform::qt
