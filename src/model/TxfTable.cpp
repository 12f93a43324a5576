#include "model/TxfTable.h"

#include <algorithm>
#include <cmath>

namespace txf {

const Borders& TempBorders() {
    static const Borders kBordersTable = {0,   16,  24,  32,  40,  48,  64,  80,  96,  112, 128,
                                          144, 160, 176, 192, 208, 216, 224, 232, 240, 255, 0};
    return kBordersTable;
}

std::int16_t FindTempSegment(const Borders& borders, std::int16_t t) {
    for (std::int16_t i = 0; i <= 18; ++i)
        if (t < borders[static_cast<std::size_t>(i) + 1]) return i;
    return 19;
}

double Int(double v) { return std::floor(v); }

double RoundHalfEven(double v) { return std::nearbyint(v); }  // default rounding mode: to nearest, ties to even

Table Compute(std::int16_t value1, std::int16_t value2, const Floats& extParam, const Borders& borders,
              std::int16_t t) {
    Table tb;
    const float u = static_cast<float>(value2 - value1) / 10.0f;
    for (int i = 0; i < kBorders; ++i) tb.comp[i] = static_cast<float>(value1) - u * extParam[i];
    for (int k = 0; k < kSegments; ++k) {
        const float width = static_cast<float>(borders[k + 1] - borders[k]);
        tb.slope[k] = (tb.comp[k + 1] - tb.comp[k]) / width * 32.0f;
    }
    const std::int16_t d = FindTempSegment(borders, t);
    const double s = RoundHalfEven(tb.slope[d]);
    const double a = Int(static_cast<double>(tb.comp[d]) + 0.5) +
                     static_cast<double>(static_cast<std::int32_t>(t - borders[d]) * static_cast<std::int64_t>(s)) / 32.0;
    const double off = static_cast<double>(value1) - Int(a);
    tb.offset = static_cast<std::int16_t>(std::clamp(off, -32768.0, 32767.0));
    return tb;
}

std::int16_t PointValue(const Table& table, int p) {
    if (p % 2 == 1) {
        double b = Int(static_cast<double>(table.comp[(p - 1) / 2]) + 0.5) + table.offset;
        return static_cast<std::int16_t>(std::clamp(b, 0.0, 255.0));
    }
    double b = RoundHalfEven(table.slope[p / 2]);
    return static_cast<std::int16_t>(std::clamp(b, -128.0, 127.0));
}

} // namespace txf
