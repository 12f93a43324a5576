#include "shell/Common.h"

#include "platform/Host.h"

namespace common {

std::uint32_t LeadingHexValue(const std::string& text, int* digits) {
    std::uint32_t v = 0;
    int n = 0;
    for (char c : text) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else break;
        if (n < 8) v = (v << 4) | static_cast<std::uint32_t>(d);
        ++n;
    }
    if (digits) *digits = n;
    return v;
}

std::string ToHex(std::uint32_t v, int width) {
    static const char* kDigits = "0123456789ABCDEF";
    std::string s;
    do {
        s.insert(s.begin(), kDigits[v & 0xF]);
        v >>= 4;
    } while (v != 0);
    while (static_cast<int>(s.size()) < width) s.insert(s.begin(), '0');
    return s;
}

std::string Right(const std::string& text, std::size_t n) {
    return text.size() <= n ? text : text.substr(text.size() - n);
}

} // namespace common

std::int16_t MsgBoxErr(const std::string& text) {
    return static_cast<std::int16_t>(platform::Desktop().messageBox(ExpandNewLine(text), kAppTitle));
}

std::int16_t MsgBoxErrText(const std::string& text) {
    return static_cast<std::int16_t>(platform::Desktop().messageBox(text, kAppTitle));
}

std::string ExpandNewLine(const std::string& text) {
    std::string s = text;
    const std::size_t len = s.size();
    for (std::size_t p = 0; p + 1 < len; ++p) {
        if (s[p] == '\\' && s[p + 1] == 'n') {
            s[p] = '\r';
            s[p + 1] = '\n';
        }
    }
    return s;
}

ByteStr StrToByteStr(const std::string& text) {
    return ByteStr(text.begin(), text.end());
}

std::int16_t AsciiHexToInt(const ByteStr& bytes) {
    std::string text(bytes.begin(), bytes.end());
    // Four digits make a 16-bit two's-complement value; longer inputs keep
    // their low 16 bits.
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(common::LeadingHexValue(text) & 0xFFFF));
}

ByteStr HexStrToByteStr(const std::string& hex) {
    ByteStr out;
    std::size_t p = 0;
    while (hex.size() - p >= 2) {
        if (hex[p] == ' ') {
            ++p;
            continue;
        }
        out.push_back(static_cast<std::uint8_t>(common::LeadingHexValue(hex.substr(p, 2))));
        p += 2;
    }
    return out;
}

std::string ByteStrToHexStr(const ByteStr& bytes) {
    std::string s;
    s.reserve(bytes.size() * 2);
    for (auto b : bytes) s += common::ToHex(b, 2);
    return s;
}

std::string ByteToAsciiHexStr(std::int16_t value) {
    std::string digits = ByteToHexStr(value);
    return ByteStrToHexStr(StrToByteStr(digits));
}

std::string ByteToHexStr(std::int16_t value) {
    return common::ToHex(static_cast<std::uint16_t>(value) & 0xFFu, 2);
}
