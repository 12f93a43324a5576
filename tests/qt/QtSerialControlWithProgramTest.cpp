// The Qt serial control under the real program: the radio's end of the line
// goes away in the middle of the adjustment cycle, as when the cable or the
// adapter is pulled.
#include "qt/WindowWithSim.h"

namespace {

using QtSerialControlWithProgram = qtwin::WindowWithSim;

TEST_F(QtSerialControlWithProgram, PulledCableIsReportedOnceAndThePortStaysClosed) {
    qtwin::SimExe sim({});
    ASSERT_FALSE(sim.path().empty()) << "zt-n7-sim did not start: " << sim.errors().toStdString();
    ASSERT_TRUE(Start(sim.path()));
    QTest::mouseClick(window->button(0), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return qtwin::ConnectedAndRead(*window); }, 60000))
        << "messages: " << desktop.messages.size()
        << (desktop.messages.empty() ? "" : " first: " + desktop.messages.front());
    ASSERT_TRUE(desktop.messages.empty());
    ASSERT_EQ(window->portLabel()->text(), QStringLiteral("COM1: OPEN"));

    sim.stop();  // the far end of the pseudo-terminal is gone
    ASSERT_TRUE(QTest::qWaitFor([&] { return !desktop.messages.empty(); }, 15000));
    RecordProperty("message", desktop.messages.front());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->portLabel()->text() == QStringLiteral("COM1: CLOSE"); }, 2000));
    EXPECT_FALSE(serial->portOpen());

    // The program stays usable and quiet: no second message, no reopening.
    QTest::qWait(2000);
    EXPECT_EQ(desktop.messages.size(), 1u) << desktop.messages.back();
    EXPECT_EQ(window->portLabel()->text(), QStringLiteral("COM1: CLOSE"));
    EXPECT_EQ(ended, 0);
}

}  // namespace
