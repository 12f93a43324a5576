#pragma once
// Puts the simulated transceiver at the far end of the in-memory serial port.
// The port itself plays the cable and returns the program's bytes as echo, so
// this adapter only hands the radio's answers back. The radio hears the bytes
// at the speed the port is set to, so it answers only at its own speed.
#include <cstdint>
#include <utility>
#include <vector>

#include "ZtN7Sim.h"
#include "platform/mem/MemSerialPort.h"

namespace zsim {

class ZtN7SimPeer final : public platform::ISerialPeer {
public:
    explicit ZtN7SimPeer(ZtN7Sim& sim) : sim_(sim) {}

    void receiveFromHost(const ByteStr& bytes, platform::MemSerialPort& port) override;
    void lineChanged(bool open, std::int32_t baud, platform::MemSerialPort& port) override;
    // The radio's own time follows the port's clock.
    void poll(platform::MemSerialPort& port) override;

    // Every open / close with the line speed, in order.
    const std::vector<std::pair<bool, std::int32_t>>& lineLog() const { return lineLog_; }
    // Speed the line was last opened at; 0 while closed.
    std::int32_t baud() const { return baud_; }
    // Speed of the line when the last clone read request arrived; 0 before
    // any. The radio streams whatever the speed; this shows what it was.
    std::int32_t cloneReadBaud() const { return cloneReadBaud_; }

private:
    ZtN7Sim& sim_;
    std::vector<std::pair<bool, std::int32_t>> lineLog_;
    std::int32_t baud_ = 0;
    std::int32_t cloneReadBaud_ = 0;
    std::int32_t lastPoll_ = 0;
    bool polled_ = false;
    // The dead-line fault has switched the port's echo off; its echo before.
    bool deadApplied_ = false;
    bool echoBefore_ = true;
    void ApplyDeadLine(platform::MemSerialPort& port);
};

} // namespace zsim
