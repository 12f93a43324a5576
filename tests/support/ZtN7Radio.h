#pragma once
// The radio object of the link set up for a ZT-N7 as the program does it:
// identity codes 25 26 / 01 00 and the whole 12288-byte image to transfer.
#include "radio/clsCmcRadio.h"

namespace testsupport {

inline void SetUpZtN7(clsCmcRadio& radio) {
    radio.radioNameM("2526");
    radio.radionameS("0100");
    radio.cloneWriteAdrList_Add(0, 0x2FFF);
}

} // namespace testsupport
