#include <gtest/gtest.h>

#include <cmath>

#include "model/TxfTable.h"

namespace {

TEST(TxfTable, FindTempSegment) {
    const auto& b = txf::TempBorders();
    struct Case { std::int16_t t, seg; } cases[] = {
        {0, 0}, {15, 0}, {16, 1}, {23, 1}, {24, 2}, {207, 14}, {208, 15},
        {239, 18}, {240, 19}, {255, 19}, {-5, 0}, {300, 19},
    };
    for (const auto& c : cases) EXPECT_EQ(txf::FindTempSegment(b, c.t), c.seg) << c.t;
}

TEST(TxfTable, FlatOscillatorGivesFlatTable) {
    txf::Floats ext{};
    auto tb = txf::Compute(100, 160, ext, txf::TempBorders(), 128);
    EXPECT_EQ(tb.offset, 0);
    for (int p = 0; p < txf::kPoints; ++p) EXPECT_EQ(txf::PointValue(tb, p), p % 2 ? 100 : 0) << p;
}

TEST(TxfTable, PointValuesAreLimitedToTheirBytes) {
    txf::Table tb;
    tb.slope[0] = 200.0f;
    tb.slope[1] = -200.0f;
    tb.slope[2] = 2.5f;    // halves to even
    tb.slope[3] = -3.5f;
    tb.comp[0] = -3.0f;
    tb.comp[1] = 300.0f;
    tb.comp[2] = 7.5f;     // Int(x + 0.5) rounds halves up
    EXPECT_EQ(txf::PointValue(tb, 0), 127);
    EXPECT_EQ(txf::PointValue(tb, 2), -128);
    EXPECT_EQ(txf::PointValue(tb, 4), 2);
    EXPECT_EQ(txf::PointValue(tb, 6), -4);
    EXPECT_EQ(txf::PointValue(tb, 1), 0);
    EXPECT_EQ(txf::PointValue(tb, 3), 255);
    EXPECT_EQ(txf::PointValue(tb, 5), 8);
}

// An independent computation of the same table, in the plain form a
// technician would do it on paper, for a non-trivial oscillator curve.
TEST(TxfTable, MatchesHandComputation) {
    txf::Floats ext{};
    for (int i = 0; i < 21; ++i) ext[i] = 0.02f * static_cast<float>((i - 10) * (i - 10)) - 1.5f;
    const auto& b = txf::TempBorders();
    const std::int16_t v1 = 120, v2 = 170, t = 100;
    auto tb = txf::Compute(v1, v2, ext, b, t);

    const float u = 5.0f;  // (170 - 120) / 10
    float comp[21];
    for (int i = 0; i < 21; ++i) comp[i] = 120.0f - u * ext[i];
    const int d = 8;  // 96 <= 100 < 112
    float sl = (comp[d + 1] - comp[d]) / 16.0f * 32.0f;
    double a = std::floor(comp[d] + 0.5) + (t - 96) * std::nearbyint(sl) / 32.0;
    int offset = 120 - static_cast<int>(std::floor(a));
    EXPECT_EQ(tb.offset, offset);
    for (int k = 0; k < 20; ++k) {
        float s = (comp[k + 1] - comp[k]) / static_cast<float>(b[k + 1] - b[k]) * 32.0f;
        int slopeByte = static_cast<int>(std::max(-128.0, std::min(127.0, static_cast<double>(std::nearbyint(s)))));
        int setByte = static_cast<int>(std::max(0.0, std::min(255.0, std::floor(comp[k] + 0.5) + offset)));
        EXPECT_EQ(txf::PointValue(tb, 2 * k), slopeByte) << k;
        EXPECT_EQ(txf::PointValue(tb, 2 * k + 1), setByte) << k;
    }
    // At the present temperature the radio interpolates the accepted setting.
    double interp = txf::PointValue(tb, 2 * d + 1) + (t - b[d]) * txf::PointValue(tb, 2 * d) / 32.0;
    EXPECT_EQ(static_cast<int>(std::floor(interp)), v1);
}

TEST(TxfTable, SteepSlopeDoesNotOverflowTheOffset) {
    txf::Floats ext{};
    ext[20] = -5000.0f;  // a wild curve: slope of the last segment far beyond 16 bits / 15
    auto tb = txf::Compute(100, 200, ext, txf::TempBorders(), 254);
    EXPECT_GT(tb.slope[19], 2184.0f);            // (t - border) * slope no longer fits 16 bits
    EXPECT_EQ(tb.offset, -32768);                // the correction saturates instead of wrapping
    EXPECT_EQ(txf::PointValue(tb, 38), 127);     // and every byte stays in its range
    EXPECT_EQ(txf::PointValue(tb, 39), 0);
}

} // namespace
