#include "PosixSerialControl.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace testsupport {

namespace {

speed_t SpeedOf(std::int32_t baud) {
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B9600;
    }
}

} // namespace

PosixSerialControl::~PosixSerialControl() {
    if (fd_ >= 0) ::close(fd_);
}

bool PosixSerialControl::setPortOpen(bool open) {
    if (open == portOpen()) return true;
    if (!open) {
        ::close(fd_);
        fd_ = -1;
        in_.clear();
        out_.clear();
        return true;
    }
    const int fd = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        lastError_ = std::strerror(errno);
        return false;
    }
    baud_ = std::atoi(settings_.c_str());
    if (baud_ <= 0) baud_ = 9600;
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&tio, SpeedOf(baud_));
    cfsetospeed(&tio, SpeedOf(baud_));
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        lastError_ = std::strerror(errno);
        ::close(fd);
        return false;
    }
    // Whatever arrived while the port was closed is not this session's.
    tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    lastError_.clear();
    in_.clear();
    out_.clear();
    return true;
}

void PosixSerialControl::readAvailable() {
    if (fd_ < 0) return;
    std::uint8_t buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n <= 0) break;
        in_.insert(in_.end(), buf, buf + n);
    }
}

void PosixSerialControl::flushOut() {
    if (fd_ < 0 || out_.empty()) return;
    const ssize_t n = ::write(fd_, out_.data(), out_.size());
    if (n > 0) out_.erase(out_.begin(), out_.begin() + n);
}

int PosixSerialControl::inBufferCount() {
    readAvailable();
    return static_cast<int>(in_.size());
}

ByteStr PosixSerialControl::input() {
    readAvailable();
    ByteStr out;
    out.swap(in_);
    return out;
}

bool PosixSerialControl::output(const ByteStr& bytes) {
    if (fd_ < 0) return false;
    for (auto b : bytes) {
        if (static_cast<int>(out_.size()) >= outBufferSize_) break;  // a full queue drops the rest
        out_.push_back(b);
    }
    flushOut();
    return true;
}

int PosixSerialControl::outBufferCount() {
    flushOut();
    return static_cast<int>(out_.size());
}

void PosixSerialControl::discardOutput() {
    out_.clear();
    if (fd_ >= 0) tcflush(fd_, TCOFLUSH);
}

bool PosixSerialControl::pump() {
    if (fd_ < 0) return false;
    flushOut();
    readAvailable();
    if (!in_.empty() && onComm_) {
        onComm_(platform::comEvReceive);
        return true;
    }
    return false;
}

} // namespace testsupport
