#include "link/frmCom.h"

#include <exception>
#include <iostream>
#include <string>

#include "link/clsCmcXfr3Drv.h"
#include "link/clsCmcXfr3Sequence.h"
#include "settings/clsCmcProfileIO.h"

frmCom::frmCom(platform::ISerialControl& msCom, platform::ITimer& timSolid)
    : msCom_(msCom), timSolid_(timSolid) {
    timSolid_.setEnabled(false);
    timSolid_.setInterval(kTimerIntervalMs);
    timSolid_.setOnTimer([this] { timSolid_Timer(); });
    msCom_.setOnComm([this](int ev) { MsCom_OnComm(ev); });
    Form_Initialize();
}

frmCom::~frmCom() {
    timSolid_.setEnabled(false);
    timSolid_.setOnTimer(nullptr);
    msCom_.setOnComm(nullptr);
}

void frmCom::Form_Initialize() {
    profMain_ = std::make_unique<clsCmcProfileIO>();
    profMain_->SetCurrentPath();
    profMain_->Name(std::string("ZSN7ADJ") + ".rs");
    profMain_->Section("ZS-N7 ADJ Rev.1.0");
    xfr3D_ = std::make_unique<clsCmcXfr3Drv>();
    xfr3D_->myObjCom(this);
    Reset();
}

void frmCom::comPortNum(std::int16_t n) {
    // The number asked for is remembered even when it is out of range, so
    // that opening then fails for that number instead of silently opening
    // the previous port while the window shows another.
    requestedPortNum_ = n;
    if (n < imdMinComPortNum() || n > imdmaxComPortNum()) return;
    comPortNum_ = n;
}

void frmCom::rcpSettings(const std::string& settings) { msCom_.setSettings(settings); }

bool frmCom::comOpen() const { return msCom_.portOpen(); }

void frmCom::comOpen(bool v) {
    if (v && !msCom_.portOpen()) {
        msCom_.setCommPort(comPortNum_);
        msCom_.setSettings(std::to_string(comBaud_) + ",N,8,1");
    }
    // Unsent output is dropped on every call, also when the port stays open.
    msCom_.discardOutput();
    bool failed = false;
    std::string reason;
    platform::OpenFailure cause;
    if (v && !msCom_.portOpen() && requestedPortNum_ != comPortNum_) {
        failed = true;
        reason = "no port COM" + std::to_string(requestedPortNum_) + ": only COM" +
                 std::to_string(imdMinComPortNum()) + " to COM" + std::to_string(imdmaxComPortNum()) + " exist";
        cause = {platform::OpenError::Other, 0, "", reason};
    } else if (msCom_.portOpen() != v) {
        failed = !msCom_.setPortOpen(v);
        if (failed) {
            reason = msCom_.deviceName() + ": " + msCom_.lastErrorText();
            cause = msCom_.lastOpenFailure();
            if (cause.kind == platform::OpenError::None)
                cause = {platform::OpenError::Other, 0, msCom_.deviceName(), msCom_.lastErrorText()};
        }
    }
    if (failed && v) {
        msCom_.setPortOpen(false);
        errCannotOpen_ = true;
        lastOpenFailure_ = reason;
        openFailure_ = cause;
        std::cerr << "Cannot open serial port COM" << requestedPortNum_ << " (" << lastOpenFailure_ << ")\n";
    }
    xfr3D_->Reset();
}

bool frmCom::totalError() const {
    const std::int16_t flags = static_cast<std::int16_t>((errCannotOpen_ ? -1 : 0) | (errOverflow_ ? -1 : 0) |
                                                         xfr3D_->nowError());
    return flags != 0;
}

void frmCom::ApplySettings(std::int32_t baud, int rThreshold) {
    comOpen(false);
    comBaud_ = baud;
    comPortNum_ = 1;
    requestedPortNum_ = 1;
    msCom_.setDTREnable(true);
    msCom_.setInBufferSize(kInBufferSize);
    msCom_.setOutBufferSize(kOutBufferSize);
    msCom_.setRThreshold(rThreshold);
    msCom_.setRTSEnable(true);
    errCannotOpen_ = false;
    errOverflow_ = false;
}

void frmCom::Reset() { ApplySettings(9600, 1); }

void frmCom::HighSpeedBRatioSet() { ApplySettings(38400, 1024); }

void frmCom::AllOver() {
    comOpen(false);
    if (startup_ != nullptr) startup_->SaveProfile();
}

void frmCom::saveData(clsCmcProfileIO& objProf) {
    if (main_ != nullptr) main_->saveData(objProf);
}

void frmCom::loadData(clsCmcProfileIO& objProf) {
    if (main_ != nullptr) main_->loadData(objProf);
}

void frmCom::Form_Unload() {
    comOpen(false);
    timSolid_.setEnabled(false);
}

void frmCom::PassRxData(const ByteStr& data) { xfr3D_->read(data); }

void frmCom::MsCom_OnComm(int commEvent) {
    switch (commEvent) {
    case platform::comEvReceive:
        if (msCom_.inBufferCount() > 0) timSolid_Timer();
        break;
    case platform::comEventRxOver:
        errOverflow_ = true;
        comOpen(false);
        break;
    case platform::comEventBreak:
    case platform::comEventCTSTO:
    case platform::comEventDSRTO:
    case platform::comEventFrame:
    case platform::comEventOverrun:
    case platform::comEventCDTO:
    case platform::comEventRxParity:
    case platform::comEventTxFull:
    case platform::comEventDCB:
        // The partial frame is dropped; the exchange goes on and may time out.
        xfr3D_->ClearRxBuffer();
        break;
    default:
        break;
    }
}

void frmCom::timSolid_Timer() {
    // Nothing may escape a tick: an unexpected failure (an overflow the
    // console reports, say) ends this pass, is noted on standard error, and
    // the next tick runs as usual.
    try {
        if (msCom_.inBufferCount() > 0) PassRxData(msCom_.input());
        xfr3D_->task();
        if (main_ != nullptr) main_->task();
        if (totalError() && main_ != nullptr) main_->MsgBoxCloneErr(main_->Xfr3Sequence());
        if (comOpen() && totalError()) comOpen(false);
    } catch (const std::exception& e) {
        std::cerr << "Tick ended early: " << e.what() << "\n";
    }
}
