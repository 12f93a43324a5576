#pragma once
// A pseudo-terminal for tests of the serial control: the control opens the
// slave side as its device, the test plays the far end on the master side.
// The master is non-blocking; reads return what is there.
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string>

#include "shell/Types.h"

namespace qttest {

class PtyLine {
public:
    PtyLine() {
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0) return;
        slavePath_ = name;
        // The control opens the slave by its path; this handle is not needed.
        // Raw mode from the start, so nothing written before the control
        // sets its own mode is echoed or translated.
        termios t{};
        ::tcgetattr(slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
        ::close(slave);
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyLine() { closeMaster(); }
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    bool ok() const { return master_ >= 0 && !slavePath_.empty(); }
    const std::string& slavePath() const { return slavePath_; }

    // A device name of its own for the line, as the system gives a USB
    // adapter: a link to the terminal that closeMaster() removes, so the
    // device is gone once the far end is. (The terminal's own number is
    // handed to the next terminal anyone opens, possibly another test's.)
    const std::string& devicePath() {
        if (devicePath_.empty()) {
            char pattern[] = "/tmp/zs-pty-XXXXXX";
            if (::mkdtemp(pattern) != nullptr) {
                const std::string path = std::string(pattern) + "/ttyUSB0";
                if (::symlink(slavePath_.c_str(), path.c_str()) == 0) devicePath_ = path;
            }
        }
        return devicePath_;
    }

    // The far end sends bytes towards the control.
    bool send(const ByteStr& bytes) {
        return ::write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // As much of `bytes` as the terminal takes now; the count taken.
    std::size_t sendSome(const ByteStr& bytes) {
        const ssize_t n = ::write(master_, bytes.data(), bytes.size());
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    // What the control has sent that has arrived so far.
    ByteStr receive() {
        ByteStr out;
        std::uint8_t buf[4096];
        for (;;) {
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) break;
            out.insert(out.end(), buf, buf + n);
        }
        return out;
    }
    // The far end goes away, like a pulled cable or adapter.
    void closeMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
        if (!devicePath_.empty()) {
            ::unlink(devicePath_.c_str());
            ::rmdir(devicePath_.substr(0, devicePath_.rfind('/')).c_str());
            devicePath_.clear();
        }
    }

private:
    int master_ = -1;
    std::string slavePath_;
    std::string devicePath_;
};

// Runs the event loop until done() holds or the time is up; true when done.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// Runs the event loop for a while, for checks that nothing (more) happens.
inline void PumpFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

} // namespace qttest
