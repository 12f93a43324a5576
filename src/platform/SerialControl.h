#pragma once
// The serial communications control the port host drives.
// The Qt implementation lives in platform/qt, the in-memory one in platform/mem.
#include <cstdint>
#include <functional>
#include <string>

#include "shell/Types.h"

namespace platform {

// Communication events, numbered as the port host expects them.
enum CommEvent : int {
    comEvReceive = 2,       // data received
    comEventBreak = 1001,   // break signal
    comEventCTSTO = 1002,   // CTS time-out
    comEventDSRTO = 1003,   // DSR time-out
    comEventFrame = 1004,   // framing error
    comEventOverrun = 1006, // hardware overrun, data lost
    comEventCDTO = 1007,    // carrier-detect time-out
    comEventRxOver = 1008,  // receive buffer overflow
    comEventRxParity = 1009,// parity error
    comEventTxFull = 1010,  // transmit buffer full
    comEventDCB = 1011,     // line settings could not be applied
};

// Why a port could not be opened, in the system's terms: the kind, the
// system's error number where there is one (ENOENT, EACCES, EBUSY, ...), the
// device tried and the system's own text.
enum class OpenError { None, NoSuchDevice, PermissionDenied, InUse, Other };

struct OpenFailure {
    OpenError kind = OpenError::None;
    int code = 0;
    std::string device;
    std::string systemText;
};

class ISerialControl {
public:
    virtual ~ISerialControl() = default;

    // Port number N (resolved to a device by the implementation).
    virtual void setCommPort(std::int16_t n) = 0;
    virtual std::int16_t commPort() const = 0;
    // Line settings text such as "9600,N,8,1"; applied at the next open.
    virtual void setSettings(const std::string& settings) = 0;
    virtual std::string settings() const = 0;
    // Line options applied at the next open.
    virtual void setDTREnable(bool on) = 0;
    virtual void setRTSEnable(bool on) = 0;
    virtual void setInBufferSize(int bytes) = 0;
    virtual void setOutBufferSize(int bytes) = 0;
    virtual void setRThreshold(int bytes) = 0;

    virtual bool portOpen() const = 0;
    // Opens or closes the port. Returns false when opening failed; the
    // port then stays closed and lastErrorText() says why.
    virtual bool setPortOpen(bool open) = 0;
    virtual std::string lastErrorText() const = 0;
    // The device the current port number resolves to (for messages).
    virtual std::string deviceName() const = 0;
    // The cause of the last failed open; kind None after a good one. A
    // control that knows no more than its text reports it as Other.
    virtual OpenFailure lastOpenFailure() const {
        if (lastErrorText().empty()) return {};
        return {OpenError::Other, 0, deviceName(), lastErrorText()};
    }
    // The port number is mapped to a device of its own in the options
    // profile, and that device exists now. Asked only while the port is
    // closed, about once a second: it must be cheap (a stat, no open).
    virtual bool deviceMapped() const { return false; }
    virtual bool devicePresent() const { return true; }

    // Received bytes waiting to be read, and all of them at once.
    virtual int inBufferCount() = 0;
    virtual ByteStr input() = 0;
    // Puts bytes into the transmit queue; false when the port is closed.
    virtual bool output(const ByteStr& bytes) = 0;
    // Size of the transmit queue and the number of bytes still waiting in it
    // (including what the implementation buffers below the queue).
    virtual int outBufferSize() const = 0;
    virtual int outBufferCount() = 0;
    // Discards bytes not yet transmitted.
    virtual void discardOutput() = 0;

    // Notification of a communication event (CommEvent numbers).
    virtual void setOnComm(std::function<void(int)> handler) = 0;
};

} // namespace platform
