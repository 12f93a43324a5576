#pragma once
// The in-memory copy of the transceiver's EEPROM: 12288 bytes, addresses
// 0 to eeSize-1. Single bytes and bits outside the image read as 0 and are
// refused on write; blocks are written whole or not at all.
#include <cstdint>
#include <vector>

#include "shell/Types.h"

class clsCmcEeprom {
public:
    static constexpr std::int32_t kDefaultSize = 12288;

    clsCmcEeprom();

    void eeSize(std::int32_t lo);   // new zeroed image of lo bytes
    std::int32_t eeSize() const { return size_; }

    std::int16_t ReadByte(std::int32_t adr) const;
    std::int16_t WriteByte(std::int32_t adr, std::uint8_t data);      // 0 done, 1 refused
    std::int16_t ReadBit(std::int32_t adr, std::int16_t bit) const;
    std::int16_t FillBlock(std::int32_t adr, std::uint8_t data, std::int32_t siz);
    std::int16_t WriteBlock(std::int32_t adr, const ByteStr& data);
    // Bytes adr .. adr+siz-1; addresses outside the image read as 0.
    ByteStr ReadBlock(std::int32_t adr, std::int32_t siz) const;

    // Whole image (size eeSize).
    const std::vector<std::uint8_t>& bytes() const { return image_; }

private:
    bool IsAdrValid(std::int64_t adr) const { return adr >= 0 && adr < size_; }

    std::int32_t size_ = 0;
    std::vector<std::uint8_t> image_;
};
