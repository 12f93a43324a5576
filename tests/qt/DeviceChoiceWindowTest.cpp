// The device dialog and the causes under a failure's message with the real
// window and the Qt serial control, on pseudo-terminals: a by-id link made
// by the test is listed, chosen, written to the profile, shown, and
// "Connect" reads the simulator through it; a device that does not exist,
// one held in exclusive mode and one without permission (the system's
// answer put in: the tests run as root); a device pulled and plugged while
// idle; a silent radio behind an echoing cable and a dead line.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QTableWidget>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "model/clsIndOp_RigN7.h"
#include "platform/SerialDeviceProbe.h"
#include "qt/PtyLine.h"
#include "qt/WindowWithSim.h"

namespace {

using namespace qtwin;

const std::string kChecks = "\r\n\r\nCheck the following:\r\n- The COM port settings.\r\n"
                            "- Cloning cable connections.\r\n- Transceiver power is ON.";

platform::SerialDeviceInfo Device(const std::string& name, const std::string& description, int vid = -1,
                                  int pid = -1) {
    platform::SerialDeviceInfo d;
    d.kernelName = name;
    d.description = description;
    d.manufacturer = vid >= 0 ? "ZS" : "";
    d.serialNumber = vid >= 0 ? "A1B2C3" : "";
    d.vendorId = vid;
    d.productId = pid;
    return d;
}

class DeviceChoiceWindow : public WindowWithSim {
protected:
    // Clicks "Connect" and waits for the one message it brings.
    std::string ConnectFails() {
        QTest::mouseClick(window->button(0), Qt::LeftButton);
        if (!QTest::qWaitFor([&] { return !desktop.messages.empty(); }, 15000)) return "(no message)";
        QTest::qWait(500);  // a second report would come by now
        return desktop.messages.front();
    }
    bool IdleAndClosed() { return !serial->portOpen() && program->operation().OpState() == 0; }
};

TEST_F(DeviceChoiceWindow, DialogListsTheByIdLinkChoosingItMapsThePortAndConnectReadsThroughIt) {
    SimExe sim({});
    ASSERT_FALSE(sim.path().empty()) << "zt-n7-sim did not start: " << sim.errors().toStdString();
    qttest::PtyLine other;
    ASSERT_TRUE(other.ok());
    const std::filesystem::path byId = dir.path() / "by-id";
    std::filesystem::create_directories(byId);
    const std::string link = (byId / "usb-ZS_Cloning_Cable_A1B2C3-if00-port0").string();
    std::filesystem::create_symlink(sim.path(), link);
    devices.byId = byId.string();
    devices.list = {Device(other.slavePath(), "pseudo-terminal"),
                    Device(sim.path(), "USB cloning cable", 0x0403, 0x6001)};
    // COM1 maps to a device that is not there: the one USB device is preselected.
    ASSERT_TRUE(Start(dir.file("gone/ttyUSB0")));

    ModalAnswers answers;
    std::vector<QStringList> rows;
    int preselected = -2;
    answers.then([&](QWidget* w) {
        auto* table = w->findChild<QTableWidget*>(QStringLiteral("deviceTable"));
        auto* ok = w->findChild<QPushButton*>(QStringLiteral("deviceOk"));
        if (table == nullptr || ok == nullptr) return;
        for (int r = 0; r < table->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < table->columnCount(); ++c) cells << table->item(r, c)->text();
            rows.push_back(cells);
        }
        preselected = table->selectedItems().isEmpty() ? -1 : table->currentRow();
        ok->click();
    });
    window->chooseDeviceAction()->trigger();
    ASSERT_TRUE(answers.done());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0].toStdString(), link);  // the stable name, USB first
    EXPECT_EQ(rows[0][1].toStdString(), sim.path());
    EXPECT_EQ(rows[0][2], QStringLiteral("USB cloning cable"));
    EXPECT_EQ(rows[0][5], QStringLiteral("0403:6001"));
    EXPECT_EQ(rows[0][6], QStringLiteral("free"));
    EXPECT_EQ(rows[1][0].toStdString(), other.slavePath());
    EXPECT_EQ(preselected, 0);

    EXPECT_NE(ReadFile(profilePath).find("COM1=" + link), std::string::npos) << ReadFile(profilePath);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->portDeviceLabel()->text().toStdString() == link; }, 3000))
        << window->portDeviceLabel()->text().toStdString();
    EXPECT_EQ(window->portLabel()->text(), QStringLiteral("COM1: CLOSE"));

    QTest::mouseClick(window->button(0), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ConnectedAndRead(*window); }, 60000))
        << (desktop.messages.empty() ? "" : desktop.messages.front());
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(window->portLabel()->text(), QStringLiteral("COM1: OPEN"));
}

TEST_F(DeviceChoiceWindow, NoSuchDeviceNamesItAsksForTheCableAndListsTheDevicesPresent) {
    qttest::PtyLine other;
    ASSERT_TRUE(other.ok());
    devices.list = {Device(other.slavePath(), "pseudo-terminal")};
    const std::string gone = dir.file("gone/ttyUSB0");
    ASSERT_TRUE(Start(gone));
    // Fails if the cause were lost between the serial control and the box.
    EXPECT_EQ(ConnectFails(), "Cannot access COM1." + kChecks + "\r\n\r\n" + gone +
                                  " does not exist: is the cable plugged in?\r\nSerial devices present: " +
                                  other.slavePath() + ".\r\nOption, Port, \"Choose device...\" maps the port to a device.");
    EXPECT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(IdleAndClosed());
}

TEST_F(DeviceChoiceWindow, DeviceHeldInExclusiveModeIsInUseByItsProcess) {
    qttest::PtyLine line;
    ASSERT_TRUE(line.ok());
    const std::string device = line.devicePath();
    // Another program holds the line in exclusive mode (here: the test).
    const int held = ::open(line.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::ioctl(held, TIOCEXCL), 0);
    std::string comm;
    std::getline(std::ifstream("/proc/self/comm"), comm);
    const std::string pid = std::to_string(::getpid());
    ASSERT_TRUE(Start(device));
    // Fails if the open relied on QSerialPort alone: root opens such a line.
    EXPECT_EQ(ConnectFails(), "Cannot access COM1." + kChecks + "\r\n\r\n" + device + " is in use by " + comm +
                                  " (process " + pid + ").\r\nClose " + comm + ", or end it: kill " + pid +
                                  ", then try again.");
    EXPECT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(IdleAndClosed());
    ::close(held);
}

TEST_F(DeviceChoiceWindow, PermissionDeniedNamesTheGroupAndTheCommandToJoinIt) {
    qttest::PtyLine line;
    ASSERT_TRUE(line.ok());
    const std::string device = line.devicePath();
    ASSERT_TRUE(Start(device));
    // The tests run as root, whom no permission stops: the system's answer
    // is put in where the open meets it.
    serial->setOpenProbe([](const std::string&) { return EACCES; });
    const std::string group = platform::SerialDeviceGroup(device);
    ASSERT_FALSE(group.empty());
    EXPECT_EQ(ConnectFails(), "Cannot access COM1." + kChecks + "\r\n\r\nNo permission to open " + device +
                                  " (it belongs to group " + group + ").\r\nJoin the group: sudo usermod -aG " +
                                  group + " $USER\r\nthen log out and in again.");
    EXPECT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(IdleAndClosed());
}

TEST_F(DeviceChoiceWindow, DevicePulledWhileIdleIsNotPresentAndConnectWorksOnceItIsBack) {
    SimExe sim({});
    ASSERT_FALSE(sim.path().empty()) << "zt-n7-sim did not start: " << sim.errors().toStdString();
    std::filesystem::create_directories(dir.path() / "dev");
    const std::string device = dir.file("dev/ttyUSB0");
    std::filesystem::create_symlink(sim.path(), device);
    ASSERT_TRUE(Start(device));
    const auto label = [&] { return window->portLabel()->text(); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return label() == QStringLiteral("COM1: CLOSE"); }, 3000));
    std::filesystem::remove(device);  // pulled
    ASSERT_TRUE(QTest::qWaitFor([&] { return label() == QStringLiteral("COM1: not present"); }, 10000))
        << label().toStdString();
    std::filesystem::create_symlink(sim.path(), device);  // plugged in again, same name
    ASSERT_TRUE(QTest::qWaitFor([&] { return label() == QStringLiteral("COM1: CLOSE"); }, 3000));
    QTest::mouseClick(window->button(0), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ConnectedAndRead(*window); }, 60000))
        << (desktop.messages.empty() ? "" : desktop.messages.front());
    EXPECT_TRUE(desktop.messages.empty());
}

struct LineCase {
    const char* fault;
    std::string cause;
};

class RadioSilentWindow : public DeviceChoiceWindow, public ::testing::WithParamInterface<LineCase> {};

TEST_P(RadioSilentWindow, NoAnswerKeepsItsTextAndSaysWhatCameBack) {
    SimExe sim({QStringLiteral("--fault"), QString::fromLatin1(GetParam().fault)});
    ASSERT_FALSE(sim.path().empty()) << "zt-n7-sim did not start: " << sim.errors().toStdString();
    ASSERT_TRUE(Start(sim.path()));
    EXPECT_EQ(ConnectFails(), "No answer from transceiver." + kChecks + "\r\n\r\n" + GetParam().cause);
    EXPECT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(IdleAndClosed());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RadioSilentWindow,
    ::testing::Values(LineCase{"silence", "The echo of what was sent came back: the adapter and the cable work.\r\n"
                                          "The radio is off, not plugged into the cable's socket, or not a ZT-N7 at this speed."},
                      LineCase{"dead-line", "Nothing came back, not even the echo of what was sent:\r\n"
                                            "the adapter, the cable or the port mapping is wrong."}),
    [](const auto& info) {
        std::string n = info.param.fault;
        for (auto& ch : n)
            if (ch == '-') ch = '_';
        return n;
    });

} // namespace
