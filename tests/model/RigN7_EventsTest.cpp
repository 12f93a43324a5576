#include <gtest/gtest.h>

#include "model/RigN7EvtFixture.h"

using namespace rign7test;

namespace {

constexpr std::uint32_t kInh = 0x80000000u;
constexpr std::int16_t kChNo = 0, kBpfAll = 9, kBpfT1 = 10, kBpfT3 = 12, kTxf = 14, kSMeter = 15;
const std::string kHalfBar = " [##########----------]";

class RigN7Events : public RigN7Fixture {};

TEST_F(RigN7Events, ChannelLine) {
    struct Case {
        int ch;
        std::uint32_t rx, tx;
        std::uint8_t power, mode;
        const char* want;
    };
    const Case cases[] = {
        {4, 146520000, 146520000, 0x03, 0x00,
         "    CH No.: 05 RX Freq = 146.520, TX Freq =   <-     RF Power: High  Mode: Wide"},
        {11, 146520000, 146000000, 0x02, 0x80,
         "    CH No.: 12 RX Freq = 146.520, TX Freq = 146.000  RF Power: Low2  Mode: Narrow"},
        {0, 146520000 | kInh, 146520000, 0x01, 0x7F,
         "    CH No.: 01 RX Freq = Inhibit, TX Freq = 146.520  RF Power: Low1  Mode: Wide"},
        {8, 440000000, 445000000 | kInh, 0x00, 0x80,
         "    CH No.: 09 RX Freq = 440.000, TX Freq = Inhibit  RF Power: Low1  Mode: Narrow"},
        {9, 146520000 | kInh, 146520000 | kInh, 0xFF, 0x00,
         "    CH No.: 10 RX Freq = Inhibit, TX Freq = Inhibit  RF Power: High  Mode: Wide"},
        {39, 50000000, 50000001, 0xFE, 0x00,
         "    CH No.: 40 RX Freq = 50.000, TX Freq = 50.000  RF Power: Low2  Mode: Wide"},
    };
    for (const auto& c : cases) {
        SetChannel(c.ch, c.rx, c.tx, c.power, c.mode);
        op.chList[3] = static_cast<std::int16_t>(c.ch);
        EXPECT_EQ(op.ConsEv_Disp(con, kChNo, 0, 3), c.want) << "channel " << c.ch;
    }
}

TEST_F(RigN7Events, ChannelLineFollowsTheConsoleValue) {
    SetChannel(2, 145000000, 145600000);
    SetChannel(7, 433500000, 433500000, 0x02, 0x80);
    op.chList[0] = 2;
    op.chList[1] = 7;
    con.Max(kChNo, 1);
    con.UpDown(kChNo, 1);
    EXPECT_EQ(lboConsole.lines[0], "    CH No.: 08 RX Freq = 433.500, TX Freq =   <-     RF Power: Low2  Mode: Narrow");
    con.UpDown(kChNo, 1);   // wraps to the first listed channel
    EXPECT_EQ(lboConsole.lines[0], "    CH No.: 03 RX Freq = 145.000, TX Freq = 145.600  RF Power: High  Mode: Wide");
}

TEST_F(RigN7Events, TxfLine) {
    SetChannel(5, 150000000, 150000000);
    op.curChannel = 5;
    EXPECT_EQ(lboConsole.lines[kTxf], "       TXF: [Enter] to Start");

    op.procStep = 2;
    con.Value(kTxf, 7);
    const std::string bar7 = " [#-------------------]";
    EXPECT_EQ(lboConsole.lines[kTxf], "       TXF: 1st TX Freq = 150.00000MHz, Setting =   7" + bar7);

    op.txfPhase2 = true;
    con.Disp(kTxf);
    EXPECT_EQ(lboConsole.lines[kTxf], "       TXF: 2nd TX Freq = 150.00150MHz, Setting =   7" + bar7);

    con.Value(kTxf, 255);
    EXPECT_EQ(lboConsole.lines[kTxf],
              "       TXF: 2nd TX Freq = 150.00150MHz, Setting = 255 [####################]");

    SetChannel(5, 150000000, 150000000 | kInh);
    con.Value(kTxf, 0);
    EXPECT_EQ(lboConsole.lines[kTxf], "       TXF: 2nd TX Freq = Inhibit, Setting =   0 [--------------------]");

    // A sub-100 MHz channel keeps three integer digits.
    SetChannel(5, 50000000, 50000000);
    op.txfPhase2 = false;
    con.Disp(kTxf);
    EXPECT_EQ(lboConsole.lines[kTxf], "       TXF: 1st TX Freq = 050.00000MHz, Setting =   0 [--------------------]");
}

TEST_F(RigN7Events, ProcedureLines) {
    struct Case {
        std::int16_t procStep;
        bool select0, smPhase2;
        std::int16_t sweepIdx;
        std::int16_t item;
        std::string want;
    };
    const Case cases[] = {
        {0, false, false, kBpfAll, kBpfAll, "   BPF ALL: [Enter] to Sweep"},
        {0, false, false, kBpfAll, kBpfT1, "    BPF T1:   0" + kHalfBar + " [Enter] to Sweep"},
        {9, true, false, kBpfAll, kBpfAll, "   BPF ALL: Sweeping"},
        {13, true, false, kBpfT1, kBpfAll, "   BPF ALL: [Enter] to Sweep"},   // T1 alone is swept
        {11, true, false, kBpfT1, kBpfT1, "    BPF T1:   0" + kHalfBar + " Sweeping"},
        {11, true, false, kBpfT1, kBpfT3, "    BPF T3:   0" + kHalfBar},
        {5, true, false, kBpfT1, kBpfT1, "    BPF T1:   0" + kHalfBar + " [Enter] to Sweep"},
        {0, false, false, kBpfAll, kSMeter, "   S-METER: [Enter] to Start"},
        {6, false, false, kBpfAll, kSMeter, "   S-METER: RSSI S3 Level "},
        {8, false, true, kBpfAll, kSMeter, "   S-METER: RSSI S1 Level "},
        {9, false, true, kBpfAll, kSMeter, "   S-METER: [Enter] to Start"},
    };
    for (const auto& c : cases) {
        op.procStep = c.procStep;
        op.bpfSelect.fill(false);
        op.bpfSelect[0] = c.select0;
        op.smPhase2 = c.smPhase2;
        op.idxBpfSweep = c.sweepIdx;
        con.Disp(c.item);
        EXPECT_EQ(lboConsole.lines[static_cast<std::size_t>(c.item)], c.want) << "step " << c.procStep;
    }
    EXPECT_EQ(op.ConsEv_Disp(con, 1, 5, 0), "???");
    EXPECT_EQ(op.ConsEv_Disp(con, 1, -1, 0), "???");
}

TEST_F(RigN7Events, ChannelSelectionIsSentAndBecomesTheTxfChannel) {
    op.chList = {};
    const std::int16_t listed[] = {0, 2, 5, 11, 30};
    for (std::size_t i = 0; i < 5; ++i) op.chList[i] = listed[i];
    con.Max(kChNo, 4);
    link.sent.clear();
    con.Value(kChNo, 3);
    con.SendE8(kChNo);
    // "00" then channel 12 (chList(3) + 1 = 0x0C) as the ASCII codes of "0C".
    EXPECT_EQ(link.sent, (std::vector<std::string>{"00" "3043"}));
    EXPECT_EQ(op.curChannel, 11);
    EXPECT_EQ(op.waitE8Required, 0);   // no settle time for the channel selection

    con.Value(kChNo, 0);
    con.SendE8(kChNo);
    EXPECT_EQ(link.sent.back(), "00" "3031");   // channel number 0 goes as 1
    EXPECT_EQ(op.curChannel, 0);

    // Other event numbers send nothing.
    op.ConsEv_SendE8(con, kTxf, 1, 0);
    EXPECT_EQ(link.sent.size(), 2u);
}

TEST_F(RigN7Events, EnterStartsProcedures) {
    con.EnterExec(kTxf);
    EXPECT_EQ(op.procStep, 1);
    EXPECT_FALSE(op.txfPhase2);
    EXPECT_FALSE(op.txfTableReady);

    // Enter during the TXF procedure is handed to the waiting step.
    op.procStep = 3;
    op.txfPhase2 = true;
    con.EnterExec(kTxf);
    EXPECT_TRUE(op.txfEnter);
    EXPECT_EQ(op.procStep, 3);
    EXPECT_TRUE(op.txfPhase2);

    // S-meter: starts afresh, cancelling the TXF procedure; Enter while running marks it.
    op.smPhase2 = true;
    con.EnterExec(kSMeter);
    EXPECT_EQ(op.procStep, 6);
    EXPECT_FALSE(op.smPhase2);
    EXPECT_EQ(lboConsole.lines[kSMeter], "   S-METER: RSSI S3 Level ");
    EXPECT_EQ(lboConsole.lines[kTxf], "       TXF: [Enter] to Start");
    con.EnterExec(kSMeter);
    EXPECT_TRUE(op.smEnter);
    EXPECT_EQ(op.procStep, 6);

    // A band-pass point: only its flag is selected.
    con.EnterExec(kBpfT3);
    EXPECT_EQ(op.procStep, 9);
    EXPECT_EQ(op.bpfSelect, (std::array<bool, 5>{false, false, true, false, false}));
    EXPECT_FALSE(op.bpfAll);
    EXPECT_EQ(op.idxBpfSweep, kBpfT3);
    EXPECT_EQ(lboConsole.lines[kBpfT3], "    BPF T3:   0" + kHalfBar + " Sweeping");
}

TEST_F(RigN7Events, BandPassEnterDuringASweepIsIgnored) {
    con.EnterExec(kBpfT1);
    ASSERT_EQ(op.procStep, 9);
    op.procStep = 12;
    con.EnterExec(kBpfT3);
    con.EnterExec(kBpfAll);
    EXPECT_EQ(op.procStep, 12);
    EXPECT_EQ(op.bpfSelect, (std::array<bool, 5>{true, false, false, false, false}));
    EXPECT_EQ(op.idxBpfSweep, kBpfT1);
    EXPECT_FALSE(op.bpfAll);
    EXPECT_EQ(lboConsole.lines[kBpfT3], "    BPF T3:   0" + kHalfBar);

    // TXF ends the sweep and starts the TXF procedure.
    con.EnterExec(kTxf);
    EXPECT_EQ(op.procStep, 1);
    EXPECT_EQ(lboConsole.lines[kBpfT1], "    BPF T1:   0" + kHalfBar + " [Enter] to Sweep");

    // After the sweep has ended, "   BPF ALL" selects all four points.
    con.EnterExec(kBpfAll);
    EXPECT_EQ(op.procStep, 9);
    EXPECT_TRUE(op.bpfAll);
    EXPECT_EQ(op.bpfSelect, (std::array<bool, 5>{true, true, true, true, false}));
    EXPECT_EQ(op.idxBpfSweep, kBpfAll);
    EXPECT_EQ(lboConsole.lines[kBpfAll], "   BPF ALL: Sweeping");
}

} // namespace
