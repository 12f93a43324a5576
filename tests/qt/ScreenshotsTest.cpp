// Pictures of the window in its states for the documentation. Runs only
// when ZS_SCREENSHOT_DIR names the folder to write them to
// (scripts/screenshots.sh).
#include <QPixmap>

#include <cstdlib>

#include "qt/WindowWithSim.h"

namespace {

using namespace qtwin;
using Screenshots = WindowWithSim;

bool Save(QWidget* w, const std::string& folder, const char* name) {
    QApplication::processEvents();
    return w->grab().save(QString::fromStdString(folder + "/" + name), "PNG");
}

TEST_F(Screenshots, WindowStates) {
    const char* out = std::getenv("ZS_SCREENSHOT_DIR");
    if (out == nullptr || *out == '\0') GTEST_SKIP() << "ZS_SCREENSHOT_DIR is not set";
    const std::string folder = std::filesystem::absolute(out).string();

    SimExe sim({});
    ASSERT_FALSE(sim.path().empty());
    ASSERT_TRUE(Start(sim.path()));
    QTest::qWait(300);
    EXPECT_TRUE(Save(window.get(), folder, "window-start.png"));

    QListWidget* console = window->consoleList();
    QTest::mouseClick(window->button(0), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ConnectedAndRead(*window); }, 60000));
    console->setFocus();
    const int row = RowStartingWith(console, QStringLiteral(" Power(Hi)"));
    ASSERT_GE(row, 0);
    console->setCurrentRow(row);
    QTest::qWait(1500);  // a few read-out cycles
    EXPECT_TRUE(Save(window.get(), folder, "window-console.png"));

    QTest::mouseClick(window->button(2), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->paramText()->isVisible(); }, 10000));
    QTest::qWait(300);
    EXPECT_TRUE(Save(window.get(), folder, "window-parameters.png"));
    window->close();
}

}  // namespace
