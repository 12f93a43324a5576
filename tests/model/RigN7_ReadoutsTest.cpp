#include <gtest/gtest.h>

#include "model/RigN7EvtFixture.h"

using namespace rign7test;

namespace {

class RigN7Readouts : public RigN7Fixture {
protected:
    // One complete read-out of a line: request, a busy pass, the answer.
    bool Read(int list, int line, const ByteStr& answer) {
        auto call = [&](bool first) {
            return list == 0 ? op.ReadAdLine(static_cast<std::int16_t>(line), first)
                             : op.ReadDaLine(static_cast<std::int16_t>(line), first);
        };
        EXPECT_FALSE(call(true));
        link.busy = true;
        EXPECT_FALSE(call(false));
        link.busy = false;
        link.answer = answer;
        return call(false);
    }
    std::string Row(int list, int line) { return lbo01[list].lines.at(static_cast<std::size_t>(line + 1)); }
};

TEST_F(RigN7Readouts, RequestsCarryTheChannelCodes) {
    for (int line = 0; line < 4; ++line) Read(0, line, AdAnswer(1));
    for (int line = 0; line < 9; ++line) Read(1, line, AdAnswer(1));
    const std::vector<std::string> want = {
        "?033030", "?033033", "?033035", "?033034",                         // 0, 3, 5, 4
        "?033130", "?033131", "?033132", "?033133", "?033043",              // 16..19, 12
        "?033044", "?033045", "?033042", "?033046",                         // 13, 14, 11, 15
    };
    EXPECT_EQ(link.sent, want);
    EXPECT_FALSE(op.commError);
}

TEST_F(RigN7Readouts, AllThirteenLinesShown) {
    const int adRaw[] = {176, 128, 0, 255};
    const int daRaw[] = {51, 102, 153, 204, 255, 128, 0, 1, 64};
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(Read(0, i, AdAnswer(adRaw[i])));
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(Read(1, i, AdAnswer(daRaw[i])));
    EXPECT_EQ(lbo01[0].lines, (std::vector<std::string>{
                                  "[A/D]",
                                  "VIN  :176:B0h: 13.80V",
                                  "TEMPS:128:80h:  9.27'C",
                                  "LVIN :  0:00h:  0.00V",
                                  "SD   :255:FFh:  5.00V",
                              }));
    EXPECT_EQ(lbo01[1].lines, (std::vector<std::string>{
                                  "[D/A]",
                                  "BPF T1 : 51:33h:  1.00V",
                                  "BPF T2 :102:66h:  2.00V",
                                  "BPF T3 :153:99h:  3.00V",
                                  "T4/POW :204:CCh:  4.00V",
                                  "REF    :255:FFh:  5.00V",
                                  "MOD BAL:128:80h: 50.20%",
                                  "Dev    :  0:00h:  0.00V",
                                  "CTCSS  :  1:01h:  0.02V",
                                  "SQL Lev: 64:40h: 25.10%",
                              }));
    EXPECT_EQ(op.adLast[1], 128);
    EXPECT_EQ(op.daLast[8], 64);
    EXPECT_FALSE(op.commError);
}

TEST_F(RigN7Readouts, TemperatureLine) {
    EXPECT_TRUE(Read(0, 1, AdAnswer(200)));
    EXPECT_EQ(Row(0, 1), "TEMPS:200:C8h: 37.41'C");
    EXPECT_TRUE(Read(0, 1, AdAnswer(0)));
    EXPECT_EQ(Row(0, 1), "TEMPS:  0:00h:*Error");
    EXPECT_TRUE(Read(0, 1, AdAnswer(255)));
    EXPECT_EQ(Row(0, 1), "TEMPS:255:FFh:*Error");
    // A faulty sensor is not a failure of the link; the raw value is kept.
    EXPECT_FALSE(op.commError);
    EXPECT_EQ(op.adLast[1], 255);
}

TEST_F(RigN7Readouts, SameValueIsNotRedrawnUntilReset) {
    EXPECT_TRUE(Read(0, 0, AdAnswer(176)));
    lbo01[0].lines[1] = "marker";
    EXPECT_TRUE(Read(0, 0, AdAnswer(176)));
    EXPECT_EQ(Row(0, 0), "marker");
    EXPECT_TRUE(Read(0, 0, AdAnswer(177)));
    EXPECT_EQ(Row(0, 0), "VIN  :177:B1h: 13.88V");

    for (int i = 0; i < 4; ++i) Read(0, i, AdAnswer(100));
    for (int i = 0; i < 9; ++i) Read(1, i, AdAnswer(100));
    op.RigOpFunc_ResetAll();
    op.radioIdBytes = {0x25, 0x26, 0x01, 0x00};
    for (auto& box : lbo01)
        for (std::size_t r = 1; r < box.lines.size(); ++r) box.lines[r] = "marker";
    for (int i = 0; i < 4; ++i) Read(0, i, AdAnswer(100));
    for (int i = 0; i < 9; ++i) Read(1, i, AdAnswer(100));
    for (int i = 0; i < 4; ++i) EXPECT_NE(Row(0, i), "marker") << "A/D " << i;
    for (int i = 0; i < 9; ++i) EXPECT_NE(Row(1, i), "marker") << "D/A " << i;
    EXPECT_EQ(Row(1, 5), "MOD BAL:100:64h: 39.22%");
}

TEST_F(RigN7Readouts, UnusableAnswersSetCommError) {
    struct Case { const char* what; ByteStr answer; };
    const Case cases[] = {
        {"missing", {}},
        {"six bytes", {0x25, 0x26, 0x01, 0x00, 0x03, '7'}},
        {"eight bytes", {0x25, 0x26, 0x01, 0x00, 0x03, '7', 'B', '0'}},
        {"other radio", {0x25, 0x27, 0x01, 0x00, 0x03, '7', 'B'}},
        {"echo of the request", {0xEE, 0xEF, 0xE8, 0x25, 0x26, 0x01, 0x00}},
        {"not hex", {0x25, 0x26, 0x01, 0x00, 0x03, 'X', '1'}},
    };
    for (int list = 0; list < 2; ++list) {
        for (const auto& c : cases) {
            op.commError = false;
            const auto before = lbo01[list].lines;
            EXPECT_TRUE(Read(list, 2, c.answer)) << c.what;   // done: the task acts on the error
            EXPECT_TRUE(op.commError) << c.what;
            EXPECT_EQ(lbo01[list].lines, before) << c.what;
        }
    }
    EXPECT_EQ(op.adLast[2], -1);
    EXPECT_EQ(op.daLast[2], -1);
    // A good answer afterwards does not clear the flag: the task resets the operation.
    EXPECT_TRUE(Read(0, 2, AdAnswer(10)));
    EXPECT_TRUE(op.commError);
}

TEST_F(RigN7Readouts, AnswerWithoutSourceIsMissing) {
    ScriptLink other;
    Probe bare{con, other, radio, ctl};
    bare.radioIdBytes = {0x25, 0x26, 0x01, 0x00};
    EXPECT_FALSE(bare.ReadAdLine(0, true));
    EXPECT_TRUE(bare.ReadAdLine(0, false));
    EXPECT_TRUE(bare.commError);
}

TEST_F(RigN7Readouts, AnswerCheckOfTheOperation) {
    EXPECT_FALSE(op.CheckE8Answer(AdAnswer(0x7B)));
    EXPECT_EQ(op.E8AnswerValue(AdAnswer(0x7B)), 123);
    op.radioIdBytes = {0x25, 0x26, 0x02, 0x00};
    EXPECT_TRUE(op.CheckE8Answer(AdAnswer(0x7B)));
}

} // namespace
