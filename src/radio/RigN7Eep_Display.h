#pragma once
// Text renderings of the ZT-N7 EEPROM image: the 100-line listing of the
// stored adjustment parameters and the hex dump of the whole image. Free
// functions over the image, so they can be checked without the rest of the
// model; clsIndEep_RigN7 wraps them for its callers.
#include <cstdint>
#include <functional>
#include <string>

#include "radio/clsCmcEeprom.h"

namespace rign7eep {

// Entry k (0 to 20) of the temperature-border table of the transmit-frequency
// compensation; the "REF Area" lines show it.
using TempBorderFn = std::function<std::int16_t(std::int16_t)>;

inline constexpr int kParaLineCount = 100;

// Decimal text right-aligned in four columns («   0», « 255», «  -1»).
std::string FormatValue4(std::int16_t v);
// A byte read as two's complement (above 127 counts from -256), then as
// FormatValue4: 0xF6 gives « -10».
std::string FormatSignedValue4(std::int16_t v);
// The base-frequency field for the stored value (bytes 92-93, units of
// 100 kHz): MHz with "###0.##0" right-aligned in eight columns, then "MHz".
// Every stored value 0 to 65535 shows its real frequency.
std::string FormatBaseFreqField(std::uint16_t stored);

// The 100-line listing, each line ending in CR LF.
std::string ParaListing(const clsCmcEeprom& image, const TempBorderFn& tempBorder);

// Appends the hex dump of addresses 0 to 0x2FFF to text.
void AppendDebugDump(const clsCmcEeprom& image, std::string& text);

} // namespace rign7eep
