#pragma once
// The hidden serial port host: owns the one serial port, the 50 ms heartbeat
// that drives the whole program, the frame driver and the options profile
// object. It opens and closes the port with the right line settings, hands
// received bytes to the frame driver, runs the task chain on every tick,
// collects the port error flags and has a link failure reported once.
#include <cstdint>
#include <memory>
#include <string>

#include "link/LinkClients.h"
#include "platform/SerialControl.h"
#include "platform/Timer.h"
#include "shell/Types.h"

class clsCmcXfr3Drv;
class clsCmcProfileIO;

class frmCom {
public:
    static constexpr const char* kCaption = "COM";
    static constexpr int kTimerIntervalMs = 50;
    static constexpr int kInBufferSize = 32760;
    static constexpr int kOutBufferSize = 1024;

    // Runs Form_Initialize (profile object, driver, Reset). The timer stays
    // disabled until start-up enables it.
    frmCom(platform::ISerialControl& msCom, platform::ITimer& timSolid);
    ~frmCom();
    frmCom(const frmCom&) = delete;
    frmCom& operator=(const frmCom&) = delete;

    // Collaborators; either may be absent (tests of the link alone).
    void mainWindow(IMainWindowLink* w) { main_ = w; }
    IMainWindowLink* mainWindow() const { return main_; }
    void startup(IStartupLink* s) { startup_ = s; }

    clsCmcXfr3Drv& xfr3D() { return *xfr3D_; }
    clsCmcProfileIO& profMain() { return *profMain_; }
    platform::ISerialControl& MsCom() { return msCom_; }
    platform::ITimer& timSolid() { return timSolid_; }

    std::int16_t comPortNum() const { return comPortNum_; }
    // The number last asked for, also when it was out of range (it is the
    // one a failure to open is reported with).
    std::int16_t requestedPortNum() const { return requestedPortNum_; }
    void comPortNum(std::int16_t n);             // values outside 1..10 are ignored
    std::int32_t comBaud() const { return comBaud_; }
    void comBaud(std::int32_t baud) { comBaud_ = baud; }  // used at the next open
    void rcpSettings(const std::string& settings);
    bool comOpen() const;
    void comOpen(bool v);
    bool comSendEnable() const { return comOpen(); }
    bool errCannotOpen() const { return errCannotOpen_; }
    void errCannotOpen(bool v) { errCannotOpen_ = v; }
    bool errOverflow() const { return errOverflow_; }
    void errOverflow(bool v) { errOverflow_ = v; }
    bool totalError() const;
    static constexpr std::int16_t imdMinComPortNum() { return 1; }
    static constexpr std::int16_t imdmaxComPortNum() { return 10; }

    // The device and the system's reason of the last failed open.
    const std::string& lastOpenFailure() const { return lastOpenFailure_; }
    // The same as the system's cause: kind, error number and device.
    const platform::OpenFailure& openFailure() const { return openFailure_; }

    void Reset();               // 9600 baud defaults, port closed
    void HighSpeedBRatioSet();  // 38400 baud settings, port closed
    void AllOver();             // closes the port, saves the options profile
    void saveData(clsCmcProfileIO& objProf);
    void loadData(clsCmcProfileIO& objProf);

    // Form events.
    void Form_Initialize();
    void Form_Load() {}
    void Form_QueryUnload() {}
    void Form_Unload();
    void MsCom_OnComm(int commEvent);
    void timSolid_Timer();

private:
    void ApplySettings(std::int32_t baud, int rThreshold);
    void PassRxData(const ByteStr& data);

    platform::ISerialControl& msCom_;
    platform::ITimer& timSolid_;
    IMainWindowLink* main_ = nullptr;
    IStartupLink* startup_ = nullptr;
    std::unique_ptr<clsCmcXfr3Drv> xfr3D_;
    std::unique_ptr<clsCmcProfileIO> profMain_;
    std::int16_t comPortNum_ = 1;
    std::int16_t requestedPortNum_ = 1;
    std::int32_t comBaud_ = 9600;
    bool errCannotOpen_ = false;
    bool errOverflow_ = false;
    std::string lastOpenFailure_;
    platform::OpenFailure openFailure_;
};
