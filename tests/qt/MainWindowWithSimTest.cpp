// The real window, the real program and the Qt serial control against the
// simulator executable on a pseudo-terminal, driven with key and mouse
// events as a user would: Connect, wait for the console, step " Power(Hi)"
// with Right and find the new value in the radio's EEPROM.
#include <algorithm>

#include "ZtN7Sim.h"
#include "model/clsIndOp_RigN7.h"
#include "qt/WindowWithSim.h"

namespace {

using namespace qtwin;
using MainWindowWithSim = WindowWithSim;

TEST_F(MainWindowWithSim, ConnectThenRightStepsPowerHiIntoTheRadio) {
    const std::string saved = dir.file("sim-eeprom.bin");
    SimExe sim({QStringLiteral("--save"), QString::fromStdString(saved)});
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

    // Give the operation's cycle time to send the E8 command and settle.
    QTest::qWait(1500);
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
