#pragma once
// An in-memory serial port whose far end is an in-process peer object (the
// simulated transceiver). Like the cloning cable, it returns every byte the
// program transmits to the program's own receiver unless the echo is off.
//
// Nothing is delivered re-entrantly: received bytes wait in the port until
// pump() runs, which raises the receive event the way a real event loop would.
// With pacing on, bytes take 10 bit times each on the wire in both directions,
// measured on the installed tick source, and the port behaves like a real
// transmitter: bytes handed to it start leaving at once through a 16-byte
// transmit FIFO, whose bytes neither a discard nor a close can take back;
// only what waits behind the FIFO is dropped. A write that does not fit in
// the transmit queue is refused whole and raises comEventTxFull (1010). Without pacing the line is
// infinitely fast: every byte has left when output() returns.
#include <cstdint>
#include <deque>
#include <functional>
#include <set>
#include <string>

#include "platform/SerialControl.h"

namespace platform {

class MemSerialPort;

class ISerialPeer {
public:
    virtual ~ISerialPeer() = default;
    // Bytes that arrived at the far end of the line.
    virtual void receiveFromHost(const ByteStr& bytes, MemSerialPort& port) = 0;
    // The program opened or closed the port, or changed its speed.
    virtual void lineChanged(bool open, std::int32_t baud, MemSerialPort& port) { (void)open; (void)baud; (void)port; }
    // Called on every pump(), for peers that act on time.
    virtual void poll(MemSerialPort& port) { (void)port; }
};

class MemSerialPort final : public ISerialControl {
public:
    MemSerialPort();

    // Far end and line behaviour.
    void setPeer(ISerialPeer* peer) { peer_ = peer; }
    void setEcho(bool on) { echo_ = on; }
    bool echo() const { return echo_; }
    // Paces the line at the opened baud rate (10 bits per byte) when true.
    void setPacing(bool on) { pacing_ = on; }
    // Port numbers that exist; opening any other fails. Empty = all exist.
    void setExistingPorts(std::set<int> ports) { existing_ = std::move(ports); }
    // Opening fails wherever the rule says so (port number, speed), as a
    // device does that refuses a speed or has gone away; empty = no rule.
    void setOpenRefusal(std::function<bool(std::int16_t port, std::int32_t baud)> rule) {
        refuse_ = std::move(rule);
    }
    // Opening fails with the system error number the rule gives (ENOENT,
    // EACCES, EBUSY, ...; 0 = opens), as the device behind the port would.
    void setOpenError(std::function<int(std::int16_t port, std::int32_t baud)> rule) {
        openError_ = std::move(rule);
    }
    // The port counts as mapped to a device of its own; whether that device
    // exists follows setExistingPorts (a missing one also refuses to open).
    void setMapped(bool on) { mapped_ = on; }
    // The far end sends bytes towards the program.
    void deliverToHost(const ByteStr& bytes);
    // The same with the byte at damagedAt garbled on the way. As the serial
    // control does with a reading whose error counters rose, the port drops
    // the reading the damaged byte came in (paced: the bytes that reached the
    // receive queue in the same step; unpaced: these bytes up to the damaged
    // one), lets the program read what came before, raises lineEvent (a
    // framing or parity error, say), and only then goes on with the rest.
    void deliverToHost(const ByteStr& bytes, std::size_t damagedAt, int lineEvent);
    // Raises a line event (1001..1011) at the next pump().
    void injectEvent(int commEvent) { pendingEvents_.push_back(commEvent); }

    // Moves paced bytes, lets the peer act on time and raises the receive
    // event when bytes are waiting. Returns true when anything happened.
    bool pump();
    // Moves paced bytes only: time passed on the line, no event is raised.
    void advanceLine() {
        if (pacing_) moveOnWire();
    }

    // Bytes of the transmit FIFO, which leave whatever the program does next.
    static constexpr std::size_t kTxFifoBytes = 16;

    // Observation for tests.
    std::int32_t baud() const { return baud_; }
    const ByteStr& transmittedLog() const { return txLog_; }   // every byte that left the port
    void clearTransmittedLog() { txLog_.clear(); }
    int openCount() const { return openCount_; }
    std::size_t wireToHostPending() const { return toHost_.size(); }

    // ISerialControl
    void setCommPort(std::int16_t n) override { port_ = n; }
    std::int16_t commPort() const override { return port_; }
    void setSettings(const std::string& settings) override { settings_ = settings; }
    std::string settings() const override { return settings_; }
    void setDTREnable(bool) override {}
    void setRTSEnable(bool) override {}
    void setInBufferSize(int bytes) override { inBufferSize_ = bytes; }
    void setOutBufferSize(int bytes) override { outBufferSize_ = bytes; }
    void setRThreshold(int) override {}
    bool portOpen() const override { return open_; }
    bool setPortOpen(bool open) override;
    std::string lastErrorText() const override { return lastError_; }
    std::string deviceName() const override { return "mem:COM" + std::to_string(port_); }
    OpenFailure lastOpenFailure() const override { return lastFailure_; }
    bool deviceMapped() const override { return mapped_; }
    bool devicePresent() const override { return existing_.empty() || existing_.count(port_) != 0; }
    int inBufferCount() override { return static_cast<int>(inBuf_.size()); }
    ByteStr input() override;
    bool output(const ByteStr& bytes) override;
    int outBufferSize() const override { return outBufferSize_; }
    int outBufferCount() override;
    void discardOutput() override;
    void setOnComm(std::function<void(int)> handler) override { onComm_ = std::move(handler); }

private:
    void transmitToPeer(const ByteStr& bytes);
    void moveOnWire();
    std::int32_t bytesPerTimeSince(std::int32_t& mark);

    ISerialPeer* peer_ = nullptr;
    bool echo_ = true;
    bool pacing_ = false;
    std::set<int> existing_;
    std::function<bool(std::int16_t, std::int32_t)> refuse_;
    std::function<int(std::int16_t, std::int32_t)> openError_;
    bool mapped_ = false;
    OpenFailure lastFailure_;
    std::int16_t port_ = 1;
    std::string settings_ = "9600,N,8,1";
    std::int32_t baud_ = 9600;
    int inBufferSize_ = 32760;
    int outBufferSize_ = 1024;
    bool open_ = false;
    int openCount_ = 0;
    std::string lastError_;
    std::deque<std::uint8_t> outQueue_;   // waiting to be transmitted
    std::deque<std::uint8_t> toHost_;     // on the wire towards the program (paced)
    ByteStr inBuf_;                       // received, waiting to be read
    ByteStr txLog_;
    std::deque<int> pendingEvents_;
    // Line errors tied to a byte on its way to the program: the byte's
    // number in the stream towards the program, and the event.
    std::deque<std::pair<std::uint64_t, int>> byteEvents_;
    std::uint64_t toHostQueued_ = 0;   // bytes ever put on the wire towards the program
    std::uint64_t toHostMoved_ = 0;    // of those, bytes that reached the receive queue
    std::deque<int> afterReadEvents_;  // raised once the program has read what came before
    bool rxHeld_ = false;              // nothing more arrives until those are raised
    std::int32_t txMark_ = 0, rxMark_ = 0;
    std::function<void(int)> onComm_;
};

} // namespace platform
