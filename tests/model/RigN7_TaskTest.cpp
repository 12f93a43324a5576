// The operation's state machine, buttons, sub-name rule, progress bar,
// window layout and constants file, on recording controls and a scripted link.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "console/clsConsole.h"
#include "model/RigN7EvtFixture.h"
#include "radio/clsCmcRadio.h"
#include "support/ProgramRig.h"

namespace {

class TaskProbe : public clsIndOp_RigN7 {
public:
    using clsIndOp_RigN7::clsIndOp_RigN7;
    using clsIndOp_RigN7::chList;
    using clsIndOp_RigN7::dispParaRequest;
    using clsIndOp_RigN7::extParam;
    using clsIndOp_RigN7::opState;
    using clsIndOp_RigN7::radioIdBytes;
    using clsIndOp_RigN7::reloadRequest;
    using clsIndOp_RigN7::stateEntry;
};

class RigN7Task : public ::testing::Test {
protected:
    RigN7Task() {
        radio.radioNameM("2526");
        radio.radionameS("0100");
        c.window = &win;
        c.lblProgress = &progress;
        for (std::size_t i = 0; i < 3; ++i) c.cmd00[i] = &cmd[i];
        for (std::size_t i = 0; i < 4; ++i) c.fra01[i] = &fra[i];
        for (std::size_t i = 0; i < 2; ++i) c.lbo01[i] = &lbo01[i];
        c.lboConsole = &lbo;
        c.lblTitle = &title;
        c.txtDispPara = &txt;
        c.linSepa[1] = &sepa;
        op = std::make_unique<TaskProbe>(console, link, radio, c);
    }
    platform::MemWindow win;
    platform::MemLabel progress, title;
    platform::MemButton cmd[3];
    platform::MemFrame fra[4];
    platform::MemListBox lbo01[2], lbo;
    platform::MemTextBox txt;
    platform::MemLine sepa;
    platform::MainWindowControls c;
    clsConsole console;
    rign7test::ScriptLink link;
    clsCmcRadio radio;
    std::unique_ptr<TaskProbe> op;
};

TEST_F(RigN7Task, ProgressBarFollowsTheLastAddressDuringTheCloneRead) {
    std::int32_t adr = 0;
    op->CloneProgressSource([&] { return adr; });
    op->opState = 2;
    link.busy = true;
    struct Case { std::int32_t adr; int full; } cases[] = {{0, 0}, {372, 0}, {373, 1}, {6144, 16}, {12287, 32}};
    for (const auto& k : cases) {
        adr = k.adr;
        op->task();
        EXPECT_EQ(progress.caption(), std::string(static_cast<std::size_t>(k.full), 'o') +
                                          std::string(static_cast<std::size_t>(32 - k.full), '.'))
            << k.adr;
    }
    op->opState = 3;  // other states leave the bar alone
    adr = 0;
    op->task();
    EXPECT_EQ(progress.caption(), std::string(32, 'o'));
}

TEST_F(RigN7Task, SubNameRuleComparesTheFirstTwoCharacters) {
    struct Case { const char* name; bool legal; } cases[] = {
        {"0100", true}, {"0199", true}, {"00FF", true}, {"01", true}, {"0", true}, {"", true},
        {"0200", false}, {"1000", false}, {"02", false}, {"0A00", false},
    };
    for (const auto& k : cases) EXPECT_EQ(op->RigOpFunc_CheckSubNameLegal(k.name), k.legal) << k.name;
}

TEST_F(RigN7Task, ButtonsOnlySetRequestsWhereTheyApply) {
    for (std::int16_t state : {0, 1, 2, 21}) {
        op->opState = state;
        op->reloadRequest = false;
        op->RigOpFunc_ClickCmd00(1);
        EXPECT_FALSE(op->reloadRequest) << state;
    }
    op->opState = 21;
    op->dispParaRequest = true;
    op->RigOpFunc_ClickCmd00(2);
    EXPECT_FALSE(op->dispParaRequest);
    // Twice within one cycle: the display still opens.
    op->opState = 5;
    op->RigOpFunc_ClickCmd00(2);
    op->RigOpFunc_ClickCmd00(2);
    EXPECT_TRUE(op->dispParaRequest);
    op->RigOpFunc_ClickCmd00(7);  // no such button
    EXPECT_EQ(op->opState, 5);
    op->RigOpFunc_ClickCmd00(0);
    EXPECT_EQ(op->opState, 1);
    EXPECT_TRUE(op->stateEntry);
}

TEST_F(RigN7Task, ConnectStartsTheCloneReadAndLoadingPreparesTheFirstCycle) {
    op->RigOpFunc_ClickCmd00(0);
    op->task();  // 1 -> 2, the clone read starts
    EXPECT_EQ(op->opState, 2);
    EXPECT_FALSE(cmd[1].enabled());
    // An image without any channel: the list holds channel 0 only.
    op->task();
    EXPECT_EQ(op->radioIdBytes, ByteStr({0x25, 0x26, 0x01, 0x00}));
    EXPECT_EQ(op->chList[0], 0);
    EXPECT_EQ(console.Max(0), 0);
    EXPECT_EQ(console.Value(0), 0);
    ASSERT_FALSE(link.sent.empty());
    EXPECT_EQ(link.sent[0], "023031");
    // The same pass starts the cycle: the read-outs are refreshed first, so
    // it waits for the first A/D answer with every item still to be sent.
    EXPECT_EQ(op->opState, 4);
    ASSERT_EQ(link.sent.size(), 2u);
    EXPECT_EQ(link.sent[1].substr(0, 3), "?03");
    for (std::int16_t i = 0; i < console.ListCount(); ++i) EXPECT_TRUE(console.flgChanged(i)) << i;
    EXPECT_TRUE(fra[1].visible());
    EXPECT_FALSE(fra[0].visible());
    EXPECT_TRUE(cmd[1].enabled());
}

TEST_F(RigN7Task, ACloneReadThatDidNotEndWholeIsNeverLoaded) {
    op->RigOpFunc_ClickCmd00(0);
    op->task();  // 1 -> 2, the clone read starts
    link.cloneWhole = false;
    op->task();  // the link is idle again, but the read did not end whole
    EXPECT_EQ(op->opState, 0);
    EXPECT_TRUE(link.sent.empty()) << "an adjustment command went out: " << link.sent[0];
    EXPECT_FALSE(op->ImageComplete());
    EXPECT_FALSE(fra[1].visible());
    EXPECT_FALSE(link.resets.empty());  // the port is closed
}

TEST_F(RigN7Task, ChannelListKeepsTheChannelsThatAppearInOrder) {
    // Channels 3, 17 and 39 carry a receive frequency.
    for (std::int16_t ch : {3, 17, 39}) {
        const std::int32_t adr = clsIndEep_RigN7::RxFreqAdr(ch);
        radio.eepImage().WriteByte(adr + 3, 0x10);
    }
    op->RigOpFunc_ClickCmd00(0);
    op->task();
    op->task();
    EXPECT_EQ(op->chList[0], 3);
    EXPECT_EQ(op->chList[1], 17);
    EXPECT_EQ(op->chList[2], 39);
    EXPECT_EQ(console.Max(0), 2);
}

// Layout figures with a window whose inner size is 9405 x 7810.
TEST_F(RigN7Task, LayoutPlacesEveryControl) {
    op->RigOpFunc_FormLayout();  // sizes the window first: 9525 x 8500
    EXPECT_EQ(win.width(), 9525);
    EXPECT_EQ(win.height(), 8500);
    sepa.setPoints(0, 15, win.scaleWidth(), 15);
    title.move(0, 0, 6000, 700);
    progress.move(0, 0, 3000, 240);
    op->RigOpFunc_FormLayout();
    const int sw = win.scaleWidth(), sh = win.scaleHeight();
    EXPECT_EQ(cmd[0].left(), (sw - 5640) / 2);
    EXPECT_EQ(cmd[0].top(), 135);
    const int ftop = 135 + 330, fw = sw - 240, fh = sh - ftop - 120;
    for (int k : {0, 1, 3}) {
        EXPECT_EQ(fra[k].left(), 120);
        EXPECT_EQ(fra[k].top(), ftop);
        EXPECT_EQ(fra[k].width(), fw);
        EXPECT_EQ(fra[k].height(), fh);
    }
    EXPECT_EQ(fra[2].width(), fw - 240);
    EXPECT_EQ(fra[2].height(), 2800);
    const int lw = (fw - 240 - 360) / 2;
    EXPECT_EQ(lbo01[0].width(), lw);
    EXPECT_EQ(lbo01[1].left(), 120 + lw + 120);
    EXPECT_EQ(lbo01[1].height(), 2680);
    EXPECT_EQ(lbo.left(), 240);
    EXPECT_EQ(lbo.top(), 3100);
    EXPECT_EQ(lbo.width(), fw - 480);
    EXPECT_EQ(lbo.height(), fh - 3100 - 180);
    EXPECT_EQ(title.left(), (fw - 6000) / 2);
    EXPECT_EQ(progress.top(), 240 + 700 + 240);
    EXPECT_EQ(txt.height(), fh - 360);
    // A longer or shifted separator keeps the buttons centred under it.
    sepa.setPoints(1000, 15, 13000, 15);
    op->RigOpFunc_FormLayout();
    EXPECT_EQ(cmd[0].left() - 1000, 13000 - (cmd[2].left() + 1800));
    EXPECT_EQ(win.height(), 8500);  // sized once only
}

TEST_F(RigN7Task, TemperatureBorders) {
    EXPECT_EQ(op->RigN7Op_Table_Txf_TempBorder(0), 0);
    EXPECT_EQ(op->RigN7Op_Table_Txf_TempBorder(4), 40);
    EXPECT_EQ(op->RigN7Op_Table_Txf_TempBorder(15), 208);
    EXPECT_EQ(op->RigN7Op_Table_Txf_TempBorder(20), 255);
    EXPECT_EQ(op->RigN7Op_Table_Txf_TempBorder(21), 0);
    EXPECT_THROW(op->RigN7Op_Table_Txf_TempBorder(22), std::out_of_range);
    EXPECT_THROW(op->RigN7Op_Table_Txf_TempBorder(-1), std::out_of_range);
}

TEST_F(RigN7Task, ConstantsFileNumbers) {
    testsupport::TempDir dir;
    std::string text = "ZS-N7 ADJ Rev.1.0\n-2.5\n1.25ppm\n\n  +3e1\nabc\n.5\n-.\n1e\n7.";
    for (int i = 9; i < 21; ++i) text += "\n" + std::to_string(i);
    testsupport::WriteFile(dir.file("Const.ini"), text + "\nignored\n");
    ASSERT_TRUE(op->RigN7Prop_ReadParametersFromExtFile());
    const float want[] = {-2.5f, 1.25f, 0.0f, 30.0f, 0.0f, 0.5f, 0.0f, 1.0f, 7.0f};
    for (std::size_t i = 0; i < 9; ++i) EXPECT_FLOAT_EQ(op->extParam[i], want[i]) << i;
    EXPECT_FLOAT_EQ(op->extParam[20], 20.0f);
    EXPECT_FLOAT_EQ(op->extParam[21], 0.0f);
    // Too short a file: refused, the values read before stay.
    testsupport::WriteFile(dir.file("Const.ini"), "ZS-N7 ADJ Rev.1.0\n9\n");
    EXPECT_FALSE(op->RigN7Prop_ReadParametersFromExtFile());
    EXPECT_FLOAT_EQ(op->extParam[0], 9.0f);
    EXPECT_FLOAT_EQ(op->extParam[1], 1.25f);
}

// One number line in a file that is right otherwise: what extParam(0)
// becomes, or that the file is refused. The point is "." on every desktop
// (this table also runs under a comma-decimal locale), and no value that is
// not finite ever reaches the compensation table.
TEST_F(RigN7Task, ConstantsFileNumberLineEdgeCases) {
    testsupport::TempDir dir;
    struct Case {
        const char* line;
        bool accepted;
        float value;
    } cases[] = {
        {"-2.5", true, -2.5f},
        {"1.25ppm", true, 1.25f},
        {".5", true, 0.5f},
        {"", true, 0.0f},
        {"-4.8", true, -4.8f},  // not -4, as a German locale's strtod gives
        {"1,25", true, 1.0f},   // a comma ends the number on every desktop
        {"\t -0.3 ", true, -0.3f},
        {"nan", true, 0.0f},    // no number at its start, so 0, never a NaN
        {"inf", true, 0.0f},
        {"-nan(1)", true, 0.0f},
        {"3.4028234e38", true, 3.4028234e38f},  // the largest single
        {"1e-50", true, 0.0f},  // too small for single precision: 0
        {"1e-400", true, 0.0f},  // too small even for the conversion
        {"1e39", false, 0.0f},
        {"-1e39", false, 0.0f},
        {"3.5e38", false, 0.0f},
        {"1e400", false, 0.0f},  // overflows the conversion itself
        {"1e99999999999999999999", false, 0.0f},
        {"0e99999", true, 0.0f},
        {"0.000000000000000000000000000000000000000000000001e450", false, 0.0f},  // 1e402
    };
    for (const Case& c : cases) {
        std::string text = std::string("ZS-N7 ADJ Rev.1.0\n") + c.line + "\n";
        for (int i = 1; i < 21; ++i) text += std::to_string(i) + ".5\n";
        testsupport::WriteFile(dir.file("Const.ini"), text);
        op->extParam[0] = 99.0f;
        op->extParam[1] = 99.0f;
        EXPECT_EQ(op->RigN7Prop_ReadParametersFromExtFile(), c.accepted) << c.line;
        for (float v : op->extParam) EXPECT_TRUE(std::isfinite(v)) << c.line;
        if (c.accepted) {
            EXPECT_FLOAT_EQ(op->extParam[0], c.value) << c.line;
            EXPECT_FLOAT_EQ(op->extParam[20], 20.5f) << c.line;
        } else {
            // Refused at the line: what came before it stays (nothing here).
            EXPECT_FLOAT_EQ(op->extParam[0], 99.0f) << c.line;
            EXPECT_FLOAT_EQ(op->extParam[1], 99.0f) << c.line;
        }
    }
}

// The title line: blanks around it are spaces and tabs alike (an editor may
// leave either); everything else must match.
TEST_F(RigN7Task, ConstantsFileTitleLine) {
    testsupport::TempDir dir;
    struct Case {
        const char* title;
        bool accepted;
    } cases[] = {
        {"ZS-N7 ADJ Rev.1.0", true},
        {"  ZS-N7 ADJ Rev.1.0  ", true},
        {"\tZS-N7 ADJ Rev.1.0\t", true},
        {" \t ZS-N7 ADJ Rev.1.0 \t\r", true},
        {"ZS-N7 ADJ Rev.1.0\r", true},
        {"ZS-N7\tADJ Rev.1.0", false},  // inside the title a tab is no blank
        {"ZS-N7  ADJ Rev.1.0", false},
        {"zs-n7 adj rev.1.0", false},
        {"\xC2\xA0ZS-N7 ADJ Rev.1.0", false},  // a no-break space is not a blank
        {"ZS-N7 ADJ Rev.1.0.", false},
    };
    for (const Case& c : cases) {
        std::string text = std::string(c.title) + "\n";
        for (int i = 0; i < 21; ++i) text += "1.5\n";
        testsupport::WriteFile(dir.file("Const.ini"), text);
        EXPECT_EQ(op->RigN7Prop_ReadParametersFromExtFile(), c.accepted) << c.title;
    }
}

TEST(RigN7ConstIni, TheShippedSampleFileIsAccepted) {
    testsupport::TempDir dir;
    std::filesystem::copy_file(std::filesystem::path(ZS_SOURCE_DIR) / "Const.ini", dir.path() / "Const.ini");
    clsConsole console;
    rign7test::ScriptLink link;
    clsCmcRadio radio;
    platform::MainWindowControls c;
    TaskProbe op(console, link, radio, c);
    EXPECT_TRUE(op.RigN7Prop_ReadParametersFromExtFile());
}

} // namespace
