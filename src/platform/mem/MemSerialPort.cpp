#include "platform/mem/MemSerialPort.h"

#include <cerrno>
#include <cstdlib>

#include "platform/Clock.h"
#include "platform/SerialDeviceProbe.h"

namespace platform {

MemSerialPort::MemSerialPort() = default;

bool MemSerialPort::setPortOpen(bool open) {
    if (open == open_) return true;
    if (open) {
        std::int32_t baud = std::atoi(settings_.c_str());
        if (baud <= 0) baud = 9600;
        int code = 0;
        if (!existing_.empty() && existing_.count(port_) == 0) {
            code = ENOENT;
        } else if (openError_) {
            code = openError_(port_, baud);
        }
        if (code == 0 && refuse_ && refuse_(port_, baud)) code = EINVAL;
        if (code != 0) {
            lastFailure_ = MakeOpenFailure(deviceName(), code);
            lastError_ = lastFailure_.systemText;
            return false;
        }
        lastFailure_ = {};
        baud_ = baud;
        open_ = true;
        ++openCount_;
        lastError_.clear();
        txMark_ = rxMark_ = GetTickCount();
    } else {
        // What sits in the transmit FIFO still goes out, at the old speed.
        ByteStr fifo;
        while (!outQueue_.empty() && fifo.size() < kTxFifoBytes) {
            fifo.push_back(outQueue_.front());
            outQueue_.pop_front();
        }
        transmitToPeer(fifo);
        open_ = false;
        outQueue_.clear();
        toHost_.clear();
        inBuf_.clear();
        byteEvents_.clear();
        afterReadEvents_.clear();
        rxHeld_ = false;
        toHostMoved_ = toHostQueued_;
    }
    if (peer_) peer_->lineChanged(open_, baud_, *this);
    return true;
}

ByteStr MemSerialPort::input() {
    ByteStr out;
    out.swap(inBuf_);
    return out;
}

bool MemSerialPort::output(const ByteStr& bytes) {
    if (!open_) return false;
    if (!pacing_) {
        transmitToPeer(bytes);
        return true;
    }
    moveOnWire();
    // A write that does not fit in full is refused and reported, as the
    // serial control does: nothing of it is queued.
    if (static_cast<std::int64_t>(outQueue_.size()) + static_cast<std::int64_t>(bytes.size()) > outBufferSize_) {
        pendingEvents_.push_back(comEventTxFull);
        return false;
    }
    if (outQueue_.empty()) txMark_ = GetTickCount();
    outQueue_.insert(outQueue_.end(), bytes.begin(), bytes.end());
    return true;
}

void MemSerialPort::discardOutput() {
    // The first bytes are in the transmit FIFO already: they stay.
    if (pacing_) moveOnWire();
    if (outQueue_.size() > kTxFifoBytes) outQueue_.resize(kTxFifoBytes);
}

int MemSerialPort::outBufferCount() {
    if (pacing_) moveOnWire();
    return static_cast<int>(outQueue_.size());
}

void MemSerialPort::deliverToHost(const ByteStr& bytes) {
    if (!open_) return;  // nobody listens on a closed port
    if (!pacing_) {
        inBuf_.insert(inBuf_.end(), bytes.begin(), bytes.end());
        return;
    }
    if (toHost_.empty()) rxMark_ = GetTickCount();
    toHost_.insert(toHost_.end(), bytes.begin(), bytes.end());
    toHostQueued_ += bytes.size();
}

void MemSerialPort::deliverToHost(const ByteStr& bytes, std::size_t damagedAt, int lineEvent) {
    if (!open_) return;
    if (damagedAt >= bytes.size()) {
        deliverToHost(bytes);
        return;
    }
    ByteStr garbled = bytes;
    garbled[damagedAt] ^= 0x10;
    if (!pacing_) {
        // An infinitely fast line: the bytes up to the damaged one arrive in
        // one reading, which the receiver drops for its error; the rest
        // follows once the error has been raised.
        afterReadEvents_.push_back(lineEvent);
        rxHeld_ = true;
        if (toHost_.empty()) rxMark_ = GetTickCount();
        toHost_.insert(toHost_.end(), garbled.begin() + static_cast<std::ptrdiff_t>(damagedAt) + 1, garbled.end());
        toHostQueued_ += garbled.size() - damagedAt - 1;
        return;
    }
    byteEvents_.emplace_back(toHostQueued_ + damagedAt, lineEvent);
    deliverToHost(garbled);
}

void MemSerialPort::transmitToPeer(const ByteStr& bytes) {
    if (bytes.empty()) return;
    txLog_.insert(txLog_.end(), bytes.begin(), bytes.end());
    if (echo_) {
        // The cable's echo arrives at once, like the wire itself.
        inBuf_.insert(inBuf_.end(), bytes.begin(), bytes.end());
    }
    if (peer_) peer_->receiveFromHost(bytes, *this);
}

std::int32_t MemSerialPort::bytesPerTimeSince(std::int32_t& mark) {
    std::int32_t now = GetTickCount();
    std::int64_t elapsed = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) - static_cast<std::uint32_t>(mark));
    if (elapsed <= 0) return 0;
    std::int64_t n = elapsed * baud_ / 10000;  // 10 bits per byte, ms clock
    if (n <= 0) return 0;
    // Advance the mark by the time those bytes took, keeping the remainder.
    std::int64_t used = n * 10000 / baud_;
    mark = static_cast<std::int32_t>(static_cast<std::uint32_t>(mark) + static_cast<std::uint32_t>(used));
    return static_cast<std::int32_t>(n > 1 << 20 ? 1 << 20 : n);
}

void MemSerialPort::moveOnWire() {
    if (!open_) return;
    if (outQueue_.empty()) {
        txMark_ = GetTickCount();
    } else {
        std::int32_t n = bytesPerTimeSince(txMark_);
        ByteStr sent;
        while (n-- > 0 && !outQueue_.empty()) {
            sent.push_back(outQueue_.front());
            outQueue_.pop_front();
        }
        transmitToPeer(sent);
    }
    if (toHost_.empty() || rxHeld_) {
        if (toHost_.empty()) rxMark_ = GetTickCount();
    } else {
        std::int32_t n = bytesPerTimeSince(rxMark_);
        const std::size_t readingStart = inBuf_.size();
        while (n-- > 0 && !toHost_.empty()) {
            inBuf_.push_back(toHost_.front());
            toHost_.pop_front();
            const std::uint64_t number = toHostMoved_++;
            if (!byteEvents_.empty() && byteEvents_.front().first == number) {
                // A damaged byte: the reading it came in is dropped, as the
                // serial control drops a reading whose error counters rose;
                // what arrived before that reading is read first, then the
                // error is raised, and only then does the line go on.
                inBuf_.resize(readingStart);
                afterReadEvents_.push_back(byteEvents_.front().second);
                byteEvents_.pop_front();
                rxHeld_ = true;
                break;
            }
        }
    }
}

bool MemSerialPort::pump() {
    bool any = false;
    if (pacing_) moveOnWire();
    if (peer_) peer_->poll(*this);
    if (pacing_) moveOnWire();
    while (!pendingEvents_.empty()) {
        int ev = pendingEvents_.front();
        pendingEvents_.pop_front();
        if (onComm_) onComm_(ev);
        any = true;
    }
    if (!inBuf_.empty() && onComm_) {
        onComm_(comEvReceive);
        any = true;
    }
    // Errors of bytes the program has just read; the line goes on after them.
    while (!afterReadEvents_.empty()) {
        const int ev = afterReadEvents_.front();
        afterReadEvents_.pop_front();
        if (onComm_) onComm_(ev);
        any = true;
    }
    rxHeld_ = false;
    if (!pacing_ && !toHost_.empty()) {
        inBuf_.insert(inBuf_.end(), toHost_.begin(), toHost_.end());
        toHostMoved_ += toHost_.size();
        toHost_.clear();
    }
    // Receive overflow: more waiting than the receive queue holds.
    if (static_cast<int>(inBuf_.size()) > inBufferSize_) {
        inBuf_.resize(inBufferSize_);
        if (onComm_) onComm_(comEventRxOver);
    }
    return any;
}

} // namespace platform
