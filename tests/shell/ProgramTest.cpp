// The running program on the in-memory platform: start-up, options and
// their persistence, keys and menus, shutdown.
#include <gtest/gtest.h>

#include "link/LinkTestSupport.h"
#include "support/ProgramRig.h"

using testsupport::ProgramRig;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

TEST(Program, StartsOnPort1WithoutProfileAndWritesOptionsAtExit) {
    ProgramRig rig(nullptr);
    ASSERT_TRUE(rig.Start());
    EXPECT_EQ(rig.shown, 1);
    EXPECT_EQ(rig.main().ComPortNo(), 1);
    EXPECT_EQ(rig.main().ComAutoRelease(), 0);
    EXPECT_TRUE(rig.timer.enabled());
    EXPECT_EQ(rig.timer.interval, 50);
    EXPECT_EQ(rig.win.window.caption(), "ZS-N7 ADJ Rev.1.0");
    EXPECT_EQ(rig.win.lblTitle.caption().substr(0, 45), "ZS-N7 ADJ Rev.1.0\r\nAdjust Utility for ZT-N7\r\n");
    EXPECT_EQ(rig.profile(), "");  // reading created nothing
    rig.tick();
    EXPECT_EQ(rig.win.lblComBusy.caption(), "COM1: CLOSE");
    EXPECT_EQ(rig.win.lblComBusy.color, platform::SysColor::GrayText);
    EXPECT_TRUE(rig.win.mnuOptSelCom[1].checked());
    EXPECT_TRUE(rig.win.mnuOptionSelAutoRelease[0].checked());
    EXPECT_EQ(rig.win.lboConsole.listCount(), 16);
    EXPECT_TRUE(rig.win.cmd00[0].enabled());
    EXPECT_FALSE(rig.win.cmd00[1].enabled());
    EXPECT_FALSE(rig.win.cmd00[2].enabled());

    rig.main().Form_QueryUnload();
    EXPECT_EQ(rig.ended, 1);
    EXPECT_FALSE(rig.timer.enabled());
    EXPECT_EQ(rig.profile(), testsupport::NewFileText("[OPTION]\nComPort=1\nComAutoRelease=0\n"));
}

TEST(Program, StoredOptionsAreTakenAsTheyStand) {
    struct Case {
        std::string profile;
        std::int16_t port, release;
        std::string label;
    } cases[] = {
        {"[OPTION]\nComPort=7\nComAutoRelease=3\n", 7, 3, "COM7: CLOSE"},
        {"[option]\ncomport=3 \n", 3, 0, "COM3: CLOSE"},
        {"[OPTION]\nComPort=abc\nComAutoRelease=x\n", 1, 0, "COM1: CLOSE"},  // not numbers: defaults
        {"[OPTION]\nComPort=2\nComAutoRelease=40\n", 2, 0, "COM2: CLOSE"},   // 40 000 ms does not fit: off
        {"\x01\x02garbage\xff\n[[[\n", 1, 0, "COM1: CLOSE"},
    };
    for (const auto& c : cases) {
        ProgramRig rig(nullptr);
        WriteFile(rig.dir.file("ZSN7ADJ.rs"), c.profile);
        ASSERT_TRUE(rig.Start());
        rig.tick();
        EXPECT_EQ(rig.main().ComPortNo(), c.port) << c.profile;
        EXPECT_EQ(rig.main().ComAutoRelease(), c.release) << c.profile;
        EXPECT_EQ(rig.seq().comHoldReload(), c.release * 1000);
        EXPECT_EQ(rig.win.lblComBusy.caption(), c.label);
        for (int i = 1; i <= 4; ++i) EXPECT_EQ(rig.win.mnuOptSelCom[i].checked(), i == c.port) << i;
    }
}

TEST(Program, SecondInstanceEndsWithoutTouchingAnything) {
    ProgramRig rig(nullptr);
    WriteFile(rig.dir.file("ZSN7ADJ.rs"), "[OPTION]\nComPort=4\n");
    rig.desktop.otherInstance = true;
    EXPECT_FALSE(rig.Start());
    ASSERT_EQ(rig.desktop.messages.size(), 1u);
    EXPECT_EQ(rig.desktop.messages[0],
              "Cannot execute ZS-N7 ADJ Rev.1.0 repeatedly.\r\nZS-N7 ADJ Rev.1.0 is already executing.");
    EXPECT_EQ(rig.desktop.titles[0], "ZS-N7 ADJ Rev.1.0");
    EXPECT_EQ(rig.ended, 1);
    EXPECT_EQ(rig.shown, 0);
    EXPECT_FALSE(rig.timer.enabled());
    EXPECT_EQ(rig.profile(), "[OPTION]\nComPort=4\n");
}

TEST(Program, MissingConstantsFileEndsTheProgramAndSavesOptions) {
    ProgramRig rig(nullptr, /*withConstants=*/false);
    EXPECT_FALSE(rig.Start());
    ASSERT_EQ(rig.desktop.messages.size(), 1u);
    EXPECT_EQ(rig.desktop.messages[0], "Cannot read 'Const.ini'.");
    EXPECT_EQ(rig.ended, 1);
    EXPECT_EQ(rig.shown, 0);
    EXPECT_EQ(rig.profile(), testsupport::NewFileText("[OPTION]\nComPort=1\nComAutoRelease=0\n"));
}

TEST(Program, MenusChangeOptionsAndChecksFollowOnTheNextTick) {
    ProgramRig rig(nullptr);
    ASSERT_TRUE(rig.Start());
    rig.tick();
    rig.main().mnuOptSelCom_Click(3);
    EXPECT_EQ(rig.main().ComPortNo(), 3);
    EXPECT_TRUE(rig.win.mnuOptSelCom[1].checked());  // not yet
    rig.tick();
    EXPECT_FALSE(rig.win.mnuOptSelCom[1].checked());
    EXPECT_TRUE(rig.win.mnuOptSelCom[3].checked());
    EXPECT_EQ(rig.win.lblComBusy.caption(), "COM3: CLOSE");
    rig.main().mnuOptionSelAutoRelease_Click(5);
    EXPECT_EQ(rig.seq().comHoldReload(), 5000);
    rig.tick();
    EXPECT_TRUE(rig.win.mnuOptionSelAutoRelease[5].checked());
    rig.main().mnuFileExit_Click();
    EXPECT_EQ(rig.win.window.closeCount, 1);
    rig.main().Form_QueryUnload();
    EXPECT_EQ(rig.profile(), testsupport::NewFileText("[OPTION]\nComPort=3\nComAutoRelease=5\n"));
}

TEST(Program, ConsoleKeysStepTheSelectedItemAndMarkEnter) {
    ProgramRig rig(nullptr);
    ASSERT_TRUE(rig.Start());
    rig.select(1);  // " Power(Hi)"
    struct Case { int key; bool shift; std::int16_t value; } cases[] = {
        {keys::kRight, false, 1}, {keys::kRight, true, 6}, {keys::kLeft, true, 1}, {keys::kLeft, false, 0},
        {keys::kLeft, false, 0},  // stops at Min
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(rig.main().lboConsole_KeyDown(c.key, c.shift));
        EXPECT_EQ(rig.console().Value(1), c.value);
        EXPECT_EQ(rig.win.lboConsole.listIndex(), 1);  // the selection does not move
    }
    EXPECT_FALSE(rig.main().lboConsole_KeyDown(keys::kDown, false));  // goes to the list box
    rig.select(14);
    EXPECT_TRUE(rig.main().lboConsole_KeyDown(keys::kEnter, false));
    EXPECT_TRUE(rig.console().flgEnterOn(14));
    rig.select(15);
    EXPECT_TRUE(rig.main().lboConsole_KeyDown(keys::kSeparator, false));
    EXPECT_FALSE(rig.console().flgEnterOn(14));
    EXPECT_TRUE(rig.console().flgEnterOn(15));
}

TEST(Program, AFailureInsideAKeyHandlerIsContained) {
    ProgramRig rig(nullptr);
    ASSERT_TRUE(rig.Start());
    // "   BPF ALL" has no bar, so its value may sit at the 16-bit limit.
    rig.console().Min(9, -32768);
    rig.console().Value(9, -32768);
    rig.select(9);
    // -32768 - 1 does not fit 16 bits: the console refuses, the program goes on.
    EXPECT_TRUE(rig.main().lboConsole_KeyDown(keys::kLeft, false));
    EXPECT_EQ(rig.console().Value(9), -32768);
    rig.tick();
    EXPECT_EQ(rig.win.lblComBusy.caption(), "COM1: CLOSE");
}

TEST(Program, HiddenKeySequenceChangesTheCaptionAcrossButtons) {
    ProgramRig rig(nullptr);
    ASSERT_TRUE(rig.Start());
    const std::string typed = "xxbench-n7-tech";
    for (std::size_t i = 0; i < typed.size(); ++i) rig.main().cmd00_KeyPress(static_cast<int>(i % 3), typed[i]);
    EXPECT_EQ(rig.win.window.caption(), "ZT-N7 Bench Mode");
    EXPECT_EQ(rig.main().keyBuffer().size(), 13u);
    rig.main().cmd00_KeyPress(0, 255);  // no successor: left out
    EXPECT_EQ(rig.main().keyBuffer(), "CFODI.O8.UFDI");
}

TEST(Program, ResizeLaysOutTheWindow) {
    struct Case { int screenH, height; } cases[] = {{10800, 8500}, {9000, 8100}, {7000, 6600}, {9999, 8999}, {10001, 8500}};
    for (const auto& c : cases) {
        ProgramRig rig(nullptr);
        rig.win.window.screenH = c.screenH;
        ASSERT_TRUE(rig.Start());
        EXPECT_EQ(rig.win.window.height(), c.height) << c.screenH;
        EXPECT_EQ(rig.win.window.width(), 9525);
        EXPECT_EQ(rig.win.window.left(), (19200 - 9525) / 2);
        EXPECT_EQ(rig.win.window.top(), static_cast<int>((c.screenH - c.height) * 0.3));
    }
    ProgramRig rig(nullptr);
    ASSERT_TRUE(rig.Start());
    // Buttons centred under the separator, 120 apart; frames share one rectangle.
    const int w = rig.win.window.scaleWidth();
    EXPECT_EQ(rig.win.linSepa[1].x2(), w);
    const int left0 = (w - (3 * 1800 + 240)) / 2;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rig.win.cmd00[i].left(), left0 + i * 1920);
        EXPECT_EQ(rig.win.cmd00[i].width(), 1800);
    }
    EXPECT_EQ(rig.win.fra01[1].top(), rig.win.cmd00[2].top() + 330);
    EXPECT_EQ(rig.win.fra01[3].width(), w - 240);
    EXPECT_LT(rig.win.cmd00[2].tabOrderSerial, rig.win.txtDispPara.tabOrderSerial);
    // Resizing keeps the window's size; a tiny window gives heights of 1.
    rig.win.window.move(0, 0, 3000, 1200);
    rig.main().Form_Resize();
    EXPECT_EQ(rig.win.window.height(), 1200);
    EXPECT_EQ(rig.win.fra01[0].height(), 1);
    EXPECT_EQ(rig.win.lboConsole.height(), 1);
    EXPECT_EQ(rig.win.txtDispPara.height(), 1);
}

TEST(Program, ConstantsFileRules) {
    auto fileWith = [](const std::string& title, int numbers, const std::string& first = "1.5") {
        std::string s = title + "\n" + first + "\n";
        for (int i = 1; i < numbers; ++i) s += std::to_string(i) + "\n";
        return s;
    };
    struct Case { std::string text; bool ok; } cases[] = {
        {fileWith("  ZS-N7 ADJ Rev.1.0  ", 21), true},
        {fileWith("zs-n7 adj rev.1.0", 21), false},
        {fileWith("ZS-N7 ADJ Rev.1.1", 21), false},
        {fileWith("ZS-N7 ADJ Rev.1.0", 20), false},  // 21 lines in all
        {fileWith("ZS-N7 ADJ Rev.1.0\r", 21), true},  // a file with CR LF line ends
        {fileWith("\tZS-N7 ADJ Rev.1.0\t", 21), true},
        {fileWith("ZS-N7 ADJ Rev.1.0", 21, "1e39"), false},  // no single precision value
        {fileWith("ZS-N7 ADJ Rev.1.0", 21, "-1e400"), false},
        {fileWith("ZS-N7 ADJ Rev.1.0", 21, "nan"), true},  // no number: 0
        {"", false},
    };
    for (const auto& c : cases) {
        ProgramRig rig(nullptr, false);
        WriteFile(rig.dir.file("Const.ini"), c.text);
        EXPECT_EQ(rig.Start(), c.ok) << c.text;
        if (!c.ok) {
            ASSERT_EQ(rig.desktop.messages.size(), 1u) << c.text;
            EXPECT_EQ(rig.desktop.messages[0], "Cannot read 'Const.ini'.");
            EXPECT_EQ(rig.ended, 1);
        }
    }
}

} // namespace
