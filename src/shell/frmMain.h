#pragma once
// The main window's logic: the two user options and their persistence, the
// main window's share of every tick, the clone error report, and the
// handlers of keys, clicks and menu choices. The widgets themselves live in
// the platform layer and reach this class through the handlers; this class
// drives them through the control interfaces.
#include <cstdint>
#include <string>

#include "link/LinkClients.h"
#include "shell/Types.h"
#include "platform/MainWindowControls.h"
#include "service/PortChoice.h"

class Program;
class clsCmcXfr3Sequence;
class clsCmcProfileIO;

// Key codes the handlers take (the platform maps its keys to these).
namespace keys {
inline constexpr int kEnter = 13;
inline constexpr int kLeft = 37;
inline constexpr int kUp = 38;
inline constexpr int kRight = 39;
inline constexpr int kDown = 40;
inline constexpr int kSeparator = 108;  // the numeric keypad's separator key
inline constexpr int kF5 = 116;
}  // namespace keys

class frmMain : public IMainWindowLink {
public:
    frmMain(Program& program, const platform::MainWindowControls& controls);

    // Options.
    std::int16_t ComPortNo() const { return comPortNo_; }
    void ComPortNo(std::int16_t v);
    std::int16_t ComAutoRelease() const { return comAutoRelease_; }
    void ComAutoRelease(std::int16_t v);

    // IMainWindowLink
    void task() override;
    void MsgBoxCloneErr(clsCmcXfr3Sequence& myObjXfr3Seq) override;
    void saveData(clsCmcProfileIO& objProf) override;
    void loadData(clsCmcProfileIO& objProf) override;
    clsCmcXfr3Sequence& Xfr3Sequence() override;

    // Window events. Each handler catches every failure: an unexpected
    // error ends that handler, is noted on standard error, and the program
    // goes on.
    void Form_Load();
    void Form_Resize();
    // Asks before a close would lose values still to be sent back or a
    // record kept only in memory; true when the window may close.
    bool Form_MayClose();
    void Form_QueryUnload();
    void Form_Unload();
    // Returns true when the key is swallowed (not passed to the list box).
    bool lboConsole_KeyDown(int keyCode, bool shift);
    void lboConsole_GotFocus();
    void Form_KeyDown(int keyCode, bool shift);
    void cmd00_Click(int index);
    void cmd00_KeyPress(int index, int charCode);
    void mnuFileExit_Click();
    // The safety net's menu items (service/SafetyNet.h).
    void mnuFileSaveImage_Click();
    void mnuFileServiceRecord_Click();
    void mnuFileRevert_Click();
    void mnuFileCompare_Click();
    void mnuFileRestore_Click();
    void mnuFileVerify_Click();
    // The charts and the service report (service/ServiceReports.h).
    void mnuFileReport_Click();
    void mnuFilePrintReport_Click();
    void mnuFileImageReport_Click();
    void mnuFileCharts_Click();
    void mnuOptSelCom_Click(int index);
    // Option, Port, "Choose device...": maps the chosen port to a device.
    void mnuOptChooseDevice_Click();
    void mnuOptionSelAutoRelease_Click(int index);

    bool loaded() const { return loaded_; }
    const std::string& keyBuffer() const { return keyBuffer_; }

    // The maker's notice shown as the title's third line.
    static const char* kMakerNotice;

private:
    void QuitApp();
    void RefreshStatus();

    Program& program_;
    const platform::MainWindowControls& c_;
    std::int16_t comPortNo_ = 1;
    std::int16_t comAutoRelease_ = 0;
    std::string keyBuffer_;
    bool loaded_ = false;
    bool unloading_ = false;
    service::PortStatus portStatus_;
};
