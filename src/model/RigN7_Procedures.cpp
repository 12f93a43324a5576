// The three guided adjustments, advanced one step per cycle by the task's
// procedure state:
//   procStep 1..5   transmit-frequency temperature compensation ("       TXF")
//   procStep 6..8   the two S-meter points ("   S-METER")
//   procStep 9..13  band-pass sweep ("    BPF T1".."    BPF T4", "   BPF ALL")
// Every step first leaves the sequencer alone while it runs an operation and
// reports not done, so the task retries on a later tick. A step that moves on
// does so through ProcAdvance, which also clears the step's request state.
#include <algorithm>

#include "model/TxfTable.h"
#include "model/clsIndOp_RigN7.h"
#include "platform/Host.h"
#include "shell/Common.h"

namespace {

// Read-out lines of the [A/D] list the procedures measure with.
constexpr std::int16_t kLineTemps = 1;
constexpr std::int16_t kLineLvin = 2;
constexpr std::int16_t kLineSd = 3;

constexpr std::int16_t kTxfPoints = 40;
constexpr std::int16_t kTxfPhase2High = 204;  // above this the second phase starts at the top
constexpr std::int16_t kTxfTenPpm = 60;       // first guess of the 10 ppm higher setting

} // namespace

bool clsIndOp_RigN7::RunProcedure() {
    const std::int16_t before = procStep;
    bool done = true;
    if (TxfRunning())
        done = TxfProcedure();
    else if (SMeterRunning())
        done = SMeterProcedure();
    else if (BpfRunning())
        done = BpfSweepProcedure();
    // The procedure has just ended: back to plain lines and settle times.
    if (before != 0 && procStep == 0) CancelProcedure();
    return done;
}

std::int16_t clsIndOp_RigN7::FindTempSegment(std::int16_t t) const {
    return txf::FindTempSegment(txfTempBorder, t);
}

namespace {
std::string TxfPointName(std::int16_t p) { return "TXF point " + std::to_string(p); }
} // namespace

bool clsIndOp_RigN7::ProcAdvance(std::int16_t next) {
    procStep = next;
    procReqSent = false;
    bpfSubStep = 0;
    return true;
}

bool clsIndOp_RigN7::ProcStepReading(std::int16_t line) {
    const bool first = !procReqSent;
    procReqSent = true;
    return ReadAdLine(line, first);
}

bool clsIndOp_RigN7::TxfProcedure() {
    if (link_.OpRunning()) return false;

    switch (procStep) {
    case 1:
        txfLastSeg = -1;  // the first pass of step 3 always writes
        txfEnter = false;
        return ProcAdvance(2);

    case 2: {
        if (!ProcStepReading(kLineTemps)) return false;
        if (commError) return true;  // the task reports it and resets the operation
        const std::int16_t v = console_.Value(idxTxf);
        if (txfPhase2) {
            // Start the second phase near the 10 ppm higher setting.
            if (v > kTxfPhase2High)
                console_.Value(idxTxf, 255);
            else
                console_.Value(idxTxf, static_cast<std::int16_t>(txfValue1 + kTxfTenPpm));
            // Always redrawn: the line now shows the second phase's target
            // even when the setting itself did not change.
            console_.Disp(idxTxf);
        } else {
            // The setting stored for the segment of the present temperature.
            const std::int16_t seg = FindTempSegment(adLast[kLineTemps]);
            console_.Value(idxTxf, radio_.eepImage().ReadByte(rign7ee::kTxfPoint0 + 1 + 2 * seg));
        }
        return ProcAdvance(3);
    }

    case 3: {
        if (!ProcStepReading(kLineTemps)) return false;
        if (commError) return true;
        const std::int16_t t = adLast[kLineTemps];
        const std::int16_t d = FindTempSegment(t);
        const std::int16_t v = console_.Value(idxTxf);
        if (v == txfLastValue && !txfEnter && d == txfLastSeg) return ProcAdvance(5);  // nothing to write
        txfLastSeg = d;
        if (txfEnter && txfPhase2) {
            // Both settings accepted: the whole table.
            txfValue2 = v;
            const txf::Table table = txf::Compute(txfValue1, txfValue2, extParam, txfTempBorder, t);
            txfComp = table.comp;
            txfSlope = table.slope;
            txfOffset = table.offset;
            txfFirstPt = 0;
            txfLastPt = kTxfPoints - 1;
            txfTableReady = true;
        } else {
            // Flat segments around the present one, all at the setting.
            txfFirstPt = static_cast<std::int16_t>(2 * (d - 1));
            txfLastPt = static_cast<std::int16_t>(2 * (d + 1) + 1);
            if (txfEnter) txfValue1 = v;
        }
        txfFirstPt = std::max<std::int16_t>(txfFirstPt, 0);
        txfLastPt = std::min<std::int16_t>(txfLastPt, kTxfPoints - 1);
        txfEnterCaptured = txfEnter;
        txfLastValue = v;
        return ProcAdvance(4);
    }

    case 4:
        // One point per call.
        if (txfFirstPt <= txfLastPt) {
            const std::int16_t p = txfFirstPt;
            std::int16_t b = 0;
            if (txfTableReady && txfPhase2) {
                txf::Table table;
                table.comp = txfComp;
                table.slope = txfSlope;
                table.offset = txfOffset;
                b = txf::PointValue(table, p);
            } else if (p % 2 == 1) {
                b = console_.Value(idxTxf);
            }
            SendProcedureByte(static_cast<std::int16_t>(rign7e8::kTxfPoint0 + p), rign7ee::kTxfPoint0 + p, b,
                              SendSource::Txf, TxfPointName(p));
            txfFirstPt = static_cast<std::int16_t>(p + 1);
        }
        if (txfFirstPt <= txfLastPt) return false;
        // Keep watching; an accepted setting goes on to step 5.
        return ProcAdvance(txfEnterCaptured ? 5 : 3);

    case 5:
        if (!txfEnterCaptured) return ProcAdvance(3);
        if (!txfPhase2) {
            txfPhase2 = true;
            return ProcAdvance(1);
        }
        // The whole table is in the radio: complete.
        txfPhase2 = false;
        txfEnter = false;
        procLog_.txfTable = true;
        platform::Desktop().beep();
        return ProcAdvance(0);

    default:
        return true;
    }
}

bool clsIndOp_RigN7::SMeterProcedure() {
    if (link_.OpRunning()) return false;

    switch (procStep) {
    case 6:
        smEnter = false;
        smEnterCaptured = false;
        return ProcAdvance(7);

    case 7:
        if (!ProcStepReading(kLineSd)) return false;
        if (commError) return true;
        if (smEnter) {
            const std::int16_t level = adLast[kLineSd];
            if (smPhase2) procLog_.sMeterS1 = true;
            else procLog_.sMeterS3 = true;
            if (smPhase2)
                SendProcedureByte(rign7e8::kSMeterS1, rign7ee::kSMeterS1, level, SendSource::SMeter, "S-METER S1");
            else
                SendProcedureByte(rign7e8::kSMeterS3, rign7ee::kSMeterS3, level, SendSource::SMeter, "S-METER S3");
        }
        smEnterCaptured = smEnter;
        return ProcAdvance(8);

    case 8:
        if (!smEnterCaptured) return ProcAdvance(7);  // keep reading the level
        if (!smPhase2) {
            smPhase2 = true;
            console_.Disp(idxSMeter);  // now asks for the S1 level
            return ProcAdvance(6);
        }
        smEnter = false;
        smPhase2 = false;
        platform::Desktop().beep();
        return ProcAdvance(0);

    default:
        return true;
    }
}

bool clsIndOp_RigN7::BpfSweepProcedure() {
    if (link_.OpRunning()) return false;

    switch (procStep) {
    case 9:
        return ProcAdvance(10);

    case 10:
        for (std::int16_t i = 0; i < 4; ++i) {
            if (!bpfSelect[static_cast<std::size_t>(i)]) continue;
            const auto x = static_cast<std::int16_t>(idxBpfT1 + i);
            console_.Value(x, 0);
            console_.Disp(x);
            SweepChartReset(i);
        }
        return ProcAdvance(11);

    case 11: {
        if (!ProcStepReading(kLineLvin)) return false;
        if (commError) return true;
        bpfLvin = adLast[kLineLvin];
        bpfCur = -1;
        for (std::int16_t i = 0; i < 4; ++i) {
            if (bpfSelect[static_cast<std::size_t>(i)]) {
                bpfCur = i;
                break;
            }
        }
        if (bpfCur < 0) {
            bpfCur = 0;
            SweepChartStart(-1);
            return ProcAdvance(13);
        }
        const auto x = static_cast<std::int16_t>(idxBpfT1 + bpfCur);
        // The console limits the start to the item's Min.
        console_.Value(x, bpfAll ? static_cast<std::int16_t>(-bpfLvin) : console_.Min(x));
        bpfBestLevel = -1;
        bpfBestFirst = console_.Min(x);
        bpfBestLast = console_.Min(x);
        SweepChartStart(bpfCur);
        return ProcAdvance(12);
    }

    case 12: {
        // bpfSubStep: 0 send the setting, 1 ask for the level, 2 wait for it.
        const auto x = static_cast<std::int16_t>(idxBpfT1 + bpfCur);
        for (;;) {
            if (bpfSubStep == 0) {
                // Setting, image byte and (for the first setting only) settle time.
                SendItem(x, SendSource::BpfSweep);
                bpfSubStep = 1;
                return false;
            }
            if (!ReadAdLine(kLineSd, bpfSubStep == 1)) {
                if (bpfSubStep < 2) ++bpfSubStep;
                return false;
            }
            if (commError) return true;
            const std::int16_t g = console_.Value(x);
            const std::int16_t level = adLast[kLineSd];
            console_.WaitAfterE8(x, 0);  // only the first setting of a sweep waits
            if (level >= bpfBestLevel) {
                if (level > bpfBestLevel) bpfBestFirst = g;
                bpfBestLast = g;
                bpfBestLevel = level;
            }
            SweepChartPoint(g, level);
            // With "   BPF ALL" the setting plus LVIN stays within a byte.
            const auto allTop = static_cast<std::int16_t>(255 - bpfLvin);
            const bool ended = (bpfAll && g >= allTop) || g >= console_.Max(x);
            if (ended) break;
            std::int16_t nextSetting = bpfAll ? static_cast<std::int16_t>(g + 2) : static_cast<std::int16_t>(g + 1);
            // A step of 2 never passes the top of the sweep: it lands on it.
            if (bpfAll) nextSetting = std::min(nextSetting, allTop);
            console_.Value(x, nextSetting);
            bpfSubStep = 0;  // the next setting goes out in this call
        }
        // The middle of the plateau of highest level.
        console_.Value(x, static_cast<std::int16_t>(txf::Int((bpfBestFirst + bpfBestLast) / 2.0)));
        SweepChartSettled(console_.Value(x));
        bpfSelect[static_cast<std::size_t>(bpfCur)] = false;
        return ProcAdvance(11);
    }

    case 13:
        platform::Desktop().beep();
        return ProcAdvance(0);

    default:
        return true;
    }
}
