#include "shell/frmMain.h"

#include <exception>
#include <iostream>

#include "console/clsConsole.h"
#include "link/clsCmcXfr3Drv.h"
#include "link/clsCmcXfr3Sequence.h"
#include "link/frmCom.h"
#include "model/clsIndOp_RigN7.h"
#include "settings/clsCmcProfileIO.h"
#include "platform/Storage.h"
#include "shell/CloneErrMessage.h"
#include "shell/Common.h"
#include "shell/Program.h"
#include "service/SafetyNet.h"
#include "service/ServiceReports.h"
#include "radio/clsCmcRadio.h"
#include "service/LinkDiagnosis.h"

const char* frmMain::kMakerNotice = "(c) ZS-N7 ADJ developers - service use only";

namespace {

// Hidden key sequence: the comparison text as the typed keys turn into it
// (each code plus one, upper case), and the caption text scrambled (read
// from the last character to the first, each code one lower).
constexpr const char* kKeyCompare = "CFODI.O8.UFDI";      // typed as "bench-n7-tech"
constexpr const char* kKeyCaption = "fepN!idofC!8O.U[";   // shows "ZT-N7 Bench Mode"
constexpr std::size_t kKeyBufferMax = 13;

// Runs a handler so that no failure escapes into the window system.
template <typename F>
void Guarded(const char* where, F&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        std::cerr << where << " ended early: " << e.what() << "\n";
    }
}

}  // namespace

frmMain::frmMain(Program& program, const platform::MainWindowControls& controls)
    : program_(program), c_(controls) {}

void frmMain::ComPortNo(std::int16_t v) {
    comPortNo_ = v;
    program_.operation().RigOpFunc_SetComPortNo(v);
}

void frmMain::ComAutoRelease(std::int16_t v) {
    // The release time must fit the 16-bit milliseconds the sequencer is
    // given; anything outside -32..32 seconds is taken as off.
    if (v < -32 || v > 32) v = 0;
    comAutoRelease_ = v;
    program_.sequencer().comHoldReload(static_cast<std::int32_t>(v) * 1000);
}

void frmMain::saveData(clsCmcProfileIO& objProf) {
    objProf.Section("OPTION");
    objProf.saveData("ComPort", ProfileValue(ComPortNo()));
    objProf.saveData("ComAutoRelease", ProfileValue(ComAutoRelease()));
}

void frmMain::loadData(clsCmcProfileIO& objProf) {
    objProf.Section("OPTION");
    // A value that is not a number falls back to the default.
    std::int32_t v = 1;
    if (!objProf.loadData("ComPort", v, ProfileValue(std::int32_t{1}))) v = 1;
    if (v < -32768 || v > 32767) v = 1;
    ComPortNo(static_cast<std::int16_t>(v));
    v = 0;
    if (!objProf.loadData("ComAutoRelease", v, ProfileValue(std::int32_t{0}))) v = 0;
    if (v < -32 || v > 32) v = 0;
    ComAutoRelease(static_cast<std::int16_t>(v));
}

clsCmcXfr3Sequence& frmMain::Xfr3Sequence() { return program_.sequencer(); }

void frmMain::task() {
    Guarded("Task", [&] {
        clsCmcXfr3Sequence& seq = program_.sequencer();
        seq.task();
        program_.operation().task();
        if (seq.OpRunning()) seq.task();
    });
    RefreshStatus();
    // A file the archive or the record could not write, told after the pass.
    Guarded("Safety net", [&] { program_.safetyNet().AfterTick(); });
    Guarded("Charts", [&] { program_.reports().AfterTick(); });
}

void frmMain::RefreshStatus() {
    for (std::size_t i = 1; i <= 4; ++i)
        if (c_.mnuOptSelCom[i]) c_.mnuOptSelCom[i]->setChecked(comPortNo_ == static_cast<int>(i));
    for (std::size_t i = 0; i <= 5; ++i)
        if (c_.mnuOptionSelAutoRelease[i])
            c_.mnuOptionSelAutoRelease[i]->setChecked(comAutoRelease_ == static_cast<int>(i));
    program_.safetyNet().RefreshMenus();
    if (c_.lblComBusy) {
        const bool open = program_.com().comOpen();
        c_.lblComBusy->setCaption(portStatus_.text(comPortNo_, program_.com().MsCom(), open));
        c_.lblComBusy->setForeColor(open ? platform::SysColor::ButtonText : platform::SysColor::GrayText);
    }
    if (c_.lblComDevice) c_.lblComDevice->setCaption(portStatus_.device());
}

void frmMain::MsgBoxCloneErr(clsCmcXfr3Sequence& myObjXfr3Seq) {
    frmCom& com = program_.com();
    // The port number reported is the one that was asked for, also when it
    // is outside the range the host can open.
    CloneErrState state;
    state.errCannotOpen = com.errCannotOpen();
    state.comPortNum = com.requestedPortNum();
    state.errOverflow = com.errOverflow();
    state.lastError = com.xfr3D().lastError();
    state.seqError = myObjXfr3Seq.error();
    const std::string first = CloneErrMessage(state);
    std::string cause;
    Guarded("Cause", [&] { cause = service::LinkFailureCause(state, first, com, program_.devices()); });
    if (!cause.empty()) {
        std::string shown;
        for (char ch : cause)
            if (ch != '\r') shown += ch;
        std::cerr << shown << "\n";
    }
    std::string text = service::WithCause(first, cause);
    // Reset first: the flags are cleared before the box opens, so ticks that
    // run while it is shown find nothing to report again.
    Guarded("Link reset", [&] {
        clsIndOp_RigN7& op = program_.operation();
        if (op.VerifyReadRunning()) {
            // A verify read that failed takes nothing; the cycle goes on.
            op.RigOpFunc_VerifyFailed();
            text += "\r\n\r\nThe verify read did not end whole: nothing of it was taken, the values sent are still not "
                    "verified.";
        } else {
            op.RigOpFunc_DropPending("a link failure");
            op.RigOpFunc_ResetAll();
        }
    });
    MsgBoxErrText(text);
}

void frmMain::Form_Load() {
    if (loaded_) return;
    loaded_ = true;
    clsIndOp_RigN7& op = program_.operation();
    if (!op.RigN7Prop_ReadParametersFromExtFile()) {
        MsgBoxErr("Cannot read 'Const.ini'.");
        QuitApp();
        program_.EndProgram();
        return;
    }
    if (c_.window) c_.window->setCaption(kAppTitle);
    if (c_.lblTitle)
        c_.lblTitle->setCaption(std::string(kAppTitle) + "\r\n" + "Adjust Utility for ZT-N7" + "\r\n" + kMakerNotice);
    Guarded("Layout", [&] {
        op.RigOpFunc_FormResource();
        op.RigOpFunc_FormLayout();
    });
}

void frmMain::Form_Resize() {
    Guarded("Resize", [&] {
        if (c_.window) {
            const int w = c_.window->scaleWidth();
            if (c_.linSepa[0]) {
                c_.linSepa[0]->setPoints(0, 0, w, 0);
                c_.linSepa[0]->setColor(platform::SysColor::ButtonShadow);
            }
            if (c_.linSepa[1]) {
                c_.linSepa[1]->setPoints(0, 15, w, 15);  // one pixel lower
                c_.linSepa[1]->setColor(platform::SysColor::ButtonHighlight);
            }
        }
        if (c_.lblComBusy) {
            c_.lblComBusy->setCaption("");
            c_.lblComBusy->move(120, 120, c_.lblComBusy->width(), c_.lblComBusy->height());
        }
        program_.operation().RigOpFunc_FormLayout();
    });
}

void frmMain::QuitApp() {
    if (unloading_) return;
    unloading_ = true;
    program_.com().AllOver();
    program_.com().Form_Unload();
}

bool frmMain::Form_MayClose() {
    bool may = true;
    Guarded("Close", [&] { may = program_.safetyNet().MayClose(); });
    return may;
}

void frmMain::Form_QueryUnload() {
    Guarded("Close", [&] { QuitApp(); });
    Form_Unload();
}

void frmMain::Form_Unload() { program_.EndProgram(); }

bool frmMain::lboConsole_KeyDown(int keyCode, bool shift) {
    bool swallowed = false;
    Guarded("Console key", [&] {
        clsConsole& con = program_.console();
        const std::int16_t step = shift ? 5 : 1;
        std::int16_t change = 0;
        const int sel = c_.lboConsole ? c_.lboConsole->listIndex() : -1;
        switch (keyCode) {
        case keys::kLeft:
            swallowed = true;
            change = static_cast<std::int16_t>(-step);
            break;
        case keys::kRight:
            swallowed = true;
            change = step;
            break;
        case keys::kEnter:
        case keys::kSeparator:
            swallowed = true;
            if (sel < 0 || sel >= con.ListCount()) return;
            // A guided procedure ends a revert or restore still sending: asked first.
            if (con.Event_Enter(static_cast<std::int16_t>(sel)) >= 0 && !program_.operation().ProcedureRunning() &&
                !program_.safetyNet().MayStartProcedure())
                return;
            con.EnterPushed(static_cast<std::int16_t>(sel));
            return;
        default:
            return;
        }
        if (sel >= 0 && sel < con.ListCount()) con.UpDown(static_cast<std::int16_t>(sel), change);
    });
    return swallowed;
}

void frmMain::lboConsole_GotFocus() {
    Guarded("Console focus", [&] {
        if (c_.lboConsole && c_.lboConsole->listIndex() < 0 && c_.lboConsole->listCount() > 0)
            c_.lboConsole->setListIndex(0);
    });
}

void frmMain::Form_KeyDown(int keyCode, bool) {
    if (keyCode == keys::kF5) cmd00_Click(1);
}

void frmMain::cmd00_Click(int index) {
    Guarded("Button", [&] { program_.operation().RigOpFunc_ClickCmd00(static_cast<std::int16_t>(index)); });
}

namespace {

// Upper case in the Western single-byte code page (Windows-1252), the same
// on every desktop: the C library's toupper would follow the user's locale.
int UpperCase1252(int c) {
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;  // à..þ without ÷
    switch (c) {
    case 0x9A: return 0x8A;  // š
    case 0x9C: return 0x8C;  // œ
    case 0x9E: return 0x8E;  // ž
    case 0xFF: return 0x9F;  // ÿ
    default: return c;
    }
}

}  // namespace

void frmMain::cmd00_KeyPress(int, int charCode) {
    // A code of 255 has no successor in the single-byte character set: such
    // a key is left out of the buffer.
    if (charCode < 0 || charCode >= 255) return;
    Guarded("Button key", [&] {
        const char ch = static_cast<char>(UpperCase1252(charCode + 1));
        keyBuffer_ += ch;
        if (keyBuffer_.size() > kKeyBufferMax) keyBuffer_.erase(0, keyBuffer_.size() - kKeyBufferMax);
        if (keyBuffer_ == kKeyCompare && c_.window) {
            const std::string scrambled = kKeyCaption;
            std::string caption;
            for (auto it = scrambled.rbegin(); it != scrambled.rend(); ++it) caption += static_cast<char>(*it - 1);
            c_.window->setCaption(caption);
        }
    });
}

void frmMain::mnuFileExit_Click() {
    if (c_.window) c_.window->close();
}

void frmMain::mnuFileSaveImage_Click() {
    Guarded("Save image", [&] { program_.safetyNet().SaveImage(); });
}

void frmMain::mnuFileServiceRecord_Click() {
    Guarded("Service record", [&] { program_.safetyNet().ShowRecord(); });
}

void frmMain::mnuFileRevert_Click() {
    Guarded("Revert", [&] { program_.safetyNet().Revert(); });
}

void frmMain::mnuFileCompare_Click() {
    Guarded("Compare", [&] { program_.safetyNet().Compare(); });
}

void frmMain::mnuFileRestore_Click() {
    Guarded("Restore", [&] { program_.safetyNet().Restore(); });
}

void frmMain::mnuFileVerify_Click() {
    Guarded("Verify", [&] { program_.safetyNet().Verify(); });
}

void frmMain::mnuFileReport_Click() {
    Guarded("Service report", [&] { program_.reports().SaveReport(); });
}

void frmMain::mnuFilePrintReport_Click() {
    Guarded("Print service report", [&] { program_.reports().PrintReport(); });
}

void frmMain::mnuFileImageReport_Click() {
    Guarded("Report of saved image", [&] { program_.reports().SaveImageReport(); });
}

void frmMain::mnuFileCharts_Click() {
    Guarded("Charts", [&] { program_.reports().ShowCharts(); });
}

void frmMain::mnuOptSelCom_Click(int index) {
    Guarded("Port menu", [&] { ComPortNo(static_cast<std::int16_t>(index)); });
}

void frmMain::mnuOptChooseDevice_Click() {
    Guarded("Device choice", [&] {
        platform::ISerialDevices* devices = program_.devices();
        if (devices == nullptr || !c_.chooseDevice) return;
        if (service::ChooseDeviceForPort(comPortNo_, program_.com().profMain().FullPath(), *devices, c_.chooseDevice))
            portStatus_.invalidate();
        RefreshStatus();
    });
}

void frmMain::mnuOptionSelAutoRelease_Click(int index) {
    Guarded("Release menu", [&] { ComAutoRelease(static_cast<std::int16_t>(index)); });
}
