// Fault campaign: the whole program against the simulated transceiver with
// every fault the simulator can play, at "Connect" and in the middle of the
// adjustment cycle, with a port that cannot be opened and with random line
// noise of fixed seeds. A receive overflow, a pulled cable, a damaged byte
// with its framing error and a burst of noise also strike at each phase of
// "Connect" (identity exchange, after the high-speed request, the reopen at
// 38400, mid-transfer, the signature frame, the reopen at 9600), and the port
// refuses to reopen at either speed. Each strikes where its name says: in the
// identity exchange of a second "Connect" after a good one, after the
// high-speed request while the port is still at 9600, at the reopen at 38400
// before the preamble burst, on the signature frame once the program has
// every record. A line error is always a damaged byte with its framing error,
// which the port drops with the reading it came in, as the serial control
// does. Each row is one fresh program run; the test checks
// what the user saw, the port and program state afterwards, that nothing
// hung or threw, that the radio's EEPROM and the program's copy of it hold
// only the changes the console sent, and that the options profile survived.
// The rows are printed as one table at the end.
//
// One test runs every row, so the table comes out whole also when ctest runs
// each test in a process of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ZtN7Sim.h"
#include "ZtN7SimPeer.h"
#include "support/ProgramRig.h"

namespace {

using testsupport::ProgramRig;
using zsim::ZtN7Sim;

// The messages the program shows, as the user reads them.
const std::string kChecks = "\r\n\r\nCheck the following:\r\n- The COM port settings.\r\n"
                            "- Cloning cable connections.\r\n- Transceiver power is ON.";
const std::string kNoAnswer = "No answer from transceiver." + kChecks;
const std::string kIllegalData = "Illegal data." + kChecks;
const std::string kDataOverflow = "Data overflow." + kChecks;
const std::string kCannotClone = "Cannot Clone." + kChecks;
const std::string kVersion = "Version number does not match\r\nfor this transceiver.";
const std::string kCommFailed =
    "Communication failed.\r\n\r\nCheck the following:\r\n- Cloning cable connections.\r\n- Transceiver power is ON.";
const std::string kCannotAccessCom2 = "Cannot access COM2." + kChecks;
const std::string kBufferOverflow = "COM buffer overflow." + kChecks;

// Any of these may end a run on a randomly noisy line.
const std::set<std::string> kLinkMessages = {kNoAnswer, kIllegalData, kDataOverflow, kCannotClone, kCommFailed};

// The message as the table knows it: the cause the program adds below it
// (after an empty line) is left off; PortCauseWithSimTest checks the causes.
std::string WithoutCause(const std::string& shown, const std::string& expected) {
    if (shown.size() > expected.size() && shown.compare(0, expected.size(), expected) == 0 &&
        shown.compare(expected.size(), 4, "\r\n\r\n") == 0)
        return expected;
    return shown;
}

std::string WithoutAnyCause(const std::string& shown) {
    for (const std::string& m : kLinkMessages)
        if (WithoutCause(shown, m) == m) return m;
    return shown;
}

// The options profile every run starts from: a port other than the default
// and a device entry of the user's that the program must keep.
const std::string kProfile = "[OPTION]\r\nComPort=2\r\nComAutoRelease=0\r\n[PORTS]\r\nCOM2=/dev/ttyUSB7\r\n";

// The simulated radio at the far end of the in-memory line, with random
// stray and damaged bytes on the way to the program when noise is on. The
// noise is drawn from a fixed seed, so a row plays the same every time.
// Bytes towards the radio are left alone: the radio does not answer
// adjustment commands, so damage there could not be seen by any program.
// The line can also be cut (the cable pulled) after a number of the radio's
// bytes: from then on nothing passes towards or from the radio.
// Where in "Connect" a fault strikes.
enum class Phase {
    None,
    Identity,        // the identity request is out, its answer not yet in
    AfterHighSpeed,  // the high-speed request is out, the port not yet reopened
    Reopen38400,     // the port has just opened at 38400 baud, before the burst
    MidTransfer,     // half of the clone records are on the line
    Signature,       // every record is in, the signature frame is next
    Reopen9600,      // the port has just opened at 9600 baud after the transfer
};

// What strikes.
enum class Strike { None, Overflow, Refuse38400, Refuse9600, Cut, LineError, Noise };

class NoisyLine final : public platform::ISerialPeer {
public:
    explicit NoisyLine(ZtN7Sim& sim) : sim_(sim), plain_(sim) {}

    // The strike waits for its phase: the line itself notices the reopens
    // and the places in the clone read stream; the run notices the others
    // and calls strikeNow().
    void strikeAt(Phase phase, Strike strike, std::uint32_t seed) {
        phase_ = phase;
        strike_ = strike;
        rng_.seed(seed);
    }
    bool struck() const { return struck_; }
    Phase phase() const { return phase_; }
    void strikeNow(platform::MemSerialPort& port) {
        if (struck_ || strike_ == Strike::None) return;
        struck_ = true;
        switch (strike_) {
        case Strike::Overflow: port.injectEvent(platform::comEventRxOver); break;
        case Strike::Refuse38400:
            port.setOpenRefusal([](std::int16_t, std::int32_t baud) { return baud == 38400; });
            break;
        case Strike::Refuse9600:
            port.setOpenRefusal([](std::int16_t, std::int32_t baud) { return baud == 9600; });
            break;
        case Strike::Cut: cut_ = true; held_.clear(); break;
        case Strike::LineError:
            if (phase_ == Phase::AfterHighSpeed || phase_ == Phase::Reopen38400) {
                // No frame is on its way: a damaged byte on the idle line,
                // as when the line speed changes, with its framing error.
                ++hits_;
                port.deliverToHost({randomByte()}, 0, platform::comEventFrame);
            } else {
                // A byte inside the radio's next frame arrives damaged, and
                // the port reports a framing error for it.
                damageNext_ = true;
            }
            break;
        case Strike::Noise: port.deliverToHost(Burst()); break;
        case Strike::None: break;
        }
    }

    void cutAfter(int radioBytes) { budget_ = radioBytes; }
    // The radio's next frame arrives with a damaged byte and its framing
    // error (a line error in the adjustment cycle).
    void damageNextFrame() { damageNext_ = true; }
    // A burst of noise reaches the program after its next request has gone
    // out and before the radio's answer to it: it strikes while the answer
    // is awaited and comes in ahead of it.
    void burstBeforeNextAnswer() { burstNext_ = true; }
    bool burstPending() const { return burstNext_; }
    // The request the burst came ahead of's answer went out again at once.
    bool resentAfterBurst() const { return resent_; }
    // A sound line again: no noise, not cut.
    void restore() {
        oneIn_ = 0;
        budget_ = -1;
        cut_ = false;
        strike_ = Strike::None;
        phase_ = Phase::None;
        held_.clear();
        damageNext_ = false;
        burstNext_ = false;
    }

    // Each byte from the radio has a chance of 1 in oneIn of a stray byte
    // before it and the same chance of a flipped bit (0 = quiet line).
    void noise(std::uint32_t seed, int oneIn) {
        rng_.seed(seed);
        oneIn_ = oneIn;
    }
    // Stray or damaged bytes so far.
    int hits() const { return hits_; }

    void receiveFromHost(const ByteStr& bytes, platform::MemSerialPort& port) override {
        if (cut_) return;
        if (!burstRequest_.empty()) {
            resent_ = bytes == burstRequest_;
            burstRequest_.clear();
        }
        if (burstNext_) {
            const ByteStr answer = sim_.feed(bytes, port.baud());
            if (answer.empty()) return;  // an adjustment command: the radio does not answer it
            burstNext_ = false;
            burstRequest_ = bytes;
            // The knock ends with a stray preamble byte and one more byte
            // right before the answer, so the answer comes in while a frame
            // seems under way.
            ByteStr junk = Burst();
            junk[junk.size() - 2] = 0xFE;
            if (junk.back() == 0xFE || junk.back() == 0xFD) junk.back() = 0x00;
            port.deliverToHost(junk);
            Deliver(port, answer);
            return;
        }
        if (oneIn_ <= 0 && budget_ < 0 && !struck_ && (phase_ == Phase::MidTransfer || phase_ == Phase::Signature)) {
            const ByteStr answer = sim_.feed(bytes, port.baud());
            // Hold back the clone read stream from the phase's frame on; it
            // follows once the line has carried everything before it.
            const std::size_t at = StreamPlace(answer);
            if (at == std::string::npos) {
                if (!answer.empty()) port.deliverToHost(answer);
                return;
            }
            port.deliverToHost(ByteStr(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(at)));
            held_.assign(answer.begin() + static_cast<std::ptrdiff_t>(at), answer.end());
            return;
        }
        if (oneIn_ <= 0 && budget_ < 0) {
            Deliver(port, sim_.feed(bytes, port.baud()));
            return;
        }
        const ByteStr answer = sim_.feed(bytes, port.baud());
        if (answer.empty()) return;
        ByteStr out;
        out.reserve(answer.size() + 4);
        for (auto b : answer) {
            if (oneIn_ > 0 && hit()) out.push_back(randomByte());  // a stray byte
            out.push_back(oneIn_ > 0 && hit() ? static_cast<std::uint8_t>(b ^ (1u << (rng_() % 8u))) : b);  // a flipped bit
        }
        if (budget_ >= 0) {
            if (out.size() >= static_cast<std::size_t>(budget_)) {
                out.resize(static_cast<std::size_t>(budget_));
                cut_ = true;
            } else {
                budget_ -= static_cast<int>(out.size());
            }
        }
        if (!out.empty()) port.deliverToHost(out);
    }
    void lineChanged(bool open, std::int32_t baud, platform::MemSerialPort& port) override {
        plain_.lineChanged(open, baud, port);
        if (!open) {
            held_.clear();  // a closed port hears nothing more of the stream
            return;
        }
        if (baud == 38400) sawHighSpeed_ = true;
        if ((phase_ == Phase::Reopen38400 && baud == 38400) ||
            (phase_ == Phase::Reopen9600 && baud == 9600 && sawHighSpeed_))
            strikeNow(port);
    }
    // Noise on the idle line too: about as many chances per 50 ms as bytes
    // fit in that time at 9600 baud.
    void poll(platform::MemSerialPort& port) override {
        plain_.poll(port);
        // The held stream goes on once the program has read everything
        // before it: the signature's fault strikes after every record is in.
        if (!held_.empty() && port.wireToHostPending() == 0 && port.inBufferCount() == 0 && port.portOpen()) {
            strikeNow(port);
            if (!cut_) Deliver(port, held_);
            held_.clear();
        }
        if (oneIn_ <= 0 || cut_ || !port.portOpen()) return;
        ByteStr out;
        for (int i = 0; i < 48; ++i)
            if (hit()) out.push_back(randomByte());
        if (!out.empty()) port.deliverToHost(out);
    }

private:
    // Where in a radio answer the phase's frame begins: the record for
    // 0x1800 (half the image) or the signature frame; npos when the answer
    // is not the clone read stream.
    std::size_t StreamPlace(const ByteStr& a) const {
        std::size_t found = std::string::npos;
        for (std::size_t i = 0; i + 8 < a.size(); ++i) {
            if (a[i] != 0xFE || a[i + 1] != 0xFE || a[i + 2] != 0xEF || a[i + 3] != 0xEE) continue;
            if (phase_ == Phase::Signature && a[i + 4] == 0xE5) found = i;
            if (phase_ == Phase::MidTransfer && a[i + 4] == 0xE4 && a[i + 5] == '1' && a[i + 6] == '8' &&
                a[i + 7] == '0' && a[i + 8] == '0')
                return i;
        }
        return found;
    }
    // Hands the radio's bytes to the port, the sixth of them damaged with a
    // framing error when a line error is due (inside the frame's addresses
    // and command, so the damage cannot pass unseen).
    void Deliver(platform::MemSerialPort& port, const ByteStr& b) {
        if (b.empty()) return;
        if (damageNext_) {
            damageNext_ = false;
            ++hits_;
            port.deliverToHost(b, std::min<std::size_t>(5, b.size() - 1), platform::comEventFrame);
            return;
        }
        port.deliverToHost(b);
    }
    // A knock on the cable: a burst of random bytes.
    ByteStr Burst() {
        ByteStr junk;
        for (int i = 0; i < 24; ++i) junk.push_back(randomByte());
        hits_ += static_cast<int>(junk.size());
        return junk;
    }
    bool hit() {
        const bool h = rng_() % static_cast<std::uint32_t>(oneIn_) == 0;
        if (h) ++hits_;
        return h;
    }
    std::uint8_t randomByte() { return static_cast<std::uint8_t>(rng_() & 0xFFu); }

    ZtN7Sim& sim_;
    zsim::ZtN7SimPeer plain_;
    std::mt19937 rng_;
    int oneIn_ = 0;
    int hits_ = 0;
    int budget_ = -1;  // radio bytes still to pass before the cut; -1 = no cut coming
    bool cut_ = false;
    Phase phase_ = Phase::None;
    Strike strike_ = Strike::None;
    bool struck_ = false;
    bool sawHighSpeed_ = false;
    bool damageNext_ = false;
    bool burstNext_ = false;
    ByteStr burstRequest_;  // the request whose answer the burst came ahead of, until the next request
    bool resent_ = false;
    ByteStr held_;     // the rest of the clone read stream, from the phase's frame on
};

struct Noise {
    std::uint32_t seed = 0;
    int oneIn = 0;  // 0 = none
};

// One row: the fault, when it strikes, and what the user must see.
struct Row {
    std::string fault;
    std::function<void(ZtN7Sim::Faults&)> atConnect;  // before "Connect"; may be empty
    std::function<void(ZtN7Sim::Faults&)> midCycle;   // after the first cycle; may be empty
    Noise noiseAtConnect;
    Noise noiseMidCycle;
    bool portMissing = false;
    // Exactly this message once; empty = no message, the cycle goes on;
    // "*" = random noise: either no message and the cycle goes on, or one
    // of the link failure messages.
    std::string expected;
    // The cable is pulled after this many of the radio's bytes counted from
    // "Connect" or from the fault in the cycle; -1 = never.
    int cutAtConnect = -1;
    int cutMidCycle = -1;
    // A console line whose guided procedure is started with Enter before
    // the fault in the cycle; -1 = none.
    int enterLine = -1;
    // A line event the serial port raises when the fault in the cycle
    // strikes (receive overflow); 0 = none.
    int lineEvent = 0;
    // The fault in the cycle is a damaged byte in the radio's next frame,
    // which the port reports as a framing error.
    bool lineErrorMidCycle = false;
    // A burst of noise comes in ahead of the radio's answer to the next
    // request: at "Connect" the identity answer, in the cycle the first
    // read-out answer after the fault.
    bool burstBeforeAnswerAtConnect = false;
    bool burstBeforeAnswerMidCycle = false;
    // "Connect" must fail before the console is loaded: nothing loaded and
    // no adjustment command after the clone read request.
    bool cloneReadFails = false;
    // A fault that strikes at a phase of "Connect"; the seed draws the noise.
    Phase phase = Phase::None;
    Strike strike = Strike::None;
    std::uint32_t seed = 0;
    // The image was read whole before the fault struck, so the console may
    // be loaded from it (and its values go out as they were read).
    bool readWhole = false;
};

enum class Ending { Idle, Cycling, Hang };

struct Outcome {
    std::vector<std::string> messages;
    std::string portLabel;
    Ending ending = Ending::Hang;
    bool stable = true;            // nothing changed in the quiet time after the end
    bool radioIntact = true;
    bool copyLoaded = false;
    bool copyIntact = true;
    bool saveMatchesCopy = true;   // "Save EEPROM image" enabled exactly when a whole copy is there
    bool profileIntact = true;
    std::string problems;          // what failed, for the report
    std::string errors;            // handler failures noted on standard error
    int changesSent = 0;
    int changesNotSent = 0;        // adjustments in the program's copy that never went out
    int noiseHits = 0;
    std::string reconnect = "-";   // after a failure: "Connect" again on a sound line
    bool struck = true;            // the Connect phase's fault struck
    bool e8AfterCloneRequest = false;  // an adjustment command followed the first clone read request
    bool lineInOrder = true;       // a clean Connect put its requests on the line in order
};

std::string Headline(const std::string& message);

void Note(Outcome& o, const std::string& what) {
    if (!o.problems.empty()) o.problems += "; ";
    o.problems += what;
}

// Position of the first frame with this command from the program at or after
// `from` (its second preamble byte), or npos.
std::size_t FindRequest(const ByteStr& tx, std::uint8_t cmd, std::size_t from = 0) {
    if (from == std::string::npos) return from;
    for (std::size_t i = from; i + 3 < tx.size(); ++i)
        if (tx[i] == 0xFE && tx[i + 1] == 0xEE && tx[i + 2] == 0xEF && tx[i + 3] == cmd) return i;
    return std::string::npos;
}

// The adjustment commands the program put on the line, as (EEPROM address,
// value), in order.
std::vector<std::pair<std::int32_t, std::uint8_t>> SentChanges(const ByteStr& tx) {
    std::vector<std::pair<std::int32_t, std::uint8_t>> out;
    auto hex = [](std::uint8_t c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    // FE FE EE EF E8 main(2) sub(2) code hi lo FD
    for (std::size_t i = 0; i + 11 < tx.size(); ++i) {
        if (tx[i] != 0xFE || tx[i + 1] != 0xEE || tx[i + 2] != 0xEF || tx[i + 3] != 0xE8) continue;
        if (tx[i + 11] != 0xFD) continue;
        const std::int32_t adr = ZtN7Sim::E8Address(tx[i + 8]);
        const int h = hex(tx[i + 9]), l = hex(tx[i + 10]);
        if (adr >= 0 && h >= 0 && l >= 0) out.emplace_back(adr, static_cast<std::uint8_t>(h * 16 + l));
    }
    return out;
}

// Runs ticks until the program is idle with its link at rest, or has come
// round its adjustment cycle with nothing pending (after reading the
// read-outs when asked for); Hang when neither happened in time.
Ending Settle(ProgramRig& rig, bool readoutsFirst, int maxMs = 30000) {
    bool sawReadout = !readoutsFirst;
    for (int t = 0; t <= maxMs; t += 50) {
        rig.tick();
        const std::int16_t s = rig.op().OpState();
        const bool busy = rig.seq().OpRunning();
        if (s >= 4 && s <= 16) sawReadout = true;
        if (s == 0 && !busy) return Ending::Idle;
        if (s == 20 && !busy && sawReadout) return Ending::Cycling;
    }
    return Ending::Hang;
}

// The profile's sections and keys; false when a line is neither.
bool ParseProfile(const std::string& text, std::map<std::string, std::map<std::string, std::string>>& out) {
    std::istringstream in(text);
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (line.back() != ']') return false;
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos || section.empty()) return false;
        out[section][line.substr(0, eq)] = line.substr(eq + 1);
    }
    return true;
}

Outcome RunRow(const Row& row) {
    Outcome o;
    ZtN7Sim sim;
    NoisyLine line(sim);
    ProgramRig rig(&line);
    testsupport::WriteFile(rig.dir.file("ZSN7ADJ.rs"), kProfile);
    ByteStr before = sim.image();
    testing::internal::CaptureStderr();
    try {
        if (!rig.Start()) {
            Note(o, "program did not start");
            o.errors = testing::internal::GetCapturedStderr();
            return o;
        }
        rig.tick();
        // Bytes take their real time on the line, so a clone read lasts as
        // long as on the cable and faults can strike in the middle of it.
        rig.port.setPacing(true);
        if (row.portMissing) rig.port.setExistingPorts({1});
        if (row.atConnect) row.atConnect(sim.faults());
        if (row.noiseAtConnect.oneIn > 0) line.noise(row.noiseAtConnect.seed, row.noiseAtConnect.oneIn);
        if (row.cutAtConnect >= 0) line.cutAfter(row.cutAtConnect);
        if (row.burstBeforeAnswerAtConnect) line.burstBeforeNextAnswer();

        if (row.phase == Phase::Identity) {
            // A good "Connect" first, so the identity answer of that one is
            // still there to be taken for the answer the fault spoils: the
            // line-error row fails if a lost identity answer lets the clone
            // read go on with the earlier one.
            rig.main().cmd00_Click(0);
            if (Settle(rig, true) != Ending::Cycling) Note(o, "the first Connect did not reach the cycle");
            rig.port.clearTransmittedLog();
        }
        if (row.phase != Phase::None) line.strikeAt(row.phase, row.strike, row.seed);

        before = sim.image();  // the radio's memory as "Connect" finds it
        rig.main().cmd00_Click(0);  // "Connect"
        if (row.phase == Phase::Identity || row.phase == Phase::AfterHighSpeed) {
            // These phases are seen from the program's side, between ticks.
            const bool reached = rig.runUntil(
                [&] {
                    const auto& drv = rig.com().xfr3D();
                    return row.phase == Phase::Identity ? drv.workMode() == 1 && drv.answerWait()
                                                        : rig.seq().returnPending();
                },
                5000);
            if (reached) line.strikeNow(rig.port);
        }
        o.ending = Settle(rig, true);
        if (row.burstBeforeAnswerAtConnect && line.burstPending()) Note(o, "the noise burst never struck");
        if (row.burstBeforeAnswerAtConnect && line.resentAfterBurst()) Note(o, "the answer behind the burst was lost");
        o.struck = row.phase == Phase::None || line.struck();
        if (!o.struck) Note(o, "the fault never struck");
        {
            const ByteStr& tx = rig.port.transmittedLog();
            const std::size_t request = FindRequest(tx, 0xE2);
            o.e8AfterCloneRequest = request != std::string::npos && FindRequest(tx, 0xE8, request) != std::string::npos;
            if (o.ending == Ending::Cycling && row.phase == Phase::None && !row.atConnect && row.noiseAtConnect.oneIn == 0 &&
                row.cutAtConnect < 0) {
                // A clean Connect: identity, high-speed request, burst, clone read request.
                const std::size_t identity = FindRequest(tx, 0xE0);
                const std::size_t highSpeed = FindRequest(tx, 0xE8, identity);
                o.lineInOrder = identity != std::string::npos && highSpeed != std::string::npos &&
                                request != std::string::npos && identity < highSpeed && highSpeed < request &&
                                request >= 2 && tx[request - 2] == 0xFE && sim.highSpeedRequested();
                if (!o.lineInOrder) Note(o, "a clean Connect did not put its requests on the line in order");
            }
        }
        if (o.ending == Ending::Cycling) {
            rig.select(1);  // " Power(Hi)", one step up while the line is good
            rig.key(keys::kRight);
            rig.runFor(1000);
            if (row.enterLine >= 0) {
                rig.select(row.enterLine);
                rig.key(keys::kEnter);
                rig.runFor(1000);
            }
            if (row.midCycle) row.midCycle(sim.faults());
            if (row.noiseMidCycle.oneIn > 0) line.noise(row.noiseMidCycle.seed, row.noiseMidCycle.oneIn);
            if (row.cutMidCycle >= 0) line.cutAfter(row.cutMidCycle);
            if (row.lineEvent != 0) rig.port.injectEvent(row.lineEvent);
            if (row.lineErrorMidCycle) line.damageNextFrame();
            if (row.burstBeforeAnswerMidCycle) line.burstBeforeNextAnswer();
            rig.select(1);
            rig.key(keys::kRight);  // and one more once the fault is there
            rig.runFor(1000);
            rig.main().Form_KeyDown(keys::kF5, false);  // read the read-outs again
            o.ending = Settle(rig, true);
            if (row.burstBeforeAnswerMidCycle && line.burstPending()) Note(o, "the noise burst never struck");
            if (row.burstBeforeAnswerMidCycle && line.resentAfterBurst()) Note(o, "the answer behind the burst was lost");
        }
        if (o.ending != Ending::Hang) {
            // A quiet time: the program must stay where it ended, with no
            // late second message.
            const std::size_t shown = rig.desktop.messages.size();
            const Ending was = o.ending;
            rig.runFor(3000);
            const std::int16_t s = rig.op().OpState();
            const bool stillThere = was == Ending::Idle ? s == 0 : rig.op().RigN7Prop_EditEnabled();
            o.stable = stillThere && rig.desktop.messages.size() == shown;
            if (!o.stable) Note(o, "state or messages changed after the end");
        }

        o.messages = rig.desktop.messages;
        o.portLabel = rig.win.lblComBusy.text;
        if (o.ending == Ending::Idle && rig.port.portOpen()) Note(o, "port left open while idle");

        // The radio's EEPROM: the image it had, with at most the changes the
        // console sent (a radio that went silent may have missed some).
        const auto sent = SentChanges(rig.port.transmittedLog());
        o.changesSent = static_cast<int>(sent.size());
        ByteStr expected = before;
        std::map<std::int32_t, std::set<std::uint8_t>> allowed;
        for (const auto& [adr, v] : sent) {
            expected[static_cast<std::size_t>(adr)] = v;
            allowed[adr].insert(v);
        }
        const ByteStr& radio = sim.image();
        if (radio.size() != before.size()) {
            o.radioIntact = false;
            Note(o, "the radio's memory has " + std::to_string(radio.size()) + " bytes");
        }
        for (std::size_t a = 0; o.radioIntact && a < radio.size(); ++a) {
            if (radio[a] == before[a]) continue;
            const auto it = allowed.find(static_cast<std::int32_t>(a));
            if (it == allowed.end() || it->second.count(radio[a]) == 0) {
                o.radioIntact = false;
                Note(o, "radio byte " + std::to_string(a) + " changed to " + std::to_string(radio[a]));
                break;
            }
        }
        // The program's copy: once read whole, it is the radio's image with
        // every change the console made, failure or not. The console writes
        // an item's value into the copy as it hands the command to the link,
        // so an adjustment made just as the port failed is in the copy
        // without having gone out; any other difference is damage.
        o.copyLoaded = rig.op().ImageComplete();
        if (o.copyLoaded) {
            std::set<std::int32_t> itemAddresses;
            for (int code = 0; code < 256; ++code)
                if (ZtN7Sim::E8Address(code) >= 0) itemAddresses.insert(ZtN7Sim::E8Address(code));
            const ByteStr& copy = rig.image().bytes();
            if (copy.size() != expected.size()) {
                o.copyIntact = false;
                Note(o, "program's image copy has " + std::to_string(copy.size()) + " bytes");
            }
            for (std::size_t a = 0; o.copyIntact && a < copy.size(); ++a) {
                if (copy[a] == expected[a]) continue;
                if (itemAddresses.count(static_cast<std::int32_t>(a)) != 0) {
                    ++o.changesNotSent;
                    continue;
                }
                o.copyIntact = false;
                Note(o, "program's image copy byte " + std::to_string(a) + " is " + std::to_string(copy[a]) +
                            ", not " + std::to_string(expected[a]));
            }
        }
        o.saveMatchesCopy = rig.win.mnuFileSaveImage.isEnabled == o.copyLoaded;
        if (!o.saveMatchesCopy) Note(o, "Save EEPROM image enabled without a whole copy, or disabled with one");
        o.noiseHits = line.hits();

        // After a failure the user fixes the cable and presses "Connect"
        // again: the program must connect as if nothing had happened.
        if (o.ending == Ending::Idle) {
            sim.faults() = {};
            line.restore();
            rig.port.setExistingPorts({});
            rig.port.setOpenRefusal({});
            const std::size_t shown = rig.desktop.messages.size();
            rig.main().cmd00_Click(0);
            const Ending again = Settle(rig, true);
            const bool ok = again == Ending::Cycling && rig.desktop.messages.size() == shown &&
                            rig.image().bytes() == sim.image() && rig.win.lblComBusy.text == "COM2: OPEN";
            o.reconnect = ok ? "yes" : "NO";
            if (!ok) {
                std::string why = again == Ending::Cycling ? "cycling" : again == Ending::Idle ? "idle" : "hang";
                if (rig.desktop.messages.size() > shown) why += ", said " + Headline(rig.desktop.messages.back());
                Note(o, "a second Connect on a sound line did not reach the cycle cleanly (" + why + ")");
            }
        }

        // Closing the window writes the options profile.
        rig.main().Form_QueryUnload();
    } catch (const std::exception& e) {
        Note(o, std::string("exception escaped: ") + e.what());
    } catch (...) {
        Note(o, "unknown exception escaped");
    }
    o.errors = testing::internal::GetCapturedStderr();
    if (o.errors.find("ended early") != std::string::npos) Note(o, "a handler ended early: " + o.errors);

    std::map<std::string, std::map<std::string, std::string>> prof;
    if (!ParseProfile(rig.profile(), prof)) {
        o.profileIntact = false;
        Note(o, "profile does not parse");
    } else if (prof["OPTION"]["ComPort"] != "2" || prof["OPTION"]["ComAutoRelease"] != "0" ||
               prof["PORTS"]["COM2"] != "/dev/ttyUSB7") {
        o.profileIntact = false;
        Note(o, "profile lost an option or the PORTS entry");
    }
    return o;
}

using SetFault = std::function<void(ZtN7Sim::Faults&)>;

Row AtConnect(std::string fault, SetFault set, std::string expected) {
    Row r;
    r.fault = "Connect: " + std::move(fault);
    r.atConnect = std::move(set);
    r.expected = std::move(expected);
    return r;
}

// A fault at "Connect" that must end the clone read before anything is
// loaded or sent.
Row CloneReadFails(std::string fault, SetFault set, std::string expected) {
    Row r = AtConnect(std::move(fault), std::move(set), std::move(expected));
    r.cloneReadFails = true;
    return r;
}

Row InCycle(std::string fault, SetFault set, std::string expected, int enterLine = -1) {
    Row r;
    r.fault = "Cycle: " + std::move(fault);
    r.midCycle = std::move(set);
    r.expected = std::move(expected);
    r.enterLine = enterLine;
    return r;
}

std::vector<Row> Rows() {
    using F = ZtN7Sim::Faults;
    std::vector<Row> r;
    // Faults present when "Connect" is pressed.
    r.push_back(AtConnect("radio silent", [](F& f) { f.silence = true; }, kNoAnswer));
    r.push_back(AtConnect("wrong main code", [](F& f) { f.wrongMainCode = true; }, kCannotClone));
    r.push_back(AtConnect("wrong sub code", [](F& f) { f.wrongSubCode = true; }, kVersion));
    // A clone read that did not end whole must never load the console nor
    // send an adjustment command after its request. The dropped-record rows
    // fail if the signature is taken as the end of the transfer without the
    // check that every record of the image came; the others if a damaged,
    // short or misplaced record or the extra signature byte is not reported.
    r.push_back(CloneReadFails("corrupt record 0x0100", [](F& f) { f.corruptRecordAt = 0x100; }, kIllegalData));
    r.push_back(CloneReadFails("record 0x0100 dropped", [](F& f) { f.dropRecordAt = 0x100; }, kIllegalData));
    r.push_back(CloneReadFails("last record dropped", [](F& f) { f.dropRecordAt = 0x2FF0; }, kIllegalData));
    r.push_back(CloneReadFails("short record 0x0100", [](F& f) { f.shortRecordAt = 0x100; }, kIllegalData));
    r.push_back(CloneReadFails("extra signature byte", [](F& f) { f.extraSignatureByte = true; }, kIllegalData));
    r.push_back(CloneReadFails("record outside image", [](F& f) { f.recordOutsideImage = true; }, kDataOverflow));
    // The program never writes a clone image, so these two cannot strike.
    r.push_back(AtConnect("clone write refused", [](F& f) { f.cloneWriteResult = 1; }, ""));
    r.push_back(AtConnect("hung clone write", [](F& f) { f.hangOnCloneWrite = true; }, ""));
    r.push_back(AtConnect("read-outs dropped", [](F& f) { f.dropReadouts = true; }, kNoAnswer));
    r.push_back(AtConnect("read-outs malformed", [](F& f) { f.malformedReadouts = true; }, kCommFailed));
    r.push_back(AtConnect("read-outs short", [](F& f) { f.shortReadouts = true; }, kCommFailed));
    r.push_back(AtConnect("line noise", [](F& f) { f.lineNoise = true; }, ""));
    Row noPort = CloneReadFails("port cannot be opened", {}, kCannotAccessCom2);
    noPort.portMissing = true;
    r.push_back(noPort);
    // The same while the identity answer is awaited: passed over, the
    // identity request goes out once and "Connect" goes on. The same change
    // makes this row fail with "No answer from transceiver." (checked by
    // making a preamble byte inside a frame under way plain data).
    Row burstIdentity = AtConnect("noise burst while the identity answer is awaited", {}, "");
    burstIdentity.burstBeforeAnswerAtConnect = true;
    r.push_back(burstIdentity);
    Row cutRead = CloneReadFails("cable pulled in the clone read", {}, kNoAnswer);
    cutRead.cutAtConnect = 15000;  // the identity answer, then about a third of the image
    r.push_back(cutRead);

    // Faults that strike at each phase of "Connect".
    struct PhaseName { Phase phase; const char* name; };
    const std::vector<PhaseName> phases = {
        {Phase::Identity, "in the identity exchange"},
        {Phase::AfterHighSpeed, "after the high-speed request"},
        {Phase::Reopen38400, "at the reopen at 38400"},
        {Phase::MidTransfer, "mid-transfer"},
        {Phase::Signature, "on the signature frame"},
        {Phase::Reopen9600, "at the reopen at 9600"},
    };
    // What the user must see for each phase, in the order above. A receive
    // overflow is reported as such wherever it strikes. A pulled cable
    // leaves the exchange in progress unanswered; after the transfer it is
    // the first read-out that goes unanswered, from a console loaded from
    // the whole image. A line error drops the frame it damaged: the identity
    // answer or the signature (then nothing more comes), a clone record
    // (then the signature finds the image incomplete), or a read-out answer
    // in the cycle (which is asked for again). After the high-speed request
    // and at the reopen at 38400, before the burst, no frame is on its way:
    // the damaged byte is dropped and the clone read that follows is whole.
    // A burst of noise between frames is passed over.
    struct StrikeCase { Strike strike; const char* name; std::vector<std::string> expected; };
    const std::vector<StrikeCase> strikes = {
        {Strike::Overflow, "receive overflow", std::vector<std::string>(6, kBufferOverflow)},
        {Strike::Cut, "cable pulled", std::vector<std::string>(6, kNoAnswer)},
        {Strike::LineError, "line error", {kNoAnswer, "", "", kIllegalData, kNoAnswer, ""}},
        {Strike::Noise, "noise burst", std::vector<std::string>(6, "")},
    };
    for (const auto& k : strikes)
        for (std::size_t i = 0; i < phases.size(); ++i) {
            Row x;
            x.fault = std::string("Connect: ") + k.name + " " + phases[i].name;
            x.phase = phases[i].phase;
            x.strike = k.strike;
            x.seed = 7;
            x.expected = k.expected[i];
            // Past the signature the image is whole: a failure in the cycle
            // that follows finds the console loaded from it.
            x.readWhole = phases[i].phase == Phase::Reopen9600 && k.strike != Strike::Overflow;
            r.push_back(x);
        }
    Row refuse38400;
    refuse38400.fault = "Connect: port refuses to open at the reopen at 38400";
    refuse38400.phase = Phase::AfterHighSpeed;
    refuse38400.strike = Strike::Refuse38400;
    refuse38400.expected = kCannotAccessCom2;
    r.push_back(refuse38400);
    Row refuse9600 = refuse38400;
    refuse9600.fault = "Connect: port refuses to open at the reopen at 9600";
    refuse9600.phase = Phase::MidTransfer;
    refuse9600.strike = Strike::Refuse9600;
    r.push_back(refuse9600);

    // Faults that strike in the adjustment cycle, between two key presses.
    r.push_back(InCycle("radio silent (cable pulled)", [](F& f) { f.silence = true; }, kNoAnswer));
    r.push_back(InCycle("read-outs dropped", [](F& f) { f.dropReadouts = true; }, kNoAnswer));
    r.push_back(InCycle("read-outs malformed", [](F& f) { f.malformedReadouts = true; }, kCommFailed));
    r.push_back(InCycle("read-outs short", [](F& f) { f.shortReadouts = true; }, kCommFailed));
    r.push_back(InCycle("line noise starts", [](F& f) { f.lineNoise = true; }, ""));
    Row cutAnswer = InCycle("cable pulled inside a read-out answer", {}, kNoAnswer);
    cutAnswer.cutMidCycle = 6;  // the first read-out answer after F5 stops half way
    r.push_back(cutAnswer);
    Row overflow = InCycle("receive buffer overflow", {}, kBufferOverflow);
    overflow.lineEvent = platform::comEventRxOver;
    r.push_back(overflow);
    // A damaged byte in a read-out answer with its framing error: the port
    // drops the reading it came in and the answer is asked for again. Fails
    // if the damaged answer is taken (a console value from a damaged digit)
    // or if the lost answer ends the cycle instead of a second request.
    Row framing = InCycle("framing error on the line (a damaged byte in a read-out answer)", {}, "");
    framing.lineErrorMidCycle = true;
    r.push_back(framing);
    // A burst of noise while a read-out answer is awaited, ahead of it and
    // ending in a stray preamble byte: the program passes over the stray
    // bytes and takes the answer behind them, with no re-send. Fails if a
    // preamble byte does not restart a frame under way (the answer lost
    // with the junk and asked for again, checked) or if stray bytes end
    // the wait.
    Row burstReadout = InCycle("noise burst while a read-out answer is awaited", {}, "");
    burstReadout.burstBeforeAnswerMidCycle = true;
    r.push_back(burstReadout);
    // The same while a guided procedure runs (Enter on its line first).
    r.push_back(InCycle("radio silent in the BPF T1 sweep", [](F& f) { f.silence = true; }, kNoAnswer, 10));
    r.push_back(InCycle("read-outs malformed in the TXF procedure", [](F& f) { f.malformedReadouts = true; },
                        kCommFailed, 14));
    r.push_back(InCycle("read-outs dropped in the S-meter procedure", [](F& f) { f.dropReadouts = true; },
                        kNoAnswer, 15));

    // Random noise on the line towards the program.
    for (int oneIn : {1000000, 100000, 10000, 1000})
        for (std::uint32_t seed : {1u, 2u, 3u}) {
            Row n = AtConnect("random noise 1/" + std::to_string(oneIn) + " seed " + std::to_string(seed), {}, "*");
            n.noiseAtConnect = {seed, oneIn};
            r.push_back(n);
        }
    for (int oneIn : {1000, 100})
        for (std::uint32_t seed : {4u, 5u}) {
            Row n = InCycle("random noise 1/" + std::to_string(oneIn) + " seed " + std::to_string(seed), {}, "*");
            n.noiseMidCycle = {seed, oneIn};
            r.push_back(n);
        }
    return r;
}

std::string Headline(const std::string& message) {
    const auto cr = message.find("\r\n");
    return "\"" + (cr == std::string::npos ? message : message.substr(0, cr)) + "\"";
}

std::string Shown(const Outcome& o) {
    if (o.messages.empty())
        return o.ending == Ending::Cycling ? "nothing (cycle goes on)" : "nothing";
    std::string s;
    for (const auto& m : o.messages) s += (s.empty() ? "" : " + ") + Headline(m);
    return s;
}

std::string StateText(const Outcome& o) {
    const std::string label = o.portLabel.empty() ? "?" : o.portLabel.substr(o.portLabel.find(':') + 2);
    switch (o.ending) {
    case Ending::Idle: return label + ", idle";
    case Ending::Cycling: return label + ", in cycle";
    case Ending::Hang: return label + ", HANG";
    }
    return label;
}

std::string ImageText(const Outcome& o) {
    if (!o.radioIntact || !o.copyIntact || !o.saveMatchesCopy) return "NO";
    std::string copy = "no copy read";
    if (o.copyLoaded) {
        copy = "copy kept";
        if (o.changesNotSent > 0) copy += ", " + std::to_string(o.changesNotSent) + " not sent";
    }
    return "yes (" + std::to_string(o.changesSent) + " sent; " + copy + ")";
}

void PrintTable(const std::vector<Row>& rows, const std::vector<Outcome>& outs, long long ms) {
    const std::vector<std::string> head = {"fault", "what the user saw", "port, program", "EEPROM image intact",
                                           "profile intact", "Connect again"};
    std::vector<std::vector<std::string>> cells;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const bool noisy = rows[i].noiseAtConnect.oneIn > 0 || rows[i].noiseMidCycle.oneIn > 0;
        const int hits = outs[i].noiseHits;
        cells.push_back({rows[i].fault + (noisy ? " (" + std::to_string(hits) + (hits == 1 ? " hit)" : " hits)") : ""),
                         Shown(outs[i]), StateText(outs[i]), ImageText(outs[i]),
                         outs[i].profileIntact ? "yes" : "NO", outs[i].reconnect});
    }
    std::vector<std::size_t> w(head.size());
    for (std::size_t c = 0; c < head.size(); ++c) {
        w[c] = head[c].size();
        for (const auto& r : cells) w[c] = std::max(w[c], r[c].size());
    }
    auto line = [&](const std::vector<std::string>& r) {
        std::string s = "|";
        for (std::size_t c = 0; c < r.size(); ++c) s += " " + r[c] + std::string(w[c] - r[c].size(), ' ') + " |";
        std::cout << s << "\n";
    };
    std::cout << "\nFault campaign: " << rows.size() << " rows, " << ms << " ms\n";
    line(head);
    std::string rule = "|";
    for (auto n : w) rule += std::string(n + 2, '-') + "|";
    std::cout << rule << "\n";
    for (const auto& r : cells) line(r);
    // The whole texts of the messages seen, lines joined by " / ".
    std::set<std::string> seen;
    for (const auto& o : outs)
        for (const auto& m : o.messages) seen.insert(m);
    std::cout << "\nMessage texts (line breaks shown as \" / \"):\n";
    for (const auto& m : seen) {
        std::string t = m;
        for (std::size_t p; (p = t.find("\r\n")) != std::string::npos;) t.replace(p, 2, " / ");
        std::cout << "  " << t << "\n";
    }
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (!outs[i].problems.empty()) std::cout << "  ! " << rows[i].fault << ": " << outs[i].problems << "\n";
    std::cout << std::flush;
}

TEST(FaultCampaign, AllFaultsTable) {
    const auto start = std::chrono::steady_clock::now();
    const std::vector<Row> rows = Rows();
    std::vector<Outcome> outs;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fault);
        outs.push_back(RunRow(row));
        const Outcome& o = outs.back();
        EXPECT_NE(o.ending, Ending::Hang) << row.fault << ": neither idle nor cycling in time";
        EXPECT_TRUE(o.problems.empty()) << row.fault << ": " << o.problems;
        EXPECT_TRUE(o.radioIntact && o.copyIntact) << row.fault;
        EXPECT_TRUE(o.profileIntact) << row.fault;
        if (row.phase != Phase::None) {
            EXPECT_TRUE(o.struck) << row.fault;
            // A clone read that did not end whole loads nothing and sends
            // nothing after its request.
            if (!row.readWhole && !row.expected.empty()) {
                EXPECT_FALSE(o.copyLoaded) << row.fault << ": the console was loaded";
                EXPECT_FALSE(o.e8AfterCloneRequest) << row.fault << ": an adjustment command went out";
            }
        }
        if (row.cloneReadFails) {
            EXPECT_FALSE(o.copyLoaded) << row.fault << ": the console was loaded";
            EXPECT_FALSE(o.e8AfterCloneRequest) << row.fault << ": an adjustment command went out";
        }
        EXPECT_TRUE(o.lineInOrder) << row.fault;
        if (row.expected == "*") {
            if (o.messages.empty()) {
                EXPECT_EQ(o.ending, Ending::Cycling) << row.fault << ": idle without a word";
            } else {
                EXPECT_EQ(o.messages.size(), 1u) << row.fault;
                EXPECT_EQ(kLinkMessages.count(WithoutAnyCause(o.messages[0])), 1u) << row.fault << ": " << o.messages[0];
                EXPECT_EQ(o.ending, Ending::Idle) << row.fault;
                EXPECT_EQ(o.portLabel, "COM2: CLOSE") << row.fault;
            }
        } else if (row.expected.empty()) {
            EXPECT_TRUE(o.messages.empty()) << row.fault << ": " << (o.messages.empty() ? "" : o.messages[0]);
            EXPECT_EQ(o.ending, Ending::Cycling) << row.fault;
            EXPECT_EQ(o.portLabel, "COM2: OPEN") << row.fault;
            EXPECT_TRUE(o.copyLoaded) << row.fault;
        } else {
            EXPECT_EQ(o.messages.size(), 1u) << row.fault;
            if (!o.messages.empty()) {
                EXPECT_EQ(WithoutCause(o.messages[0], row.expected), row.expected) << row.fault;
            }
            EXPECT_EQ(o.ending, Ending::Idle) << row.fault;
            EXPECT_EQ(o.portLabel, "COM2: CLOSE") << row.fault;
        }
        // A failure in the cycle keeps the copy that was read.
        if (row.fault.rfind("Cycle: ", 0) == 0) {
            EXPECT_TRUE(o.copyLoaded) << row.fault;
        }
        if (o.ending == Ending::Idle) {
            EXPECT_EQ(o.reconnect, "yes") << row.fault;
        }
    }
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    PrintTable(rows, outs, static_cast<long long>(ms));
}

} // namespace
