#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "console/clsConsole.h"
#include "platform/mem/MemControls.h"

namespace {

struct Call {
    std::string what;
    std::int16_t index, evNo, val;
};

// Records every call of the console into its owner.
class FakeEvents : public IConsoleEvents {
public:
    std::string ConsEv_Disp(clsConsole&, std::int16_t Index, std::int16_t evNo, std::int16_t val) override {
        calls.push_back({"Disp", Index, evNo, val});
        return "ev" + std::to_string(evNo) + "=" + std::to_string(val);
    }
    void ConsEv_SendE8(clsConsole&, std::int16_t Index, std::int16_t evNo, std::int16_t val) override {
        calls.push_back({"SendE8", Index, evNo, val});
    }
    void ConsEv_Enter(clsConsole&, std::int16_t Index, std::int16_t evNo, std::int16_t val) override {
        calls.push_back({"Enter", Index, evNo, val});
    }
    void WaitE8Required(std::int32_t ms) override { waits.push_back(ms); }

    std::vector<Call> calls;
    std::vector<std::int32_t> waits;
};

class FakeSender : public IE8Sender {
public:
    std::int16_t easySendE8NoAnswer(const std::string& spE8) override {
        sent.push_back(spE8);
        return 0;
    }
    std::vector<std::string> sent;
};

class ConsoleTest : public ::testing::Test {
protected:
    ConsoleTest() {
        con.myListBox = &lbo;
        con.myEventClass = &ev;
        con.myXfr3Seq = &seq;
        con.myEeprom = &ee;
        con.Clear();
    }
    // Adds an item with a title and wide limits.
    std::int16_t Add(const std::string& title, std::int16_t min = -32768, std::int16_t max = 32767) {
        con.AddItem();
        auto i = static_cast<std::int16_t>(con.ListCount() - 1);
        con.Title(i, title);
        con.Max(i, max);
        con.Min(i, min);
        return i;
    }
    // Marks a line so that a later redraw is visible.
    void Mark(int line) { lbo.lines.at(static_cast<std::size_t>(line)) = "#mark"; }
    bool Redrawn(int line) const { return lbo.lines.at(static_cast<std::size_t>(line)) != "#mark"; }

    platform::MemListBox lbo;
    FakeEvents ev;
    FakeSender seq;
    clsCmcEeprom ee;
    clsConsole con;
};

const std::string kEmptyBar = " [--------------------]";
const std::string kFullBar = " [####################]";

std::string Bar(int hashes) {
    return " [" + std::string(static_cast<std::size_t>(hashes), '#') + std::string(static_cast<std::size_t>(20 - hashes), '-') + "]";
}

TEST_F(ConsoleTest, ValueFieldIsRightAlignedInFourColumns) {
    struct Case { std::int16_t value; const char* line; };
    const Case cases[] = {
        {7, "    CH No.:   7"}, {-12, "    CH No.: -12"}, {1234, "    CH No.:1234"},
        {-1234, "    CH No.:1234"}, {0, "    CH No.:   0"}, {-32768, "    CH No.:2768"},
    };
    auto i = Add("    CH No.");
    for (const Case& c : cases) {
        con.Value(i, c.value);
        EXPECT_EQ(con.DefaultString(i), c.line) << c.value;
        EXPECT_EQ(lbo.list(i), c.line) << c.value;
    }
}

TEST_F(ConsoleTest, BarGraphCellsRoundHalvesToEven) {
    struct Case { std::int16_t min, max, value; int hashes; };
    const Case cases[] = {
        {0, 255, 0, 0},    {0, 255, 255, 20}, {0, 255, 128, 10},  // 10.04 cells
        {0, 8, 1, 2},      // 2.5 cells -> 2
        {0, 8, 3, 8},      // 7.5 cells -> 8
        {0, 8, 5, 12},     // 12.5 cells -> 12
        {-128, 127, -128, 0}, {-128, 127, 127, 20}, {-128, 127, -1, 10},  // 9.96 cells
        {5, 5, 5, 0},      // a one-point range draws an empty bar
    };
    auto i = Add(" Power(Hi)", 0, 255);
    con.BarExist(i, true);
    for (const Case& c : cases) {
        con.Max(i, 32767);
        con.Min(i, c.min);
        con.Max(i, c.max);
        con.Value(i, c.value);
        ASSERT_EQ(con.Value(i), c.value);
        EXPECT_EQ(con.BarString(i), Bar(c.hashes)) << c.min << ".." << c.max << " v" << c.value;
        EXPECT_EQ(con.BarString(i).size(), 23u);
    }
    con.Min(i, 0);
    con.Max(i, 255);
    con.Value(i, 0);
    EXPECT_EQ(lbo.list(i), " Power(Hi):   0" + kEmptyBar);
    con.Value(i, 255);
    EXPECT_EQ(lbo.list(i), " Power(Hi): 255" + kFullBar);
}

TEST_F(ConsoleTest, BarProductBeyondSixteenBitsThrowsAndLeavesItemUnchanged) {
    auto i = Add("       BIG", 0, 5000);
    con.BarExist(i, true);
    con.Value(i, 1638);  // 32760 / 5000 = 6.55 cells
    EXPECT_EQ(con.BarString(i), Bar(7));
    con.flgChanged(i, false);
    Mark(i);
    EXPECT_THROW(con.Value(i, 1639), std::overflow_error);
    EXPECT_EQ(con.Value(i), 1638);
    EXPECT_FALSE(con.flgChanged(i));
    EXPECT_FALSE(Redrawn(i));
    EXPECT_THROW(con.UpDown(i, 5), std::overflow_error);
    EXPECT_EQ(con.Value(i), 1638);
}

TEST_F(ConsoleTest, UpDownWrapsOnlyFromTheLimit) {
    struct Case { bool loop; std::int16_t min, max, start, step, result; };
    const Case cases[] = {
        {true, 0, 3, 3, 1, 0},   {true, 0, 3, 0, -1, 3},  {true, 0, 3, 2, 5, 3},
        {true, 0, 3, 3, 5, 0},   {true, 0, 3, 1, -5, 0},  {true, 0, 3, 0, -5, 3},
        {true, 0, 3, 1, 1, 2},   {true, 0, 0, 0, 1, 0},   {true, 0, 0, 0, -1, 0},
        {false, 0, 3, 3, 1, 3},  {false, 0, 3, 0, -5, 0}, {false, 0, 3, 1, 5, 3},
        {false, -128, 127, 0, -5, -5},
        {true, -32768, 32767, 32767, 1, -32768},  // a wrap computes no sum
    };
    auto i = Add("      Item");
    for (const Case& c : cases) {
        con.Max(i, 32767);
        con.Min(i, c.min);
        con.Max(i, c.max);
        con.LoopVal(i, c.loop);
        con.Value(i, c.start);
        con.flgChanged(i, false);
        con.UpDown(i, c.step);
        EXPECT_EQ(con.Value(i), c.result) << c.loop << " " << c.min << ".." << c.max << " " << c.start << "+" << c.step;
        EXPECT_TRUE(con.flgChanged(i));
    }
}

TEST_F(ConsoleTest, StepAgainstLimitMarksAndRedraws) {
    auto i = Add(" Power(Hi)", 0, 255);
    con.Value(i, 255);
    con.flgChanged(i, false);
    Mark(i);
    con.UpDown(i, 1);
    EXPECT_EQ(con.Value(i), 255);
    EXPECT_TRUE(con.flgChanged(i));
    EXPECT_TRUE(Redrawn(i));
}

TEST_F(ConsoleTest, UpDownSumBeyondSixteenBitsThrowsAndLeavesItemUnchanged) {
    auto i = Add("      Item");
    struct Case { std::int16_t start, step; };
    for (Case c : {Case{32767, 1}, Case{-32768, -1}, Case{32000, 5000}}) {
        con.Value(i, c.start);
        con.flgChanged(i, false);
        EXPECT_THROW(con.UpDown(i, c.step), std::overflow_error);
        EXPECT_EQ(con.Value(i), c.start);
        EXPECT_FALSE(con.flgChanged(i));
    }
}

TEST_F(ConsoleTest, MinAndMaxSettersKeepTheOrderAndClamp) {
    auto i = Add("      Item", 0, 5);
    con.Value(i, 3);
    Mark(i);
    con.Min(i, 10);
    EXPECT_EQ(con.Min(i), 10);
    EXPECT_EQ(con.Max(i), 10);
    EXPECT_EQ(con.Value(i), 10);
    EXPECT_TRUE(Redrawn(i));

    con.Max(i, 20);
    con.Min(i, 5);
    con.Value(i, 7);
    con.Max(i, 2);
    EXPECT_EQ(con.Min(i), 2);
    EXPECT_EQ(con.Max(i), 2);
    EXPECT_EQ(con.Value(i), 2);

    // Limits alone never mark the item for sending.
    con.flgChanged(i, false);
    con.Max(i, 100);
    con.Min(i, 50);
    EXPECT_EQ(con.Value(i), 50);
    EXPECT_FALSE(con.flgChanged(i));
}

TEST_F(ConsoleTest, OnlyOneItemWaitsForEnter) {
    for (int k = 0; k < 6; ++k) Add("      Item");
    con.EnterPushed(1);
    con.EnterPushed(4);
    for (std::int16_t k = 0; k < 6; ++k) EXPECT_EQ(con.flgEnterOn(k), k == 4) << k;
    con.flgEnterOn(2, true);
    for (std::int16_t k = 0; k < 6; ++k) EXPECT_EQ(con.flgEnterOn(k), k == 2) << k;
    con.flgEnterOn(2, false);
    for (std::int16_t k = 0; k < 6; ++k) EXPECT_FALSE(con.flgEnterOn(k)) << k;
}

TEST_F(ConsoleTest, TitleSetRedrawsTheLastLineOnly) {
    Add("     First", 0, 255);
    Add("    Second", 0, 255);
    Add("     Third", 0, 255);
    Mark(0);
    Mark(2);
    con.Title(0, "       New");
    EXPECT_EQ(con.Title(0), "       New");
    EXPECT_FALSE(Redrawn(0));
    EXPECT_EQ(lbo.list(2), "     Third:   0");
    con.Disp(0);
    EXPECT_EQ(lbo.list(0), "       New:   0");
}

TEST_F(ConsoleTest, AddItemPadsTheListOnlyWhenShort) {
    con.myListBox = nullptr;
    con.Clear();
    lbo.lines = {"a", "b", "c"};
    con.myListBox = &lbo;
    con.AddItem();
    EXPECT_EQ(lbo.lines, (std::vector<std::string>{":   0", "b", "c"}));

    con.Clear();
    EXPECT_EQ(lbo.listCount(), 0);
    con.AddItem();
    EXPECT_EQ(con.ListCount(), 1);
    EXPECT_EQ(lbo.lines, (std::vector<std::string>{":   0"}));
    con.AddItem();
    EXPECT_EQ(lbo.listCount(), 2);
}

TEST_F(ConsoleTest, AddItemDefaults) {
    con.AddItem();
    const std::int16_t i = 0;
    EXPECT_EQ(con.Title(i), "");
    EXPECT_EQ(con.Value(i), 0);
    EXPECT_EQ(con.Min(i), 0);
    EXPECT_EQ(con.Max(i), 255);
    EXPECT_FALSE(con.BarExist(i));
    EXPECT_FALSE(con.LoopVal(i));
    EXPECT_EQ(con.WaitAfterE8(i), 200);
    EXPECT_EQ(con.EeAdr(i), -1);
    EXPECT_FALSE(con.EeDataSigned(i));
    EXPECT_EQ(con.E8Command(i), -1);
    EXPECT_EQ(con.Event_Disp(i), -1);
    EXPECT_EQ(con.Event_Changed(i), -1);
    EXPECT_EQ(con.Event_SendE8(i), -1);
    EXPECT_EQ(con.Event_Enter(i), -1);
    EXPECT_FALSE(con.flgChanged(i));
    EXPECT_FALSE(con.flgEnterOn(i));
}

TEST(ConsoleLimits, The32768thItemOverflowsAndChangesNothing) {
    clsConsole con;
    for (int k = 0; k < 32767; ++k) con.AddItem();
    EXPECT_EQ(con.ListCount(), 32767);
    EXPECT_THROW(con.AddItem(), std::overflow_error);
    EXPECT_EQ(con.ListCount(), 32767);
    con.Value(32766, 9);
    EXPECT_EQ(con.Value(32766), 9);
}

TEST_F(ConsoleTest, IndexOutsideTheTableThrowsAndChangesNothing) {
    Add("      Item", 0, 255);
    Add("      Item", 0, 255);
    con.Value(1, 7);
    const auto before = lbo.lines;
    EXPECT_THROW(con.Value(2, 1), std::out_of_range);
    EXPECT_THROW(con.Value(-1, 1), std::out_of_range);
    EXPECT_THROW(con.Value(2), std::out_of_range);
    EXPECT_THROW(con.UpDown(2, 1), std::out_of_range);
    EXPECT_THROW(con.Min(5, 1), std::out_of_range);
    EXPECT_THROW(con.Title(2, "x"), std::out_of_range);
    EXPECT_THROW(con.flgEnterOn(2, true), std::out_of_range);
    EXPECT_THROW(con.Disp(2), std::out_of_range);
    EXPECT_THROW(con.SendE8(2), std::out_of_range);
    EXPECT_THROW(con.EnterPushed(-3), std::out_of_range);
    EXPECT_EQ(lbo.lines, before);
    EXPECT_EQ(con.Value(1), 7);
}

TEST_F(ConsoleTest, EventItemsAreDrawnByTheReceiver) {
    auto i = Add("    CH No.", 0, 3);
    con.Value(i, 2);
    ev.calls.clear();
    con.Event_Disp(i, 0);
    ASSERT_EQ(ev.calls.size(), 1u);
    EXPECT_EQ(ev.calls[0].what, "Disp");
    EXPECT_EQ(ev.calls[0].index, i);
    EXPECT_EQ(ev.calls[0].evNo, 0);
    EXPECT_EQ(ev.calls[0].val, 2);
    EXPECT_EQ(lbo.list(i), "ev0=2");
    con.UpDown(i, 1);
    EXPECT_EQ(lbo.list(i), "ev0=3");
}

TEST_F(ConsoleTest, ReadFromEeDecodesSignedAndUnsignedBytes) {
    struct Case { bool isSigned; std::int16_t min, max; std::int32_t adr; std::uint8_t byte; std::int16_t value; };
    const Case cases[] = {
        {true, -128, 127, 68, 0xF6, -10}, {false, 0, 255, 68, 0xF6, 246}, {false, 0, 200, 68, 0xF6, 200},
        {true, -128, 127, 68, 0x80, -128}, {true, -128, 127, 68, 0x7F, 127}, {false, 0, 255, 274, 0x12, 18},
        {false, 5, 255, 12288, 0x00, 5},  // outside the image: 0, clamped
    };
    auto i = Add("      Item");
    for (const Case& c : cases) {
        con.Max(i, 32767);
        con.Min(i, c.min);
        con.Max(i, c.max);
        con.EeAdr(i, c.adr);
        con.EeDataSigned(i, c.isSigned);
        ee.WriteByte(c.adr, c.byte);
        con.flgChanged(i, false);
        con.ReadFromEe(i);
        EXPECT_EQ(con.Value(i), c.value) << std::hex << int(c.byte);
        EXPECT_TRUE(con.flgChanged(i));
    }
    // An equal value is still marked for sending.
    con.flgChanged(i, false);
    con.ReadFromEe(i);
    EXPECT_TRUE(con.flgChanged(i));
    // No EEPROM byte: nothing happens.
    con.EeAdr(i, -1);
    con.flgChanged(i, false);
    con.ReadFromEe(i);
    EXPECT_FALSE(con.flgChanged(i));
}

TEST_F(ConsoleTest, WriteToEeStoresTheLowByte) {
    struct Case { std::int16_t value; std::uint8_t byte; };
    const Case cases[] = {{-10, 0xF6}, {300, 0x2C}, {-1, 0xFF}, {-128, 0x80}, {255, 0xFF}, {0, 0x00}};
    auto i = Add("      Item");
    con.EeAdr(i, 68);
    for (const Case& c : cases) {
        con.Value(i, c.value);
        con.WriteToEe(i);
        EXPECT_EQ(ee.ReadByte(68), c.byte) << c.value;
    }
    // Signed round trip: F6 reads -10 and goes back as F6.
    con.EeDataSigned(i, true);
    ee.WriteByte(68, 0xF6);
    con.ReadFromEe(i);
    ee.WriteByte(68, 0);
    con.WriteToEe(i);
    EXPECT_EQ(ee.ReadByte(68), 0xF6);
    // An address outside the image is ignored.
    con.EeAdr(i, 12288);
    con.WriteToEe(i);
    con.EeAdr(i, -1);
    con.WriteToEe(i);
}

TEST(ConsoleE8Text, CodeThenAsciiHexOfTheLowByte) {
    struct Case { std::int16_t cmd, value; const char* text; };
    const Case cases[] = {
        {5, 128, "053830"}, {18, 63, "123346"}, {12, -1, "0C4646"}, {5, 0, "053030"},
        {5, 0x2C, "053243"}, {5, 300, "053243"}, {0, 1, "003031"}, {59, 255, "3B4646"},
    };
    for (const Case& c : cases) EXPECT_EQ(clsConsole::E8Text(c.cmd, c.value), c.text) << c.cmd << "/" << c.value;
}

TEST_F(ConsoleTest, SendE8WithOwnCommandSendsWaitsAndWritesTheImage) {
    auto i = Add(" Power(Hi)", 0, 400);
    con.EeAdr(i, 79);
    con.E8Command(i, 5);
    con.WaitAfterE8(i, 150);
    con.Value(i, 300);
    con.SendE8(i);
    EXPECT_EQ(seq.sent, (std::vector<std::string>{"053243"}));
    EXPECT_EQ(ev.waits, (std::vector<std::int32_t>{150}));
    EXPECT_EQ(ee.ReadByte(79), 0x2C);
}

TEST_F(ConsoleTest, SendE8WithoutCommandOnlyWritesTheImage) {
    auto i = Add("      Item", 0, 255);
    con.EeAdr(i, 274);
    con.Value(i, 0x55);
    ev.calls.clear();
    con.SendE8(i);
    EXPECT_TRUE(seq.sent.empty());
    EXPECT_TRUE(ev.waits.empty());
    EXPECT_TRUE(ev.calls.empty());
    EXPECT_EQ(ee.ReadByte(274), 0x55);
}

TEST_F(ConsoleTest, SendE8WithEventIsLeftToTheReceiver) {
    auto i = Add("    CH No.", 0, 3);
    con.E8Command(i, 0);
    con.Event_SendE8(i, 0);
    con.EeAdr(i, 100);
    con.Value(i, 3);
    ev.calls.clear();
    con.SendE8(i);
    EXPECT_TRUE(seq.sent.empty());
    EXPECT_TRUE(ev.waits.empty());
    ASSERT_EQ(ev.calls.size(), 1u);
    EXPECT_EQ(ev.calls[0].what, "SendE8");
    EXPECT_EQ(ev.calls[0].evNo, 0);
    EXPECT_EQ(ev.calls[0].val, 3);
    EXPECT_EQ(ee.ReadByte(100), 3);
}

TEST_F(ConsoleTest, EnterExecCallsTheReceiverOnlyForEnterItems) {
    auto plain = Add(" Power(Hi)", 0, 255);
    auto txf = Add("       TXF", 0, 255);
    con.Event_Enter(txf, 0);
    con.Value(txf, 9);
    ev.calls.clear();
    Mark(plain);
    Mark(txf);
    con.EnterExec(plain);
    EXPECT_TRUE(ev.calls.empty());
    EXPECT_FALSE(Redrawn(plain));
    con.EnterExec(txf);
    ASSERT_EQ(ev.calls.size(), 1u);
    EXPECT_EQ(ev.calls[0].what, "Enter");
    EXPECT_EQ(ev.calls[0].index, txf);
    EXPECT_EQ(ev.calls[0].evNo, 0);
    EXPECT_EQ(ev.calls[0].val, 9);
    EXPECT_EQ(lbo.list(txf), "       TXF:   9");
}

// A receiver whose drawing fails: the failure reaches the caller and the
// item keeps its value.
class FailingEvents : public FakeEvents {
public:
    std::string ConsEv_Disp(clsConsole& c, std::int16_t Index, std::int16_t evNo, std::int16_t val) override {
        if (val == 13) throw std::out_of_range("receiver");
        return FakeEvents::ConsEv_Disp(c, Index, evNo, val);
    }
};

TEST_F(ConsoleTest, ReceiverFailurePassesThroughAndLeavesItemUnchanged) {
    FailingEvents failing;
    con.myEventClass = &failing;
    auto i = Add("      Item", 0, 255);
    con.Event_Disp(i, 1);
    con.Value(i, 12);
    con.flgChanged(i, false);
    EXPECT_THROW(con.UpDown(i, 1), std::out_of_range);
    EXPECT_EQ(con.Value(i), 12);
    EXPECT_FALSE(con.flgChanged(i));
    EXPECT_EQ(lbo.list(i), "ev1=12");
}

} // namespace
