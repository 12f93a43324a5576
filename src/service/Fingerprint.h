#pragma once
// Which unit an image comes from. Two radios of a fleet may carry the same
// channel programming, and one radio's channels may be reprogrammed, so the
// channels tell nothing about the unit. Its factory values that no
// adjustment of this program touches do: the frequency and temperature
// slants (bytes 49..66), the tone and modulation corrections (80..85) and
// the base frequency (92..93).
#include <cstdint>
#include <string>
#include <vector>

#include "shell/Types.h"

namespace service {

// The image bytes the fingerprint is made of, in address order.
const std::vector<std::int32_t>& FingerprintAddresses();

// Eight upper-case hex digits (a 32-bit FNV-1a hash of those bytes);
// empty for an image too short to hold them.
std::string UnitFingerprint(const ByteStr& image);

}  // namespace service
