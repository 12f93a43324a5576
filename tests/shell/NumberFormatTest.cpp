#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "shell/Common.h"
#include "shell/NumberFormat.h"

namespace {

// Temperature of the thermistor divider for an 8-bit reading.
double Temperature(int raw) {
    const double v = raw * 5.0 / 255.0;
    const double r = (500000.0 - v * 100000.0) / v / 47000.0;
    return 1.0 / (std::log(r) / 4000.0 + 1.0 / 298.15) - 273.15;
}

TEST(FormatNumber, ReadOutAndFrequencyPatterns) {
    struct Case { double v; const char* pattern; const char* want; };
    const Case cases[] = {
        {176 * 20.0 / 255, "##0.#0V", "13.80V"},
        {255 * 20.0 / 255, "##0.#0V", "20.00V"},
        {0, "##0.#0V", "0.00V"},
        {9.995, "##0.#0V", "10.00V"},          // rounding carries into the integer part
        {1234.5, "##0.#0V", "1234.50V"},       // integer digits are never cut
        {-1.005, "##0.#0V", "-1.01V"},         // half away from zero
        {-0.001, "##0.#0V", "0.00V"},          // no minus on a zero
        {0.5, "###.#0'C", ".50'C"},
        {Temperature(128), "###.#0'C", "9.27'C"},
        {Temperature(200), "###.#0'C", "37.41'C"},
        {-12.345, "###.#0'C", "-12.35'C"},
        {128 / 255.0, "0.00%", "50.20%"},
        {1.0, "0.00%", "100.00%"},
        {0, "0.00%", "0.00%"},
        {400, "###0.##0", "400.000"},
        {0, "###0.##0", "0.000"},
        {2.675, "###0.##0", "2.675"},
        {150.0015, "#000.####0MHz", "150.00150MHz"},
        {150 * 1.00001, "#000.####0MHz", "150.00150MHz"},
        {146.52, "#000.####0MHz", "146.52000MHz"},
        {5.5, "#000.####0MHz", "005.50000MHz"},
        {2.675, "0.00", "2.68"},               // decimal rounding of the shown digits
        {1.25, "0.#", "1.3"},
        {1.04, "0.##", "1.04"},
        {1.1, "0.0#", "1.1"},                 // a trailing zero in a # place is dropped
        {1.001, "0.0#", "1.0"},
        {7, "000", "007"},
        {1e20, "0.0", "100000000000000000000.0"},
        {1.5e-10, "0.00", "0.00"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatNumber(c.v, c.pattern), c.want) << c.v << " " << c.pattern;
}

TEST(FormatNumber, RightAlignedReadOutLine) {
    EXPECT_EQ(common::Right("   " + FormatNumber(176 * 20.0 / 255, "##0.#0V"), 7), " 13.80V");
    EXPECT_EQ(common::Right("   " + FormatNumber(Temperature(128), "###.#0'C"), 8), "  9.27'C");
    EXPECT_EQ(common::Right("        " + FormatNumber(400, "###0.##0"), 8) + "MHz", " 400.000MHz");
}

TEST(FormatNumber, NonFiniteValuesDoNotCrash) {
    EXPECT_EQ(FormatNumber(std::numeric_limits<double>::quiet_NaN(), "##0.#0V"), "NaNV");
    EXPECT_EQ(FormatNumber(-std::numeric_limits<double>::infinity(), "0.00%"), "-Inf%");
}

} // namespace
