// Two copies of the program executable: the second one says that the first
// is running and ends, leaving the first one and the options profile alone.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <filesystem>
#include <string>

#include "support/ProgramRig.h"
#include "qt/ProgramOutput.h"

#ifdef ZS_APP_EXE

namespace {

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

// A copy of the executable runs from the test's folder, so its program
// folder (and with it the options profile) is the test's own; the runtime
// folder holding the single-instance lock is the test's own as well, so a
// copy the developer has open elsewhere does not count.
class TwoCopies : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        exe = dir.path() / "zsn7adj";
        fs::copy_file(ZS_APP_EXE, exe);
        fs::copy_file(fs::path(ZS_SOURCE_DIR) / "Const.ini", dir.path() / "Const.ini");
        runtime = dir.path() / "runtime";
        fs::create_directories(runtime);
        ::chmod(runtime.c_str(), 0700);
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime.string()));
        env.insert(QStringLiteral("ZSN7ADJ_MSGBOX_STDERR"), QStringLiteral("1"));
    }
    void TearDown() override {
        for (QProcess* p : {&first, &second}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }
    void Launch(QProcess& p) {
        p.setProgram(QString::fromStdString(exe.string()));
        p.setWorkingDirectory(QString::fromStdString(dir.path().string()));
        p.setProcessEnvironment(env);
        p.start();
    }

    TempDir dir;
    std::filesystem::path exe, runtime;
    QProcessEnvironment env;
    QProcess first, second;
};

TEST_F(TwoCopies, SecondCopySaysSoAndEndsLeavingFirstAndProfileAlone) {
    const std::string profilePath = (dir.path() / "ZSN7ADJ.rs").string();
    const std::string profile = "[OPTION]\r\nComPort=3\r\nComAutoRelease=2\r\n[PORTS]\r\nCOM3=/dev/null-port\r\n";
    WriteFile(profilePath, profile);

    Launch(first);
    ASSERT_TRUE(first.waitForStarted(5000));
    // The first copy holds its lock from its first start-up step on.
    const std::filesystem::path lock = runtime / "zsn7adj.lock";
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(lock) || first.state() != QProcess::Running; },
                                20000));
    ASSERT_EQ(first.state(), QProcess::Running) << first.readAllStandardError().toStdString();

    Launch(second);
    ASSERT_TRUE(second.waitForStarted(5000));
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    const std::string said = second.readAllStandardError().toStdString();
    EXPECT_NE(said.find("Cannot execute ZS-N7 ADJ Rev.1.0 repeatedly.\nZS-N7 ADJ Rev.1.0 is already executing."),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("ZS-N7 ADJ Rev.1.0: "), std::string::npos) << said;  // the box's title

    // The first copy runs on; nothing was written to the profile.
    QTest::qWait(300);
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_EQ(ReadFile(profilePath), profile);
}

TEST_F(TwoCopies, WithoutADisplayTheProgramSaysSoInsteadOfAborting) {
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    Launch(first);
    ASSERT_TRUE(first.waitForFinished(20000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(first.exitCode(), 0);
    const std::string said = first.readAllStandardError().toStdString();
    EXPECT_NE(said.find("no display"), std::string::npos) << said;
    EXPECT_NE(said.find("QT_QPA_PLATFORM=offscreen"), std::string::npos) << said;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "ZSN7ADJ.rs"));
}

// Logging out or shutting down sends SIGTERM: the program closes its window
// the normal way and saves its options, as File, Exit does.
TEST_F(TwoCopies, StopRequestFromTheSystemSavesTheOptionsLikeExit) {
    const std::string profilePath = (dir.path() / "ZSN7ADJ.rs").string();
    env.insert(QStringLiteral("ZSN7ADJ_REPORT_SHOWN"), QStringLiteral("1"));
    Launch(first);
    ASSERT_TRUE(first.waitForStarted(5000));
    QByteArray said;
    ASSERT_TRUE(qttest::WaitForLine(first, said, "zsn7adj: window shown")) << said.toStdString();
    EXPECT_FALSE(std::filesystem::exists(profilePath));
    first.terminate();  // SIGTERM
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    const std::string profile = ReadFile(profilePath);
    EXPECT_NE(profile.find("ComPort=1"), std::string::npos) << profile;
    EXPECT_NE(profile.find("ComAutoRelease=0"), std::string::npos) << profile;
}

}  // namespace

#endif
