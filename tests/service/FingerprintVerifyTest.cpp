// The unit's fingerprint and the comparison behind a verify.
#include <gtest/gtest.h>

#include <regex>

#include "ZtN7Sim.h"
#include "service/Fingerprint.h"
#include "service/Verify.h"

namespace {

using zsim::ZtN7Sim;

TEST(UnitFingerprint, FollowsTheFactoryValuesAndNothingTheAdjustmentsOrChannelsHold) {
    const ByteStr base = ZtN7Sim::DefaultImage();
    const std::string fp = service::UnitFingerprint(base);
    EXPECT_TRUE(std::regex_match(fp, std::regex("[0-9A-F]{8}"))) << fp;
    struct Case { const char* what; std::int32_t adr; bool changes; };
    const std::vector<Case> cases = {
        {"first slant", 49, true},           {"last slant", 66, true},
        {"CTCSS tone correction", 80, true}, {"MOD N correction", 85, true},
        {"base frequency high", 92, true},   {"base frequency low", 93, true},
        {"power High", 79, false},           {"band-pass T1", 68, false},
        {"S-meter S3", 87, false},           {"TXF point 0", 216, false},
        {"squelch", 274, false},             {"a channel's frequency", 1362 + 10, false},
        {"unused memory", 0x2000, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ByteStr other = base;
        other[static_cast<std::size_t>(c.adr)] ^= 0x01;
        EXPECT_EQ(service::UnitFingerprint(other) != fp, c.changes);
    }
    EXPECT_EQ(service::UnitFingerprint(ByteStr(93, 0)), "");
    EXPECT_EQ(service::UnitFingerprint(ByteStr(94, 0)).size(), 8u);
}

TEST(CompareVerifyRead, SortsDifferencesIntoSentAndNeverSent) {
    const ByteStr expected = ZtN7Sim::DefaultImage();
    ByteStr found = expected;
    found[79] = 0x10;    // Power(Hi), sent
    found[69] = 0x05;    // BPF T2 (signed), sent
    found[0x1000] = 0;   // never sent
    const std::vector<AdjustableByte> adj = {{79, 5, "Power(Hi)", 1, false}, {69, 13, "BPF T2", 11, true}};
    // Power(Hi) twice and Balance once: two values; Balance stored.
    const auto r = service::CompareVerifyRead(expected, found, {79, 74, 79, 69}, adj);
    EXPECT_EQ(r.valuesSent, 3);
    ASSERT_EQ(r.mismatches.size(), 2u);
    EXPECT_EQ(r.mismatches[0].item, "BPF T2");
    EXPECT_EQ(r.mismatches[1].item, "Power(Hi)");
    ASSERT_EQ(r.unsentDiffering.size(), 1u);
    EXPECT_EQ(r.unsentDiffering[0].item, "0x1000");
    EXPECT_FALSE(r.AllStored());
    const std::string text = service::VerifyResultText(r);
    EXPECT_NE(text.find("BPF T2          69        -5       5"), std::string::npos) << text;
    EXPECT_NE(text.find("never sent"), std::string::npos) << text;

    const auto clean = service::CompareVerifyRead(expected, expected, {79}, adj);
    EXPECT_TRUE(clean.AllStored());
}

TEST(VerifyResultText, SaysAllValuesStoredWithTheirTime) {
    service::VerifyResult r;
    r.valuesSent = 17;
    r.since = {2026, 12, 10, 14, 3, 9};
    EXPECT_EQ(service::VerifyResultText(r), "Verified: the radio holds all 17 values sent since 14:03:09.\n");
}

}  // namespace
