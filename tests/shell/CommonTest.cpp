#include <gtest/gtest.h>

#include "platform/mem/MemControls.h"
#include "shell/Common.h"

namespace {

ByteStr B(std::initializer_list<int> v) {
    ByteStr b;
    for (int x : v) b.push_back(static_cast<std::uint8_t>(x));
    return b;
}

TEST(Common, ExpandNewLine) {
    struct Case { std::string in, out; } cases[] = {
        {"\\n\\n", "\r\n\r\n"},
        {"plain text", "plain text"},
        {"a\\nb", "a\r\nb"},
        {"end\\", "end\\"},
        {"\\N", "\\N"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ExpandNewLine(c.in), c.out) << c.in;
}

TEST(Common, HexStrToByteStr) {
    struct Case { std::string in; ByteStr out; } cases[] = {
        {"FE FE 60 E0", B({0xFE, 0xFE, 0x60, 0xE0})},
        {"FEFE60E0", B({0xFE, 0xFE, 0x60, 0xE0})},
        {"ABC", B({0xAB})},
        {"", {}},
        {" ", {}},
        {"7", {}},
        {" 0 1", B({0x00})},  // leading space dropped, "0 " reads 0, trailing 1 ignored
        {"G1", B({0x00})},    // a pair starting with a non-digit gives 0
        {"1G", B({0x01})},    // a digit then a non-digit gives that digit
        {"ff", B({0xFF})},
    };
    for (const auto& c : cases) EXPECT_EQ(HexStrToByteStr(c.in), c.out) << '"' << c.in << '"';
}

TEST(Common, AsciiHexToInt) {
    struct Case { ByteStr in; std::int16_t out; } cases[] = {
        {B({0x46, 0x46, 0x46, 0x46}), -1},
        {{}, 0},
        {B({0x31, 0x47}), 1},
        {StrToByteStr("7FFF"), 32767},
        {StrToByteStr("8000"), -32768},
        {StrToByteStr("2c"), 44},
        {StrToByteStr("00FF"), 255},
    };
    for (const auto& c : cases) EXPECT_EQ(AsciiHexToInt(c.in), c.out);
}

TEST(Common, ByteConversions) {
    struct Case { std::int16_t v; const char* hex; const char* ascii; } cases[] = {
        {0x2C, "2C", "3243"}, {0, "00", "3030"},    {255, "FF", "4646"}, {-1, "FF", "4646"},
        {0x12C, "2C", "3243"}, {9, "09", "3039"},   {256, "00", "3030"}, {300, "2C", "3243"},
        {-32768, "00", "3030"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ByteToHexStr(c.v), c.hex) << c.v;
        EXPECT_EQ(ByteToAsciiHexStr(c.v), c.ascii) << c.v;
    }
    // The live adjustment payload: 1 then 9 give 01 3039.
    EXPECT_EQ(ByteToHexStr(1) + ByteToAsciiHexStr(9), "013039");
}

TEST(Common, ByteStrHexRoundTrip) {
    ByteStr all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<std::uint8_t>(i));
    std::string hex = ByteStrToHexStr(all);
    EXPECT_EQ(hex.substr(0, 6), "000102");
    EXPECT_EQ(ByteStrToHexStr(B({10})), "0A");
    EXPECT_EQ(ByteStrToHexStr({}), "");
    EXPECT_EQ(HexStrToByteStr(hex), all);
}

TEST(Common, MsgBoxErrExpandsNewLinesAndUsesTitle) {
    platform::MemDesktop desk;
    platform::SetDesktop(&desk);
    EXPECT_EQ(MsgBoxErr("one\\ntwo"), platform::kMsgBoxOk);
    platform::SetDesktop(nullptr);
    ASSERT_EQ(desk.messages.size(), 1u);
    EXPECT_EQ(desk.messages[0], "one\r\ntwo");
    EXPECT_EQ(desk.titles[0], "ZS-N7 ADJ Rev.1.0");
}

} // namespace
