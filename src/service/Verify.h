#pragma once
// Proof on the radio: the radio does not answer adjustment commands, so what
// it holds is known only by reading it again. A verify reads the radio as
// Connect does and compares the new image with the one the program expects
// (the image as read with every value sent since).
#include <cstdint>
#include <string>
#include <vector>

#include "model/AdjustmentRecord.h"
#include "platform/Storage.h"
#include "shell/Types.h"

namespace service {

// One byte whose value on the radio is not the one expected.
struct VerifyDifference {
    std::string item;        // "Power(Hi)", "TXF point 7"; the address in hex for other bytes
    std::int32_t adr = -1;
    std::uint8_t expected = 0;
    std::uint8_t found = 0;
    bool isSigned = false;   // shown as two's complement, as the console shows it
};

struct VerifyResult {
    platform::LocalTime when;    // the verify read ended
    platform::LocalTime since;   // the first value sent since the last read or verify
    int valuesSent = 0;          // values sent since the last read or verify
    // Values sent that the radio does not hold.
    std::vector<VerifyDifference> mismatches;
    // Bytes that differ from the expected image but were never sent:
    // something else changed the radio.
    std::vector<VerifyDifference> unsentDiffering;
    bool AllStored() const { return mismatches.empty() && unsentDiffering.empty(); }
};

// Compares the image read (`found`) with the expected one. `sent` are the
// addresses of the values sent since the last read or verify; `adjustable`
// names the bytes.
VerifyResult CompareVerifyRead(const ByteStr& expected, const ByteStr& found, const std::vector<std::int32_t>& sent,
                               const std::vector<AdjustableByte>& adjustable);

// The value as shown: signed bytes as two's complement.
std::string ShownByte(std::uint8_t v, bool isSigned);

// The result for the user: the one line of a clean verify, or the tables.
std::string VerifyResultText(const VerifyResult& r);

}  // namespace service
