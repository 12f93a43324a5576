#pragma once
// Simulated ZT-N7 transceiver: the radio's side of the cloning-cable protocol,
// independent of any transport. Bytes from the line go into feed(); what the
// radio sends back comes out of it. The cable's echo is not produced here:
// the transport adds it where the real cable would (the in-memory port does
// it itself, the pseudo-terminal server does it in its loop).
//
// What the radio does:
//  - frames restart at 0xFE and end at 0xFD; only frames to the radio from the
//    program (addresses 0xEE 0xEF) are handled, anything else is ignored;
//  - 0xE0 identity request -> 0xE1 with the main and sub codes;
//  - 0xE2 clone read -> the whole image as 16-byte 0xE4 records, then 0xE5 and
//    the signature;
//  - 0xE3 clone write -> 0xE4 records are stored into the image; the 0xE5
//    signature is answered with 0xE6 and a status byte (0 = accepted);
//  - 0xE8 adjustment commands: the value byte is stored at the item's EEPROM
//    address; sub-command 3 (read-out) is answered with an 8-bit value from a
//    small measurement model.
// Faults a test can switch on are in ZtN7Sim::Faults.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "shell/Types.h"

namespace zsim {

class ZtN7Sim {
public:
    static constexpr std::int32_t kImageSize = 0x3000;
    static constexpr std::int32_t kRecordSize = 16;

    // Switchable misbehaviour. Addresses are record start addresses (multiples
    // of 16); -1 = off.
    struct Faults {
        bool silence = false;              // hears, stores and answers nothing: a radio switched off
                                           // behind the cable, whose echo the line still carries
        bool deadLine = false;             // the line is dead: answers nothing, and the
                                           // transport returns no echo either
        bool wrongMainCode = false;        // identity answer carries main code 25 27
        bool wrongSubCode = false;         // identity answer carries sub code 02 00
        std::int32_t corruptRecordAt = -1; // that clone read record has a wrong checksum
        std::int32_t dropRecordAt = -1;    // that clone read record is left out
        std::int32_t shortRecordAt = -1;   // that clone read record loses one character on the line
        bool extraSignatureByte = false;   // 10 signature bytes instead of 9
        bool recordOutsideImage = false;   // a record for 0x2FF8 with 16 bytes before the signature
        std::uint8_t cloneWriteResult = 0; // status byte of the clone write result; non-zero refuses
        bool dropReadouts = false;         // read-out requests stay unanswered
        bool malformedReadouts = false;    // read-out answers carry non-hex value characters
        bool shortReadouts = false;        // read-out answers carry one value character, not two
        bool hangOnCloneWrite = false;     // after the clone write request the radio takes no more
                                           // bytes: its receiver hangs and the line stalls
        bool lineNoise = false;            // a few stray bytes before every answer frame
        int ignoreCommand = -1;            // adjustment command (sub-command code) taken but not stored
        int storeWrongCommand = -1;        // adjustment command whose value is stored one higher
    };

    // One adjustment command as received.
    struct E8Command {
        int code = 0;       // the sub-command byte
        int value = -1;     // the value from its two ASCII hex characters; -1 when missing or not hex
    };

    // What the transfer in progress is.
    enum class Mode { Idle, CloneWrite };

    ZtN7Sim();

    // Line speeds of the radio. It listens at 9600 baud until it has received
    // the high-speed request, at 38400 from then until its clone records and
    // signature are on the line (or until it gives up waiting for the clone
    // read request), and at 9600 again afterwards.
    static constexpr std::int32_t kLowBaud = 9600;
    static constexpr std::int32_t kHighBaud = 38400;
    // How long the radio waits at 38400 baud for the clone read request.
    static constexpr std::int32_t kHighSpeedWaitMs = 2000;

    // Bytes from the line in, bytes for the line out. lineBaud is the speed
    // the program's end of the line was set to when they were sent: at any
    // other speed than the radio's own they are noise to it (a frame being
    // received is lost with them) and get no answer.
    ByteStr feed(const ByteStr& fromLine, std::int32_t lineBaud);
    // The same at the radio's own speed, for tests of the protocol alone.
    ByteStr feed(const ByteStr& fromLine) { return feed(fromLine, listenBaud_); }
    // The speed the radio listens (and sends) at now.
    std::int32_t listenBaud() const { return listenBaud_; }
    // Time passes for the radio (its wait for the clone read request).
    void elapse(std::int32_t ms);
    // Milliseconds left of that wait; 0 when it waits for nothing.
    std::int32_t highSpeedWaitLeft() const { return listenBaud_ == kHighBaud ? highSpeedLeft_ : 0; }
    // Bytes that arrived at a speed the radio was not listening at.
    int wrongSpeedBytes() const { return wrongSpeedBytes_; }

    // Identity codes (two bytes each, binary-coded decimal: 25 26 and 01 00).
    void mainCode(std::uint8_t hi, std::uint8_t lo) { main_[0] = hi; main_[1] = lo; }
    void subCode(std::uint8_t hi, std::uint8_t lo) { sub_[0] = hi; sub_[1] = lo; }

    Faults& faults() { return faults_; }
    const Faults& faults() const { return faults_; }

    // The EEPROM image.
    const ByteStr& image() const { return image_; }
    void image(const ByteStr& bytes);                // resized to 12288 bytes (zero-filled / cut)
    std::uint8_t byteAt(std::int32_t adr) const;     // 0 outside the image
    void byteAt(std::int32_t adr, std::uint8_t v);   // ignored outside the image
    bool loadImage(const std::string& path);         // raw 12288 bytes; false when unreadable or short
    bool saveImage(const std::string& path) const;   // raw 12288 bytes
    static ByteStr DefaultImage();

    // Measurement model. Raw A/D counts 0..255.
    void vin(int raw) { vin_ = raw; }
    int vin() const { return vin_; }
    void temperature(int raw) { temp_ = raw; }
    int temperature() const { return temp_; }
    void lvin(int raw) { lvin_ = raw; }
    int lvin() const { return lvin_; }
    // SD level for band-pass point 0..3 at the signed setting last received
    // for it. Default: one peak at setting 17 for every point.
    void sdModel(std::function<int(int point, int setting)> f) { sdModel_ = std::move(f); }
    static int DefaultSdLevel(int point, int setting);
    // SD models with a single maximum at `at`, or a plateau of equal highest
    // level from `first` to `last`, the same for every point; the level falls
    // by 6 for every setting step away from the top (never below 10).
    static std::function<int(int, int)> SdPeak(int at);
    static std::function<int(int, int)> SdPlateau(int first, int last);
    // The value the radio answers for an A/D channel code.
    int readout(int channelCode) const;

    // Observation.
    const std::vector<E8Command>& e8Log() const { return e8Log_; }
    void clearE8Log() { e8Log_.clear(); }
    int identityRequests() const { return identityRequests_; }
    int cloneReads() const { return cloneReads_; }
    // Clone write requests (0xE3) received, for any model codes.
    int cloneWriteRequests() const { return cloneWriteRequests_; }
    int recordsWritten() const { return recordsWritten_; }
    int badRecordsWritten() const { return badRecords_; }
    int cloneWritesEnded() const { return writesEnded_; }
    bool highSpeedRequested() const { return highSpeed_; }
    bool started() const { return started_; }          // E8 code 2 received
    int selectedChannel() const { return channel_; }   // value of the last E8 code 0 (channel number + 1); 0 none
    int sweptPoint() const { return sweptPoint_; }     // band-pass point of the last E8 code 12..15; 0 before any
    // Values received for the transmit-frequency table (point p by E8 code
    // 20 + p) and the S-meter points S1 (code 18) and S3 (code 19); -1 where
    // nothing has arrived. The image holds them too, mixed with its defaults.
    const std::array<int, 40>& txfWritten() const { return txfWritten_; }
    int sMeterS1Written() const { return s1Written_; }
    int sMeterS3Written() const { return s3Written_; }
    Mode mode() const { return mode_; }
    // Forget a half-received frame and any transfer in progress (line closed).
    void lineReset();
    // The receiver hangs (fault hangOnCloneWrite): feed() takes nothing, and
    // a transport that can hold the line stops reading it. resume() ends it,
    // as switching the radio off and on would.
    bool hung() const { return hung_; }
    void resume() { hung_ = false; }

    // EEPROM address an E8 code stores its value at; -1 for none.
    static std::int32_t E8Address(int code);

private:
    void onFrame(const ByteStr& body, ByteStr& out);
    void onE8(const ByteStr& body, ByteStr& out);
    void emitFrame(ByteStr& out, const ByteStr& data) const;  // one radio frame (noise first when switched on)
    ByteStr cloneReadStream() const;

    std::uint8_t main_[2] = {0x25, 0x26};
    std::uint8_t sub_[2] = {0x01, 0x00};
    Faults faults_;
    ByteStr image_;
    ByteStr rx_;
    bool inFrame_ = false;
    Mode mode_ = Mode::Idle;
    bool writeHadErrors_ = false;
    bool hung_ = false;
    std::int32_t listenBaud_ = kLowBaud;
    std::int32_t highSpeedLeft_ = 0;
    int wrongSpeedBytes_ = 0;

    int vin_ = 176;
    int temp_ = 128;
    int lvin_ = 20;
    std::function<int(int, int)> sdModel_;

    std::vector<E8Command> e8Log_;
    int identityRequests_ = 0;
    int cloneReads_ = 0;
    int cloneWriteRequests_ = 0;
    int recordsWritten_ = 0;
    int badRecords_ = 0;
    int writesEnded_ = 0;
    bool highSpeed_ = false;
    bool started_ = false;
    int channel_ = 0;
    int sweptPoint_ = 0;
    std::array<int, 40> txfWritten_ = MinusOnes();
    int s1Written_ = -1;
    int s3Written_ = -1;
    static std::array<int, 40> MinusOnes() {
        std::array<int, 40> a{};
        a.fill(-1);
        return a;
    }
};

} // namespace zsim
