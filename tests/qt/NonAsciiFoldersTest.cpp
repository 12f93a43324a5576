// Folders whose names are not ASCII: the program started from
// ~/Jürgen/radio/ with its executable in /opt/Zählwerk/bin/ reads the
// Const.ini of its current folder, keeps its options and its port mapping
// beside the executable, reaches a device whose name has an umlaut, and
// says the names as they are.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <filesystem>
#include <string>

#include "qt/WindowWithSim.h"
#include "qt/ProgramOutput.h"

namespace {

namespace fs = std::filesystem;
using namespace qtwin;

// UTF-8, as the file system holds the names.
const std::string kUserFolder = "J\xC3\xBCrgen/radio";     // Jürgen
const std::string kProgramFolder = "opt/Z\xC3\xA4hlwerk/bin";  // Zählwerk
const std::string kDevice = "Funkger\xC3\xA4t.tty";         // Funkgerät

class NonAsciiFolders : public WindowWithSim {
protected:
    void SetUp() override {
        WindowWithSim::SetUp();
        user = dir.path() / fs::u8path(kUserFolder);
        programDir = dir.path() / fs::u8path(kProgramFolder);
        fs::create_directories(user);
        fs::create_directories(programDir);
        fs::remove(dir.path() / "Const.ini");
        fs::copy_file(fs::path(ZS_SOURCE_DIR) / "Const.ini", user / "Const.ini");
    }

    fs::path user, programDir;
};

TEST_F(NonAsciiFolders, TheWindowReadsItsConstantsKeepsItsOptionsAndReachesTheDevice) {
    const std::string link = (user / fs::u8path(kDevice)).string();
    SimExe sim({QStringLiteral("--link"), QString::fromStdString(link)});
    ASSERT_FALSE(sim.path().empty()) << sim.errors().toStdString();
    fs::current_path(user);
    desktop.folder = programDir.string();
    profilePath = (programDir / "ZSN7ADJ.rs").string();
    const std::string missing = (user / fs::u8path("Ger\xC3\xA4t-fehlt")).string();
    WriteFile(profilePath, "[OPTION]\r\nComPort=1\r\nComAutoRelease=3\r\n[PORTS]\r\nCOM1=" + link + "\r\nCOM2=" +
                               missing + "\r\n");
    serial = std::make_unique<platform::qt::QtSerialControl>(profilePath);
    timer = std::make_unique<platform::qt::QtTimer>();
    window = std::make_unique<platform::qt::QtMainWindow>();
    ASSERT_TRUE(StartProgramWithWindow(program, *window, *serial, *timer, ended))
        << (desktop.messages.empty() ? "" : desktop.messages.front());
    EXPECT_TRUE(desktop.messages.empty());

    QTest::mouseClick(window->button(0), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ConnectedAndRead(*window); }, 60000))
        << (desktop.messages.empty() ? "" : desktop.messages.front());

    // The device that is not there is named, umlaut and all, in the reason.
    // COM2 is mapped to a device that does not exist: the label says so.
    window->portAction(2)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->portLabel()->text() == QStringLiteral("COM2: not present"); }, 10000));
    testing::internal::CaptureStderr();
    QTest::mouseClick(window->button(0), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !desktop.messages.empty(); }, 10000));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(desktop.messages.front().substr(0, 19), "Cannot access COM2.");
    EXPECT_NE(said.find(missing), std::string::npos) << said;
    EXPECT_EQ(serial->deviceName(), missing);

    window->exitAction()->trigger();
    EXPECT_EQ(ended, 1);
    const std::string profile = ReadFile(profilePath);
    EXPECT_NE(profile.find("ComPort=2"), std::string::npos) << profile;
    EXPECT_NE(profile.find("ComAutoRelease=3"), std::string::npos) << profile;
    EXPECT_NE(profile.find("COM1=" + link), std::string::npos) << profile;
    EXPECT_NE(profile.find("COM2=" + missing), std::string::npos) << profile;
    EXPECT_FALSE(fs::exists(user / "ZSN7ADJ.rs"));
}

#ifdef ZS_APP_EXE
// The executable itself in /opt/Zählwerk/bin/: its program folder (where the
// options go) comes from the system's name of the executable.
TEST_F(NonAsciiFolders, TheExecutableFindsItsFolderAndItsConstants) {
    const fs::path exe = programDir / "zsn7adj";
    fs::copy_file(ZS_APP_EXE, exe);
    const fs::path runtime = dir.path() / "runtime";
    fs::create_directories(runtime);
    ::chmod(runtime.c_str(), 0700);
    const std::string profile = (programDir / "ZSN7ADJ.rs").string();
    // No release time stored: the one written at the end shows where the
    // program wrote, the port number that it read from there.
    WriteFile(profile, "[OPTION]\r\nComPort=3\r\n[PORTS]\r\nCOM3=/dev/gar-nicht-da\r\n");

    auto run = [&](const fs::path& cwd, QProcess& p) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime.string()));
        env.insert(QStringLiteral("ZSN7ADJ_MSGBOX_STDERR"), QStringLiteral("1"));
        env.insert(QStringLiteral("ZSN7ADJ_REPORT_SHOWN"), QStringLiteral("1"));
        p.setProgram(QString::fromStdString(exe.string()));
        p.setWorkingDirectory(QString::fromStdString(cwd.string()));
        p.setProcessEnvironment(env);
        p.start();
        return p.waitForStarted(5000);
    };

    QProcess first;
    ASSERT_TRUE(run(user, first));
    QByteArray said;
    ASSERT_TRUE(qttest::WaitForLine(first, said, "zsn7adj: window shown")) << said.toStdString();
    first.terminate();  // closes the window the normal way: the options are saved
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitCode(), 0);
    const std::string kept = ReadFile(profile);
    EXPECT_NE(kept.find("ComPort=3"), std::string::npos) << kept;
    EXPECT_NE(kept.find("ComAutoRelease=0"), std::string::npos) << kept;
    EXPECT_NE(kept.find("COM3=/dev/gar-nicht-da"), std::string::npos) << kept;
    EXPECT_FALSE(fs::exists(user / "ZSN7ADJ.rs"));

    // From a folder without Const.ini the program says so and ends.
    const fs::path empty = dir.path() / fs::u8path("J\xC3\xBCrgen/leer");
    fs::create_directories(empty);
    QProcess second;
    ASSERT_TRUE(run(empty, second));
    ASSERT_TRUE(second.waitForFinished(20000));
    const std::string refused = second.readAllStandardError().toStdString();
    EXPECT_NE(refused.find("Cannot read 'Const.ini'."), std::string::npos) << refused;
    EXPECT_FALSE(fs::exists(empty / "ZSN7ADJ.rs"));
}
#endif

}  // namespace
