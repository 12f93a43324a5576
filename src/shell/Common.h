#pragma once
// Shared conversions between text, hex text and byte strings, and the error
// message box. The radio protocol carries bytes and many of its fields carry
// hex digits as ASCII characters; these are the only places those forms are
// converted. All of them are free of state.
#include <cstdint>
#include <string>

#include "shell/Types.h"

// Modal error box: critical icon, one OK button, the program title. A
// backslash-n in the text becomes a line break. Returns the button's code.
std::int16_t MsgBoxErr(const std::string& text);
// The same box with the text as it stands: for texts that hold file names,
// where a backslash-n is part of a Windows folder name ("C:\\Users\\nina").
std::int16_t MsgBoxErrText(const std::string& text);

// Every backslash + lower-case n becomes CR LF; the length is kept.
std::string ExpandNewLine(const std::string& text);

// One byte per character (its single-byte code).
ByteStr StrToByteStr(const std::string& text);

// Reads the bytes as hex digits (up to the first non-digit) into a 16-bit
// two's-complement value: "FFFF" gives -1, no digits give 0.
std::int16_t AsciiHexToInt(const ByteStr& bytes);

// Digit pairs to bytes; spaces between pairs are skipped, a single trailing
// character is ignored, and a pair that does not read as hex gives the value
// of its leading digits (0 when there are none).
ByteStr HexStrToByteStr(const std::string& hex);

// Upper-case hex, two digits per byte, no separators.
std::string ByteStrToHexStr(const ByteStr& bytes);

// The low byte's two hex digits, as the hex text of their ASCII codes
// (0x2C gives "3243", -1 gives "4646").
std::string ByteToAsciiHexStr(std::int16_t value);

// The low byte as two upper-case hex digits (300 gives "2C", -1 gives "FF").
std::string ByteToHexStr(std::int16_t value);

// Helpers shared by the codecs above and their users.
namespace common {
// Value of the hex digits at the start of text (up to 8 digits read), and
// the number of digits read.
std::uint32_t LeadingHexValue(const std::string& text, int* digits = nullptr);
// Upper-case hex of v, at least `width` digits.
std::string ToHex(std::uint32_t v, int width = 1);
// Keeps the last n characters of text (the whole text when shorter).
std::string Right(const std::string& text, std::size_t n);
} // namespace common
