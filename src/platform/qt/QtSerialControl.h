#pragma once
// The serial control on a real serial device, through QSerialPort.
//
// Port number N is resolved to a device at every open with the options
// profile's section "PORTS" (see platform/SerialDevice.h).
//
// Output: output() hands the bytes to the system at once, as far as it takes
// them without waiting; only the rest waits in QSerialPort and leaves from the
// event loop. A discard, close or reopen that follows therefore drops only
// what the system has not sent yet, as on any serial port. The transmit queue
// holds at most outBufferSize() bytes: what QSerialPort still buffers plus
// what the system's driver reports unsent (TIOCOUTQ) count as its fill level,
// and a write that does not fit in full is refused (comEventTxFull), so the
// program's send gate works against the real line. A write that fits is
// taken whole, yet it can still fail midway: when the device goes away while
// the rest waits in QSerialPort, the part the system took may already be on
// the line, a frame cut short that the radio drops for its missing end.
//
// Events: received data raise comEvReceive from the event loop when at least
// RThreshold bytes wait (0 = no receive events). Line errors are delivered
// from the event loop too, never from inside a call the program made:
//   input beyond InBufferSize waiting       -> comEventRxOver (1008)
//   a write refused because it does not fit -> comEventTxFull (1010)
//   read error (received data lost)         -> comEventOverrun (1006)
//   write error                             -> comEventCTSTO (1002)
//   device gone (cable or adapter pulled)   -> comEventDSRTO (1003), and the
//     port counts as closed from then on: portOpen() is false, output() is
//     refused, and the next open tries the device afresh.
// QSerialPort reports no framing, parity, break or overrun conditions. Where
// the device's driver counts them (see LineErrorCounts.h), each counter that
// went up since the port was opened raises its event once: break 1001,
// framing 1004, overrun 1006, parity 1009, and bytes the system dropped for
// a full receive buffer 1008. Without parity checking a driver passes a
// byte with a framing error on as ordinary data and only counts it, so the
// counters are read with every batch of bytes QSerialPort takes in, and a
// batch whose counters rose is not delivered at all: the bytes that came
// before it (at 38400 baud they may wait for the next pass) are handed over
// first, then the errors are raised, and the port host drops its partial
// frame; the exchange ends by time-out and re-send as for any lost frame.
// The counters are also read every 50 ms while nothing is on its way in.
// The driver counts a damaged byte a moment before it can be read: counters
// read in that moment drop the batch before it, and the damaged byte comes
// with the next one, after the partial frame was dropped; the frame checks
// have to catch what is left of its frame. Where the driver counts nothing
// (pseudo-terminals), nothing is raised.
//
// Nothing blocks: the device is non-blocking and no call waits for the line.
#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/SerialControl.h"
#include "platform/qt/LineErrorCounts.h"

namespace platform::qt {

class QtSerialControl final : public ISerialControl {
public:
    // optionsProfilePath: the profile whose section "PORTS" maps port numbers
    // to devices (<program folder>/ZSN7ADJ.rs); empty = the platform's names.
    explicit QtSerialControl(std::string optionsProfilePath = {});
    ~QtSerialControl() override;
    QtSerialControl(const QtSerialControl&) = delete;
    QtSerialControl& operator=(const QtSerialControl&) = delete;

    void setOptionsProfilePath(std::string path) { profilePath_ = std::move(path); }
    const std::string& optionsProfilePath() const { return profilePath_; }
    // Where the driver's line-error counts come from (the system's by
    // default; empty = none). Counting starts afresh when set on an open port.
    void setLineErrorCounter(LineErrorCounter counter);

    // What the system says of a device before it is opened: 0 or the error
    // number the open would meet (ProbeSerialDevice by default). Tests put
    // in the answer of a device they cannot make (one without permission).
    void setOpenProbe(std::function<int(const std::string& device)> probe) { probe_ = std::move(probe); }

    // ISerialControl
    void setCommPort(std::int16_t n) override { portNumber_ = n; }
    std::int16_t commPort() const override { return portNumber_; }
    void setSettings(const std::string& settings) override { settings_ = settings; }
    std::string settings() const override { return settings_; }
    void setDTREnable(bool on) override { dtr_ = on; }
    void setRTSEnable(bool on) override { rts_ = on; }
    void setInBufferSize(int bytes) override { inBufferSize_ = bytes; }
    void setOutBufferSize(int bytes) override { outBufferSize_ = bytes; }
    void setRThreshold(int bytes) override { rThreshold_ = bytes; }

    bool portOpen() const override;
    bool setPortOpen(bool open) override;
    std::string lastErrorText() const override { return lastError_; }
    std::string deviceName() const override;
    OpenFailure lastOpenFailure() const override { return lastFailure_; }
    bool deviceMapped() const override;
    bool devicePresent() const override;

    int inBufferCount() override;
    ByteStr input() override;
    bool output(const ByteStr& bytes) override;
    int outBufferSize() const override { return outBufferSize_; }
    int outBufferCount() override;
    void discardOutput() override;

    void setOnComm(std::function<void(int)> handler) override { onComm_ = std::move(handler); }

private:
    bool open();
    bool openDevice(const std::string& device);
    void close();
    // The count a queue-size request (TIOCOUTQ, FIONREAD) reports; 0 when
    // the system has none or it fails.
    int systemQueueCount(unsigned long request) const;
    // Bytes written to the device that its driver has not sent yet.
    int driverOutputPending() const;
    // Writes as much as the system takes now without waiting; the count taken.
    std::size_t writeToSystem(const std::uint8_t* data, std::size_t size);
    // Drops the output not sent yet: QSerialPort's and the system's.
    void dropUnsentOutput();
    // The terminal was hung up: its device is gone.
    bool deviceHungUp() const;
    // Takes the counts of a fresh opening as the base and starts polling.
    void startLineErrorCounts();
    // Bytes the system holds that QSerialPort has not taken in yet.
    int systemInputPending() const;
    // One reading: the counters, then the bytes QSerialPort holds, which go
    // to rx_ unless a counter rose. The events of the counters that rose.
    std::vector<int> takeArrivals();
    // Hands the sound bytes waiting to the program, then raises `events`.
    // False when a handler closed or reopened the port meanwhile.
    bool raiseLineErrors(const std::vector<int>& events);
    // The timer's reading of the counters, unless received bytes are on
    // their way; false as for raiseLineErrors.
    bool pollLineErrors();
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    // Delivers a line event from the event loop, unless the port has been
    // closed or reopened in the meantime.
    void postEvent(int commEvent);

    std::string profilePath_;
    std::int16_t portNumber_ = 1;
    std::string settings_ = "9600,N,8,1";
    bool dtr_ = false;
    bool rts_ = false;
    int inBufferSize_ = 1024;
    int outBufferSize_ = 512;
    int rThreshold_ = 0;

    QObject context_;          // receiver of queued events; dies with the control
    QSerialPort port_;
    bool lost_ = false;        // the device went away while open
    bool ownCall_ = false;     // errors seen now come from our own calls
    bool overflowed_ = false;  // 1008 raised; again only after a drain
    unsigned generation_ = 0;  // counts openings, to drop stale events
    std::string lastError_;
    ByteStr rx_;               // bytes read with sound counters, not handed over yet
    OpenFailure lastFailure_;
    std::function<int(const std::string&)> probe_;
    std::function<void(int)> onComm_;
    LineErrorCounter lineErrorCounter_ = SystemLineErrorCounts;
    std::optional<LineErrorCounts> lineErrorBase_;  // none: not counting
    QTimer lineErrorPoll_;
};

} // namespace platform::qt
