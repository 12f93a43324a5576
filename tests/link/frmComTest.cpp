// Serial port host: port number range, open/close semantics, error flags,
// serial events and the order of the heartbeat.
#include <gtest/gtest.h>

#include "support/LinkStandIns.h"
#include "link/LinkTestSupport.h"
#include "link/clsCmcXfr3Drv.h"
#include "link/clsCmcXfr3Sequence.h"
#include "link/frmCom.h"
#include "platform/Timer.h"
#include "platform/mem/ManualClock.h"
#include "platform/mem/MemSerialPort.h"
#include "radio/clsCmcRadio.h"
#include "settings/clsCmcProfileIO.h"

using namespace linktest;

namespace {

// A main window that records what the heartbeat asks of it.
class RecordingMain final : public IMainWindowLink, public IStartupLink {
public:
    RecordingMain(frmCom& com, clsCmcXfr3Sequence& seq) : com_(com), seq_(seq) {}
    void task() override {
        log.push_back("task");
        drvRunningAtTask = com_.xfr3D().Running();
        nowErrorAtTask = com_.xfr3D().nowError();
    }
    void MsgBoxCloneErr(clsCmcXfr3Sequence& s) override {
        log.push_back(&s == &seq_ ? "MsgBoxCloneErr" : "MsgBoxCloneErr(other)");
        portOpenAtReport = com_.comOpen();
    }
    void saveData(clsCmcProfileIO& p) override { log.push_back("saveData:" + p.Section()); }
    void loadData(clsCmcProfileIO& p) override { log.push_back("loadData:" + p.Section()); }
    clsCmcXfr3Sequence& Xfr3Sequence() override { return seq_; }
    void SaveProfile() override { log.push_back(std::string("SaveProfile:") + (com_.comOpen() ? "open" : "closed")); }

    std::vector<std::string> log;
    bool drvRunningAtTask = false;
    std::int16_t nowErrorAtTask = 0;
    bool portOpenAtReport = false;

private:
    frmCom& com_;
    clsCmcXfr3Sequence& seq_;
};

class HostTest : public ::testing::Test {
protected:
    platform::ManualClock clock{100};
    platform::ScopedTickSource tickSource{clock};
    platform::MemSerialPort port;
    platform::ManualTimer timer;
    frmCom com{port, timer};
    clsCmcRadio radio;
    clsCmcXfr3Sequence seq{com, radio, ZtN7SubNames()};
    RecordingMain main{com, seq};

    void SetUp() override {
        com.mainWindow(&main);
        com.startup(&main);
    }
    clsCmcXfr3Drv& drv() { return com.xfr3D(); }
    void AwaitIdentity() {
        drv().workMode(clsCmcXfr3Drv::kModeIdentity);
        ASSERT_FALSE(drv().Send({0xE0, 0x25, 0x26, 0x00, 0x00}));
    }
};

TEST_F(HostTest, CreationSetsDefaultsProfileAndStoppedTimer) {
    EXPECT_EQ(com.comPortNum(), 1);
    EXPECT_EQ(com.comBaud(), 9600);
    EXPECT_FALSE(com.comOpen());
    EXPECT_FALSE(timer.enabled());
    EXPECT_EQ(timer.interval, 50);
    EXPECT_EQ(com.profMain().Name(), "ZSN7ADJ.rs");
    EXPECT_EQ(com.profMain().Section(), "ZS-N7 ADJ Rev.1.0");
    EXPECT_EQ(drv().myObjCom(), &com);
}

TEST_F(HostTest, PortNumberOutsideOneToTenIsIgnored) {
    struct Case {
        std::int16_t let;
        std::int16_t expect;
    };
    const std::vector<Case> cases = {{5, 5}, {0, 5}, {11, 5}, {-1, 5}, {10, 10}, {32767, 10}, {1, 1}, {-32768, 1}};
    for (const auto& c : cases) {
        com.comPortNum(c.let);
        EXPECT_EQ(com.comPortNum(), c.expect) << "let " << c.let;
    }
}

TEST_F(HostTest, OpenAppliesPortNumberAndLineSettings) {
    com.comPortNum(3);
    com.comBaud(38400);
    com.comOpen(true);
    EXPECT_TRUE(com.comOpen());
    EXPECT_TRUE(com.comSendEnable());
    EXPECT_EQ(port.commPort(), 3);
    EXPECT_EQ(port.settings(), "38400,N,8,1");
    EXPECT_EQ(port.baud(), 38400);
    com.comOpen(false);
    EXPECT_FALSE(com.comSendEnable());
}

TEST_F(HostTest, OpenWhileOpenKeepsThePortButDropsOutputAndResetsTheDriver) {
    port.setPacing(true);
    com.comOpen(true);
    AwaitIdentity();
    drv().SendFE(40);  // more than the transmit FIFO holds
    ASSERT_GT(port.outBufferCount(), 16);
    ASSERT_TRUE(drv().Running());
    com.comOpen(true);
    EXPECT_EQ(port.openCount(), 1);
    // Only what already sits in the transmitter's FIFO is left to go out.
    EXPECT_EQ(port.outBufferCount(), 16);
    EXPECT_FALSE(drv().Running());
    EXPECT_TRUE(com.comOpen());
}

TEST_F(HostTest, MissingPortSetsCannotOpenWithoutThrowing) {
    port.setExistingPorts({1, 2});
    com.comPortNum(4);
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(com.comOpen(true));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(com.comOpen());
    EXPECT_TRUE(com.errCannotOpen());
    EXPECT_TRUE(com.totalError());
    EXPECT_NE(com.lastOpenFailure().find("mem:COM4"), std::string::npos);
    EXPECT_NE(err.find("mem:COM4"), std::string::npos);
    EXPECT_NE(err.find("No such file or directory"), std::string::npos);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    com.Reset();
    EXPECT_FALSE(com.errCannotOpen());
}

TEST_F(HostTest, TotalErrorFromAnyOfTheThreeSources) {
    EXPECT_FALSE(com.totalError());
    drv().nowError(3);
    EXPECT_TRUE(com.totalError());
    EXPECT_FALSE(com.errCannotOpen());
    EXPECT_FALSE(com.errOverflow());
    drv().Reset();
    com.errOverflow(true);
    EXPECT_TRUE(com.totalError());
    com.errOverflow(false);
    com.errCannotOpen(true);
    EXPECT_TRUE(com.totalError());
}

TEST_F(HostTest, ResetAndHighSpeedCloseThePortAndReturnToPortOne) {
    com.comPortNum(6);
    com.comOpen(true);
    com.errOverflow(true);
    com.HighSpeedBRatioSet();
    EXPECT_FALSE(com.comOpen());
    EXPECT_EQ(com.comPortNum(), 1);
    EXPECT_EQ(com.comBaud(), 38400);
    EXPECT_FALSE(com.errOverflow());
    com.comPortNum(6);
    com.Reset();
    EXPECT_EQ(com.comPortNum(), 1);
    EXPECT_EQ(com.comBaud(), 9600);
}

TEST_F(HostTest, ReceiveOverflowClosesThePortAndSetsTheFlag) {
    com.comOpen(true);
    com.MsCom_OnComm(platform::comEventRxOver);
    EXPECT_TRUE(com.errOverflow());
    EXPECT_FALSE(com.comOpen());
}

TEST_F(HostTest, LineErrorsOnlyDropThePartialFrame) {
    for (int ev : {1001, 1002, 1003, 1004, 1006, 1007, 1009, 1010, 1011}) {
        com.comOpen(true);
        AwaitIdentity();
        drv().read({0xFE, 0xFE, 0xEF, 0xEE});
        ASSERT_GT(drv().rxFrameSize(), 0u);
        com.MsCom_OnComm(ev);
        EXPECT_EQ(drv().rxFrameSize(), 0u) << ev;
        EXPECT_TRUE(drv().rxHunting()) << ev;
        EXPECT_TRUE(drv().Running()) << ev;
        EXPECT_TRUE(com.comOpen()) << ev;
    }
    drv().read({0xFE, 0xFE, 0xEF});
    com.MsCom_OnComm(1005);  // not a line error: nothing happens
    EXPECT_EQ(drv().rxFrameSize(), 1u);
}

TEST_F(HostTest, ReceiveEventRunsTheHeartbeatAtOnceWithTheBytes) {
    com.comOpen(true);
    AwaitIdentity();
    port.input();
    port.deliverToHost(RadioWire(IdentityAnswer()));
    port.pump();
    EXPECT_EQ(main.log, std::vector<std::string>{"task"});
    EXPECT_FALSE(main.drvRunningAtTask);  // bytes reached the driver before the main task
    EXPECT_EQ(drv().ansInfo(), RadioBody(IdentityAnswer()));
}

TEST_F(HostTest, HeartbeatRunsDriverTimeoutBeforeMainTaskThenReportsAndCloses) {
    com.comOpen(true);
    AwaitIdentity();
    clock.advance(1200);
    com.timSolid_Timer();
    EXPECT_EQ(main.nowErrorAtTask, 2);
    EXPECT_EQ(main.log, (std::vector<std::string>{"task", "MsgBoxCloneErr"}));
    EXPECT_TRUE(main.portOpenAtReport);
    // The stand-in report does not reset the link, so the host closes the port.
    EXPECT_FALSE(com.comOpen());
}

TEST_F(HostTest, TimerDrivesTheHeartbeatOnceEnabled) {
    EXPECT_FALSE(timer.fire());
    timer.setEnabled(true);
    EXPECT_TRUE(timer.fire());
    EXPECT_EQ(main.log, std::vector<std::string>{"task"});
}

TEST_F(HostTest, AllOverClosesBeforeSavingAndUnloadStopsTheTimer) {
    com.comOpen(true);
    com.AllOver();
    EXPECT_EQ(main.log, std::vector<std::string>{"SaveProfile:closed"});
    com.comOpen(true);
    timer.setEnabled(true);
    com.Form_Unload();
    EXPECT_FALSE(com.comOpen());
    EXPECT_FALSE(timer.enabled());
}

TEST_F(HostTest, ProfileDataIsHandedToTheMainWindow) {
    com.saveData(com.profMain());
    com.loadData(com.profMain());
    EXPECT_EQ(main.log, (std::vector<std::string>{"saveData:ZS-N7 ADJ Rev.1.0", "loadData:ZS-N7 ADJ Rev.1.0"}));
}

TEST_F(HostTest, SettingsTextGoesStraightToThePort) {
    com.rcpSettings("4800,N,8,1");
    EXPECT_EQ(port.settings(), "4800,N,8,1");
}

} // namespace
