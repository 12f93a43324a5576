#pragma once
// The serial control's settings text, "<baud>,<parity>,<data bits>,<stop bits>"
// such as "9600,N,8,1", read into its parts. Plain C++ so it can be tested
// without a display.
#include <cstdint>
#include <optional>
#include <string>

namespace platform::qt {

struct LineSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    std::int32_t baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;  // 5 to 8
    StopBits stopBits = StopBits::One;

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// Reads the settings text. Blanks around the parts are allowed; the parity
// letter is N, E, O, M or S in either case; data bits 5 to 8; stop bits 1,
// 1.5 or 2; the speed a whole number from 1 up. Anything else, a missing or
// an extra part gives no value.
std::optional<LineSettings> ParseLineSettings(const std::string& text);

} // namespace platform::qt
