#pragma once
// Pure codecs of the transceiver's frame protocol: building frames, checking
// received frames and building / reading clone records. No state; the frame
// driver uses them.
//
// A received frame is handled as its body: the bytes after the last preamble
// 0xFE and before the end byte 0xFD (first address, second address, command,
// payload).
#include <cstdint>
#include <string>

#include "shell/Types.h"

namespace xfr3 {

inline constexpr std::uint8_t kPreamble = 0xFE;
inline constexpr std::uint8_t kEnd = 0xFD;
inline constexpr std::uint8_t kAdrRadio = 0xEE;    // addressee of what the program sends
inline constexpr std::uint8_t kAdrProgram = 0xEF;  // the program itself

inline constexpr std::uint8_t kCmdIdentity = 0xE0;
inline constexpr std::uint8_t kCmdIdentityAnswer = 0xE1;
inline constexpr std::uint8_t kCmdCloneRead = 0xE2;
inline constexpr std::uint8_t kCmdCloneWrite = 0xE3;
inline constexpr std::uint8_t kCmdCloneRecord = 0xE4;
inline constexpr std::uint8_t kCmdCloneEnd = 0xE5;
inline constexpr std::uint8_t kCmdCloneResult = 0xE6;
inline constexpr std::uint8_t kCmdAdjust = 0xE8;

// The end-of-clone signature as hex text (the ASCII text "Velk Inc.").
inline constexpr const char* kSignatureHex = "56656C6B20496E632E";

// 0xFE 0xFE 0xEE 0xEF, data (command and payload), 0xFD.
ByteStr BuildFrame(const ByteStr& data);

// True (illegal) unless the body is at least `minLen` bytes long and bytes
// 4-7 (the two model codes) written as hex text are decimal digits only.
bool CodesIllegal(const ByteStr& body, std::size_t minLen);

// Clone record check (command 0xE4): odd length of at least 13, every digit
// pair from position 4 on is hex (either case), the pairs sum to 0 modulo
// 256 and the count field matches the length. True = illegal.
bool CloneRecordIllegal(const ByteStr& body);

// Signature check (command 0xE5): the bytes after the command must be exactly
// the signature. True = illegal.
bool SignatureIllegal(const ByteStr& body);

// Format check of a frame addressed to the program. e8SubCmd is the first
// command byte of the last E8 frame sent (-1 when none). True = illegal.
bool CheckFrame(const ByteStr& body, std::int16_t e8SubCmd);

// A legal clone record taken apart. The address is read as a 16-bit signed
// value, so 8000-FFFF come out negative.
struct CloneRecord {
    std::int16_t address = 0;
    ByteStr data;
};
CloneRecord ParseCloneRecord(const ByteStr& body);

// Checksum of a record: two's complement of the 8-bit sum of address high,
// address low, count and data bytes.
std::uint8_t CloneChecksum(std::int32_t address, const ByteStr& data);

// Command and payload of a clone record for `address` carrying `data`:
// 0xE4 followed by the record as upper-case ASCII hex characters.
ByteStr CloneRecordData(std::int32_t address, const ByteStr& data);

// Command and payload of the end-of-clone frame: 0xE5 and the signature.
ByteStr SignatureData();

// Preamble burst length for a line speed: Int(baud * 10 / 10000 + 1 + 0.5)
// (11 at 9600 baud, 39 at 38400 baud).
std::int16_t FeBurstCount(std::int32_t baud);

} // namespace xfr3
