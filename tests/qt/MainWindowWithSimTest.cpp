// The real window, the real program and the Qt serial control against the
// simulator executable on a pseudo-terminal, driven with key and mouse
// events as a user would: Connect, wait for the console, step " Power(Hi)"
// with Right and find the new value in the radio's EEPROM.
#include <algorithm>

#include "ZtN7Sim.h"
#include "console/clsConsole.h"
#include "link/clsCmcXfr3Sequence.h"
#include "model/clsIndOp_RigN7.h"
#include "qt/WindowWithSim.h"

namespace {

using namespace qtwin;

using MainWindowWithSim = WindowWithSim;

TEST_F(MainWindowWithSim, ConnectThenRightStepsPowerHiIntoTheRadio) {
    const std::string saved = dir.file("sim-eeprom.bin");
    const std::string control = dir.file("sim-control");
    SimExe sim({QStringLiteral("--save"), QString::fromStdString(saved), QStringLiteral("--control"),
                QString::fromStdString(control)});
    ASSERT_FALSE(sim.path().empty()) << "zt-n7-sim did not start: " << sim.errors().toStdString();
    ASSERT_TRUE(Start(sim.path()));
    EXPECT_EQ(window->windowTitle().toStdString(), "ZS-N7 ADJ Rev.1.0");
    ASSERT_EQ(window->button(0)->text(), QStringLiteral("Connect"));

    QListWidget* console = window->consoleList();
    QTest::mouseClick(window->button(0), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ConnectedAndRead(*window); }, 60000))
        << "console lines: " << console->count() << "; messages: " << desktop.messages.size()
        << (desktop.messages.empty() ? "" : " first: " + desktop.messages.front());
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(window->portLabel()->text(), QStringLiteral("COM1: OPEN"));

    const int row = RowStartingWith(console, QStringLiteral(" Power(Hi)"));
    ASSERT_GE(row, 0);
    console->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return console->hasFocus(); }, 2000));
    console->setCurrentRow(row);
    const QString before = console->item(row)->text();

    QTest::keyClick(console, Qt::Key_Right);
    // The key is swallowed: the selection stays, the line shows the new value.
    EXPECT_EQ(console->currentRow(), row);
    ASSERT_TRUE(QTest::qWaitFor([&] { return console->item(row)->text() != before; }, 5000));
    EXPECT_TRUE(console->item(row)->text().startsWith(QStringLiteral(" Power(Hi)")));

    // The cycle sends the change. The radio does not answer an E8 command,
    // so the test makes sure it got there with a later question: the radio
    // now measures another temperature, F5 asks for the read-outs again,
    // and an answer showing it comes after the E8 command on the line.
    const auto item = static_cast<std::int16_t>(row);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !program->console().flgChanged(item) && !program->sequencer().OpRunning(); }, 10000));
    ASSERT_TRUE(SendControl(control, "temp 200\n"));
    QTest::keyClick(console, Qt::Key_F5);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window->readoutList(0)->item(2)->text().startsWith(QStringLiteral("TEMPS:200:")); }, 10000))
        << window->readoutList(0)->item(2)->text().toStdString();
    EXPECT_TRUE(desktop.messages.empty());
    ASSERT_TRUE(sim.stop());
    const std::string image = ReadFile(saved);
    ASSERT_EQ(image.size(), 12288u);
    const int original = zsim::ZtN7Sim::DefaultImage()[rign7ee::kPowerHi];
    EXPECT_EQ(static_cast<unsigned char>(image[rign7ee::kPowerHi]), std::min(original + 1, 255));

    // Closing the window ends the program and keeps the port mapping next
    // to the saved options.
    window->close();
    EXPECT_EQ(ended, 1);
    const std::string profile = ReadFile(profilePath);
    EXPECT_NE(profile.find("COM1=" + sim.path()), std::string::npos) << profile;
    EXPECT_NE(profile.find("ComPort=1"), std::string::npos) << profile;
    EXPECT_NE(profile.find("ComAutoRelease=0"), std::string::npos) << profile;
}

}  // namespace
