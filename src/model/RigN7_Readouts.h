#pragma once
// Measurement read-out lines of the ZT-N7: the four [A/D] and nine [D/A]
// lines, how each raw 8-bit reading is converted and shown, and the check of
// the transceiver's answer to an A/D request. Everything here is free of
// state; the operation object (clsIndOp_RigN7) sends the requests, keeps the
// last shown values and writes the lines into the window's lists.
#include <array>
#include <cstdint>
#include <string>

#include "shell/Types.h"

namespace rign7 {

// How a raw reading (0 to 255) becomes the shown quantity.
enum class ReadoutKind {
    Volts20,      // raw x 20 / 255 volts (supply voltage divider)
    Volts5,       // raw x 5 / 255 volts
    Temperature,  // thermistor divider, degrees Celsius
    Percent,      // raw / 255 as a percentage
};

struct ReadoutLineDef {
    const char* label;       // e.g. "VIN  :"
    std::int16_t chCode;     // A/D channel code sent with request code 3
    ReadoutKind kind;
    const char* format;      // FormatNumber pattern of the quantity
    int width;               // the quantity is right-aligned in this many columns
};

// [A/D] list, lines 0 to 3, and [D/A] list, lines 0 to 8.
extern const std::array<ReadoutLineDef, 4> kAdLines;
extern const std::array<ReadoutLineDef, 9> kDaLines;

// E8 request code that asks the transceiver for an A/D reading.
inline constexpr std::int16_t kE8ReadAd = 3;

// Temperature of the thermistor (B = 4000 K, 47 kOhm at 25 degC, 100 kOhm to
// 5 V) for a raw reading of 1 to 254.
double ThermistorCelsius(int raw);

// True for the raw values that mean a shorted or open sensor (0 and 255).
inline bool IsThermistorFault(int raw) { return raw <= 0 || raw >= 255; }

// The shown quantity of a reading, formatted but not aligned ("13.80V").
// The temperature line's sensor faults give "*Error".
std::string FormatReadoutQuantity(const ReadoutLineDef& line, std::int16_t raw);

// The whole list line: label, raw in decimal (3 columns), ":", raw in hex,
// "h:", then the quantity right-aligned in the line's width
// («VIN  :176:B0h: 13.80V»). A sensor fault's "*Error" is not aligned.
std::string FormatReadoutLine(const ReadoutLineDef& line, std::int16_t raw);

// True when an A/D answer cannot be used: it is not 7 bytes long, does not
// begin with the radio's identity bytes, or its last two bytes are not two
// hex digits.
bool E8AnswerUnusable(const ByteStr& answer, const ByteStr& radioIdBytes);

// The value carried by an A/D answer: its last two bytes read as hex digits
// ("7B" gives 123). Meaningful only for an answer that passed the check.
std::int16_t E8AnswerRaw(const ByteStr& answer);

} // namespace rign7
