#include "ZtN7SimPeer.h"

namespace zsim {

void ZtN7SimPeer::receiveFromHost(const ByteStr& bytes, platform::MemSerialPort& port) {
    const int reads = sim_.cloneReads();
    const ByteStr answer = sim_.feed(bytes);
    if (sim_.cloneReads() != reads) cloneReadBaud_ = port.baud();
    if (!answer.empty()) port.deliverToHost(answer);
}

void ZtN7SimPeer::lineChanged(bool open, std::int32_t baud, platform::MemSerialPort&) {
    lineLog_.emplace_back(open, baud);
    baud_ = open ? baud : 0;
    // A closed line breaks off whatever frame or transfer was under way.
    if (!open) sim_.lineReset();
}

} // namespace zsim
