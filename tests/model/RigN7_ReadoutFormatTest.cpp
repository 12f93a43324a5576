#include <gtest/gtest.h>

#include "model/RigN7_Readouts.h"

using namespace rign7;

namespace {

const ReadoutLineDef& Ad(int i) { return kAdLines[static_cast<std::size_t>(i)]; }
const ReadoutLineDef& Da(int i) { return kDaLines[static_cast<std::size_t>(i)]; }

TEST(RigN7ReadoutFormat, LinesCharacterForCharacter) {
    struct Case { const ReadoutLineDef* line; std::int16_t raw; const char* want; };
    const Case cases[] = {
        {&Ad(0), 176, "VIN  :176:B0h: 13.80V"},
        {&Ad(0), 255, "VIN  :255:FFh: 20.00V"},
        {&Ad(0), 0, "VIN  :  0:00h:  0.00V"},
        {&Ad(2), 0, "LVIN :  0:00h:  0.00V"},
        {&Ad(2), 255, "LVIN :255:FFh:  5.00V"},
        {&Ad(3), 9, "SD   :  9:09h:  0.18V"},
        {&Ad(1), 128, "TEMPS:128:80h:  9.27'C"},
        {&Ad(1), 200, "TEMPS:200:C8h: 37.41'C"},
        {&Ad(1), 0, "TEMPS:  0:00h:*Error"},
        {&Ad(1), 255, "TEMPS:255:FFh:*Error"},
        {&Ad(1), 1, "TEMPS:  1:01h:-70.19'C"},    // the coldest reading fills all eight columns
        {&Da(0), 51, "BPF T1 : 51:33h:  1.00V"},
        {&Da(3), 255, "T4/POW :255:FFh:  5.00V"},
        {&Da(4), 128, "REF    :128:80h:  2.51V"},
        {&Da(5), 128, "MOD BAL:128:80h: 50.20%"},
        {&Da(5), 255, "MOD BAL:255:FFh:100.00%"},
        {&Da(5), 0, "MOD BAL:  0:00h:  0.00%"},
        {&Da(8), 3, "SQL Lev:  3:03h:  1.18%"},
        {&Da(7), 100, "CTCSS  :100:64h:  1.96V"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatReadoutLine(*c.line, c.raw), c.want) << c.line->label << " raw " << c.raw;
}

TEST(RigN7ReadoutFormat, LabelsAndChannelCodesOfBothLists) {
    const char* adLabels[] = {"VIN  :", "TEMPS:", "LVIN :", "SD   :"};
    const std::int16_t adCodes[] = {0, 3, 5, 4};
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(Ad(i).label, adLabels[i]);
        EXPECT_EQ(Ad(i).chCode, adCodes[i]);
    }
    const char* daLabels[] = {"BPF T1 :", "BPF T2 :", "BPF T3 :", "T4/POW :", "REF    :",
                              "MOD BAL:", "Dev    :", "CTCSS  :", "SQL Lev:"};
    const std::int16_t daCodes[] = {16, 17, 18, 19, 12, 13, 14, 11, 15};
    for (int i = 0; i < 9; ++i) {
        EXPECT_STREQ(Da(i).label, daLabels[i]);
        EXPECT_EQ(Da(i).chCode, daCodes[i]);
    }
}

TEST(RigN7ReadoutFormat, ThermistorTemperature) {
    EXPECT_NEAR(ThermistorCelsius(128), 9.27, 0.005);
    EXPECT_NEAR(ThermistorCelsius(200), 37.41, 0.005);
    EXPECT_TRUE(IsThermistorFault(0));
    EXPECT_TRUE(IsThermistorFault(255));
    EXPECT_FALSE(IsThermistorFault(1));
    EXPECT_FALSE(IsThermistorFault(254));
    // Warmer thermistor, lower resistance, higher reading.
    for (int raw = 2; raw <= 254; ++raw) EXPECT_GT(ThermistorCelsius(raw), ThermistorCelsius(raw - 1));
}

TEST(RigN7ReadoutFormat, AnswerCheck) {
    const ByteStr id = {0x25, 0x26, 0x01, 0x00};
    struct Case { ByteStr answer; bool unusable; std::int16_t raw; };
    const Case cases[] = {
        {{0x25, 0x26, 0x01, 0x00, 0x03, '7', 'B'}, false, 123},
        {{0x25, 0x26, 0x01, 0x00, 0x03, 'F', 'F'}, false, 255},
        {{0x25, 0x26, 0x01, 0x00, 0x03, '0', '0'}, false, 0},
        {{0x25, 0x26, 0x01, 0x00, 0x03, 'b', '0'}, false, 176},     // lower-case digits are hex too
        {{0x25, 0x26, 0x01, 0x00, 0x03, '7'}, true, 0},             // six bytes
        {{0x25, 0x26, 0x01, 0x00, 0x03, '7', 'B', '0'}, true, 0},   // eight bytes
        {{}, true, 0},                                               // nothing came back
        {{0x25, 0x26, 0x01, 0x01, 0x03, '7', 'B'}, true, 0},        // another sub-model
        {{0x00, 0x25, 0x26, 0x01, 0x00, '7', 'B'}, true, 0},        // identity not at the start
        {{0x25, 0x26, 0x01, 0x00, 0x03, '7', 'G'}, true, 0},        // not hex
        {{0x25, 0x26, 0x01, 0x00, 0x03, ' ', '7'}, true, 0},        // blank is not a digit
        {{0x25, 0x26, 0x01, 0x00, 0x03, 0xFF, 0xFF}, true, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(E8AnswerUnusable(c.answer, id), c.unusable) << ::testing::PrintToString(c.answer);
        if (!c.unusable) {
            EXPECT_EQ(E8AnswerRaw(c.answer), c.raw);
        }
    }
    // Before the clone read there is no identity to compare with.
    EXPECT_TRUE(E8AnswerUnusable({0x25, 0x26, 0x01, 0x00, 0x03, '7', 'B'}, ByteStr{}));
}

} // namespace
