#include "radio/clsCmcEeprom.h"

clsCmcEeprom::clsCmcEeprom() { eeSize(kDefaultSize); }

void clsCmcEeprom::eeSize(std::int32_t lo) {
    size_ = lo < 0 ? 0 : lo;
    image_.assign(static_cast<std::size_t>(size_), 0);
}

std::int16_t clsCmcEeprom::ReadByte(std::int32_t adr) const {
    return IsAdrValid(adr) ? image_[static_cast<std::size_t>(adr)] : 0;
}

std::int16_t clsCmcEeprom::WriteByte(std::int32_t adr, std::uint8_t data) {
    if (!IsAdrValid(adr)) return 1;
    image_[static_cast<std::size_t>(adr)] = data;
    return 0;
}

std::int16_t clsCmcEeprom::ReadBit(std::int32_t adr, std::int16_t bit) const {
    if (!IsAdrValid(adr) || bit < 0 || bit > 7) return 0;
    return (image_[static_cast<std::size_t>(adr)] & (1u << bit)) ? 1 : 0;
}

std::int16_t clsCmcEeprom::FillBlock(std::int32_t adr, std::uint8_t data, std::int32_t siz) {
    std::int64_t last = static_cast<std::int64_t>(adr) + siz - 1;
    if (!IsAdrValid(adr) || !IsAdrValid(last)) return 1;
    for (std::int64_t a = adr; a <= last; ++a) image_[static_cast<std::size_t>(a)] = data;
    return 0;
}

std::int16_t clsCmcEeprom::WriteBlock(std::int32_t adr, const ByteStr& data) {
    std::int64_t last = static_cast<std::int64_t>(adr) + static_cast<std::int64_t>(data.size()) - 1;
    if (!IsAdrValid(adr) || !IsAdrValid(last)) return 1;
    for (std::size_t k = 0; k < data.size(); ++k) image_[static_cast<std::size_t>(adr) + k] = data[k];
    return 0;
}

ByteStr clsCmcEeprom::ReadBlock(std::int32_t adr, std::int32_t siz) const {
    ByteStr out;
    if (siz <= 0) return out;
    out.reserve(static_cast<std::size_t>(siz));
    for (std::int64_t a = adr; a < static_cast<std::int64_t>(adr) + siz; ++a)
        out.push_back(static_cast<std::uint8_t>(IsAdrValid(a) ? image_[static_cast<std::size_t>(a)] : 0));
    return out;
}
