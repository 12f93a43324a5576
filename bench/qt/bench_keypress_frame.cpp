// Keypress-to-frame latency of a live adjustment with the real Qt parts: the
// main window, the Qt serial control, the Qt timer and the program, wired as
// the executable's entry wires them, with COM1 mapped through the options
// profile's "PORTS" section to a pseudo-terminal. The simulated transceiver
// is served in this process on the terminal's master side, by a thread of its
// own, so the moment an adjustment frame arrives from the program is stamped
// as soon as the bytes can be read.
//
// After "Connect" and the first cycle, " Power(Hi)" is stepped with Right
// (and put back with Left) many times, each press after a random pause so the
// presses fall at every phase of the 50 ms tick. The latency is the time from
// the key press to the arrival of the adjustment frame it causes.
//
// Also printed: the CPU share of the running adjustment cycle with no key
// pressed (this thread, the one the program runs on) and the peak resident
// memory of this process after connecting and cycling. The chart window is
// open throughout, so the figures include feeding it after every tick
// (ZS_BENCH_NO_CHARTS=1 leaves it closed, for a comparison).
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "../Figure.h"
#include "ZtN7Sim.h"
#include "console/clsConsole.h"
#include "link/clsCmcXfr3Sequence.h"
#include "platform/Host.h"
#include "platform/Storage.h"
#include "platform/qt/QtMainWindow.h"
#include "platform/qt/QtSerialControl.h"
#include "platform/qt/QtTimer.h"
#include "shell/Program.h"
#include "shell/frmMain.h"
#include "support/ProgramRig.h"

namespace {

using clk = std::chrono::steady_clock;

// The desktop of the run: the program folder is the run's folder and a
// message box is written out and answered at once.
class BenchDesktop final : public platform::IDesktop {
public:
    std::string folder;
    std::vector<std::string> messages;
    int messageBox(const std::string& text, const std::string&) override {
        messages.push_back(text);
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return platform::kMsgBoxOk;
    }
    void beep() override {}
    std::string programFolder() override { return folder; }
    bool previousInstance() override { return false; }
};

// The simulated radio on the master side of a pseudo-terminal, with the
// cable's echo, served by its own thread. Every adjustment command the radio
// takes is noted with the time its last byte was read from the line.
class PtySimServer {
public:
    struct Arrival {
        int code;
        clk::time_point at;
    };

    PtySimServer() {
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0) return;
        termios t{};
        ::tcgetattr(slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
        // The slave stays open here too, so the line survives the program
        // closing and reopening the port.
        slave_ = slave;
        slavePath_ = name;
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        thread_ = std::thread([this] { serve(); });
    }
    ~PtySimServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (master_ >= 0) ::close(master_);
        if (slave_ >= 0) ::close(slave_);
    }
    const std::string& slavePath() const { return slavePath_; }

    std::size_t arrivals() {
        std::lock_guard<std::mutex> g(mu_);
        return arrivals_.size();
    }
    // The first adjustment command other than a read-out (code 3) noted at
    // or after position `from`; false when none yet.
    bool adjustmentSince(std::size_t from, Arrival& out) {
        std::lock_guard<std::mutex> g(mu_);
        for (std::size_t i = from; i < arrivals_.size(); ++i)
            if (arrivals_[i].code != 3) {
                out = arrivals_[i];
                return true;
            }
        return false;
    }

private:
    void serve() {
        ByteStr out;
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (!out.empty()) p.events |= POLLOUT;
            if (::poll(&p, 1, 5) <= 0) continue;
            if (p.revents & POLLIN) {
                std::uint8_t buf[4096];
                const ssize_t n = ::read(master_, buf, sizeof buf);
                if (n > 0) {
                    const auto at = clk::now();
                    const ByteStr in(buf, buf + n);
                    out.insert(out.end(), in.begin(), in.end());  // the cable's echo
                    const std::size_t before = sim_.e8Log().size();
                    const ByteStr answer = sim_.feed(in);
                    out.insert(out.end(), answer.begin(), answer.end());
                    std::lock_guard<std::mutex> g(mu_);
                    for (std::size_t i = before; i < sim_.e8Log().size(); ++i)
                        arrivals_.push_back({sim_.e8Log()[i].code, at});
                }
            }
            if (!out.empty()) {
                const ssize_t n = ::write(master_, out.data(), out.size());
                if (n > 0) out.erase(out.begin(), out.begin() + n);
            }
        }
    }

    zsim::ZtN7Sim sim_;
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mu_;
    std::vector<Arrival> arrivals_;
};

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// A "Vm..." line of /proc/self/status in KiB; 0 when missing.
double StatusKiB(const std::string& key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key + ":", 0) == 0) return std::strtod(line.c_str() + key.size() + 1, nullptr);
    return 0.0;
}

int RowStartingWith(const QListWidget* list, const QString& start) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().startsWith(start)) return i;
    return -1;
}

// The event loop runs as in the program (it sleeps until the next event,
// never in fixed slices, unlike the test library's waits) for `ms`, or until
// `done` holds, looked at every millisecond. True when done.
bool RunLoop(int ms, const std::function<bool()>& done = {}) {
    QEventLoop loop;
    bool met = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    if (done) {
        if (done()) return true;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (done()) {
                met = true;
                loop.quit();
            }
        });
        poll.start(1);
    }
    deadline.start(ms);
    loop.exec();
    return met;
}

bool ConnectedAndRead(const platform::qt::QtMainWindow& w) {
    const QListWidget* ad = w.readoutList(0);
    return w.consoleList()->count() == 16 && w.consoleList()->isVisible() && ad->count() > 1 &&
           ad->item(1)->text() != QStringLiteral("----");
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    testsupport::TempDir dir;
    std::filesystem::copy_file(std::filesystem::path(ZS_SOURCE_DIR) / "Const.ini", dir.path() / "Const.ini");
    BenchDesktop desktop;
    desktop.folder = dir.path().string();
    platform::SetDesktop(&desktop);
    // A data folder as the executable has one, so the archive and the record
    // are written and no notice stands in the way, whatever HOME says.
    platform::FileStorage storage{dir.file("data")};
    platform::SetStorage(&storage);

    PtySimServer server;
    if (server.slavePath().empty()) { std::printf("no pseudo-terminal\n"); return 1; }
    const std::string profilePath = dir.file("ZSN7ADJ.rs");
    testsupport::WriteFile(profilePath, "[PORTS]\r\nCOM1=" + server.slavePath() + "\r\n");

    int rc = 0;
    {
        platform::qt::QtSerialControl serial(profilePath);
        platform::qt::QtTimer timer;
        platform::qt::QtMainWindow window;
        std::unique_ptr<Program> program;
        PlatformServices s;
        s.serial = &serial;
        s.timer = &timer;
        s.controls = window.controls();
        s.showWindow = [&] {
            window.attach(&program->mainWindow());
            window.show();
        };
        s.endProgram = [&] { window.attach(nullptr); };
        program = std::make_unique<Program>(s);
        if (!program->Main()) { std::printf("the program did not start\n"); return 1; }
        window.activateWindow();
        RunLoop(5000, [&] { return window.isActiveWindow(); });

        QListWidget* console = window.consoleList();
        QTest::mouseClick(window.button(0), Qt::LeftButton);  // "Connect"
        if (!RunLoop(60000, [&] { return ConnectedAndRead(window); })) {
            std::printf("the program did not connect\n");
            return 1;
        }
        // The first cycle sends every item with its settle time after it.
        auto cycleQuiet = [&] {
            for (std::int16_t i = 0; i < program->console().ListCount(); ++i)
                if (program->console().flgChanged(i)) return false;
            return !program->sequencer().OpRunning();
        };
        RunLoop(20000, cycleQuiet);
        // The chart window open beside the console, as a technician keeps it:
        // its feed runs after every tick while the keys are measured.
        if (std::getenv("ZS_BENCH_NO_CHARTS") == nullptr) window.serviceViews().chartsAction()->trigger();
        RunLoop(500);
        if (!window.serviceViews().chartWindow()->isVisible()) std::printf("the chart window did not open\n");

        // CPU share of the running cycle with nothing to send.
        const double cpu0 = ThreadCpuSeconds();
        const auto wall0 = clk::now();
        RunLoop(5000);
        const double cyclePct =
            100.0 * (ThreadCpuSeconds() - cpu0) / std::chrono::duration<double>(clk::now() - wall0).count();

        const int row = RowStartingWith(console, QStringLiteral(" Power(Hi)"));
        if (row < 0) { std::printf("no Power(Hi) line\n"); return 1; }
        console->setFocus();
        RunLoop(2000, [&] { return console->hasFocus(); });
        console->setCurrentRow(row);

        const int kPairs = benchfig::Count(80, 1);
        std::mt19937 rng(20240611u);
        std::uniform_int_distribution<int> phase(0, 49);
        std::vector<double> rightMs, leftMs;
        int lost = 0;
        for (int i = 0; i < 2 * kPairs; ++i) {
            const bool right = i % 2 == 0;
            RunLoop(phase(rng));
            const std::size_t mark = server.arrivals();
            const auto t0 = clk::now();
            QTest::keyClick(console, right ? Qt::Key_Right : Qt::Key_Left);
            PtySimServer::Arrival a{};
            if (!RunLoop(3000, [&] { return server.adjustmentSince(mark, a); })) {
                ++lost;
                continue;
            }
            const double ms = std::chrono::duration<double, std::milli>(a.at - t0).count();
            (right ? rightMs : leftMs).push_back(ms);
            // Let the command end and its settle time pass before the next press.
            RunLoop(3000, cycleQuiet);
            RunLoop(400);
        }
        const double hwmKiB = StatusKiB("VmHWM");
        // The spread: with presses at every phase the latencies fill 0 to
        // 50 ms evenly when every change leaves on the next tick.
        std::printf("keypress to frame, Right, deciles:");
        for (int p = 10; p <= 100; p += 10) std::printf(" %.1f", benchfig::Percentile(rightMs, p));
        std::printf(" ms\n");

        std::printf("keypress to frame: %zu Right presses, median %.2f ms, max %.2f ms; "
                    "%zu Left presses, median %.2f ms, max %.2f ms; %d without a frame\n",
                    rightMs.size(), benchfig::Median(rightMs), benchfig::Max(rightMs), leftMs.size(),
                    benchfig::Median(leftMs), benchfig::Max(leftMs), lost);
        std::printf("adjustment cycle CPU (program thread, nothing to send): %.3f %%\n", cyclePct);
        std::printf("peak resident memory of this process (Qt, offscreen window, program, simulator): %.0f KiB\n",
                    hwmKiB);
        if (!desktop.messages.empty()) std::printf("messages shown: %zu, first: %s\n", desktop.messages.size(),
                                                   desktop.messages.front().c_str());
        benchfig::Figure("keypress to E8 frame, median (Right, Qt window)", benchfig::Median(rightMs), "ms", 50.0, 2);
        benchfig::Figure("keypress to E8 frame, max (Right, Qt window)", benchfig::Max(rightMs), "ms", 50.0, 2);
        benchfig::Figure("adjustment cycle CPU (in-process Qt run)", cyclePct, "%", 0.0, 3);
        benchfig::Figure("peak memory VmHWM (in-process Qt run, connected)", hwmKiB / 1024.0, "MiB", 0.0, 1);
        rc = lost == 0 && desktop.messages.empty() && !rightMs.empty() ? 0 : 1;
        window.attach(nullptr);
        program.reset();
    }
    platform::SetDesktop(nullptr);
    return rc;
}
