#include "platform/qt/LineSettings.h"

#include <vector>

namespace platform::qt {
namespace {

// ASCII white space only: the C library's isspace follows the user's
// locale and takes a no-break space for one in some of them.
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsSpace(s[b])) ++b;
    while (e > b && IsSpace(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == ',') {
            parts.push_back(Trim(part));
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(Trim(part));
    return parts;
}

// A whole decimal number from 1 to 2147483647, digits only.
std::optional<std::int32_t> ParseBaud(const std::string& s) {
    if (s.empty() || s.size() > 10) return std::nullopt;
    std::int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v < 1 || v > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(v);
}

} // namespace

std::optional<LineSettings> ParseLineSettings(const std::string& text) {
    const std::vector<std::string> parts = SplitCommas(text);
    if (parts.size() != 4) return std::nullopt;

    LineSettings out;
    const auto baud = ParseBaud(parts[0]);
    if (!baud) return std::nullopt;
    out.baud = *baud;

    if (parts[1].size() != 1) return std::nullopt;
    const char p = parts[1][0];
    switch (p >= 'a' && p <= 'z' ? static_cast<char>(p - 'a' + 'A') : p) {
    case 'N': out.parity = LineSettings::Parity::None; break;
    case 'E': out.parity = LineSettings::Parity::Even; break;
    case 'O': out.parity = LineSettings::Parity::Odd; break;
    case 'M': out.parity = LineSettings::Parity::Mark; break;
    case 'S': out.parity = LineSettings::Parity::Space; break;
    default: return std::nullopt;
    }

    if (parts[2].size() != 1 || parts[2][0] < '5' || parts[2][0] > '8') return std::nullopt;
    out.dataBits = parts[2][0] - '0';

    if (parts[3] == "1") out.stopBits = LineSettings::StopBits::One;
    else if (parts[3] == "1.5") out.stopBits = LineSettings::StopBits::OneAndHalf;
    else if (parts[3] == "2") out.stopBits = LineSettings::StopBits::Two;
    else return std::nullopt;
    return out;
}

} // namespace platform::qt
