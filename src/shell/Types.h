#pragma once
// Value forms shared by every subsystem.
#include <cstdint>
#include <string>
#include <vector>

// A sequence of 8-bit bytes of any length: frames, payloads, EEPROM blocks.
using ByteStr = std::vector<std::uint8_t>;

// The program's window and message-box title.
inline constexpr const char* kAppTitle = "ZS-N7 ADJ Rev.1.0";
