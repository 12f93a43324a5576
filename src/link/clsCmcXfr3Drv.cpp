#include "link/clsCmcXfr3Drv.h"

#include <algorithm>

#include "link/Xfr3Frame.h"
#include "link/frmCom.h"
#include "radio/clsCmcEeprom.h"
#include "shell/Common.h"

using namespace xfr3;

clsCmcXfr3Drv::clsCmcXfr3Drv() {
    answerTimeout_ = kAnswerTimeoutMs;
    retryCount_ = 0;
    Reset();
}

void clsCmcXfr3Drv::workMode(std::int16_t mode) {
    workMode_ = mode;
    waitAnswer_ = (mode == kModeIdentity || mode == kModeCloneRead || mode == kModeCloneWriteEnd);
    varLastE8Answer_.clear();
    lastEeAdr_ = 0;
    if (mode == kModeCloneRead) {
        stored_.clear();
        storedCount_ = 0;
        cloneReadWhole_ = false;
    }
}

void clsCmcXfr3Drv::cloneWriteAdrList(const std::string& list) {
    cloneWriteAdrList_ = list;
    nextCloneAdr_ = static_cast<std::int32_t>(common::LeadingHexValue(list.substr(0, 4)));
}

bool clsCmcXfr3Drv::Running() const {
    return waitState_ == WaitState::Answer || cloneWriteActive_;
}

void clsCmcXfr3Drv::nowError(std::int16_t v) {
    if (v != 0) lastError_ = v;
    nowError_ = v;
    cloneWriteActive_ = false;
    stalled_ = false;
    EndWait();
}

bool clsCmcXfr3Drv::SendEnable() const {
    if (!sendGate_ || com_ == nullptr || !com_->comSendEnable()) return false;
    auto& port = com_->MsCom();
    return port.outBufferSize() - port.outBufferCount() >= kMinFreeOutBytes;
}

bool clsCmcXfr3Drv::Send(const ByteStr& data) {
    // While a clone write queues its records nothing else may slip in.
    if (cloneWriteActive_) return true;
    exchange_ = {};
    const bool notSent = RealSend(data);
    retriesLeft_ = retryCount_;
    return notSent;
}

void clsCmcXfr3Drv::NoteSent(const ByteStr& bytes) {
    exchange_.sent += bytes.size();
    echoExpected_.insert(echoExpected_.end(), bytes.begin(), bytes.end());
    // A line that never echoes must not make this grow without end.
    constexpr std::size_t kMax = 16384;
    if (echoExpected_.size() > kMax) echoExpected_.erase(echoExpected_.begin(), echoExpected_.end() - kMax);
}

void clsCmcXfr3Drv::NoteReceived(const ByteStr& bytes) {
    // The echo comes back in the order sent; a byte lost on the way is
    // skipped over (up to a few), so one lost byte does not turn the rest of
    // the echo into "other".
    constexpr std::size_t kResync = 4;
    for (const std::uint8_t b : bytes) {
        std::size_t k = 0;
        while (k < kResync && k < echoExpected_.size() && echoExpected_[k] != b) ++k;
        if (k < kResync && k < echoExpected_.size()) {
            echoExpected_.erase(echoExpected_.begin(), echoExpected_.begin() + static_cast<std::ptrdiff_t>(k) + 1);
            ++exchange_.echoed;
        } else {
            ++exchange_.other;
        }
    }
}

bool clsCmcXfr3Drv::RealSend(const ByteStr& data) {
    if (!sendBuf_.empty() || !SendEnable()) return true;
    lastSentData_ = data;
    sendBuf_ = BuildFrame(data);
    if (workMode_ == kModeE8) e8SubCmd_ = data.size() >= 6 ? data[5] : -1;
    if (com_->MsCom().output(sendBuf_)) NoteSent(sendBuf_);
    sendGate_ = false;
    if (waitAnswer_) {
        waitState_ = WaitState::Answer;
        waitTick_.counter(answerTimeout_);
        return false;
    }
    EndWait();
    if (workMode_ == kModeCloneWrite) {
        // Records follow as the transmit queue takes them; the loop in
        // PumpCloneWrite queues them, this call only starts it.
        cloneWriteActive_ = true;
        PumpCloneWrite();
    }
    return false;
}

bool clsCmcXfr3Drv::RetrySend() {
    if (retriesLeft_ < 1) return true;
    EndWait();
    const ByteStr data = lastSentData_;
    const bool notSent = RealSend(data);
    --retriesLeft_;
    return notSent;
}

void clsCmcXfr3Drv::SendFE(std::int16_t count) {
    if (count > 0) sendBuf_.insert(sendBuf_.end(), static_cast<std::size_t>(count), kPreamble);
    if (com_ != nullptr && com_->MsCom().output(sendBuf_)) NoteSent(sendBuf_);
}

void clsCmcXfr3Drv::EndWait() {
    waitState_ = WaitState::Idle;
    sendBuf_.clear();
    retryCount_ = 0;
    sendGate_ = true;
}

void clsCmcXfr3Drv::Reset() {
    EndWait();
    // What was on its way is dropped with the port's queues: no echo of it comes.
    echoExpected_.clear();
    ClearRxBuffer();
    nextCloneAdr_ = 0;
    nowError_ = 0;
    cloneWriteActive_ = false;
    stalled_ = false;
    stored_.clear();
    storedCount_ = 0;
}

void clsCmcXfr3Drv::ClearRxBuffer() {
    rxFrame_.clear();
    rxHunting_ = true;
}

void clsCmcXfr3Drv::AppendRx(const std::uint8_t* first, const std::uint8_t* last) {
    // Only the last kRxFrameMax bytes are kept.
    const std::size_t n = static_cast<std::size_t>(last - first);
    if (n >= kRxFrameMax) {
        rxFrame_.assign(last - kRxFrameMax, last);
        return;
    }
    const std::size_t total = rxFrame_.size() + n;
    if (total > kRxFrameMax) rxFrame_.erase(rxFrame_.begin(), rxFrame_.begin() + (total - kRxFrameMax));
    rxFrame_.insert(rxFrame_.end(), first, last);
}

void clsCmcXfr3Drv::read(const ByteStr& data) {
    NoteReceived(data);
    const std::uint8_t* p = data.data();
    const std::uint8_t* const end = p + data.size();
    while (p < end) {
        // Bytes that arrive while no answer is awaited are dropped.
        if (waitState_ != WaitState::Answer) return;
        const std::uint8_t* fe = std::find(p, end, kPreamble);
        const std::uint8_t* fd = std::find(p, fe, kEnd);   // only an end byte before the next 0xFE counts
        if (rxHunting_) {
            // Waiting for a preamble: everything up to the next 0xFE is noise,
            // but a frame after it must not be lost with it.
            if (fe == end) return;
            p = fe;
        }
        if (fd == fe || (rxHunting_ && fe != end)) {
            if (fe == end) {
                AppendRx(p, end);
                return;
            }
            // A 0xFE (re)starts a frame.
            p = fe + 1;
            rxHunting_ = false;
            rxFrame_.clear();
            continue;
        }
        AppendRx(p, fd);
        p = fd + 1;
        FrameComplete();
    }
}

void clsCmcXfr3Drv::FrameComplete() {
    if (waitState_ == WaitState::Answer) {
        varLastE8Answer_ = rxFrame_;
        const ByteStr frame = rxFrame_;
        if (HandleAnswer(frame)) EndWait();
    }
    rxFrame_.clear();
    rxHunting_ = true;
}

bool clsCmcXfr3Drv::CheckFrame(const ByteStr& frame) const {
    return xfr3::CheckFrame(frame, e8SubCmd_);
}

bool clsCmcXfr3Drv::HandleAnswer(const ByteStr& frame) {
    // Misaddressed frames (the echo of our own frames among them) are ignored.
    if (frame.size() < 3 || frame[0] != kAdrProgram || frame[1] != kAdrRadio) return false;
    const std::uint8_t cmd = frame[2];
    const bool awaited = (cmd == kCmdIdentityAnswer && workMode_ == kModeIdentity) ||
                         ((cmd == kCmdCloneRecord || cmd == kCmdCloneEnd) && workMode_ == kModeCloneRead) ||
                         (cmd == kCmdCloneResult && workMode_ == kModeCloneWriteEnd) ||
                         (cmd == kCmdAdjust && workMode_ == kModeE8);
    if (!awaited) return false;
    exchange_.answered = true;
    if (CheckFrame(frame)) {
        nowError(kErrIllegalData);
        return false;
    }
    switch (cmd) {
    case kCmdIdentityAnswer:
        ansInfo_ = frame;
        return true;
    case kCmdCloneRecord:
        waitTick_.counter(answerTimeout_);
        StoreCloneRecord(frame);
        return false;
    case kCmdCloneEnd:
        // The signature closes the transfer only when the whole image arrived.
        if (!ImageComplete()) {
            nowError(kErrIllegalData);
            return false;
        }
        cloneReadWhole_ = true;
        return true;
    case kCmdCloneResult:
        if (frame.size() < 4) {
            nowError(kErrIllegalData);
            return false;
        }
        if (frame[3] != 0) {
            nowError(kErrWriteRejected);
            return false;
        }
        return true;
    case kCmdAdjust:
        varLastE8Answer_.assign(frame.begin() + 3, frame.end());
        return true;
    default:
        return false;
    }
}

void clsCmcXfr3Drv::StoreCloneRecord(const ByteStr& frame) {
    const CloneRecord rec = ParseCloneRecord(frame);
    if (eep_ == nullptr || eep_->WriteBlock(rec.address, rec.data) != 0) {
        nowError(kErrDataOverflow);
        return;
    }
    const auto n = static_cast<std::int32_t>(rec.data.size());
    lastEeAdr_ = rec.address + n - 1;
    MarkStored(rec.address, n);
}

void clsCmcXfr3Drv::MarkStored(std::int32_t adr, std::int32_t count) {
    if (eep_ == nullptr) return;
    if (stored_.size() != static_cast<std::size_t>(eep_->eeSize())) {
        stored_.assign(static_cast<std::size_t>(std::max<std::int32_t>(eep_->eeSize(), 0)), false);
        storedCount_ = 0;
    }
    for (std::int32_t a = adr; a < adr + count; ++a) {
        if (a < 0 || static_cast<std::size_t>(a) >= stored_.size()) continue;
        if (!stored_[static_cast<std::size_t>(a)]) {
            stored_[static_cast<std::size_t>(a)] = true;
            ++storedCount_;
        }
    }
}

bool clsCmcXfr3Drv::ImageComplete() const {
    if (eep_ == nullptr) return false;
    return stored_.size() == static_cast<std::size_t>(eep_->eeSize()) && storedCount_ == eep_->eeSize();
}

ByteStr clsCmcXfr3Drv::MakeCloneRecord() {
    const std::int32_t endAdr = cloneWriteAdrList_.size() >= 9
                                    ? static_cast<std::int32_t>(common::LeadingHexValue(cloneWriteAdrList_.substr(5, 4)))
                                    : nextCloneAdr_;
    // At least one byte per record, so the address always moves on.
    std::int32_t n = std::max<std::int32_t>(sizDataOfPacket_, 1);
    const std::int32_t cur = nextCloneAdr_;
    if (cur + n - 1 > endAdr) n = std::max<std::int32_t>(endAdr - cur + 1, 1);
    const ByteStr bytes = eep_ != nullptr ? eep_->ReadBlock(cur, n) : ByteStr(static_cast<std::size_t>(n), 0);
    ByteStr data = CloneRecordData(cur, bytes);
    lastEeAdr_ = cur + n - 1;
    if (cur + n - 1 < endAdr) {
        nextCloneAdr_ = cur + n;
    } else {
        cloneWriteAdrList_.erase(0, std::min<std::size_t>(10, cloneWriteAdrList_.size()));
        nextCloneAdr_ = cloneWriteAdrList_.size() >= 10
                            ? static_cast<std::int32_t>(common::LeadingHexValue(cloneWriteAdrList_.substr(0, 4)))
                            : -1;
    }
    return data;
}

void clsCmcXfr3Drv::PumpCloneWrite() {
    if (pumping_) return;
    pumping_ = true;
    while (cloneWriteActive_ && waitState_ == WaitState::Idle) {
        if (!SendEnable()) {
            // The transmit queue is full: go on from task once it drains,
            // and give up only when it stays full for the answer time.
            if (!stalled_) {
                stalled_ = true;
                stallTick_.counter(answerTimeout_);
            }
            break;
        }
        stalled_ = false;
        ByteStr data;
        if (nextCloneAdr_ >= 0) {
            data = MakeCloneRecord();
        } else {
            // All records are queued: the signature follows and the result
            // is awaited. The progress of the transfer is kept.
            const std::int32_t keep = lastEeAdr_;
            workMode(kModeCloneWriteEnd);
            lastEeAdr_ = keep;
            cloneWriteActive_ = false;
            data = SignatureData();
        }
        const bool notSent = RealSend(data);
        retriesLeft_ = retryCount_;
        if (notSent) {
            nowError(kErrCannotQueue);
            break;
        }
    }
    pumping_ = false;
}

void clsCmcXfr3Drv::task() {
    if (waitState_ == WaitState::Answer) {
        if (waitTick_.counter() < 1) {
            if (RetrySend()) nowError(kErrNoAnswer);
        }
        return;
    }
    if (cloneWriteActive_) {
        PumpCloneWrite();
        if (cloneWriteActive_ && stalled_ && stallTick_.counter() < 1) nowError(kErrCannotQueue);
    }
}
