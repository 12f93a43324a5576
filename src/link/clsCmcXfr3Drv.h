#pragma once
// Frame layer of the serial link to the transceiver. Frames a command and its
// payload and queues it on the host's port, keeps at most one exchange in
// progress, reassembles frames from the received byte stream, checks them,
// stores the answer the current work mode awaits, re-sends on silence and
// reports failures as small integer codes. Also builds, checks and stores
// the clone records of a clone transfer.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "link/clsCmcTick.h"
#include "shell/Types.h"

class frmCom;
class clsCmcEeprom;

// What came back from the line during the last exchange (from its first
// sending over every retry): the cable returns each byte sent, with or
// without a radio behind it, so these tell a dead line from a silent radio.
struct ExchangeBytes {
    std::size_t sent = 0;      // bytes handed to the port
    std::size_t echoed = 0;    // bytes that came back as the echo of those
    std::size_t other = 0;     // bytes that were not echo (answers, noise)
    bool answered = false;     // an awaited answer frame arrived
};

class clsCmcXfr3Drv {
public:
    // Work modes.
    static constexpr std::int16_t kModeNone = 0;
    static constexpr std::int16_t kModeIdentity = 1;
    static constexpr std::int16_t kModeCloneRead = 2;
    static constexpr std::int16_t kModeCloneWrite = 3;
    static constexpr std::int16_t kModeCloneWriteEnd = 4;
    static constexpr std::int16_t kModeE8 = 5;

    // Error codes (nowError / lastError).
    static constexpr std::int16_t kErrNoAnswer = 2;
    static constexpr std::int16_t kErrIllegalData = 3;
    static constexpr std::int16_t kErrDataOverflow = 5;
    static constexpr std::int16_t kErrWriteRejected = 7;
    static constexpr std::int16_t kErrCannotQueue = 8;

    static constexpr std::int32_t kAnswerTimeoutMs = 1200;
    static constexpr std::size_t kRxFrameMax = 256;
    // A frame is queued only with at least this many free bytes in the queue.
    static constexpr int kMinFreeOutBytes = 257;

    clsCmcXfr3Drv();

    frmCom* myObjCom() const { return com_; }
    void myObjCom(frmCom* com) { com_ = com; }

    // Setting the mode installs its default of waitAnswer and clears
    // varLastE8Answer and lastEeAdr.
    void workMode(std::int16_t mode);
    std::int16_t workMode() const { return workMode_; }
    void waitAnswer(bool v) { waitAnswer_ = v; }
    bool waitAnswer() const { return waitAnswer_; }
    void retryCount(std::int16_t n) { retryCount_ = n; }
    std::int16_t retryCount() const { return retryCount_; }
    void myEep(clsCmcEeprom* eep) { eep_ = eep; }
    clsCmcEeprom* myEep() const { return eep_; }
    void sizDataOfPacket(std::int16_t n) { sizDataOfPacket_ = n; }
    std::int16_t sizDataOfPacket() const { return sizDataOfPacket_; }
    // Stores the list and points nextCloneAdr at its first address.
    void cloneWriteAdrList(const std::string& list);
    const std::string& cloneWriteAdrList() const { return cloneWriteAdrList_; }

    // An exchange is in progress: an answer is awaited, or a clone write is
    // still queuing its records.
    bool Running() const;
    std::int16_t nowError() const { return nowError_; }
    void nowError(std::int16_t v);   // non-zero also goes to lastError; ends the exchange
    std::int16_t lastError() const { return lastError_; }
    void lastError(std::int16_t v) { lastError_ = v; }
    const ByteStr& ansInfo() const { return ansInfo_; }
    std::int32_t lastEeAdr() const { return lastEeAdr_; }
    const ByteStr& varLastE8Answer() const { return varLastE8Answer_; }
    // The clone read since the last request ended whole: its signature was
    // accepted after every address of the image had been stored. Kept over
    // Reset (the sequencer closes the port before it asks); cleared when the
    // next clone read starts.
    bool CloneReadWhole() const { return cloneReadWhole_; }
    // A frame may be queued now.
    bool SendEnable() const;
    // The bytes of the last exchange; kept over Reset until the next one.
    const ExchangeBytes& lastExchange() const { return exchange_; }

    // Data = command byte and payload. True = not sent.
    bool Send(const ByteStr& data);
    bool RealSend(const ByteStr& data);
    bool RetrySend();
    // Queues count bytes 0xFE with no frame around them.
    void SendFE(std::int16_t count);

    void read(const ByteStr& data);
    void task();
    void Reset();
    void ClearRxBuffer();

    // Frame checks and answer handling (True from CheckFrame = illegal;
    // HandleAnswer returns whether the exchange is finished).
    bool CheckFrame(const ByteStr& frame) const;
    bool HandleAnswer(const ByteStr& frame);
    // Clone transfer pieces.
    void StoreCloneRecord(const ByteStr& frame);
    ByteStr MakeCloneRecord();

    // Read-only observation of the internal state.
    std::size_t rxFrameSize() const { return rxFrame_.size(); }
    const ByteStr& rxFrame() const { return rxFrame_; }
    bool rxHunting() const { return rxHunting_; }
    bool answerWait() const { return waitState_ == WaitState::Answer; }
    const ByteStr& sendBuf() const { return sendBuf_; }
    std::int16_t retriesLeft() const { return retriesLeft_; }
    std::int32_t nextCloneAdr() const { return nextCloneAdr_; }
    std::int16_t e8SubCmd() const { return e8SubCmd_; }
    bool cloneWriteQueuing() const { return cloneWriteActive_; }

private:
    enum class WaitState { Idle, Answer };

    void EndWait();
    // Notes bytes handed to the port and sorts received ones into echo and other.
    void NoteSent(const ByteStr& bytes);
    void NoteReceived(const ByteStr& bytes);
    void FrameComplete();
    void AppendRx(const std::uint8_t* first, const std::uint8_t* last);
    void PumpCloneWrite();
    void MarkStored(std::int32_t adr, std::int32_t count);
    bool ImageComplete() const;

    frmCom* com_ = nullptr;
    clsCmcEeprom* eep_ = nullptr;
    std::int16_t workMode_ = kModeNone;
    bool waitAnswer_ = false;
    std::int16_t retryCount_ = 0;
    std::int16_t retriesLeft_ = 0;
    std::int16_t sizDataOfPacket_ = 16;
    std::string cloneWriteAdrList_;
    std::int16_t nowError_ = 0;
    std::int16_t lastError_ = 0;
    ByteStr ansInfo_;
    std::int32_t lastEeAdr_ = 0;
    ByteStr varLastE8Answer_;

    WaitState waitState_ = WaitState::Idle;
    clsCmcTick waitTick_;
    std::int32_t answerTimeout_ = kAnswerTimeoutMs;
    bool sendGate_ = true;
    ByteStr sendBuf_;
    ByteStr lastSentData_;
    ByteStr rxFrame_;
    bool rxHunting_ = true;
    std::int16_t e8SubCmd_ = -1;
    std::int32_t nextCloneAdr_ = 0;

    ExchangeBytes exchange_;
    std::deque<std::uint8_t> echoExpected_;  // sent, echo not back yet

    // Clone write queues its records as the transmit queue drains.
    bool cloneWriteActive_ = false;
    bool pumping_ = false;
    bool stalled_ = false;
    clsCmcTick stallTick_;

    // Clone read: which image addresses were stored since the request.
    std::vector<bool> stored_;
    std::int32_t storedCount_ = 0;
    bool cloneReadWhole_ = false;
};
