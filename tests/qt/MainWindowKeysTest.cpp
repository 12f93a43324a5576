// The real window's keys, clicks, menus, focus and close reach the program
// as the window logic expects them. The program runs on the in-memory port
// with the simulated radio at its far end and the test clock, so every tick
// is the test's; only the events are real Qt events.
#include <gtest/gtest.h>

// The simulator comes before Qt: it has a member named like a Qt keyword.
#include "ZtN7Sim.h"
#include "ZtN7SimPeer.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <memory>
#include <string>

#include "console/clsConsole.h"
#include "link/clsCmcXfr3Sequence.h"
#include "model/clsIndOp_RigN7.h"
#include "platform/Storage.h"
#include "platform/Host.h"
#include "platform/Timer.h"
#include "platform/mem/ManualClock.h"
#include "platform/mem/MemControls.h"
#include "platform/mem/MemSerialPort.h"
#include "platform/qt/QtMainWindow.h"
#include "shell/Program.h"
#include "shell/frmMain.h"
#include "qt/WindowWithSim.h"
#include "support/ProgramRig.h"

namespace {

using testsupport::ReadFile;
using testsupport::TempDir;

class WindowKeys : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(std::filesystem::path(ZS_SOURCE_DIR) / "Const.ini", dir.path() / "Const.ini");
        desktop.folder = dir.path().string();
        platform::SetDesktop(&desktop);
        // A data folder as the executable has one: the archive and the record go there.
        platform::SetStorage(&storage);
        port.setPeer(&peer);
        window = std::make_unique<platform::qt::QtMainWindow>();
        ASSERT_TRUE(qtwin::StartProgramWithWindow(program, *window, port, timer, ended));
        tick();
    }
    void TearDown() override {
        program.reset();
        window.reset();
        port.setPeer(nullptr);
        platform::SetDesktop(nullptr);
        platform::SetStorage(nullptr);
    }

    void tick() {
        clock.advance(50);
        port.pump();
        timer.fire();
        QApplication::processEvents();
    }
    void runFor(int ms) { testsupport::TickFor([this] { tick(); }, ms); }
    bool runUntil(const std::function<bool()>& pred, int maxMs) {
        return testsupport::TickUntil([this] { tick(); }, pred, maxMs);
    }
    bool Connect() {
        QTest::mouseClick(window->button(0), Qt::LeftButton);
        if (!runUntil([&] { return program->operation().RigN7Prop_EditEnabled(); }, 20000)) return false;
        runFor(2000);
        return true;
    }
    int Row(const char* start) const {
        QListWidget* list = window->consoleList();
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text().startsWith(QString::fromLatin1(start))) return i;
        return -1;
    }
    void FocusConsoleAt(int row) {
        QListWidget* list = window->consoleList();
        list->setCurrentRow(row);
        list->setFocus();
        QApplication::processEvents();
    }
    int ReadoutRequests() const {
        int n = 0;
        for (const auto& c : sim.e8Log()) n += c.code == rign7e8::kReadAd;
        return n;
    }

    TempDir dir;
    platform::ManualClock clock{100000};
    platform::ScopedTickSource useClock{clock};
    platform::MemDesktop desktop;
    platform::FileStorage storage{dir.file("data")};
    zsim::ZtN7Sim sim;
    zsim::ZtN7SimPeer peer{sim};
    platform::MemSerialPort port;
    platform::ManualTimer timer;
    std::unique_ptr<platform::qt::QtMainWindow> window;
    std::unique_ptr<Program> program;
    int ended = 0;
};

TEST_F(WindowKeys, ArrowsStepTheSelectedItemAndNeverMoveTheSelection) {
    ASSERT_TRUE(Connect());
    const int row = Row(" Power(Hi)");
    ASSERT_GE(row, 0);
    FocusConsoleAt(row);
    ASSERT_TRUE(window->consoleList()->hasFocus());

    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int change;
    } cases[] = {
        {Qt::Key_Right, Qt::NoModifier, +1},
        {Qt::Key_Right, Qt::ShiftModifier, +5},
        {Qt::Key_Left, Qt::NoModifier, -1},
        {Qt::Key_Left, Qt::ShiftModifier, -5},
    };
    for (const Case& c : cases) {
        const int before = sim.byteAt(rign7ee::kPowerHi);
        QTest::keyClick(window->consoleList(), c.key, c.mods);
        EXPECT_EQ(window->consoleList()->currentRow(), row);
        runFor(500);
        EXPECT_EQ(sim.byteAt(rign7ee::kPowerHi), before + c.change) << "key " << c.key << " mods " << c.mods;
    }
    // Up and Down are the list's own: they move the selection.
    QTest::keyClick(window->consoleList(), Qt::Key_Down);
    EXPECT_EQ(window->consoleList()->currentRow(), row + 1);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(WindowKeys, EnterAndTheKeypadSeparatorMarkTheEnterAction) {
    ASSERT_TRUE(Connect());
    const int row = Row("       TXF");
    ASSERT_GE(row, 0);
    FocusConsoleAt(row);
    clsConsole& con = program->console();
    const auto i = static_cast<std::int16_t>(row);

    // Key events as the desktop delivers them, with the physical key's code:
    // the keypad's decimal key (XKB code 91, Windows VK_DECIMAL) prints "."
    // or, on German layouts, ","; the separator key (XKB 129 on Brazilian
    // keyboards, 103 on Japanese ones, Windows VK_SEPARATOR) is the
    // alternative to Enter. Keys made by QTest carry no codes.
#ifdef Q_OS_WIN
    const quint32 decimalKey = 0x6E, separatorKey = 0x6C, jpSeparatorKey = 0x6C;
#else
    const quint32 decimalKey = 91, separatorKey = 129, jpSeparatorKey = 103;
#endif
    constexpr quint32 kKpDecimal = 0xFFAE, kKpSeparator = 0xFFAC;  // key symbols
    struct Case {
        const char* what;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        quint32 code;  // 0: a key made by QTest
        quint32 sym;
        const char* text;
        bool marks;
    } cases[] = {
        {"Return", Qt::Key_Return, Qt::NoModifier, 0, 0, "\r", true},
        {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, 0, 0, "\r", true},
        {"keypad decimal key, point layout", Qt::Key_Period, Qt::KeypadModifier, decimalKey, kKpDecimal, ".", false},
        {"keypad decimal key, German layout", Qt::Key_Comma, Qt::KeypadModifier, decimalKey, kKpSeparator, ",",
         false},
        {"keypad separator key, Brazilian layout", Qt::Key_Period, Qt::KeypadModifier, separatorKey, kKpDecimal, ".",
         true},
        {"keypad separator key, Hungarian layout", Qt::Key_Comma, Qt::KeypadModifier, separatorKey, kKpSeparator,
         ",", true},
        {"Japanese keypad comma", Qt::Key_Comma, Qt::KeypadModifier, jpSeparatorKey, kKpSeparator, ",", true},
        {"QTest keypad comma (KP_Separator)", Qt::Key_Comma, Qt::KeypadModifier, 0, 0, ",", true},
        {"QTest keypad period (KP_Decimal)", Qt::Key_Period, Qt::KeypadModifier, 0, 0, ".", false},
        {"main keyboard comma", Qt::Key_Comma, Qt::NoModifier, 0, 0, ",", false},
    };
    QListWidget* list = window->consoleList();
    for (const Case& c : cases) {
        con.flgEnterOn(i, false);
        if (c.code == 0) {
            QTest::keyClick(list, c.key, c.mods);
        } else {
            // Sent through the application, so the window's key preview sees
            // it as it sees a real key.
#ifdef Q_OS_WIN
            const quint32 scan = 0, vk = c.code;
#else
            const quint32 scan = c.code, vk = c.sym;
#endif
            QKeyEvent press(QEvent::KeyPress, c.key, c.mods, scan, vk, 0, QString::fromLatin1(c.text));
            QKeyEvent release(QEvent::KeyRelease, c.key, c.mods, scan, vk, 0, QString::fromLatin1(c.text));
            QApplication::sendEvent(list, &press);
            QApplication::sendEvent(list, &release);
        }
        QApplication::processEvents();
        EXPECT_EQ(con.flgEnterOn(i), c.marks) << c.what;
        EXPECT_EQ(list->currentRow(), row) << c.what;
    }
    con.flgEnterOn(i, false);
}

TEST_F(WindowKeys, F5ReloadsTheReadoutsWhereverTheFocusIs) {
    ASSERT_TRUE(Connect());
    sim.clearE8Log();
    runFor(1500);
    ASSERT_EQ(ReadoutRequests(), 0);  // no read-outs without a request

    FocusConsoleAt(0);
    QTest::keyClick(window->consoleList(), Qt::Key_F5);
    runFor(2000);
    const int afterConsole = ReadoutRequests();
    EXPECT_GT(afterConsole, 0);

    window->button(0)->setFocus();
    QApplication::processEvents();
    QTest::keyClick(window->button(0), Qt::Key_F5);
    runFor(2000);
    EXPECT_GT(ReadoutRequests(), afterConsole);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(WindowKeys, FocusInTheConsoleSelectsTheFirstItemWhenNoneIs) {
    ASSERT_TRUE(Connect());
    QListWidget* list = window->consoleList();
    window->button(0)->setFocus();
    list->setCurrentRow(-1);
    QApplication::processEvents();
    list->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(list->currentRow(), 0);
}

TEST_F(WindowKeys, EscAndEnterLeaveTheParameterDisplay) {
    ASSERT_TRUE(Connect());
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        QTest::mouseClick(window->button(2), Qt::LeftButton);
        ASSERT_TRUE(runUntil([&] { return program->operation().RigN7Prop_DispPara(); }, 5000));
        ASSERT_TRUE(runUntil([&] { return window->paramText()->isVisible(); }, 2000));
        EXPECT_TRUE(window->button(2)->isDefault());
        window->paramText()->setFocus();
        QApplication::processEvents();
        QTest::keyClick(window->paramText(), key);
        EXPECT_TRUE(runUntil([&] { return program->operation().RigN7Prop_EditEnabled(); }, 5000)) << "key " << key;
    }
}

TEST_F(WindowKeys, MenuChoicesSetTheOptionsAndTheTickMovesTheMarks) {
    ASSERT_TRUE(window->portAction(1)->isChecked());
    window->portAction(3)->trigger();
    EXPECT_EQ(program->mainWindow().ComPortNo(), 3);
    // The mark follows on the next tick, not on the click.
    EXPECT_FALSE(window->portAction(3)->isChecked());
    tick();
    EXPECT_TRUE(window->portAction(3)->isChecked());
    EXPECT_FALSE(window->portAction(1)->isChecked());
    EXPECT_EQ(window->portLabel()->text(), QStringLiteral("COM3: CLOSE"));

    window->releaseAction(5)->trigger();
    EXPECT_EQ(program->mainWindow().ComAutoRelease(), 5);
    EXPECT_EQ(program->sequencer().comHoldReload(), 5000);
    tick();
    EXPECT_TRUE(window->releaseAction(5)->isChecked());
    EXPECT_FALSE(window->releaseAction(0)->isChecked());

    // Exit closes the window, and the options are saved on the way out.
    window->exitAction()->trigger();
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(window->isVisible());
    const std::string profile = ReadFile(dir.file("ZSN7ADJ.rs"));
    EXPECT_NE(profile.find("ComPort=3"), std::string::npos) << profile;
    EXPECT_NE(profile.find("ComAutoRelease=5"), std::string::npos) << profile;
}

TEST_F(WindowKeys, ButtonKeysFeedTheHiddenSequenceAndPassOn) {
    window->button(0)->setFocus();
    QApplication::processEvents();
    QTest::keyClicks(window->button(0), QStringLiteral("ab"));
    window->button(0)->setFocus();
    QTest::keyClick(window->button(0), Qt::Key_C);
    // Each character is taken plus one and in upper case.
    EXPECT_EQ(program->mainWindow().keyBuffer(), "BCD");
}

}  // namespace
