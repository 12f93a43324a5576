#include "radio/clsIndEep_RigN7.h"

#include <limits>
#include <stdexcept>

std::string clsIndEep_RigN7::RigN7Eep_GetChName(std::int16_t chNo) const {
    if (chNo < 0 || chNo > 41) throw std::out_of_range("channel number out of range");
    return std::to_string(chNo + 1);
}

std::int32_t clsIndEep_RigN7::RigN7Eep_GetChFreqTxReal(std::int16_t chNo) const {
    return ReadFreqBlock(TxFreqAdr(chNo));
}

std::int32_t clsIndEep_RigN7::RigN7Eep_GetChFreqRxReal(std::int16_t chNo) const {
    return ReadFreqBlock(RxFreqAdr(chNo));
}

std::int16_t clsIndEep_RigN7::RigN7Eep_GetChRFPower(std::int16_t chNo) const {
    const std::int32_t adr = kChBase + kChSize * chNo + kOfsPower;
    const clsCmcEeprom& ee = image();
    if (ee.ReadBit(adr, 1) == 1) return ee.ReadBit(adr, 0) == 1 ? 0 : 1;
    return 2;
}

bool clsIndEep_RigN7::RigN7Eep_GetChMode(std::int16_t chNo) const {
    return image().ReadBit(kChBase + kChSize * chNo + kOfsMode, 7) == 1;
}

bool clsIndEep_RigN7::RigN7Eep_GetChAppear(std::int16_t chNo) const {
    if (chNo < 0) return false;
    return Check_MRCH(RxFreqAdr(chNo));
}

std::int32_t clsIndEep_RigN7::ReadFreqBlock(std::int32_t adr) const {
    const clsCmcEeprom& ee = image();
    std::uint32_t v = 0;
    for (std::int32_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<std::uint32_t>(ee.ReadByte(adr + i) & 0xFF);
    return static_cast<std::int32_t>(v & 0x7FFFFFFFu);
}

bool clsIndEep_RigN7::Check_MRCH(std::int32_t adr) const {
    const clsCmcEeprom& ee = image();
    for (std::int32_t i = 0; i < 4; ++i)
        if (ee.ReadByte(adr + i) != 0) return true;
    return false;
}

bool clsIndEep_RigN7::Check_Inh(std::int32_t adr) const { return image().ReadBit(adr, 7) == 1; }

std::int32_t clsIndEep_RigN7::ReadBaseFreqBlock() const {
    const clsCmcEeprom& ee = image();
    const std::int64_t stored = static_cast<std::int64_t>(ee.ReadByte(kAdrBaseFreq)) * 256 + ee.ReadByte(kAdrBaseFreq + 1);
    const std::int64_t hz = stored * 100000;
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(hz > kMax ? kMax : hz);
}
