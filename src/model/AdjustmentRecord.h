#pragma once
// What the operation tells about the values it sends: the image a clone read
// brought whole (before the first adjustment command of the cycle goes out)
// and every adjustable byte handed to the link. The service record
// (service/ServiceRecord.h) keeps them; the operation runs as well without.
#include <cstdint>
#include <string>
#include <vector>

#include "shell/Types.h"

// What sent a value.
enum class SendSource { Key, Txf, SMeter, BpfSweep, Revert, Restore };

// The record's word for a source: "key", "TXF", "S-meter", "band-pass sweep",
// "revert", "restore".
const char* SendSourceText(SendSource source);

// One byte of the image the adjustment commands reach: the console items
// with an EEPROM byte, the two S-meter points and the 40 transmit-frequency
// points.
struct AdjustableByte {
    std::int32_t adr = -1;
    std::int16_t e8Code = -1;
    std::string name;        // "Power(Hi)", "S-METER S1", "TXF point 7"
    std::int16_t item = -1;  // its console item, -1 for the procedure points
    bool isSigned = false;   // shown as two's complement (the band-pass points)
};

// One value that was handed to the link.
struct SentValue {
    std::string item;
    std::int32_t adr = -1;
    std::uint8_t asRead = 0;  // in the image of the clone read
    std::uint8_t before = 0;  // in the program's image just before
    std::uint8_t sent = 0;
    SendSource source = SendSource::Key;
    bool isSigned = false;    // shown as two's complement, as the console shows it
};

// An adjustable byte whose value differs between two images.
struct ValueDifference {
    AdjustableByte byte;
    std::uint8_t now = 0;     // in the program's image
    std::uint8_t target = 0;  // in the image compared with
};

class IAdjustmentRecord {
public:
    virtual ~IAdjustmentRecord() = default;
    // A clone read ended whole; nothing of the cycle has been sent yet.
    virtual void ImageRead(const ByteStr& image) = 0;
    // The first cycle has sent `items` console items with their values as read.
    virtual void ValuesAsReadSent(int items) = 0;
    virtual void ValueSent(const SentValue& value) = 0;
    // Values of a revert or restore that were still to go when `cause`
    // ("a link failure", "Connect", ...) ended the sending: `sent` is the
    // value that was not sent back, `before` the one the radio keeps.
    virtual void ValuesNotSent(const std::vector<SentValue>& values, const std::string& cause) = 0;
    // A verify read ended whole. `expected` is the program's image (the
    // image as read with every value sent since), `found` the radio's, `sent`
    // the addresses of the values sent since the last read or verify.
    // Returns false when the read is refused (another unit): nothing of it
    // is taken then.
    virtual bool VerifyRead(const ByteStr& expected, const ByteStr& found, const std::vector<std::int32_t>& sent,
                            const std::vector<AdjustableByte>& adjustable) = 0;
    // A verify read did not end whole: nothing of it was taken.
    virtual void VerifyFailed() = 0;
};
