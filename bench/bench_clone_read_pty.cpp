// Clone read over a pseudo-terminal from the simulator executable with line
// pacing on, at 38400 baud. Prints the elapsed time of the transfer against
// the time the same bytes take on a real line (10 bits a byte); the goal is a
// ratio of at most 1.05.
//
//  1. raw: the high-speed request at 9600 baud, then the clone read request
//     written straight to the terminal at 38400, time from that write to the
//     last byte of the signature frame;
//  2. program: the whole clone read operation of the link (identity, high-speed
//     request, transfer, return to 9600 baud) driven by a 50 ms heartbeat.
#include <chrono>
#include <cstdio>
#include <thread>

#include "Figure.h"
#include "../tests/support/PosixSerialControl.h"
#include "../tests/support/PtyLinkRig.h"
#include "../tests/support/SimProcess.h"
#include "ZtN7Sim.h"
#include "support/LinkStandIns.h"
#include "link/Xfr3Frame.h"
#include "link/clsCmcXfr3Drv.h"
#include "link/clsCmcXfr3Sequence.h"
#include "link/frmCom.h"
#include "platform/Timer.h"
#include "radio/clsCmcRadio.h"

// The test serial control is a single source file; it is built into this
// benchmark directly since the benchmark does not link the test support.
#include "../tests/support/PosixSerialControl.cpp"

namespace {

using clk = std::chrono::steady_clock;

double Seconds(clk::duration d) { return std::chrono::duration<double>(d).count(); }

int RawTransfer(const char* exe) {
    testsupport::SimProcess proc(exe, {"--pace", "--no-echo"});
    if (proc.path().empty()) { std::printf("raw: simulator did not start\n"); return 1; }
    testsupport::PosixSerialControl port(proc.path());
    // The radio listens at 9600 baud until it is asked for high speed: the
    // high-speed request first, then the line at 38400 for the clone read.
    port.setSettings("9600,N,8,1");
    if (!port.setPortOpen(true)) { std::printf("raw: cannot open %s\n", proc.path().c_str()); return 1; }
    port.output(xfr3::BuildFrame({xfr3::kCmdAdjust, 0x25, 0x26, 0x01, 0x00, 0x01, '0', '9'}));
    // Time for the 14 bytes to leave at 9600 baud (15 ms) and be read at
    // that speed before the line changes.
    const auto sentAt = clk::now();
    while (port.outBufferCount() > 0 && clk::now() - sentAt < std::chrono::seconds(1))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    port.setPortOpen(false);
    port.setSettings("38400,N,8,1");
    if (!port.setPortOpen(true)) { std::printf("raw: cannot open %s\n", proc.path().c_str()); return 1; }
    const std::size_t expected = 768u * 46u + 15u;  // records and the signature frame
    std::size_t got = 0;
    const auto t0 = clk::now();
    port.output(xfr3::BuildFrame({0xE2, 0x25, 0x26, 0x01, 0x00}));
    auto last = t0;
    while (got < expected && clk::now() - t0 < std::chrono::seconds(30)) {
        const ByteStr in = port.input();
        if (!in.empty()) { got += in.size(); last = clk::now(); }
        else std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const double wire = static_cast<double>(got) * 10.0 / 38400.0;
    const double elapsed = Seconds(last - t0);
    std::printf("raw transfer:     %zu bytes, elapsed %.3f s, wire time %.3f s, ratio %.3f (goal <= 1.05)\n",
                got, elapsed, wire, wire > 0 ? elapsed / wire : 0.0);
    if (got == expected)
        benchfig::Figure("clone read over pty, raw stream vs wire time", elapsed / wire, "x wire", 1.05, 3);
    return got == expected ? 0 : 1;
}

int ProgramCloneRead(const char* exe) {
    testsupport::SimProcess proc(exe, {"--pace"});
    if (proc.path().empty()) { std::printf("program: simulator did not start\n"); return 1; }
    testsupport::PtyLinkRig link(proc.path());
    link.seq.easyCloneRead();
    const auto t0 = clk::now();
    clk::time_point fastOpen{}, fastClose{};
    link.RunWhileBusy(std::chrono::seconds(60), [&] {
        const bool fast = link.port.portOpen() && link.port.baud() == 38400;
        if (fast && fastOpen == clk::time_point{}) fastOpen = clk::now();
        if (!fast && fastOpen != clk::time_point{} && fastClose == clk::time_point{}) fastClose = clk::now();
    });
    const bool ok = !link.seq.OpRunning() && link.com.xfr3D().lastError() == 0 &&
                    link.radio.eepImage().bytes() == zsim::ZtN7Sim::DefaultImage();
    const double wire = (768.0 * 46.0 + 15.0) * 10.0 / 38400.0;
    const double fastTime = Seconds(fastClose - fastOpen);
    std::printf("program:          clone read %s, whole operation %.3f s, at 38400 baud %.3f s, "
                "wire time of the stream %.3f s, ratio %.3f\n",
                ok ? "complete" : "FAILED", Seconds(clk::now() - t0), fastTime, wire, wire > 0 ? fastTime / wire : 0.0);
    if (ok) {
        benchfig::Figure("clone read over pty, program at 38400 baud vs wire time", fastTime / wire, "x wire", 1.05, 3);
        benchfig::Figure("clone read over pty, whole operation", Seconds(clk::now() - t0), "s", 0.0, 2);
    }
    return ok ? 0 : 1;
}

} // namespace

int main() {
#ifndef ZS_SIM_EXE
    std::printf("zt-n7-sim was not built; nothing to measure\n");
    return 0;
#else
    int rc = RawTransfer(ZS_SIM_EXE);
    rc |= ProgramCloneRead(ZS_SIM_EXE);
    return rc;
#endif
}
