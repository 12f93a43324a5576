#pragma once
// The program's link (port host, frame driver, sequencer) on a real serial
// device, normally a pseudo-terminal served by the simulator executable,
// set up for a ZT-N7 and driven in real time by a 50 ms heartbeat.
// Header-only so benchmarks can use it too.
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "support/LinkStandIns.h"
#include "link/clsCmcXfr3Sequence.h"
#include "link/frmCom.h"
#include "platform/Timer.h"
#include "radio/clsCmcRadio.h"
#include "support/PosixSerialControl.h"
#include "support/ZtN7Radio.h"

namespace testsupport {

class PtyLinkRig {
public:
    explicit PtyLinkRig(const std::string& device) : port(device) {
        testsupport::SetUpZtN7(radio);
        com.mainWindow(&main);
        seq.MainWindow(&main);
    }

    // Runs the line and the heartbeat while an operation runs, for at most
    // `limit`; `each` is called on every pass. False when it still runs.
    bool RunWhileBusy(std::chrono::milliseconds limit, const std::function<void()>& each = {}) {
        using clk = std::chrono::steady_clock;
        const auto start = clk::now();
        auto nextBeat = start;
        while (seq.OpRunning() && clk::now() - start < limit) {
            port.pump();
            if (clk::now() >= nextBeat) {
                com.timSolid_Timer();
                nextBeat += std::chrono::milliseconds(50);
            }
            if (each) each();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return !seq.OpRunning();
    }

    PosixSerialControl port;
    platform::ManualTimer timer;
    frmCom com{port, timer};
    clsCmcRadio radio;
    clsCmcXfr3Sequence seq{com, radio, ZtN7SubNames()};
    SimpleMainWindowLink main{com, seq};
};

} // namespace testsupport
