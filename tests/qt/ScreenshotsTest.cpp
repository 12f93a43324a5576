// Pictures of the window in its states, and of the revert list and the
// comparison with the archived image, for the documentation. Runs only
// when ZS_SCREENSHOT_DIR names the folder to write them to
// (scripts/screenshots.sh).
#include <QPixmap>

#include <cstdlib>

#include "model/clsIndOp_RigN7.h"
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

    // A few steps, then the revert list and the comparison with the archive.
    for (int i = 0; i < 3; ++i) QTest::keyClick(console, Qt::Key_Right, Qt::ShiftModifier);
    const int bpf = RowStartingWith(console, QStringLiteral("    BPF T2"));
    ASSERT_GE(bpf, 0);
    console->setCurrentRow(bpf);
    QTest::keyClick(console, Qt::Key_Left, Qt::ShiftModifier);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            clsIndOp_RigN7& op = program->operation();
            return window->revertAction()->isEnabled() && op.RigOpFunc_Differences(op.ImageAsRead()).size() == 2;
        },
        10000));
    const auto shoot = [&folder](const char* name) {
        return [&folder, name](QWidget* dlg) { EXPECT_TRUE(Save(dlg, folder, name)); };
    };
    ModalAnswers answers;
    answers.then(ModalAnswers::TextView(false, nullptr, false, shoot("view-revert.png")));
    window->revertAction()->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.done(); }, 5000));
    std::string archive;
    for (const auto& e : std::filesystem::directory_iterator(archiveFolder))
        if (e.path().extension() == ".bin") archive = e.path().string();
    ASSERT_FALSE(archive.empty());
    answers.then(ModalAnswers::ChooseFile(archive));
    answers.then(ModalAnswers::TextView(false, nullptr, false, shoot("view-compare.png")));
    window->compareAction()->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.done(); }, 5000));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), 5000));

    QTest::mouseClick(window->button(2), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->paramText()->isVisible(); }, 10000));
    QTest::qWait(300);
    EXPECT_TRUE(Save(window.get(), folder, "window-parameters.png"));
    window->close();
}

}  // namespace
