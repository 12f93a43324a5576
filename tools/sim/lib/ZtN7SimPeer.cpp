#include "ZtN7SimPeer.h"

#include "platform/Clock.h"

namespace zsim {

void ZtN7SimPeer::receiveFromHost(const ByteStr& bytes, platform::MemSerialPort& port) {
    const int reads = sim_.cloneReads();
    const ByteStr answer = sim_.feed(bytes, port.baud());
    if (sim_.cloneReads() != reads) cloneReadBaud_ = port.baud();
    if (!answer.empty()) port.deliverToHost(answer);
}

void ZtN7SimPeer::ApplyDeadLine(platform::MemSerialPort& port) {
    // The port plays the cable: a dead line returns no echo either.
    const bool dead = sim_.faults().deadLine;
    if (dead && !deadApplied_) {
        echoBefore_ = port.echo();
        port.setEcho(false);
    } else if (!dead && deadApplied_) {
        port.setEcho(echoBefore_);
    }
    deadApplied_ = dead;
}

void ZtN7SimPeer::lineChanged(bool open, std::int32_t baud, platform::MemSerialPort& port) {
    ApplyDeadLine(port);
    lineLog_.emplace_back(open, baud);
    baud_ = open ? baud : 0;
    // A closed line breaks off whatever frame or transfer was under way.
    if (!open) sim_.lineReset();
}

void ZtN7SimPeer::poll(platform::MemSerialPort& port) {
    ApplyDeadLine(port);
    const std::int32_t now = platform::GetTickCount();
    if (polled_) sim_.elapse(static_cast<std::int32_t>(static_cast<std::uint32_t>(now) - static_cast<std::uint32_t>(lastPoll_)));
    lastPoll_ = now;
    polled_ = true;
}

} // namespace zsim
