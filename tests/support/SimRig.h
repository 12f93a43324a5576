#pragma once
// SimRig: the simulated ZT-N7 on the in-memory serial port, on a test clock.
//
// Owns, in construction order:
//   clock     platform::ManualClock (starts at 10000 ms) installed as the tick
//             source for the rig's lifetime (platform::ScopedTickSource);
//   port      platform::MemSerialPort; echo on (it plays the cloning cable);
//   sim       zsim::ZtN7Sim, the radio (image, faults, measurement model, E8 log);
//   peer      zsim::ZtN7SimPeer, already set as the port's far end.
//
// Driving it:
//   tick()              advance the clock by 25 ms, pump the port (moves paced
//                       bytes, raises the receive event on the port's handler),
//                       25 ms more (paced bytes move), then call the heartbeat
//                       callback, if one is set;
//   runFor(ms)          ticks until at least ms have passed;
//   runUntil(pred, ms)  ticks until pred() is true (checked after each tick) or
//                       ms have passed; returns whether pred() became true.
//
// The heartbeat is whatever the program under test runs every 50 ms, e.g.
//   SimRig rig;                               // declare before the program objects
//   platform::ManualTimer timer;
//   frmCom com{rig.port, timer};
//   rig.heartbeat([&] { com.timSolid_Timer(); });
// For the whole program use testsupport::ProgramRig (ProgramRig.h) with a
// zsim::ZtN7SimPeer as its peer; tests/e2e/ProgramWithSimTest.cpp shows how.
// For the simulator executable on a real pseudo-terminal see SimProcess.h and
// PosixSerialControl.h (tests/e2e/SimPtyControlTest.cpp).
// Declare the rig before any object that reads the clock or holds the port so
// that it outlives them. Use rig.port.setPacing(true) for real line timing
// (needed for a clone write: its echo would overflow the unpaced receive queue).
#include <cstdint>
#include <functional>
#include <utility>

#include "ZtN7Sim.h"
#include "ZtN7SimPeer.h"
#include "platform/mem/ManualClock.h"
#include "platform/mem/MemSerialPort.h"

namespace simrig {

class SimRig {
public:
    static constexpr std::int32_t kTickMs = 50;

    platform::ManualClock clock{10000};
    platform::ScopedTickSource tickSource{clock};
    platform::MemSerialPort port;
    zsim::ZtN7Sim sim;
    zsim::ZtN7SimPeer peer{sim};

    SimRig() { port.setPeer(&peer); }
    ~SimRig() { port.setPeer(nullptr); }
    SimRig(const SimRig&) = delete;
    SimRig& operator=(const SimRig&) = delete;

    // What runs on every tick after the port was pumped.
    void heartbeat(std::function<void()> f) { heartbeat_ = std::move(f); }

    // The line delivers half way through the tick (the receive event runs a
    // pass of its own), then time moves on and the heartbeat runs.
    void tick() {
        clock.advance(kTickMs / 2);
        port.pump();
        clock.advance(kTickMs - kTickMs / 2);
        port.advanceLine();
        if (heartbeat_) heartbeat_();
    }

    void runFor(std::int32_t ms) {
        for (std::int32_t t = 0; t < ms; t += kTickMs) tick();
    }

    bool runUntil(const std::function<bool()>& pred, std::int32_t maxMs) {
        for (std::int32_t t = 0; t < maxMs; t += kTickMs) {
            tick();
            if (pred()) return true;
        }
        return pred();
    }

    // Milliseconds on the rig's clock.
    std::int32_t now() { return clock.tickCount(); }

private:
    std::function<void()> heartbeat_;
};

} // namespace simrig
