#pragma once
// The radio the program expects: its two model codes (hex text), the address
// ranges a clone write sends, and the one program-wide EEPROM image.
#include <cstdint>
#include <memory>
#include <string>

#include "radio/clsCmcEeprom.h"

class clsCmcRadio {
public:
    clsCmcEeprom& eepImage();   // created on first access

    void radioNameM(const std::string& s) { nameM_ = s; }
    const std::string& radioNameM() const { return nameM_; }
    void radionameS(const std::string& s) { nameS_ = s; }
    const std::string& radionameS() const { return nameS_; }

    void cloneWriteAdrList_Clear() { list_.clear(); }
    // Appends "SSSS-EEEE," (last four upper-case hex digits of each address).
    void cloneWriteAdrList_Add(std::int32_t adr0, std::int32_t adr1);
    const std::string& cloneWriteAdrList() const { return list_; }

private:
    std::unique_ptr<clsCmcEeprom> image_;
    std::string nameM_ = "0000";
    std::string nameS_ = "0000";
    std::string list_;
};
