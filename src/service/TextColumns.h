#pragma once
// Columns of the plain-text tables the safety net shows (monospaced).
#include <string>

namespace service {

// The text with blanks after it (before it) up to `width` characters.
inline std::string PadRight(std::string s, std::size_t width) {
    if (s.size() < width) s.append(width - s.size(), ' ');
    return s;
}

inline std::string PadLeft(const std::string& s, std::size_t width) {
    return s.size() < width ? std::string(width - s.size(), ' ') + s : s;
}

}  // namespace service
