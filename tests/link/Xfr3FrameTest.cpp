// Frame codecs: building frames and records, and the format checks of
// received frames, as tables of cases.
#include <gtest/gtest.h>

#include <cctype>

#include "link/LinkTestSupport.h"
#include "link/Xfr3Frame.h"
#include "shell/Common.h"

using namespace linktest;

namespace {

ByteStr Text(const std::string& s) { return StrToByteStr(s); }

// A record body from the radio given as its text after the command.
ByteStr RecordText(const std::string& s) { return Cat({0xEF, 0xEE, 0xE4}, Text(s)); }

} // namespace

TEST(Xfr3Frame, BuildFrameWrapsDataInPreambleAddressesAndEnd) {
    EXPECT_EQ(xfr3::BuildFrame({0xE0, 0x25, 0x26, 0x00, 0x00}),
              (ByteStr{0xFE, 0xFE, 0xEE, 0xEF, 0xE0, 0x25, 0x26, 0x00, 0x00, 0xFD}));
    EXPECT_EQ(xfr3::BuildFrame({}), (ByteStr{0xFE, 0xFE, 0xEE, 0xEF, 0xFD}));
}

TEST(Xfr3Frame, CloneRecordDataIsUpperCaseAsciiHexWithChecksum) {
    // Address 0x0010, two bytes 0x12 0x34: sum 0x58, checksum 0xA8.
    EXPECT_EQ(xfr3::CloneRecordData(0x0010, {0x12, 0x34}), Cat({0xE4}, Text("0010021234A8")));
    EXPECT_EQ(xfr3::CloneChecksum(0x0010, {0x12, 0x34}), 0xA8);
    // A sum that is already 0 modulo 256 gives checksum 0, not 256.
    EXPECT_EQ(xfr3::CloneChecksum(0x00FF, {0x00}), 0x00);
    EXPECT_EQ(xfr3::CloneRecordData(0x2FF0, {0xAB}), Cat({0xE4}, Text("2FF001AB35")));
}

TEST(Xfr3Frame, CloneRecordCheckTable) {
    struct Case {
        const char* name;
        ByteStr body;
        bool illegal;
    };
    const std::vector<Case> cases = {
        {"example record", RecordText("0010021234A8"), false},
        {"lower-case digits", RecordText("0010021234a8"), false},
        {"made by the codec", RadioBody(xfr3::CloneRecordData(0x2FF0, Pattern(16))), false},
        {"even length even with a right checksum", RecordText("001002123400A8"), true},
        {"count does not match the length", RecordText("0010031234A8"), true},
        {"bad checksum", RecordText("0010021234A9"), true},
        {"non-hex digit", RecordText("0010021G34A8"), true},
        {"space inside a pair", RecordText("001002 234A8"), true},
        {"shorter than 13", RecordText("00100000F"), true},
        {"zero count, length 11", RecordText("00100010"), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(xfr3::CloneRecordIllegal(c.body), c.illegal) << c.name;
        EXPECT_EQ(xfr3::CheckFrame(c.body, -1), c.illegal) << c.name;
    }
}

TEST(Xfr3Frame, ParseCloneRecordReadsAddressSignedAndData) {
    auto r = xfr3::ParseCloneRecord(RecordText("0010021234a8"));
    EXPECT_EQ(r.address, 0x0010);
    EXPECT_EQ(r.data, (ByteStr{0x12, 0x34}));
    auto neg = xfr3::ParseCloneRecord(RadioBody(xfr3::CloneRecordData(0x8000, {0x01})));
    EXPECT_EQ(neg.address, -32768);
}

TEST(Xfr3Frame, SignatureCheckTable) {
    const ByteStr sig = HexStrToByteStr(xfr3::kSignatureHex);
    struct Case {
        const char* name;
        ByteStr body;
        bool illegal;
    };
    const std::vector<Case> cases = {
        {"exact", RadioBody(xfr3::SignatureData()), false},
        {"one extra byte", Cat(RadioBody(xfr3::SignatureData()), {0x00}), true},
        {"one byte missing", RadioBody(Cat({0xE5}, ByteStr(sig.begin(), sig.end() - 1))), true},
        {"lower-case text", RadioBody(Cat({0xE5}, Text("velk inc."))), true},
        {"empty", RadioBody({0xE5}), true},
    };
    for (const auto& c : cases) EXPECT_EQ(xfr3::CheckFrame(c.body, -1), c.illegal) << c.name;
    EXPECT_EQ(xfr3::SignatureData(), Cat({0xE5}, Text("Velk Inc.")));
}

TEST(Xfr3Frame, IdentityAndAdjustAnswerCheckTable) {
    struct Case {
        const char* name;
        ByteStr body;
        std::int16_t subCmd;
        bool illegal;
    };
    const std::vector<Case> cases = {
        {"E1 of 7 bytes", RadioBody({0xE1, 0x25, 0x26, 0x01, 0x00}), -1, false},
        {"E1 with further bytes", RadioBody({0xE1, 0x25, 0x26, 0x01, 0x00, 0xAA}), -1, false},
        {"E1 of 6 bytes", RadioBody({0xE1, 0x25, 0x26, 0x01}), -1, true},
        {"E1 code not decimal", RadioBody({0xE1, 0x25, 0x2A, 0x01, 0x00}), -1, true},
        {"E8 answer", RadioBody({0xE8, 0x25, 0x26, 0x01, 0x00, 0x05}), 5, false},
        {"E8 answer with result", RadioBody({0xE8, 0x25, 0x26, 0x01, 0x00, 0x05, 0x30}), 5, false},
        {"E8 other sub-command", RadioBody({0xE8, 0x25, 0x26, 0x01, 0x00, 0x06}), 5, true},
        {"E8 of 7 bytes", RadioBody({0xE8, 0x25, 0x26, 0x01, 0x00}), 5, true},
        {"E8 code not decimal", RadioBody({0xE8, 0x25, 0x26, 0x0B, 0x00, 0x05}), 5, true},
        {"E6 any content", RadioBody({0xE6}), -1, false},
        {"unknown command", RadioBody({0x12, 0x34}), -1, false},
        {"echo of own frame", {0xEE, 0xEF, 0xE1, 0x25, 0x26, 0x01, 0x00}, -1, true},
        {"two bytes", {0xEF, 0xEE}, -1, true},
    };
    for (const auto& c : cases) EXPECT_EQ(xfr3::CheckFrame(c.body, c.subCmd), c.illegal) << c.name;
}

TEST(Xfr3Frame, PreambleBurstLengthFollowsLineSpeed) {
    EXPECT_EQ(xfr3::FeBurstCount(9600), 11);
    EXPECT_EQ(xfr3::FeBurstCount(38400), 39);
    EXPECT_EQ(xfr3::FeBurstCount(0), 1);
    EXPECT_EQ(xfr3::FeBurstCount(499), 1);
    EXPECT_EQ(xfr3::FeBurstCount(500), 2);
    EXPECT_THROW(xfr3::FeBurstCount(2147483647), std::overflow_error);
}
