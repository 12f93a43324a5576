#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "support/LinkStandIns.h"
#include "model/RigN7EvtFixture.h"

namespace {

using RigN7ModelTest = rign7test::RigN7Fixture;

const std::string kEmptyBar = " [--------------------]";
const std::string kHalfBar = " [##########----------]";

TEST_F(RigN7ModelTest, FreshConsoleShowsTheSixteenItems) {
    const std::vector<std::string> lines = {
        "    CH No.: 01 RX Freq = 0.000, TX Freq =   <-     RF Power: Low1  Mode: Wide",
        " Power(Hi):   0" + kEmptyBar,
        " Power(L2):   0" + kEmptyBar,
        " Power(L1):   0" + kEmptyBar,
        "   Balance:   0" + kEmptyBar,
        "     MOD W:   0" + kEmptyBar,
        "     MOD N:   0" + kEmptyBar,
        " CTCS/DTCS:   0" + kEmptyBar,
        "       SQL:   0" + kEmptyBar,
        "   BPF ALL: [Enter] to Sweep",
        "    BPF T1:   0" + kHalfBar + " [Enter] to Sweep",
        "    BPF T2:   0" + kHalfBar + " [Enter] to Sweep",
        "    BPF T3:   0" + kHalfBar + " [Enter] to Sweep",
        "    BPF T4:   0" + kHalfBar + " [Enter] to Sweep",
        "       TXF: [Enter] to Start",
        "   S-METER: [Enter] to Start",
    };
    EXPECT_EQ(lboConsole.lines, lines);
    ASSERT_EQ(con.ListCount(), 16);
    for (std::int16_t i = 0; i < 16; ++i) {
        EXPECT_EQ(con.Value(i), 0) << i;
        EXPECT_EQ(con.Title(i).size(), 10u) << i;
        EXPECT_FALSE(con.flgChanged(i)) << i;
        EXPECT_FALSE(con.flgEnterOn(i)) << i;
        EXPECT_EQ(con.WaitAfterE8(i), 200) << i;
    }
    EXPECT_EQ(op.idxChNo, 0);
    EXPECT_EQ(op.idxBpfSweep, 9);
    EXPECT_EQ(op.idxBpfT1, 10);
    EXPECT_EQ(op.idxTxf, 14);
    EXPECT_EQ(op.idxSMeter, 15);
    EXPECT_EQ(link.resets, (std::vector<std::int16_t>{1}));
    EXPECT_TRUE(link.sent.empty());
}

TEST_F(RigN7ModelTest, ItemFieldsFollowTheTable) {
    struct Row {
        std::int16_t min, max;
        std::int32_t ee;
        bool isSigned;
        std::int16_t e8;
        bool bar;
        std::int16_t evDisp, evSend, evEnter;
        bool loop;
    };
    const Row rows[16] = {
        {0, 0, -1, false, 0, false, 0, 0, -1, true},
        {0, 255, 79, false, 5, true, -1, -1, -1, false},
        {0, 255, 78, false, 6, true, -1, -1, -1, false},
        {0, 255, 77, false, 7, true, -1, -1, -1, false},
        {0, 255, 74, false, 10, true, -1, -1, -1, false},
        {0, 255, 72, false, 8, true, -1, -1, -1, false},
        {0, 255, 73, false, 9, true, -1, -1, -1, false},
        {0, 255, 76, false, 17, true, -1, -1, -1, false},
        {0, 255, 274, false, 4, true, -1, -1, -1, false},
        {0, 255, -1, false, -1, false, 2, -1, 6, false},
        {-128, 127, 68, true, 12, true, 3, -1, 2, false},
        {-128, 127, 69, true, 13, true, 3, -1, 3, false},
        {-128, 127, 70, true, 14, true, 3, -1, 4, false},
        {-128, 127, 71, true, 15, true, 3, -1, 5, false},
        {0, 255, -1, false, -1, false, 1, -1, 0, false},
        {0, 255, -1, false, -1, false, 4, -1, 1, false},
    };
    for (std::int16_t i = 0; i < 16; ++i) {
        const Row& r = rows[i];
        EXPECT_EQ(con.Min(i), r.min) << i;
        EXPECT_EQ(con.Max(i), r.max) << i;
        EXPECT_EQ(con.EeAdr(i), r.ee) << i;
        EXPECT_EQ(con.EeDataSigned(i), r.isSigned) << i;
        EXPECT_EQ(con.E8Command(i), r.e8) << i;
        EXPECT_EQ(con.BarExist(i), r.bar) << i;
        EXPECT_EQ(con.Event_Disp(i), r.evDisp) << i;
        EXPECT_EQ(con.Event_Changed(i), -1) << i;
        EXPECT_EQ(con.Event_SendE8(i), r.evSend) << i;
        EXPECT_EQ(con.Event_Enter(i), r.evEnter) << i;
        EXPECT_EQ(con.LoopVal(i), r.loop) << i;
    }
}

TEST_F(RigN7ModelTest, ReadOutListsAndProgressAreReset) {
    const std::vector<std::string> ad = {"[A/D]", "----", "----", "----", "----"};
    const std::vector<std::string> da = {"[D/A]", "----", "----", "----", "----", "----",
                                         "----", "----", "----", "----"};
    EXPECT_EQ(lbo01[0].lines, ad);
    EXPECT_EQ(lbo01[1].lines, da);
    EXPECT_EQ(lblProgress.text, std::string(32, ' '));
    EXPECT_EQ(cmd[0].text, "Connect");
    EXPECT_EQ(cmd[1].text, "Reload(F5)");
    EXPECT_EQ(cmd[2].text, "Disp para");

    // A second reset clears what the read-outs and the technician left.
    lbo01[0].lines[1] = "VIN  :176:B0h: 13.80V";
    lbo01[1].addItem("extra");
    lblProgress.text = "ooo.....";
    op.adLast = {10, 11, 12, 13, 14};
    op.daLast = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    op.opState = 17;
    op.procStep = 3;
    con.Value(1, 99);
    con.EnterPushed(14);
    op.RigOpFunc_ResetAll();
    EXPECT_EQ(lbo01[0].lines, ad);
    EXPECT_EQ(lbo01[1].lines, da);
    EXPECT_EQ(lblProgress.text, std::string(32, ' '));
    EXPECT_EQ(op.adLast, (std::array<std::int16_t, 5>{-1, -1, -1, -1, 14}));
    EXPECT_EQ(op.daLast, (std::array<std::int16_t, 10>{-1, -1, -1, -1, -1, -1, -1, -1, -1, 10}));
    EXPECT_EQ(op.opState, 0);
    EXPECT_EQ(op.procStep, 0);
    EXPECT_EQ(con.Value(1), 0);
    EXPECT_FALSE(con.flgEnterOn(14));
    EXPECT_EQ(lboConsole.listCount(), 16);
    EXPECT_EQ(link.resets, (std::vector<std::int16_t>{1, 1}));
}

TEST_F(RigN7ModelTest, PlainItemsSendTheirE8TextAndFollowTheImage) {
    struct Case { std::int16_t item; std::int32_t adr; std::uint8_t byte; std::int16_t value; const char* text; };
    const Case cases[] = {
        {1, 79, 0x00, 0, "053030"},       // " Power(Hi)" at 0
        {1, 79, 0x80, 128, "053830"},
        {10, 68, 0xFF, -1, "0C4646"},     // "    BPF T1" at -1
        {13, 71, 0xF6, -10, "0F4636"},
        {8, 274, 0x3F, 63, "043346"},     // "       SQL" above address 255
        {7, 76, 0x2C, 44, "113243"},
    };
    for (const Case& c : cases) {
        link.sent.clear();
        op.waitE8Required = 0;
        ee().WriteByte(c.adr, c.byte);
        con.ReadFromEe(c.item);
        EXPECT_EQ(con.Value(c.item), c.value) << c.item;
        EXPECT_TRUE(con.flgChanged(c.item));
        ee().WriteByte(c.adr, 0x5A);   // the send puts the value back
        con.SendE8(c.item);
        EXPECT_EQ(link.sent, (std::vector<std::string>{c.text})) << c.item;
        EXPECT_EQ(op.waitE8Required, 200);
        EXPECT_EQ(ee().ReadByte(c.adr), c.byte) << c.item;
    }
}

TEST_F(RigN7ModelTest, ChannelSelectionWrapsAndSendsTheChannelNumber) {
    op.chList[0] = 2;
    op.chList[1] = 5;
    op.chList[2] = 9;
    op.chList[3] = 30;
    con.Max(op.idxChNo, 3);
    for (int k = 0; k < 3; ++k) con.UpDown(op.idxChNo, 1);
    ASSERT_EQ(con.Value(op.idxChNo), 3);
    con.SendE8(op.idxChNo);
    EXPECT_EQ(link.sent, (std::vector<std::string>{"003146"}));  // channel 31 = 0x1F
    EXPECT_EQ(op.curChannel, 30);
    EXPECT_EQ(op.waitE8Required, 0);
    con.UpDown(op.idxChNo, 1);
    EXPECT_EQ(con.Value(op.idxChNo), 0);
    con.UpDown(op.idxChNo, -1);
    EXPECT_EQ(con.Value(op.idxChNo), 3);
    op.chList[3] = 0;
    link.sent.clear();
    con.SendE8(op.idxChNo);
    EXPECT_EQ(link.sent, (std::vector<std::string>{"003031"}));  // channel number 0 goes as 1
}

TEST_F(RigN7ModelTest, ChannelLineShowsFrequenciesPowerAndMode) {
    struct Case { ByteStr rx, tx; std::uint8_t power, mode; const char* tail; };
    const Case cases[] = {
        {{0x08, 0xBB, 0xB7, 0xC0}, {0x08, 0xBB, 0xB7, 0xC0}, 0x03, 0x80,
         " RX Freq = 146.520, TX Freq =   <-     RF Power: High  Mode: Narrow"},
        {{0x08, 0xBB, 0xB7, 0xC0}, {0x08, 0xC0, 0x24, 0x90}, 0x02, 0x00,
         " RX Freq = 146.520, TX Freq = 146.810  RF Power: Low2  Mode: Wide"},
        {{0x88, 0xBB, 0xB7, 0xC0}, {0x08, 0xBB, 0xB7, 0xC0}, 0x01, 0x7F,
         " RX Freq = Inhibit, TX Freq = 146.520  RF Power: Low1  Mode: Wide"},
        {{0x08, 0xBB, 0xB7, 0xC0}, {0x88, 0xBB, 0xB7, 0xC0}, 0x00, 0xFF,
         " RX Freq = 146.520, TX Freq = Inhibit  RF Power: Low1  Mode: Narrow"},
    };
    const std::int32_t rec = 1362 + 33 * 4;
    op.chList[1] = 4;
    op.chList[2] = 11;
    con.Max(op.idxChNo, 2);
    for (const Case& c : cases) {
        ee().WriteBlock(rec + 10, c.rx);
        ee().WriteBlock(rec + 14, c.tx);
        ee().WriteByte(rec + 22, c.power);
        ee().WriteByte(rec + 25, c.mode);
        con.Value(op.idxChNo, 1);
        EXPECT_EQ(lboConsole.list(0), std::string("    CH No.: 05") + c.tail);
    }
    con.Value(op.idxChNo, 2);
    EXPECT_EQ(lboConsole.list(0).substr(0, 14), "    CH No.: 12");
}

TEST_F(RigN7ModelTest, EnterStartsProceduresAndASweepIgnoresBandPassKeys) {
    con.EnterExec(10);   // sweep of "    BPF T1"
    EXPECT_EQ(op.procStep, 9);
    EXPECT_EQ(op.idxBpfSweep, 10);
    EXPECT_TRUE(op.bpfSelect[0]);
    EXPECT_FALSE(op.bpfAll);
    EXPECT_EQ(lboConsole.list(10), "    BPF T1:   0" + kHalfBar + " Sweeping");
    // Only the item entered is redrawn after the start; the other points
    // show the sweep at their next redraw.
    con.Disp(11);
    EXPECT_EQ(lboConsole.list(11), "    BPF T2:   0" + kHalfBar);

    con.EnterExec(12);   // "    BPF T3" during the sweep: nothing
    EXPECT_EQ(op.procStep, 9);
    EXPECT_EQ(op.idxBpfSweep, 10);
    EXPECT_FALSE(op.bpfSelect[2]);

    con.EnterExec(14);   // "       TXF" ends the sweep and starts its procedure
    EXPECT_EQ(op.procStep, 1);
    EXPECT_EQ(lboConsole.list(10), "    BPF T1:   0" + kHalfBar + " [Enter] to Sweep");
    EXPECT_EQ(lboConsole.list(14), "       TXF: 1st TX Freq = 000.00000MHz, Setting =   0" + kEmptyBar);

    con.EnterExec(9);    // "   BPF ALL"
    EXPECT_EQ(op.procStep, 9);
    EXPECT_TRUE(op.bpfAll);
    EXPECT_EQ(op.bpfSelect, (std::array<bool, 5>{true, true, true, true, false}));
    EXPECT_EQ(lboConsole.list(9), "   BPF ALL: Sweeping");

    con.EnterExec(15);   // "   S-METER"
    EXPECT_EQ(op.procStep, 6);
    EXPECT_EQ(lboConsole.list(15), "   S-METER: RSSI S3 Level ");
    EXPECT_EQ(lboConsole.list(9), "   BPF ALL: [Enter] to Sweep");
}

}  // namespace

#include <type_traits>

#include "link/clsCmcXfr3Sequence.h"
#include "link/frmCom.h"
#include "platform/mem/ManualClock.h"
#include "platform/mem/MemSerialPort.h"

namespace {

static_assert(std::is_base_of_v<IRigN7Link, clsCmcXfr3Sequence>);

// The operation on the real sequencer and port host: a stepped power value
// leaves the in-memory port as an E8 frame.
TEST(RigN7ModelOnLink, PowerStepGoesOutAsAnE8Frame) {
    platform::ManualClock clock{1000};
    platform::ScopedTickSource tickSource{clock};
    platform::MemSerialPort port;
    platform::ManualTimer timer;
    frmCom com{port, timer};
    clsCmcRadio radio;
    radio.radioNameM("2526");
    radio.radionameS("0100");
    clsCmcXfr3Sequence seq{com, radio, ZtN7SubNames()};
    platform::MemListBox lboConsole;
    platform::MainWindowControls ctl;
    ctl.lboConsole = &lboConsole;
    clsConsole con;
    clsIndOp_RigN7 op{con, seq, radio, ctl};

    con.UpDown(1, 1);   // " Power(Hi)" to 1
    con.flgChanged(1, false);
    con.SendE8(1);
    for (int pass = 0; pass < 20 && seq.OpRunning(); ++pass) {
        seq.task();
        clock.advance(50);
    }
    const ByteStr frame = {0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x25, 0x26, 0x01, 0x00, 0x05, 0x30, 0x31, 0xFD};
    const ByteStr& log = port.transmittedLog();
    EXPECT_NE(std::search(log.begin(), log.end(), frame.begin(), frame.end()), log.end());
    EXPECT_EQ(radio.eepImage().ReadByte(79), 1);
}

}  // namespace
