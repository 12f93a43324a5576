// libFuzzer target for the receive path of the frame driver: the input is
// split into byte strings (first byte = length of the next chunk) and fed
// through read() in the answer wait of each receiving mode. Any crash,
// sanitizer report or broken invariant aborts the run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "link/clsCmcXfr3Drv.h"
#include "link/frmCom.h"
#include "platform/Timer.h"
#include "platform/mem/ManualClock.h"
#include "platform/mem/MemSerialPort.h"
#include "radio/clsCmcEeprom.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static platform::ManualClock clock(1000);
    static platform::ScopedTickSource use(clock);
    platform::MemSerialPort port;
    platform::ManualTimer timer;
    frmCom com(port, timer);
    clsCmcXfr3Drv& drv = com.xfr3D();
    clsCmcEeprom eep;
    drv.myEep(&eep);
    com.comOpen(true);

    const std::int16_t modes[] = {clsCmcXfr3Drv::kModeIdentity, clsCmcXfr3Drv::kModeCloneRead,
                                  clsCmcXfr3Drv::kModeE8, clsCmcXfr3Drv::kModeCloneWriteEnd};
    std::size_t pos = 0;
    int modeIndex = size > 0 ? data[0] % 4 : 0;
    auto arm = [&] {
        com.comOpen(true);
        port.input();
        drv.workMode(modes[modeIndex]);
        drv.waitAnswer(true);
        drv.Send({0xE8, 0x25, 0x26, 0x01, 0x00, 0x05});
        modeIndex = (modeIndex + 1) % 4;
    };
    arm();
    if (size > 0) ++pos;
    while (pos < size) {
        std::size_t n = data[pos++];
        if (n > size - pos) n = size - pos;
        drv.read(ByteStr(data + pos, data + pos + n));
        pos += n;
        Check(drv.rxFrameSize() <= clsCmcXfr3Drv::kRxFrameMax);
        Check(drv.Running() == drv.answerWait());
        Check(drv.sendBuf().empty() == !drv.answerWait());
        if (drv.nowError() != 0) Check(!drv.Running());
        if (!drv.Running()) arm();
    }
    return 0;
}
