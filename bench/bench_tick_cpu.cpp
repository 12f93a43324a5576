// CPU time of one 50 ms heartbeat in the adjustment cycle: the whole program
// on the in-memory platform against the simulated transceiver, connected and
// cycling, timed tick by tick with this thread's CPU clock. Every second a
// Right or Left key press steps " Power(Hi)" (so the following ticks send an
// adjustment command), and every ten seconds F5 asks for all read-outs again.
// The key press handler is counted in the tick it falls in.
//
// Prints median, 99th percentile and maximum against the 50 ms tick.
#include <time.h>

#include <cstdio>
#include <vector>

#include "Figure.h"
#include "ZtN7Sim.h"
#include "ZtN7SimPeer.h"
#include "support/ProgramRig.h"

namespace {

double ThreadCpuUs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

} // namespace

int main() {
    zsim::ZtN7Sim sim;
    zsim::ZtN7SimPeer peer{sim};
    testsupport::ProgramRig rig{&peer};
    if (!rig.Start()) { std::printf("the program did not start\n"); return 1; }
    rig.tick();
    rig.main().cmd00_Click(0);  // "Connect"
    if (!rig.runUntil([&] { return rig.op().RigN7Prop_EditEnabled(); }, 60000)) {
        std::printf("the adjustment cycle did not start\n");
        return 1;
    }
    rig.runFor(5000);  // the first cycle reads every line and sends every item
    rig.select(1);     // " Power(Hi)"
    const std::size_t e8Before = sim.e8Log().size();

    const int kTicks = benchfig::Count(20000, 400);  // 1000 s of program time (20 s in the short mode)
    std::vector<double> all, keyTicks, afterKey;
    all.reserve(kTicks);
    bool right = true;
    bool lastWasKey = false;
    for (int i = 0; i < kTicks; ++i) {
        const bool key = i % 20 == 10;
        const bool reload = i % 200 == 100;
        const double t0 = ThreadCpuUs();
        if (key) {
            rig.key(right ? keys::kRight : keys::kLeft);
            right = !right;
        }
        if (reload) rig.main().Form_KeyDown(keys::kF5, false);
        rig.tick();
        const double us = ThreadCpuUs() - t0;
        all.push_back(us);
        if (key) keyTicks.push_back(us);
        if (lastWasKey) afterKey.push_back(us);
        lastWasKey = key;
    }
    if (!rig.desktop.messages.empty() || !rig.op().RigN7Prop_EditEnabled()) {
        std::printf("the cycle was interrupted: %s\n",
                    rig.desktop.messages.empty() ? "(no message)" : rig.desktop.messages.front().c_str());
        return 1;
    }
    const std::size_t sent = sim.e8Log().size() - e8Before;
    std::printf("tick CPU: %d ticks, %zu key presses, %zu E8 commands reached the radio\n", kTicks, keyTicks.size(),
                sent);
    std::printf("  all ticks:            median %.1f us, p99 %.1f us, max %.1f us\n", benchfig::Median(all),
                benchfig::Percentile(all, 99), benchfig::Max(all));
    std::printf("  ticks with key press: median %.1f us, max %.1f us\n", benchfig::Median(keyTicks),
                benchfig::Max(keyTicks));
    std::printf("  ticks after a press:  median %.1f us, max %.1f us\n", benchfig::Median(afterKey),
                benchfig::Max(afterKey));
    benchfig::Figure("tick CPU, median (adjustment cycle)", benchfig::Median(all), "us", 50000.0, 1);
    benchfig::Figure("tick CPU, p99 (adjustment cycle)", benchfig::Percentile(all, 99), "us", 50000.0, 1);
    benchfig::Figure("tick CPU, max (adjustment cycle)", benchfig::Max(all), "us", 50000.0, 1);
    benchfig::Figure("tick CPU, median of ticks with a key press", benchfig::Median(keyTicks), "us", 50000.0, 1);
    return sent > 0 ? 0 : 1;
}
