#pragma once
// A technician's steps on the whole program against the simulated radio
// (ProgramRig with a ZtN7Sim peer): stepping a console line, waiting until
// every value went out, and the three guided procedures run as the
// technician runs them. Failures are fatal (wrap calls in
// ASSERT_NO_FATAL_FAILURE).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ZtN7Sim.h"
#include "support/ConsoleLines.h"
#include "support/ProgramRig.h"

namespace testsupport {

inline void StepBy(ProgramRig& rig, int line, int steps) {
    rig.select(line);
    for (int i = 0; i < std::abs(steps); ++i) {
        rig.key(steps > 0 ? keys::kRight : keys::kLeft);
        rig.tick();
    }
}

// Ticks until no console item waits to be sent, no value to be sent back is
// left and the link is idle.
inline bool AllSent(ProgramRig& rig, int ms = 120000) {
    return rig.runUntil(
        [&] {
            for (std::int16_t i = 0; i < rig.console().ListCount(); ++i)
                if (rig.console().flgChanged(i)) return false;
            return rig.op().ValuesPending() == 0 && !rig.seq().OpRunning();
        },
        ms);
}

inline bool LineHas(ProgramRig& rig, int line, const std::string& part) {
    return rig.win.lboConsole.list(line).find(part) != std::string::npos;
}

// The transmit-frequency procedure: Enter, 7 steps, Enter, 3 steps, Enter.
inline void RunTxf(ProgramRig& rig) {
    const int beeps = rig.desktop.beeps;
    rig.select(kLineTxf);
    rig.key(keys::kEnter);
    ASSERT_TRUE(rig.runUntil([&] { return LineHas(rig, kLineTxf, ": 1st TX Freq = "); }, 20000));
    rig.runFor(1000);
    StepBy(rig, kLineTxf, 7);
    rig.runFor(2000);
    rig.key(keys::kEnter);
    ASSERT_TRUE(rig.runUntil([&] { return LineHas(rig, kLineTxf, ": 2nd TX Freq = "); }, 20000));
    rig.runFor(1000);
    StepBy(rig, kLineTxf, 3);
    rig.runFor(2000);
    rig.key(keys::kEnter);
    ASSERT_TRUE(rig.runUntil([&] { return rig.desktop.beeps > beeps; }, 60000));
    rig.runFor(1000);
}

// The S-meter procedure with the radio's level at s3 for the S3 point and
// at s1 for the S1 point.
inline void RunSMeter(ProgramRig& rig, zsim::ZtN7Sim& sim, int s3, int s1) {
    const int beeps = rig.desktop.beeps;
    sim.sdModel([s3](int, int) { return s3; });
    rig.select(kLineSMeter);
    rig.key(keys::kEnter);
    ASSERT_TRUE(rig.runUntil([&] { return LineHas(rig, kLineSMeter, ": RSSI S3 Level "); }, 20000));
    rig.runFor(1000);
    rig.key(keys::kEnter);
    ASSERT_TRUE(rig.runUntil([&] { return LineHas(rig, kLineSMeter, ": RSSI S1 Level "); }, 20000));
    sim.sdModel([s1](int, int) { return s1; });
    rig.runFor(1000);
    rig.key(keys::kEnter);
    ASSERT_TRUE(rig.runUntil([&] { return rig.desktop.beeps > beeps; }, 20000));
    rig.runFor(1000);
}

// A band-pass sweep started with Enter on `line`, until its beep.
inline void RunSweep(ProgramRig& rig, int line) {
    const int beeps = rig.desktop.beeps;
    rig.select(line);
    rig.key(keys::kEnter);
    ASSERT_TRUE(rig.runUntil([&] { return rig.desktop.beeps > beeps; }, 600000));
    rig.runFor(1000);
}

}  // namespace testsupport
