#include "shell/Program.h"

#include "console/clsConsole.h"
#include "link/clsCmcXfr3Drv.h"
#include "link/clsCmcXfr3Sequence.h"
#include "link/frmCom.h"
#include "model/clsIndOp_RigN7.h"
#include "platform/Host.h"
#include "radio/clsCmcRadio.h"
#include "shell/Common.h"
#include "service/SafetyNet.h"
#include "service/ServiceReports.h"
#include "service/ServiceRecord.h"
#include "shell/frmMain.h"

Program::Program(PlatformServices services) : services_(std::move(services)) {}

Program::~Program() {
    // The host lets go of the timer and the port before the rest goes.
    if (com_) com_->Form_Unload();
}

frmCom& Program::com() {
    if (!com_) {
        com_ = std::make_unique<frmCom>(*services_.serial, *services_.timer);
        com_->startup(this);
    }
    return *com_;
}

clsCmcRadio& Program::radio() {
    if (!radio_) radio_ = std::make_unique<clsCmcRadio>();
    return *radio_;
}

clsConsole& Program::console() {
    if (!console_) console_ = std::make_unique<clsConsole>();
    return *console_;
}

clsCmcXfr3Sequence& Program::sequencer() {
    if (!sequencer_) {
        sequencer_ = std::make_unique<clsCmcXfr3Sequence>(com(), radio());
        if (main_) sequencer_->MainWindow(main_.get());
        if (operation_) sequencer_->SubNameCheck(operation_.get());
    }
    return *sequencer_;
}

clsIndOp_RigN7& Program::operation() {
    if (!operation_) {
        clsCmcXfr3Sequence& seq = sequencer();
        operation_ = std::make_unique<clsIndOp_RigN7>(console(), seq, radio(), services_.controls);
        seq.SubNameCheck(operation_.get());
        clsCmcXfr3Drv& drv = com().xfr3D();
        operation_->E8AnswerSource([&drv] { return drv.varLastE8Answer(); });
        operation_->CloneProgressSource([&drv] { return drv.lastEeAdr(); });
        operation_->LinkErrorReporter([this] { mainWindow().MsgBoxCloneErr(sequencer()); });
        operation_->AdjustmentRecord(&record());
    }
    return *operation_;
}

clsServiceRecord& Program::record() {
    if (!record_) {
        record_ = std::make_unique<clsServiceRecord>(radio(), [this] { return PortText(); });
    }
    return *record_;
}

SafetyNet& Program::safetyNet() {
    if (!safetyNet_) safetyNet_ = std::make_unique<SafetyNet>(operation(), radio(), record(), services_.controls);
    return *safetyNet_;
}

std::string Program::PortText() {
    frmCom& host = com();
    const std::string device = host.MsCom().deviceName();
    return "COM" + std::to_string(host.requestedPortNum()) + (device.empty() ? "" : " " + device);
}

ServiceReports& Program::reports() {
    if (!reports_) {
        reports_ = std::make_unique<ServiceReports>(operation(), radio(), record(), services_.controls,
                                                    [this] { return PortText(); });
        reports_->VerifySource([this] { return record().LastVerify(); });
    }
    return *reports_;
}

frmMain& Program::mainWindow() {
    if (!main_) {
        main_ = std::make_unique<frmMain>(*this, services_.controls);
        com().mainWindow(main_.get());
        if (sequencer_) sequencer_->MainWindow(main_.get());
        // The window's own initialisation: port 1 (creates the model
        // operation) and no automatic release (creates the sequencer).
        main_->ComPortNo(1);
        main_->ComAutoRelease(0);
        sequencer().MainWindow(main_.get());
    }
    return *main_;
}

void Program::SaveProfile() { com().saveData(com().profMain()); }

void Program::LoadProfile() {
    mainWindow();  // first use creates the window and, through it, the rest
    com().loadData(com().profMain());
}

void Program::EndProgram() {
    if (ended_) return;
    ended_ = true;
    if (services_.endProgram) services_.endProgram();
}

bool Program::Main() {
    // 1. One copy at a time; nothing is created or saved on this path.
    if (platform::Desktop().previousInstance()) {
        MsgBoxErr(std::string("Cannot execute ") + kAppTitle + " repeatedly.\r\n" + kAppTitle +
                  " is already executing.");
        EndProgram();
        return false;
    }
    // 2. The serial port host (profile store, frame driver, reset).
    frmCom& host = com();
    // 3. The radio the program expects.
    clsCmcRadio& r = radio();
    r.radioNameM("2526");
    r.radionameS("0100");
    r.cloneWriteAdrList_Clear();
    r.cloneWriteAdrList_Add(0, 0x2FFF);
    // 4.-6. Port 1 at 9600 baud, driver and host reset (port closed).
    host.comPortNum(1);
    host.comBaud(9600);
    host.xfr3D().Reset();
    host.Reset();
    // 7. Options (creates the main window, the model operation and the sequencer).
    LoadProfile();
    // 8. Host load.
    host.Form_Load();
    // 9. The heartbeat.
    host.timSolid().setInterval(50);
    host.timSolid().setEnabled(true);
    // 10. The main window: its load reads the constants file.
    mainWindow().Form_Load();
    if (ended_) return false;
    mainWindow().Form_Resize();
    if (services_.showWindow) services_.showWindow();
    return !ended_;
}
