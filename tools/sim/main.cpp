// zt-n7-sim: the simulated ZT-N7 transceiver behind a pseudo-terminal.
//
// Opens a pseudo-terminal, prints the path of its terminal side on the first
// line of standard output and serves the radio's protocol on it until SIGTERM,
// SIGINT or SIGHUP. The program under test opens that path as its serial port.
// Every byte the program sends comes back to it (the cloning cable's echo)
// unless --no-echo is given. With --pace, everything sent towards the program
// leaves at the line speed the program set on the terminal (10 bits a byte).
// The radio listens only at its own speed (9600 baud, 38400 for a clone read
// after the high-speed request): it reads the speed the program set on its
// end of the line, and bytes sent at another speed get no answer.
//
// With --control FIFO the simulator also reads commands from a named pipe, one
// per line, so a test can change the radio while it runs:
//   fault NAME        switch a fault on (names as for --fault)
//   clear-faults      all faults off; a hung receiver works again
//   temp N | lvin N | vin N            measurement values (A/D counts)
//   sd-peak N | sd-plateau A:B         band-pass response behind the SD read-out
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <sys/stat.h>

#include "ZtN7Sim.h"

namespace {

volatile sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }

void Usage(FILE* f) {
    std::fputs(
        "Usage: zt-n7-sim [options]\n"
        "Simulated ZT-N7 transceiver on a pseudo-terminal. The first line of output\n"
        "is the terminal path to open as the serial port.\n"
        "\n"
        "  --link PATH       also make PATH a symbolic link to the terminal (removed at exit)\n"
        "  --no-echo         do not return the program's bytes (no cable echo)\n"
        "  --pace            send at the line speed the program set (10 bits a byte)\n"
        "  --image FILE      start with this raw 12288-byte EEPROM image (the default\n"
        "                    image when FILE does not exist yet)\n"
        "  --save FILE       write the EEPROM image to FILE at exit\n"
        "  --temp N          temperature A/D count (0..255, default 128)\n"
        "  --lvin N          LVIN A/D count (0..255, default 20)\n"
        "  --vin N           supply A/D count (0..255, default 176)\n"
        "  --sd-peak N       SD level peaks at band-pass setting N (-128..127, default 17)\n"
        "  --sd-plateau A:B  SD level is highest from setting A to setting B\n"
        "  --control FIFO    read commands from this named pipe (created when missing)\n"
        "  --fault NAME      switch on a fault; may be repeated:\n"
        "                      silence, dead-line (no echo either), wrong-main-code, wrong-sub-code,\n"
        "                      corrupt-record[=HEXADR], drop-record[=HEXADR],\n"
        "                      short-record[=HEXADR] (record address, default 0100),\n"
        "                      extra-signature-byte, record-outside-image, write-refused,\n"
        "                      hang-on-clone-write, drop-readouts, malformed-readouts,\n"
        "                      short-readouts, line-noise,\n"
        "                      switched-off (the same as silence: nothing heard, stored or answered),\n"
        "                      ignore-command=HEXCODE (that adjustment command is not stored),\n"
        "                      store-wrong=HEXCODE (that adjustment command stores its value + 1)\n"
        "  --help            show this text\n",
        f);
}

bool ParseInt(const std::string& s, int lo, int hi, int& out) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(s.c_str(), &end, 0);
    if (errno != 0 || end == s.c_str() || *end != '\0' || v < lo || v > hi) return false;
    out = static_cast<int>(v);
    return true;
}

bool ApplyFault(const std::string& arg, zsim::ZtN7Sim::Faults& f) {
    std::string name = arg, param;
    const auto eq = arg.find('=');
    if (eq != std::string::npos) {
        name = arg.substr(0, eq);
        param = arg.substr(eq + 1);
    }
    auto address = [&](std::int32_t& out) {
        if (param.empty()) { out = 0x0100; return true; }
        char* end = nullptr;
        const long v = std::strtol(param.c_str(), &end, 16);
        if (*end != '\0' || v < 0 || v >= zsim::ZtN7Sim::kImageSize || v % 16 != 0) return false;
        out = static_cast<std::int32_t>(v);
        return true;
    };
    auto code = [&](int& out) {
        char* end = nullptr;
        const long v = std::strtol(param.c_str(), &end, 16);
        if (param.empty() || *end != '\0' || v < 0 || v > 0xFF) return false;
        out = static_cast<int>(v);
        return true;
    };
    if (name == "ignore-command") return code(f.ignoreCommand);
    if (name == "store-wrong") return code(f.storeWrongCommand);
    if (name == "silence" || name == "switched-off") f.silence = true;
    else if (name == "dead-line") f.deadLine = true;
    else if (name == "wrong-main-code") f.wrongMainCode = true;
    else if (name == "wrong-sub-code") f.wrongSubCode = true;
    else if (name == "corrupt-record") return address(f.corruptRecordAt);
    else if (name == "drop-record") return address(f.dropRecordAt);
    else if (name == "short-record") return address(f.shortRecordAt);
    else if (name == "extra-signature-byte") f.extraSignatureByte = true;
    else if (name == "record-outside-image") f.recordOutsideImage = true;
    else if (name == "write-refused") f.cloneWriteResult = 1;
    else if (name == "hang-on-clone-write") f.hangOnCloneWrite = true;
    else if (name == "drop-readouts") f.dropReadouts = true;
    else if (name == "malformed-readouts") f.malformedReadouts = true;
    else if (name == "short-readouts") f.shortReadouts = true;
    else if (name == "line-noise") f.lineNoise = true;
    else return false;
    return param.empty();
}

// One setting by name (a long option without its dashes, or a control
// command). Returns an error text, empty when applied.
std::string ApplySetting(const std::string& name, const std::string& value, zsim::ZtN7Sim& sim) {
    int n = 0;
    if (name == "temp" || name == "lvin" || name == "vin") {
        if (!ParseInt(value, 0, 255, n)) return name + " wants 0..255, not '" + value + "'";
        if (name == "temp") sim.temperature(n);
        else if (name == "lvin") sim.lvin(n);
        else sim.vin(n);
    } else if (name == "sd-peak") {
        if (!ParseInt(value, -128, 127, n)) return "sd-peak wants -128..127, not '" + value + "'";
        sim.sdModel(zsim::ZtN7Sim::SdPeak(n));
    } else if (name == "sd-plateau") {
        const auto colon = value.find(':');
        int a = 0, b = 0;
        if (colon == std::string::npos || !ParseInt(value.substr(0, colon), -128, 127, a) ||
            !ParseInt(value.substr(colon + 1), -128, 127, b))
            return "sd-plateau wants FIRST:LAST (-128..127), not '" + value + "'";
        sim.sdModel(zsim::ZtN7Sim::SdPlateau(a, b));
    } else if (name == "fault") {
        if (!ApplyFault(value, sim.faults())) return "unknown fault '" + value + "'";
    } else if (name == "clear-faults") {
        sim.faults() = {};
        sim.resume();
    } else {
        return "unknown setting '" + name + "'";
    }
    return {};
}

int BaudOf(speed_t s) {
    switch (s) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return 0;  // a speed the radio never listens at
    }
}

// Control commands arrive a line at a time; partial lines wait for the rest.
void RunControlLines(std::string& pending, zsim::ZtN7Sim& sim) {
    std::size_t nl;
    while ((nl = pending.find('\n')) != std::string::npos) {
        std::string line = pending.substr(0, nl);
        pending.erase(0, nl + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty()) continue;
        const auto sp = line.find(' ');
        const std::string name = line.substr(0, sp);
        const std::string value = sp == std::string::npos ? std::string() : line.substr(sp + 1);
        const std::string err = ApplySetting(name, value, sim);
        if (!err.empty()) std::fprintf(stderr, "zt-n7-sim: control: %s\n", err.c_str());
    }
}

using Clock = std::chrono::steady_clock;

} // namespace

int main(int argc, char** argv) {
    zsim::ZtN7Sim sim;
    std::string linkPath, savePath, controlPath;
    bool echo = true, pace = false;

    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "zt-n7-sim: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--help" || a == "-h") { Usage(stdout); return 0; }
        else if (a == "--link") linkPath = value();
        else if (a == "--no-echo") echo = false;
        else if (a == "--pace") pace = true;
        else if (a == "--save") savePath = value();
        else if (a == "--control") controlPath = value();
        else if (a == "--image") {
            // A file that does not exist yet is a radio fresh from the factory:
            // it starts with the default image, which --save can keep for the
            // next run. A file that is there but unreadable or short is an error.
            const std::string path = value();
            struct stat st{};
            if (stat(path.c_str(), &st) != 0 && errno == ENOENT) {
                std::fprintf(stderr, "zt-n7-sim: %s does not exist; starting with the default image\n", path.c_str());
            } else if (!sim.loadImage(path)) {
                std::fprintf(stderr, "zt-n7-sim: cannot read a %d-byte image from %s\n", zsim::ZtN7Sim::kImageSize,
                             path.c_str());
                return 2;
            }
        } else if (a == "--temp" || a == "--lvin" || a == "--vin" || a == "--sd-peak" || a == "--sd-plateau" ||
                   a == "--fault") {
            const std::string err = ApplySetting(a.substr(2), value(), sim);
            if (!err.empty()) {
                std::fprintf(stderr, "zt-n7-sim: %s\n", err.c_str());
                return 2;
            }
        } else {
            std::fprintf(stderr, "zt-n7-sim: unknown option %s\n", a.c_str());
            Usage(stderr);
            return 2;
        }
    }

    int master = -1, slave = -1;
    char name[256] = {0};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("zt-n7-sim: openpty");
        return 1;
    }
    // Raw line both ways until the program sets its own modes. The terminal
    // side stays open here too, so the line survives the program closing and
    // reopening the port (at another speed, for example).
    termios tio{};
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tcsetattr(slave, TCSANOW, &tio);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    // The control pipe is also held open for writing here, so it never reads
    // as ended when a writer goes away (which would make poll fire for ever).
    int control = -1, controlKeep = -1;
    bool controlCreated = false;
    if (!controlPath.empty()) {
        if (mkfifo(controlPath.c_str(), 0600) == 0) controlCreated = true;
        else if (errno != EEXIST) std::fprintf(stderr, "zt-n7-sim: cannot create %s: %s\n", controlPath.c_str(), std::strerror(errno));
        control = open(controlPath.c_str(), O_RDONLY | O_NONBLOCK);
        struct stat cst{};
        if (control >= 0 && (fstat(control, &cst) != 0 || !S_ISFIFO(cst.st_mode))) {
            // A plain file would read as ended at once, again and again.
            close(control);
            control = -1;
            errno = EINVAL;
        }
        if (control >= 0) controlKeep = open(controlPath.c_str(), O_WRONLY | O_NONBLOCK);
        if (control < 0 || controlKeep < 0) {
            std::fprintf(stderr, "zt-n7-sim: cannot use %s as the control pipe: %s\n", controlPath.c_str(), std::strerror(errno));
            if (control >= 0) close(control);
            control = -1;
        }
    }

    if (!linkPath.empty()) {
        struct stat st{};
        if (lstat(linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) unlink(linkPath.c_str());
        if (symlink(name, linkPath.c_str()) != 0) {
            std::fprintf(stderr, "zt-n7-sim: cannot link %s: %s\n", linkPath.c_str(), std::strerror(errno));
            linkPath.clear();
        }
    }
    // Signals are blocked except inside ppoll, so a stop request is never lost
    // between the flag test and the wait.
    struct sigaction sa{};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    sigset_t block, waitMask;
    sigemptyset(&block);
    sigaddset(&block, SIGTERM);
    sigaddset(&block, SIGINT);
    sigaddset(&block, SIGHUP);
    sigprocmask(SIG_BLOCK, &block, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGHUP);

    // The terminal's name goes out only now: whoever starts the simulator may
    // stop it as soon as it has read the name, and the stop must find the
    // handler that saves the image in place.
    std::printf("%s\n", name);
    std::fflush(stdout);

    std::deque<std::uint8_t> out;       // towards the program
    Clock::time_point paceStart{};
    std::int64_t paceSent = 0;          // bytes sent since paceStart
    int paceBaud = 9600;
    std::string controlPending;
    int rc = 0;
    // The radio's own time (its wait at high speed for the clone read request).
    Clock::time_point radioTime = Clock::now();

    while (!gStop) {
        {
            const auto now = Clock::now();
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - radioTime).count();
            if (ms > 0) {
                sim.elapse(static_cast<std::int32_t>(ms));
                radioTime += std::chrono::milliseconds(ms);
            }
        }
        // How many bytes may leave now.
        std::size_t allowed = out.size();
        int timeoutMs = -1;
        if (pace && !out.empty()) {
            const auto now = Clock::now();
            const std::int64_t us = std::chrono::duration_cast<std::chrono::microseconds>(now - paceStart).count();
            const std::int64_t due = us * paceBaud / 10000000 + 1;  // byte k leaves at k * 10 / baud s
            allowed = due > paceSent ? static_cast<std::size_t>(due - paceSent) : 0;
            if (allowed > out.size()) allowed = out.size();
            if (allowed == 0) {
                const std::int64_t nextUs = (paceSent * 10000000 + paceBaud - 1) / paceBaud;
                timeoutMs = static_cast<int>((nextUs - us) / 1000) + 1;
                if (timeoutMs < 1) timeoutMs = 1;
            }
        }
        // A hung receiver leaves the program's bytes in the terminal, which
        // fills up and holds the program's transmitter as a stalled line would.
        if (sim.highSpeedWaitLeft() > 0 && (timeoutMs < 0 || timeoutMs > sim.highSpeedWaitLeft()))
            timeoutMs = sim.highSpeedWaitLeft();
        pollfd pfd[2] = {{master, static_cast<short>(sim.hung() ? 0 : POLLIN), 0}, {control, POLLIN, 0}};
        if (allowed > 0) pfd[0].events |= POLLOUT;
        timespec ts{timeoutMs / 1000, (timeoutMs % 1000) * 1000000L};
        const int pr = ppoll(pfd, control >= 0 ? 2 : 1, timeoutMs < 0 ? nullptr : &ts, &waitMask);
        if (pr < 0) {
            if (errno == EINTR) continue;
            std::perror("zt-n7-sim: poll");
            rc = 1;
            break;
        }
        if (control >= 0 && (pfd[1].revents & POLLIN)) {
            char buf[512];
            const ssize_t n = read(control, buf, sizeof buf);
            if (n > 0) {
                controlPending.append(buf, static_cast<std::size_t>(n));
                RunControlLines(controlPending, sim);
            }
        }
        if (pfd[0].revents & POLLIN) {
            std::uint8_t buf[4096];
            const ssize_t n = read(master, buf, sizeof buf);
            if (n > 0) {
                const ByteStr in(buf, buf + n);
                const bool wasEmpty = out.empty();
                if (echo && !sim.faults().deadLine) out.insert(out.end(), in.begin(), in.end());
                // The radio hears the bytes at the speed the program set on
                // its end of the line; at any other speed they are noise.
                // The speed is the one set when these bytes are read, not
                // necessarily the one set when the program wrote them: a
                // pseudo-terminal hands written bytes straight to this side's
                // buffer without the speed they were written at, a drain on
                // the program's side does not wait for this read, and packet
                // mode's note of a settings change is not ordered against the
                // data already waiting. Reading the speed more often narrows
                // the gap but cannot close it on a loaded machine, so bytes
                // written just before a speed change and read after it can be
                // judged at the new speed (and be ignored). The in-memory
                // port judges bytes at the speed the port had as they left it.
                termios cur{};
                const int lineBaud = tcgetattr(slave, &cur) == 0 ? BaudOf(cfgetospeed(&cur)) : 0;
                const ByteStr answer = sim.feed(in, lineBaud);
                out.insert(out.end(), answer.begin(), answer.end());
                if (wasEmpty && !out.empty()) {
                    paceStart = Clock::now();
                    paceSent = 0;
                    paceBaud = lineBaud > 0 ? lineBaud : 9600;
                }
            } else if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
                std::perror("zt-n7-sim: read");
                rc = 1;
                break;
            }
        }
        if ((pfd[0].revents & POLLOUT) && allowed > 0) {
            std::uint8_t buf[4096];
            std::size_t k = 0;
            for (; k < allowed && k < sizeof buf; ++k) buf[k] = out[k];
            const ssize_t n = write(master, buf, k);
            if (n > 0) {
                out.erase(out.begin(), out.begin() + n);
                paceSent += n;
            }
        }
    }

    if (!savePath.empty() && !sim.saveImage(savePath)) {
        std::fprintf(stderr, "zt-n7-sim: cannot save the image to %s\n", savePath.c_str());
        rc = 1;
    }
    if (!linkPath.empty()) unlink(linkPath.c_str());
    if (control >= 0) close(control);
    if (controlKeep >= 0) close(controlKeep);
    if (controlCreated) unlink(controlPath.c_str());
    close(master);
    close(slave);
    return rc;
}
