#include "radio/clsCmcRadio.h"

#include "shell/Common.h"

clsCmcEeprom& clsCmcRadio::eepImage() {
    if (!image_) image_ = std::make_unique<clsCmcEeprom>();
    return *image_;
}

void clsCmcRadio::cloneWriteAdrList_Add(std::int32_t adr0, std::int32_t adr1) {
    auto four = [](std::int32_t a) { return common::Right("000" + common::ToHex(static_cast<std::uint32_t>(a)), 4); };
    list_ += four(adr0) + "-" + four(adr1) + ",";
}
