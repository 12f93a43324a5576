#include "platform/qt/QtSerialControl.h"

#include <QMetaObject>
#include <QString>

#include <algorithm>
#include <cerrno>

#include "platform/Profile.h"

#include "platform/SerialDevice.h"
#include "platform/SerialDeviceProbe.h"
#include "platform/qt/LineSettings.h"

#if defined(Q_OS_UNIX)
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace platform::qt {
namespace {

QSerialPort::Parity ToQt(LineSettings::Parity p) {
    switch (p) {
    case LineSettings::Parity::Even: return QSerialPort::EvenParity;
    case LineSettings::Parity::Odd: return QSerialPort::OddParity;
    case LineSettings::Parity::Mark: return QSerialPort::MarkParity;
    case LineSettings::Parity::Space: return QSerialPort::SpaceParity;
    case LineSettings::Parity::None: break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits ToQt(LineSettings::StopBits s) {
    switch (s) {
    case LineSettings::StopBits::OneAndHalf: return QSerialPort::OneAndHalfStop;
    case LineSettings::StopBits::Two: return QSerialPort::TwoStop;
    case LineSettings::StopBits::One: break;
    }
    return QSerialPort::OneStop;
}

std::string ToStd(const QString& s) { return s.toLocal8Bit().toStdString(); }

// Marks a stretch of our own calls on the port, whose errors are answered by
// return values rather than by line events.
class OwnCall {
public:
    explicit OwnCall(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~OwnCall() { flag_ = was_; }
    OwnCall(const OwnCall&) = delete;
    OwnCall& operator=(const OwnCall&) = delete;

private:
    bool& flag_;
    bool was_;
};

} // namespace

QtSerialControl::QtSerialControl(std::string optionsProfilePath)
    : profilePath_(std::move(optionsProfilePath)), probe_(ProbeSerialDevice) {
    QObject::connect(&port_, &QSerialPort::readyRead, &context_, [this] { onReadyRead(); });
    QObject::connect(&port_, &QSerialPort::errorOccurred, &context_,
                     [this](QSerialPort::SerialPortError e) { onError(e); });
    lineErrorPoll_.setInterval(50);
    QObject::connect(&lineErrorPoll_, &QTimer::timeout, &context_, [this] { pollLineErrors(); });
}

QtSerialControl::~QtSerialControl() {
    // Nothing may reach the program while the control is taken apart.
    QObject::disconnect(&port_, nullptr, &context_, nullptr);
    lineErrorPoll_.stop();
    onComm_ = nullptr;
    close();
}

std::string QtSerialControl::deviceName() const { return ResolveSerialDevice(portNumber_, profilePath_); }

bool QtSerialControl::deviceMapped() const {
    std::string device;
    if (!profilePath_.empty())
        GetPrivateProfileString("PORTS", "COM" + std::to_string(portNumber_), "", &device, 255, profilePath_);
    return !device.empty();
}

bool QtSerialControl::devicePresent() const { return SerialDeviceExists(deviceName()); }

bool QtSerialControl::portOpen() const { return port_.isOpen() && !lost_; }

bool QtSerialControl::setPortOpen(bool open) {
    if (open == portOpen()) return true;
    if (!open) {
        close();
        return true;
    }
    return this->open();
}

bool QtSerialControl::open() {
    const std::string device = deviceName();
    const bool ok = openDevice(device);
    if (ok) {
        lastFailure_ = {};
    } else if (lastFailure_.kind == OpenError::None) {
        lastFailure_ = {OpenError::Other, 0, device, lastError_};
    }
    return ok;
}

bool QtSerialControl::openDevice(const std::string& device) {
    close();  // a port whose device went away still holds its handle
    OwnCall own(ownCall_);
    lastFailure_ = {};
    const auto line = ParseLineSettings(settings_);
    if (device.empty()) {
        lastError_ = "no device for port " + std::to_string(portNumber_);
        return false;
    }
    if (!line) {
        lastError_ = "invalid line settings '" + settings_ + "'";
        return false;
    }
    // The system's own answer first: QSerialPort reports a device in use
    // and one without permission alike, and root opens one held in
    // exclusive mode by another program.
    if (const int code = probe_ ? probe_(device) : 0; code != 0) {
        lastFailure_ = MakeOpenFailure(device, code);
        lastError_ = lastFailure_.systemText;
        return false;
    }
    port_.setPortName(QString::fromLocal8Bit(device.c_str()));
    lost_ = false;
    if (!port_.open(QIODevice::ReadWrite)) {
        lastError_ = ToStd(port_.errorString());
        const auto e = port_.error();
        // After a probe that found the device free, a refusal for
        // permission is another program's lock file.
        if (e == QSerialPort::DeviceNotFoundError) {
            lastFailure_ = {OpenError::NoSuchDevice, ENOENT, device, lastError_};
        } else if (e == QSerialPort::PermissionError) {
#if defined(Q_OS_WIN)
            lastFailure_ = {OpenError::InUse, EBUSY, device, lastError_};
#else
            lastFailure_ = {probe_ ? OpenError::InUse : OpenError::PermissionDenied, probe_ ? EBUSY : EACCES, device,
                            lastError_};
#endif
        }
        port_.clearError();
        return false;
    }
    const bool applied = port_.setBaudRate(line->baud) &&
                         port_.setDataBits(static_cast<QSerialPort::DataBits>(line->dataBits)) &&
                         port_.setParity(ToQt(line->parity)) && port_.setStopBits(ToQt(line->stopBits)) &&
                         port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!applied) {
        // The device cannot run with these settings: report it as a failed
        // open rather than talk at another speed or framing.
        lastError_ = "the device does not take the line settings '" + settings_ + "'";
        if (port_.error() != QSerialPort::NoError) lastError_ += ": " + ToStd(port_.errorString());
        port_.close();
        port_.clearError();
        return false;
    }
    // Modem lines are a courtesy: pseudo-terminals and some adapters have none.
    port_.setDataTerminalReady(dtr_);
    port_.setRequestToSend(rts_);
    // A fresh opening starts with empty queues, whatever the device held.
    port_.clear(QSerialPort::Input);
    rx_.clear();
    dropUnsentOutput();
    port_.clearError();
    if (lost_) {
        // The device vanished while it was being set up.
        const std::string reason = lastError_;
        close();
        lastError_ = reason;
        return false;
    }
    overflowed_ = false;
    ++generation_;
    lastError_.clear();
    startLineErrorCounts();
    return true;
}

void QtSerialControl::close() {
    if (!port_.isOpen()) {
        lost_ = false;
        return;
    }
    OwnCall own(ownCall_);
    // Pending output is dropped, so closing never waits for the line to drain.
    port_.clear(QSerialPort::Input);
    rx_.clear();
    dropUnsentOutput();
    port_.close();
    port_.clearError();
    lost_ = false;
    ++generation_;
    lineErrorBase_.reset();
    lineErrorPoll_.stop();
}

int QtSerialControl::inBufferCount() {
    if (!port_.isOpen()) return 0;
    const qint64 waiting = static_cast<qint64>(rx_.size()) + port_.bytesAvailable();
    return static_cast<int>(std::min<qint64>(waiting, INT32_MAX));
}

ByteStr QtSerialControl::input() {
    if (!port_.isOpen()) return {};
    // What QSerialPort took in since the last reading (its receive signal is
    // held back while a modal box runs the event loop) is read with the
    // counters too; errors found now come after what this call returns.
    const std::vector<int> events = takeArrivals();
    ByteStr out;
    out.swap(rx_);
    overflowed_ = false;
    for (int ev : events) postEvent(ev);
    return out;
}

int QtSerialControl::systemQueueCount(unsigned long request) const {
#if defined(Q_OS_UNIX)
    int pending = 0;
    if (port_.handle() >= 0 && ::ioctl(port_.handle(), request, &pending) == 0 && pending > 0) return pending;
#else
    static_cast<void>(request);
#endif
    return 0;
}

int QtSerialControl::driverOutputPending() const {
#if defined(Q_OS_UNIX) && defined(TIOCOUTQ)
    return systemQueueCount(TIOCOUTQ);
#else
    return 0;
#endif
}

int QtSerialControl::outBufferCount() {
    if (!portOpen()) return 0;
    const qint64 waiting = port_.bytesToWrite() + driverOutputPending();
    return static_cast<int>(std::clamp<qint64>(waiting, 0, std::max(outBufferSize_, 0)));
}

bool QtSerialControl::output(const ByteStr& bytes) {
    if (!portOpen()) return false;
    if (bytes.empty()) return true;
    const qint64 room = static_cast<qint64>(outBufferSize_) - outBufferCount();
    if (static_cast<qint64>(bytes.size()) > room) {
        postEvent(comEventTxFull);
        return false;
    }
    OwnCall own(ownCall_);
    // The bytes go to the system now, as far as it takes them, so that a
    // discard or close right after this call (the program opens the port
    // again in the same pass) drops only what the line has not carried yet.
    // Only what the system does not take waits in QSerialPort, which sends it
    // from the event loop. Writing past QSerialPort is safe while its own
    // buffer is empty; otherwise the bytes queue behind it to keep the order.
    std::size_t taken = 0;
    if (port_.bytesToWrite() == 0) taken = writeToSystem(bytes.data(), bytes.size());
    if (taken == bytes.size()) return true;
    const auto rest = static_cast<qint64>(bytes.size() - taken);
    return port_.write(reinterpret_cast<const char*>(bytes.data() + taken), rest) == rest;
}

std::size_t QtSerialControl::writeToSystem(const std::uint8_t* data, std::size_t size) {
#if defined(Q_OS_UNIX)
    // QSerialPort::flush() is not used for this: on a full system queue it
    // reports EAGAIN as a resource error, the same as a pulled adapter, and
    // it writes only one block of its buffer per call. The descriptor is
    // non-blocking, so this write takes what fits and returns at once.
    const int fd = port_.handle();
    if (fd < 0) return 0;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            // Full (EAGAIN) or failing: the rest goes through QSerialPort,
            // whose write from the event loop reports a device that is gone.
            break;
        }
    }
    return done;
#else
    // Elsewhere everything goes through QSerialPort.
    static_cast<void>(data);
    static_cast<void>(size);
    return 0;
#endif
}

void QtSerialControl::discardOutput() {
    if (!port_.isOpen()) return;
    OwnCall own(ownCall_);
    dropUnsentOutput();
    port_.clearError();
}

void QtSerialControl::dropUnsentOutput() {
    // The system's queue is flushed only while it reports bytes it has not
    // sent (or QSerialPort still holds some): a flush when it reports none
    // could only drop bytes it already counts as sent. A pseudo-terminal
    // counts every byte as sent once written, yet a flush there still drops
    // what its far end has not taken in yet.
    if (port_.bytesToWrite() > 0 || driverOutputPending() > 0) port_.clear(QSerialPort::Output);
}

void QtSerialControl::setLineErrorCounter(LineErrorCounter counter) {
    lineErrorCounter_ = std::move(counter);
    if (portOpen()) startLineErrorCounts();
}

void QtSerialControl::startLineErrorCounts() {
    lineErrorBase_.reset();
    if (lineErrorCounter_) lineErrorBase_ = lineErrorCounter_(port_.handle());
    if (lineErrorBase_) {
        lineErrorPoll_.start();
    } else {
        lineErrorPoll_.stop();
    }
}

int QtSerialControl::systemInputPending() const {
#if defined(Q_OS_UNIX) && defined(FIONREAD)
    return systemQueueCount(FIONREAD);
#else
    return 0;
#endif
}

std::vector<int> QtSerialControl::takeArrivals() {
    // The counters are read first, then the bytes QSerialPort holds: nothing
    // arrives in between, so whatever was damaged before the counters were
    // read is among these bytes or still in the system.
    std::vector<int> events;
    if (lineErrorBase_ && lineErrorCounter_) {
        if (const std::optional<LineErrorCounts> now = lineErrorCounter_(port_.handle())) {
            events = LineErrorEvents(*lineErrorBase_, *now);
            lineErrorBase_ = *now;
        }
    }
    const QByteArray data = port_.readAll();
    // A reading whose counters rose delivers none of its bytes: they came
    // with the damage, and the receiver cannot say which one it was.
    if (events.empty()) rx_.insert(rx_.end(), data.begin(), data.end());
    return events;
}

bool QtSerialControl::raiseLineErrors(const std::vector<int>& events) {
    if (events.empty()) return true;
    const unsigned gen = generation_;
    // The sound bytes of earlier readings reach the program before their
    // line's errors, so the port host's drop of its partial frame falls
    // where the damage was and never takes a sound record with it.
    if (!rx_.empty() && rThreshold_ > 0 && onComm_) {
        onComm_(comEvReceive);
        if (gen != generation_ || !portOpen()) return false;
    }
    for (int ev : events) {
        if (onComm_) onComm_(ev);
        if (gen != generation_ || !portOpen()) return false;
    }
    return true;
}

bool QtSerialControl::pollLineErrors() {
    if (!lineErrorBase_ || !lineErrorCounter_ || !portOpen()) return true;
    // Bytes the system holds that QSerialPort has not taken yet are read
    // with the counters when they come: judged now, their damage would be
    // raised before them and the damaged bytes delivered afterwards.
    if (systemInputPending() > 0) return true;
    // The new base is taken before any handler runs: one that shows a modal
    // box runs the event loop, and a poll from there must not repeat these.
    return raiseLineErrors(takeArrivals());
}

void QtSerialControl::onReadyRead() {
    if (!portOpen()) return;
    // Each reading takes the bytes with the counters of the same moment; a
    // rise drops the reading's bytes and raises its errors.
    if (!raiseLineErrors(takeArrivals())) return;
    const qint64 waiting = static_cast<qint64>(rx_.size()) + port_.bytesAvailable();
    if (waiting > inBufferSize_ && inBufferSize_ > 0 && !overflowed_) {
        overflowed_ = true;
        postEvent(comEventRxOver);
    }
    if (rThreshold_ > 0 && waiting >= rThreshold_ && onComm_) onComm_(comEvReceive);
}

void QtSerialControl::onError(QSerialPort::SerialPortError error) {
    if (!port_.isOpen() || lost_) return;
    // A terminal that was hung up (adapter pulled, far end of a
    // pseudo-terminal gone) reads as empty, which QSerialPort reports as a
    // read error, again and again; only a write would give the resource error.
    if (error == QSerialPort::ResourceError || (error == QSerialPort::ReadError && deviceHungUp())) {
        // The device is gone, whoever's call found out. The port counts as
        // closed at once; the handle is let go from the event loop, outside
        // Qt's own notification.
        lost_ = true;
        lastError_ = ToStd(port_.errorString());
        postEvent(comEventDSRTO);
        QMetaObject::invokeMethod(&context_, [this, gen = generation_] {
            if (gen == generation_ && lost_) close();
        }, Qt::QueuedConnection);
        return;
    }
    if (ownCall_) return;
    switch (error) {
    case QSerialPort::ReadError: postEvent(comEventOverrun); break;
    case QSerialPort::WriteError: postEvent(comEventCTSTO); break;
    default: break;  // not line conditions
    }
}

bool QtSerialControl::deviceHungUp() const {
#if defined(Q_OS_UNIX)
    pollfd p{};
    p.fd = port_.handle();
    if (p.fd < 0) return false;
    return ::poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return false;
#endif
}

void QtSerialControl::postEvent(int commEvent) {
    QMetaObject::invokeMethod(&context_, [this, commEvent, gen = generation_] {
        if (gen == generation_ && onComm_) onComm_(commEvent);
    }, Qt::QueuedConnection);
}

} // namespace platform::qt
