#pragma once
// Transmit-frequency compensation table of the ZT-N7: 20 temperature segments
// between 21 borders (A/D counts of the thermistor line). Segment k is stored
// in the radio as two points: point 2k the slope (signed byte, setting units
// per 32 counts), point 2k+1 the setting at the segment's lower border.
//
// The arithmetic is single precision, as the radio's tools have always done
// it, so a table computed here matches one computed by hand with floats.
#include <array>
#include <cstdint>

namespace txf {

inline constexpr int kBorders = 21;   // entries 0..20
inline constexpr int kSegments = 20;  // segments 0..19
inline constexpr int kPoints = 40;    // table points 0..39

using Borders = std::array<std::int16_t, 22>;
using Floats = std::array<float, 22>;

// The fixed borders: 0, 16, 24, 32, 40, 48..208 step 16, 216, 224, 232, 240, 255; entry 21 is 0.
const Borders& TempBorders();

// First segment i (0..18) with t below border i+1, else 19.
std::int16_t FindTempSegment(const Borders& borders, std::int16_t t);

// Largest integer not above v.
double Int(double v);
// Nearest integer, halves to the even neighbour.
double RoundHalfEven(double v);

struct Table {
    Floats comp{};     // setting at each border (0..20)
    Floats slope{};    // slope of each segment (0..19), per 32 counts
    std::int16_t offset = 0;  // correction added to every setting written
};

// Computes the table from the setting accepted at the present temperature
// (value1), the setting 10 ppm higher (value2), the oscillator's deviation in
// ppm at each border (extParam) and the present temperature reading t.
// The offset makes the radio interpolate exactly value1 at t. The product
// (t - border) * slope is taken in 32 bits, so steep slopes cannot overflow.
Table Compute(std::int16_t value1, std::int16_t value2, const Floats& extParam,
              const Borders& borders, std::int16_t t);

// The byte value written at point p: odd points the setting (0..255), even
// points the rounded slope (-128..127).
std::int16_t PointValue(const Table& table, int p);

} // namespace txf
