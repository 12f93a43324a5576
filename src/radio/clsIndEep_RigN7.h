#pragma once
// The ZT-N7's layout of the EEPROM image: 40 memory channel records and the
// base frequency. Reads only; every call reads the image afresh through the
// radio identity object, so the object holds no state of its own.
//
// Channel record ch (0 to 39) is 33 bytes at 1362 + 33 * ch:
//   10-13 receive frequency in Hz, big-endian; bit 7 of byte 10 = receive inhibit
//   14-17 transmit frequency in Hz, big-endian; bit 7 of byte 14 = transmit inhibit
//   22    power level in bits 1 and 0
//   25    bit 7: narrow channel
// A record whose four receive bytes are all zero is empty.
//
// Inhibited frequencies: the inhibit bit is a flag beside the frequency, not
// part of it. ReadFreqBlock masks it off and answers the 31-bit frequency, so
// an inhibited field still yields the frequency it holds (no 32-bit overflow).
// Check_MRCH looks at all four bytes including the flag, so a programmed
// channel with receive inhibited is still listed: it has a transmit
// frequency to adjust on. Callers show "Inhibit" by testing Check_Inh first.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/Controls.h"
#include "radio/clsCmcRadio.h"

class clsIndEep_RigN7 {
public:
    static constexpr std::int16_t kChannels = 40;          // records 0 .. 39
    static constexpr std::int32_t kChBase = 1362;          // first record
    static constexpr std::int32_t kChSize = 33;            // bytes per record
    static constexpr std::int32_t kOfsRxFreq = 10;
    static constexpr std::int32_t kOfsTxFreq = 14;
    static constexpr std::int32_t kOfsPower = 22;
    static constexpr std::int32_t kOfsMode = 25;
    static constexpr std::int32_t kAdrBaseFreq = 92;       // 2 bytes, units of 100 kHz

    explicit clsIndEep_RigN7(clsCmcRadio& radio) : radio_(radio) {}

    // Address of the receive / transmit frequency field of channel ch.
    static std::int32_t RxFreqAdr(std::int16_t chNo) { return kChBase + kChSize * chNo + kOfsRxFreq; }
    static std::int32_t TxFreqAdr(std::int16_t chNo) { return kChBase + kChSize * chNo + kOfsTxFreq; }

    // The user's channel number: decimal ch + 1 ("1" for ch 0). Defined for
    // ch 0 to 41; other numbers throw std::out_of_range.
    std::string RigN7Eep_GetChName(std::int16_t chNo) const;
    std::int32_t RigN7Eep_GetChFreqTxReal(std::int16_t chNo) const;
    std::int32_t RigN7Eep_GetChFreqRxReal(std::int16_t chNo) const;
    // 0 = High (bits 1,0 = 11), 1 = Low2 (10), 2 = Low1 (0x).
    std::int16_t RigN7Eep_GetChRFPower(std::int16_t chNo) const;
    // True for a narrow channel.
    bool RigN7Eep_GetChMode(std::int16_t chNo) const;
    // True when the channel is programmed and so is listed; False for a
    // negative ch.
    bool RigN7Eep_GetChAppear(std::int16_t chNo) const;
    // Replaces the text box's text with the 100-line listing of the stored
    // adjustment parameters; tempBorder(k) gives the "REF Area k" values
    // (k = 0 to 20). The text is set only once the listing is complete.
    void RigN7Eep_DispPara(platform::ITextBox& txt,
                           const std::function<std::int16_t(std::int16_t)>& tempBorder) const;

    // The four bytes adr .. adr+3 as a big-endian number, with the inhibit
    // bit (bit 7 of the first byte) masked off.
    std::int32_t ReadFreqBlock(std::int32_t adr) const;
    // True when any of the four bytes adr .. adr+3 is non-zero (inhibit bit
    // included): the field is programmed.
    bool Check_MRCH(std::int32_t adr) const;
    // True when bit 7 of byte adr is set.
    bool Check_Inh(std::int32_t adr) const;
    // Base frequency in Hz: the stored 16-bit value x 100000. Values above
    // 21474 do not fit 32 bits and answer 2147483647 (saturated).
    std::int32_t ReadBaseFreqBlock() const;
    // Appends the hex dump of the image (addresses 0 to 0x2FFF) to text.
    void RigN7Eep_DispDebug(std::string& text) const;

private:
    clsCmcEeprom& image() const { return radio_.eepImage(); }

    clsCmcRadio& radio_;
};
