// Pictures of the window in its states, and of the revert list and the
// comparison with the archived image, for the documentation. Runs only
// when ZS_SCREENSHOT_DIR names the folder to write them to
// (scripts/screenshots.sh).
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QPixmap>

#include <cstdlib>

#include "model/clsIndOp_RigN7.h"
#include "qt/PtyLine.h"
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

TEST_F(Screenshots, DeviceDialog) {
    const char* out = std::getenv("ZS_SCREENSHOT_DIR");
    if (out == nullptr || *out == '\0') GTEST_SKIP() << "ZS_SCREENSHOT_DIR is not set";
    const std::string folder = std::filesystem::absolute(out).string();

    // The cable behind a stable link in a folder of the test's own, beside
    // a terminal that another program holds in exclusive mode.
    SimExe sim({});
    ASSERT_FALSE(sim.path().empty());
    qttest::PtyLine held;
    ASSERT_TRUE(held.ok());
    const int fd = ::open(held.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ioctl(fd, TIOCEXCL), 0);
    const std::filesystem::path byId = dir.path() / "by-id";
    std::filesystem::create_directories(byId);
    std::filesystem::create_symlink(sim.path(), byId / "usb-FTDI_FT232R_USB_UART_A12345-if00-port0");
    devices.byId = byId.string();
    platform::SerialDeviceInfo cable, other;
    cable.kernelName = sim.path();
    cable.description = "FT232R USB UART";
    cable.manufacturer = "FTDI";
    cable.serialNumber = "A12345";
    cable.vendorId = 0x0403;
    cable.productId = 0x6001;
    other.kernelName = held.slavePath();
    other.description = "pseudo-terminal";
    devices.list = {cable, other};
    ASSERT_TRUE(Start(dir.file("gone/ttyUSB0")));
    ModalAnswers answers;
    answers.then([&](QWidget* w) {
        EXPECT_TRUE(Save(w, folder, "dialog-device.png"));
        if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
    });
    window->chooseDeviceAction()->trigger();
    EXPECT_TRUE(answers.done());
    ::close(fd);
    window->close();
}

}  // namespace
