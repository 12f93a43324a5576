#pragma once
// The whole program on the in-memory platform: recording controls, the
// in-memory serial port with a peer at its far end (a simulated radio), a
// timer fired by hand and a clock the test advances. tick() is one 50 ms
// heartbeat as the event loop would run it.
//
// The rig works in a fresh temporary folder (current directory and program
// folder), with the sample Const.ini copied there unless told otherwise.
#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "console/clsConsole.h"
#include "link/clsCmcXfr3Drv.h"
#include "link/clsCmcXfr3Sequence.h"
#include "link/frmCom.h"
#include "model/clsIndOp_RigN7.h"
#include "platform/Process.h"
#include "platform/Storage.h"
#include "platform/Timer.h"
#include "platform/mem/ManualClock.h"
#include "platform/mem/MemControls.h"
#include "platform/mem/MemSerialPort.h"
#include "platform/SerialDevices.h"
#include "radio/clsCmcRadio.h"
#include "shell/Program.h"
#include "shell/frmMain.h"

namespace testsupport {

// A temporary folder that becomes the current directory for its lifetime.
class TempDir {
public:
    TempDir() {
        static int serial = 0;
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("zsn7-" + std::to_string(platform::CurrentProcessId()) + "-" + std::to_string(stamp) + "-" + std::to_string(++serial));
        std::filesystem::create_directories(path_);
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::current_path(previous_, ec);
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// Text written with "\n" line ends as a file the program makes anew holds it:
// with the system's line end (CR LF on Windows).
inline std::string NewFileText(const std::string& text) {
#ifdef _WIN32
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
#else
    return text;
#endif
}

// Recording versions of every control of the main window.
struct MemMainWindow {
    platform::MemWindow window;
    platform::MemLabel lblComBusy, lblTitle, lblProgress, lblSafetyNet;
    platform::MemButton cmd00[3];
    platform::MemFrame fra01[4];
    platform::MemListBox lboConsole, lbo01[2];
    platform::MemTextBox txtDispPara;
    platform::MemLine linSepa[2];
    platform::MemMenuItem mnuOptSelCom[5], mnuOptionSelAutoRelease[6], mnuFileSaveImage;
    platform::MemMenuItem mnuFileServiceRecord, mnuFileRevert, mnuFileCompare, mnuFileRestore, mnuFileVerify;
    std::string saveAnswer;  // what the file chooser answers
    std::vector<std::string> saveAsked;
    std::string openAnswer;  // what the open-file chooser answers
    std::deque<std::string> openAnswers;  // answered first, in turn, when given
    std::vector<std::string> openAsked;
    std::vector<std::string> openPatterns;  // the names each open-file chooser showed first
    // Every text window shown, and the answers its OK button gives in turn
    // (a window that asks and finds no answer left is cancelled). A window
    // with a required tick is answered with OK only when tickAnswers says so.
    std::vector<platform::TextView> views;
    std::deque<bool> viewAnswers;
    bool tickAnswer = false;
    // The chart window, the report's file chooser (what it answers) and the
    // PDF writer; none unless a test sets them.
    platform::IChartView* chartView = nullptr;
    std::string reportAnswer;
    std::vector<std::string> reportAsked;
    std::function<bool(const platform::Document&, const std::string&, std::string&)> writePdf;
    platform::MemMenuItem mnuFileReport, mnuFilePrintReport, mnuFileImageReport, mnuFileCharts;

    platform::MainWindowControls controls() {
        platform::MainWindowControls c;
        c.window = &window;
        c.lblComBusy = &lblComBusy;
        for (int i = 0; i < 3; ++i) c.cmd00[i] = &cmd00[i];
        for (int i = 0; i < 4; ++i) c.fra01[i] = &fra01[i];
        c.lboConsole = &lboConsole;
        c.lbo01 = {&lbo01[0], &lbo01[1]};
        c.lblTitle = &lblTitle;
        c.lblProgress = &lblProgress;
        c.txtDispPara = &txtDispPara;
        c.linSepa = {&linSepa[0], &linSepa[1]};
        for (int i = 1; i <= 4; ++i) c.mnuOptSelCom[i] = &mnuOptSelCom[i];
        for (int i = 0; i <= 5; ++i) c.mnuOptionSelAutoRelease[i] = &mnuOptionSelAutoRelease[i];
        c.mnuFileSaveImage = &mnuFileSaveImage;
        c.chooseSaveFile = [this](const std::string& suggested) {
            saveAsked.push_back(suggested);
            return saveAnswer;
        };
        c.mnuFileServiceRecord = &mnuFileServiceRecord;
        c.mnuFileRevert = &mnuFileRevert;
        c.mnuFileCompare = &mnuFileCompare;
        c.mnuFileRestore = &mnuFileRestore;
        c.mnuFileVerify = &mnuFileVerify;
        c.lblSafetyNet = &lblSafetyNet;
        c.chooseOpenFile = [this](const std::string& folder, const std::string& pattern) {
            openAsked.push_back(folder);
            openPatterns.push_back(pattern);
            if (!openAnswers.empty()) {
                const std::string a = openAnswers.front();
                openAnswers.pop_front();
                return a;
            }
            return openAnswer;
        };
        c.mnuFileReport = &mnuFileReport;
        c.mnuFilePrintReport = &mnuFilePrintReport;
        c.mnuFileImageReport = &mnuFileImageReport;
        c.mnuFileCharts = &mnuFileCharts;
        c.chartView = chartView;
        c.chooseReportFile = [this](const std::string& suggested) {
            reportAsked.push_back(suggested);
            return reportAnswer;
        };
        c.writePdf = [this](const platform::Document& doc, const std::string& path, std::string& why) {
            return writePdf ? writePdf(doc, path, why) : false;
        };
        c.showText = [this](const platform::TextView& view) {
            views.push_back(view);
            if (view.okCaption.empty()) return false;
            bool ok = false;
            if (!viewAnswers.empty()) {
                ok = viewAnswers.front();
                viewAnswers.pop_front();
            }
            if (!view.requiredTick.empty() && !tickAnswer) ok = false;
            return ok;
        };
        return c;
    }
};

// Runs `tick` (one 50 ms heartbeat) for ms milliseconds.
inline void TickFor(const std::function<void()>& tick, int ms) {
    for (int t = 0; t < ms; t += 50) tick();
}

// Runs `tick` until pred() holds; false when maxMs passed first.
inline bool TickUntil(const std::function<void()>& tick, const std::function<bool()>& pred, int maxMs) {
    for (int t = 0; t <= maxMs; t += 50) {
        if (pred()) return true;
        tick();
    }
    return pred();
}

class ProgramRig {
public:
    // peer may be null (nothing at the far end: a silent line).
    explicit ProgramRig(platform::ISerialPeer* peer, bool withConstants = true) {
        if (withConstants)
            std::filesystem::copy_file(std::filesystem::path(ZS_SOURCE_DIR) / "Const.ini", dir.path() / "Const.ini");
        desktop.folder = dir.path().string();
        platform::SetDesktop(&desktop);
        platform::SetStorage(&storage);
        port.setPeer(peer);
    }
    ~ProgramRig() {
        program.reset();
        platform::SetDesktop(nullptr);
        platform::SetStorage(nullptr);
    }

    // Runs the start procedure; returns its result.
    bool Start() {
        PlatformServices s;
        s.serial = &port;
        s.timer = &timer;
        s.devices = &devices;
        s.controls = win.controls();
        s.showWindow = [this] { ++shown; };
        s.endProgram = [this] { ++ended; };
        program = std::make_unique<Program>(s);
        return program->Main();
    }

    // One 50 ms heartbeat as real time orders it: the line delivers half way
    // (the receive event runs its own pass), time moves on, the timer fires.
    void tick() {
        clock.advance(25);
        port.pump();
        clock.advance(25);
        port.advanceLine();
        timer.fire();
    }
    void runFor(int ms) { TickFor([this] { tick(); }, ms); }
    // Ticks until pred() holds; false when maxMs passed first.
    bool runUntil(const std::function<bool()>& pred, int maxMs) {
        return TickUntil([this] { tick(); }, pred, maxMs);
    }

    // Clicks "Connect" and ticks until the console takes adjustments; false
    // when it does not within maxMs.
    bool Connect(int maxMs = 20000) {
        main().cmd00_Click(0);
        return runUntil([&] { return op().RigN7Prop_EditEnabled(); }, maxMs);
    }

    frmMain& main() { return program->mainWindow(); }
    clsIndOp_RigN7& op() { return program->operation(); }
    clsConsole& console() { return program->console(); }
    frmCom& com() { return program->com(); }
    clsCmcXfr3Sequence& seq() { return program->sequencer(); }
    clsCmcEeprom& image() { return program->radio().eepImage(); }
    std::string profile() const { return ReadFile(dir.file("ZSN7ADJ.rs")); }

    // Presses a key in the console list, as the window would deliver it.
    void key(int keyCode, bool shift = false) { main().lboConsole_KeyDown(keyCode, shift); }
    void select(int line) { win.lboConsole.setListIndex(line); }

    TempDir dir;
    platform::ManualClock clock{100000};
    platform::ScopedTickSource useClock{clock};
    platform::MemDesktop desktop;
    // Archived images and service records go to data/images in the folder.
    std::string archiveFolder = dir.file("data/images");
    platform::FileStorage storage{archiveFolder};
    platform::MemSerialPort port;
    platform::ManualTimer timer;
    // The serial devices the system lists (none unless a test adds some).
    platform::MemSerialDevices devices;
    MemMainWindow win;
    std::unique_ptr<Program> program;
    int shown = 0;
    int ended = 0;
};

} // namespace testsupport
