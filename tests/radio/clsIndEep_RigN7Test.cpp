#include <gtest/gtest.h>

#include <stdexcept>

#include "radio/clsIndEep_RigN7.h"

namespace {

class RigN7EepTest : public ::testing::Test {
protected:
    clsCmcEeprom& ee() { return radio.eepImage(); }
    std::int32_t Rec(int ch) { return 1362 + 33 * ch; }
    void Put(std::int32_t adr, ByteStr bytes) { ASSERT_EQ(ee().WriteBlock(adr, bytes), 0); }

    clsCmcRadio radio;
    clsIndEep_RigN7 eep{radio};
};

TEST_F(RigN7EepTest, FrequencyFieldsDecodeBigEndian) {
    Put(Rec(0) + 10, {0x08, 0xBB, 0xB7, 0xC0});
    Put(Rec(0) + 14, {0x08, 0xC0, 0x24, 0x90});
    EXPECT_EQ(eep.RigN7Eep_GetChFreqRxReal(0), 146520000);
    EXPECT_EQ(eep.RigN7Eep_GetChFreqTxReal(0), 146810000);
    EXPECT_EQ(eep.ReadFreqBlock(1372), 146520000);
    EXPECT_TRUE(eep.RigN7Eep_GetChAppear(0));
    // The last record ends at 2681.
    Put(Rec(39) + 10, {0x7F, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(eep.RigN7Eep_GetChFreqRxReal(39), 2147483647);
    EXPECT_EQ(Rec(39) + 32, 2681);
}

TEST_F(RigN7EepTest, EmptyRecordsAreNotListed) {
    // Everything but the receive field is filled: still empty.
    ee().FillBlock(Rec(3), 0xFF, 33);
    Put(Rec(3) + 10, {0, 0, 0, 0});
    EXPECT_FALSE(eep.RigN7Eep_GetChAppear(3));
    EXPECT_FALSE(eep.RigN7Eep_GetChAppear(5));
    EXPECT_FALSE(eep.RigN7Eep_GetChAppear(-1));
    Put(Rec(5) + 13, {0x01});
    EXPECT_TRUE(eep.RigN7Eep_GetChAppear(5));
}

TEST_F(RigN7EepTest, InhibitedFrequenciesDecodeWithoutTheFlag) {
    struct Case { ByteStr rx; bool inhibited; std::int32_t freq; bool listed; };
    const Case cases[] = {
        {{0x88, 0xBB, 0xB7, 0xC0}, true, 146520000, true},   // programmed, receive inhibited
        {{0x80, 0x00, 0x00, 0x00}, true, 0, true},           // flag only: not empty
        {{0xFF, 0xFF, 0xFF, 0xFF}, true, 2147483647, true},
        {{0x08, 0xBB, 0xB7, 0xC0}, false, 146520000, true},
        {{0x00, 0x00, 0x00, 0x00}, false, 0, false},
    };
    for (const Case& c : cases) {
        Put(Rec(7) + 10, c.rx);
        EXPECT_EQ(eep.Check_Inh(clsIndEep_RigN7::RxFreqAdr(7)), c.inhibited);
        EXPECT_EQ(eep.RigN7Eep_GetChFreqRxReal(7), c.freq);
        EXPECT_EQ(eep.Check_MRCH(1372 + 33 * 7), c.listed);
        EXPECT_EQ(eep.RigN7Eep_GetChAppear(7), c.listed);
    }
    Put(Rec(7) + 14, {0x88, 0xC0, 0x24, 0x90});
    EXPECT_TRUE(eep.Check_Inh(1376 + 33 * 7));
    EXPECT_EQ(eep.RigN7Eep_GetChFreqTxReal(7), 146810000);
    Put(Rec(7) + 14, {0x08, 0xC0, 0x24, 0x90});
    EXPECT_FALSE(eep.Check_Inh(clsIndEep_RigN7::TxFreqAdr(7)));
}

TEST_F(RigN7EepTest, PowerCodesUseBitsOneAndZero) {
    struct Case { std::uint8_t byte; std::int16_t code; };
    const Case cases[] = {{0x03, 0}, {0x02, 1}, {0x00, 2}, {0x01, 2}, {0xFF, 0}, {0xFE, 1}, {0xFC, 2}, {0xFD, 2}};
    for (const Case& c : cases) {
        ee().WriteByte(Rec(12) + 22, c.byte);
        EXPECT_EQ(eep.RigN7Eep_GetChRFPower(12), c.code) << int(c.byte);
    }
}

TEST_F(RigN7EepTest, ModeIsBitSevenOfByteTwentyFive) {
    struct Case { std::uint8_t byte; bool narrow; };
    for (Case c : {Case{0x80, true}, Case{0x7F, false}, Case{0xFF, true}, Case{0x00, false}}) {
        ee().WriteByte(1387 + 33 * 2, c.byte);
        EXPECT_EQ(eep.RigN7Eep_GetChMode(2), c.narrow) << int(c.byte);
    }
}

TEST_F(RigN7EepTest, BaseFrequencySaturatesAboveThirtyTwoBits) {
    struct Case { std::uint8_t hi, lo; std::int32_t hz; };
    const Case cases[] = {
        {0x05, 0x50, 136000000}, {0x0F, 0xA0, 400000000}, {0x00, 0x00, 0},
        {0x53, 0xE2, 2147400000},   // 21474, the largest that fits
        {0x53, 0xE3, 2147483647},   // 21475 and above saturate
        {0xFF, 0xFF, 2147483647},
    };
    for (const Case& c : cases) {
        Put(92, {c.hi, c.lo});
        EXPECT_EQ(eep.ReadBaseFreqBlock(), c.hz) << int(c.hi) << " " << int(c.lo);
    }
}

TEST_F(RigN7EepTest, ChannelNamesAreOneBased) {
    struct Case { std::int16_t ch; const char* name; };
    for (Case c : {Case{0, "1"}, Case{4, "5"}, Case{9, "10"}, Case{39, "40"}, Case{41, "42"}})
        EXPECT_EQ(eep.RigN7Eep_GetChName(c.ch), c.name);
    EXPECT_THROW(eep.RigN7Eep_GetChName(42), std::out_of_range);
    EXPECT_THROW(eep.RigN7Eep_GetChName(-1), std::out_of_range);
}

TEST_F(RigN7EepTest, ReadsFollowTheImage) {
    const clsCmcEeprom& image = ee();
    Put(Rec(1) + 10, {0x08, 0xBB, 0xB7, 0xC0});
    EXPECT_TRUE(eep.RigN7Eep_GetChAppear(1));
    ASSERT_EQ(&radio.eepImage(), &image);
    Put(Rec(1) + 10, {0, 0, 0, 0});
    EXPECT_FALSE(eep.RigN7Eep_GetChAppear(1));
}

} // namespace
