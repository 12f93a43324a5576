#include <gtest/gtest.h>

#include "radio/clsCmcEeprom.h"
#include "radio/clsCmcRadio.h"

namespace {

TEST(ClsCmcEeprom, ByteAccessBounds) {
    clsCmcEeprom e;
    EXPECT_EQ(e.eeSize(), 12288);
    EXPECT_EQ(e.WriteByte(12287, 0x5A), 0);
    EXPECT_EQ(e.ReadByte(12287), 0x5A);
    EXPECT_EQ(e.ReadByte(-1), 0);
    EXPECT_EQ(e.ReadByte(12288), 0);
    EXPECT_EQ(e.WriteByte(12288, 5), 1);
    EXPECT_EQ(e.WriteByte(-1, 5), 1);
    EXPECT_EQ(e.WriteByte(0, 5), 0);
    EXPECT_EQ(e.ReadByte(0), 5);
}

TEST(ClsCmcEeprom, BlocksAreWholeOrNothing) {
    clsCmcEeprom e;
    EXPECT_EQ(e.WriteBlock(12286, {1, 2, 3}), 1);
    EXPECT_EQ(e.ReadBlock(12285, 3), ByteStr({0, 0, 0}));
    EXPECT_EQ(e.WriteBlock(12285, {1, 2, 3}), 0);
    EXPECT_EQ(e.ReadBlock(12285, 3), ByteStr({1, 2, 3}));
    EXPECT_EQ(e.WriteBlock(0, {}), 1);    // empty block at 0 is refused
    EXPECT_EQ(e.WriteBlock(10, {}), 0);   // and accepted elsewhere
    EXPECT_EQ(e.WriteBlock(-3, {1, 2, 3, 4}), 1);
    EXPECT_EQ(e.FillBlock(1, 0xFF, 12288), 1);
    EXPECT_EQ(e.ReadByte(1), 0);
    EXPECT_EQ(e.FillBlock(0, 0xFF, 12288), 0);
    EXPECT_EQ(e.ReadByte(0), 0xFF);
    EXPECT_EQ(e.ReadByte(12287), 0xFF);
    EXPECT_TRUE(e.ReadBlock(0, 0).empty());
    EXPECT_EQ(e.ReadBlock(12287, 2), ByteStr({0xFF, 0}));  // past the end reads as 0
    e.eeSize(16);
    EXPECT_EQ(e.ReadBlock(0, 16), ByteStr(16, 0));  // a new size zeroes the image
}

TEST(ClsCmcEeprom, ReadBit) {
    clsCmcEeprom e;
    e.WriteByte(3, 0x80);
    struct Case { std::int32_t adr; std::int16_t bit; std::int16_t want; } cases[] = {
        {3, 7, 1}, {3, 6, 0}, {3, 8, 0}, {3, -1, 0}, {-1, 7, 0}, {12288, 0, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(e.ReadBit(c.adr, c.bit), c.want) << c.adr << "/" << c.bit;
}

TEST(ClsCmcRadio, IdentityAndWriteList) {
    clsCmcRadio r;
    EXPECT_EQ(r.radioNameM(), "0000");
    EXPECT_EQ(r.radionameS(), "0000");
    r.cloneWriteAdrList_Add(0, 0x2FFF);
    r.cloneWriteAdrList_Add(0x3000, 0x30FF);
    EXPECT_EQ(r.cloneWriteAdrList(), "0000-2FFF,3000-30FF,");
    r.cloneWriteAdrList_Clear();
    r.cloneWriteAdrList_Add(0x12345, -1);  // last four hex digits only
    EXPECT_EQ(r.cloneWriteAdrList(), "2345-FFFF,");
    EXPECT_EQ(&r.eepImage(), &r.eepImage());
    EXPECT_EQ(r.eepImage().eeSize(), 12288);
}

} // namespace
