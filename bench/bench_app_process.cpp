// The real program as a process: start-up time to the window shown, CPU use
// while idle and peak resident memory. The executable runs without a display
// (QT_QPA_PLATFORM=offscreen) in a temporary folder holding a copy of the
// sample Const.ini, with its own runtime folder so a copy running elsewhere
// on the machine does not count as a previous instance.
//
//  - start-up: from fork to the line "zsn7adj: window shown" on its standard
//    error (ZSN7ADJ_REPORT_SHOWN=1: written once the window is shown and the
//    event loop has processed its first events); median of several starts;
//  - idle CPU: after a settling time, utime + stime of /proc/<pid>/stat over
//    an idle stretch (clock-tick resolution), and the same stretch from the
//    scheduler's run time of every thread (/proc/<pid>/task/*/schedstat, ns);
//  - peak memory: VmHWM of /proc/<pid>/status after the idle stretch.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Figure.h"

namespace {

namespace fs = std::filesystem;
using clk = std::chrono::steady_clock;

struct Child {
    pid_t pid = -1;
    int err = -1;  // its standard error
    fs::path dir;
};

Child Launch(const std::string& exe, int serial) {
    Child c;
    c.dir = fs::temp_directory_path() / ("zsn7-bench-app-" + std::to_string(::getpid()) + "-" + std::to_string(serial));
    fs::remove_all(c.dir);
    fs::create_directories(c.dir / "run");
    fs::permissions(c.dir / "run", fs::perms::owner_all, fs::perm_options::replace);
    fs::copy_file(fs::path(ZS_SOURCE_DIR) / "Const.ini", c.dir / "Const.ini");
    int fds[2];
    if (::pipe(fds) != 0) return c;
    c.pid = ::fork();
    if (c.pid == 0) {
        ::dup2(fds[1], STDERR_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        if (::chdir(c.dir.c_str()) != 0) ::_exit(126);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("ZSN7ADJ_REPORT_SHOWN", "1", 1);
        ::setenv("ZSN7ADJ_MSGBOX_STDERR", "1", 1);
        ::setenv("XDG_RUNTIME_DIR", (c.dir / "run").c_str(), 1);
        ::execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    c.err = fds[0];
    ::fcntl(c.err, F_SETFL, ::fcntl(c.err, F_GETFL) | O_NONBLOCK);
    return c;
}

// Reads the child's standard error until `line` appears; false on time-out
// or when the child ended first. `text` collects what was read.
bool WaitForLine(const Child& c, const std::string& line, int timeoutMs, std::string& text) {
    const auto end = clk::now() + std::chrono::milliseconds(timeoutMs);
    while (clk::now() < end) {
        pollfd p{c.err, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0) {
            char buf[1024];
            const ssize_t n = ::read(c.err, buf, sizeof buf);
            if (n > 0) text.append(buf, static_cast<std::size_t>(n));
            else if (n == 0) return false;
            if (text.find(line + "\n") != std::string::npos) return true;
        }
    }
    return false;
}

// Keeps the child's standard error from filling up.
void Drain(const Child& c) {
    char buf[1024];
    while (::read(c.err, buf, sizeof buf) > 0) {}
}

void Stop(Child& c) {
    if (c.pid > 0) {
        ::kill(c.pid, SIGTERM);
        int status = 0;
        const auto end = clk::now() + std::chrono::seconds(5);
        while (::waitpid(c.pid, &status, WNOHANG) == 0) {
            if (clk::now() > end) {
                ::kill(c.pid, SIGKILL);
                ::waitpid(c.pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    if (c.err >= 0) ::close(c.err);
    std::error_code ec;
    fs::remove_all(c.dir, ec);
    c = Child{};
}

// utime + stime of the process in seconds.
double StatCpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = all.rfind(')');  // the command name may hold spaces
    if (close == std::string::npos) return 0.0;
    std::istringstream rest(all.substr(close + 2));
    std::vector<std::string> f;
    std::string w;
    while (rest >> w) f.push_back(w);
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    if (f.size() < 13) return 0.0;
    const double ticks = std::strtod(f[11].c_str(), nullptr) + std::strtod(f[12].c_str(), nullptr);
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Run time of all the process's threads from the scheduler, in seconds.
double SchedCpuSeconds(pid_t pid) {
    double total = 0.0;
    std::error_code ec;
    for (const auto& t : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream in(t.path() / "schedstat");
        double ns = 0.0;
        if (in >> ns) total += ns / 1e9;
    }
    return total;
}

double StatusKiB(pid_t pid, const std::string& key) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key + ":", 0) == 0) return std::strtod(line.c_str() + key.size() + 1, nullptr);
    return 0.0;
}

} // namespace

int main() {
#ifndef ZS_APP_EXE
    std::printf("the program was not built (Qt off); nothing to measure\n");
    return 0;
#else
    const std::string exe = ZS_APP_EXE;
    const int kStarts = benchfig::Count(7, 1);
    std::vector<double> startMs;
    for (int i = 0; i < kStarts; ++i) {
        const auto t0 = clk::now();
        Child c = Launch(exe, i);
        if (c.pid < 0) { std::printf("cannot start %s\n", exe.c_str()); return 1; }
        std::string text;
        const bool shown = WaitForLine(c, "zsn7adj: window shown", 20000, text);
        const double ms = std::chrono::duration<double, std::milli>(clk::now() - t0).count();
        if (!shown) {
            std::printf("start %d: the window was not reported shown; standard error:\n%s\n", i + 1, text.c_str());
            Stop(c);
            return 1;
        }
        startMs.push_back(ms);
        std::printf("start %d: window shown after %.1f ms\n", i + 1, ms);
        if (i == kStarts - 1) {
            // The last one stays: idle CPU and memory.
            const double kSettle = benchfig::Smoke() ? 0.5 : 2.0, kIdle = benchfig::Smoke() ? 1.0 : 10.0;
            std::this_thread::sleep_for(std::chrono::duration<double>(kSettle));
            Drain(c);
            const double stat0 = StatCpuSeconds(c.pid), sched0 = SchedCpuSeconds(c.pid);
            const auto w0 = clk::now();
            std::this_thread::sleep_for(std::chrono::duration<double>(kIdle));
            const double wall = std::chrono::duration<double>(clk::now() - w0).count();
            const double statPct = 100.0 * (StatCpuSeconds(c.pid) - stat0) / wall;
            const double schedPct = 100.0 * (SchedCpuSeconds(c.pid) - sched0) / wall;
            const double hwm = StatusKiB(c.pid, "VmHWM");
            const double rss = StatusKiB(c.pid, "VmRSS");
            Drain(c);
            std::printf("idle over %.1f s: %.3f %% CPU (utime+stime), %.4f %% (scheduler run time); "
                        "VmHWM %.0f KiB, VmRSS %.0f KiB\n",
                        wall, statPct, schedPct, hwm, rss);
            benchfig::Figure("idle CPU of the program (utime+stime, " + std::to_string(static_cast<int>(kIdle)) + " s)",
                             statPct, "%", 0.0, 3);
            benchfig::Figure("idle CPU of the program (scheduler run time)", schedPct, "%", 0.0, 4);
            benchfig::Figure("peak memory VmHWM (program, idle after start)", hwm / 1024.0, "MiB", 0.0, 1);
        }
        Stop(c);
    }
    std::printf("start-up to window shown: median %.1f ms, min %.1f ms, max %.1f ms over %d starts\n",
                benchfig::Median(startMs), benchfig::Percentile(startMs, 0), benchfig::Max(startMs), kStarts);
    benchfig::Figure("start-up to window shown, median of " + std::to_string(kStarts), benchfig::Median(startMs), "ms",
                     0.0, 1);
    return 0;
#endif
}
