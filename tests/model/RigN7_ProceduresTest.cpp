// The guided adjustments end to end: the whole program against the simulated
// transceiver on the in-memory port with the test clock, driven by the
// console keys as a technician would (select a line, Enter, Right/Left).
// What the radio received (its E8 log, its image) and the program's own
// image are checked against what the technician set.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ZtN7Sim.h"
#include "ZtN7SimPeer.h"
#include "model/TxfTable.h"
#include "support/ConsoleLines.h"
#include "support/ProgramRig.h"

namespace {

using namespace testsupport;  // ProgramRig, the console lines
using zsim::ZtN7Sim;

constexpr int kTxfCode0 = 20;  // E8 code of table point 0
constexpr int kTxfAdr0 = 216;  // image address of table point 0

using Constants = std::array<float, 21>;

// The program and a simulated radio at the end of its cable, with the model
// constants the test chooses.
struct Bench {
    ZtN7Sim sim;
    zsim::ZtN7SimPeer peer{sim};
    ProgramRig rig{&peer, false};

    explicit Bench(const Constants& ext = Constants{}) {
        std::ostringstream ini;
        ini << "ZS-N7 ADJ Rev.1.0\n";
        for (float v : ext) ini << v << "\n";
        testsupport::WriteFile(rig.dir.file("Const.ini"), ini.str());
    }

    // Start, "Connect", and let the first cycle send every item.
    void Connect() {
        ASSERT_TRUE(rig.Start());
        rig.tick();
        ASSERT_TRUE(rig.Connect());
        rig.runFor(5000);
        ASSERT_TRUE(rig.desktop.messages.empty());
    }

    void Enter(int line) {
        rig.select(line);
        rig.key(keys::kEnter);
    }
    // Steps an item with Right/Left (Shift for 5 at a time) until it shows target.
    void StepTo(int line, int target) {
        rig.select(line);
        for (int guard = 0; guard < 200 && rig.console().Value(static_cast<std::int16_t>(line)) != target; ++guard) {
            const int diff = target - rig.console().Value(static_cast<std::int16_t>(line));
            rig.key(diff > 0 ? keys::kRight : keys::kLeft, std::abs(diff) >= 5);
            rig.tick();
        }
        ASSERT_EQ(rig.console().Value(static_cast<std::int16_t>(line)), target);
    }
    std::string Line(int line) const { return rig.win.lboConsole.list(line); }
    bool LineHas(int line, const std::string& part) const { return Line(line).find(part) != std::string::npos; }
    bool RunUntil(const std::function<bool()>& pred, int ms = 60000) { return rig.runUntil(pred, ms); }
    // E8 commands the radio received from position `from` of its log on.
    std::vector<ZtN7Sim::E8Command> LogFrom(std::size_t from) const {
        const auto& log = sim.e8Log();
        return {log.begin() + static_cast<std::ptrdiff_t>(std::min(from, log.size())), log.end()};
    }
};

bool IsTxfCode(int code) { return code >= kTxfCode0 && code < kTxfCode0 + 40; }

// The setting stored for the segment of temperature reading t (odd point 2d+1).
int StoredSettingAdr(int t) { return kTxfAdr0 + 1 + 2 * txf::FindTempSegment(txf::TempBorders(), static_cast<std::int16_t>(t)); }

// ---------------------------------------------------------------- band-pass

TEST(RigN7Procedures, BandPassSweepOfOnePointLandsOnTheMiddleOfTheHighestLevel) {
    struct Case { const char* name; std::function<int(int, int)> model; int expected; };
    const std::vector<Case> cases = {
        {"single maximum at 17", ZtN7Sim::SdPeak(17), 17},
        {"plateau from 10 to 13", ZtN7Sim::SdPlateau(10, 13), 11},
        {"single maximum at -20", ZtN7Sim::SdPeak(-20), -20},
        {"plateau from -21 to -20", ZtN7Sim::SdPlateau(-21, -20), -21},  // the middle rounds down
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b;
        b.sim.sdModel(c.model);
        b.Connect();
        const std::size_t mark = b.sim.e8Log().size();
        b.Enter(kLineBpfT1 + 1);  // "    BPF T2"
        ASSERT_TRUE(b.RunUntil([&] { return b.LineHas(kLineBpfT1 + 1, " Sweeping"); }));
        ASSERT_TRUE(b.RunUntil([&] { return b.rig.desktop.beeps == 1; }));
        b.rig.runFor(1000);
        EXPECT_TRUE(b.rig.desktop.messages.empty());

        EXPECT_EQ(b.rig.console().Value(kLineBpfT1 + 1), c.expected);
        EXPECT_EQ(static_cast<std::int8_t>(b.sim.byteAt(69)), c.expected);
        EXPECT_EQ(static_cast<std::int8_t>(b.rig.image().ReadByte(69)), c.expected);
        // Every setting from Min to Max went out once, in steps of 1.
        std::vector<int> swept;
        for (const auto& e : b.LogFrom(mark))
            if (e.code == 13) swept.push_back(static_cast<std::int8_t>(e.value));
        std::vector<int> distinct;
        for (int v : swept)
            if (distinct.empty() || distinct.back() != v) distinct.push_back(v);
        ASSERT_GE(distinct.size(), 257u);  // the reset to 0, -128..127, the result
        EXPECT_EQ(distinct.front(), 0);
        for (int k = 0; k < 256; ++k) EXPECT_EQ(distinct[static_cast<std::size_t>(k) + 1], k - 128) << k;
        // No other point was touched; the settle time is back for stepping.
        for (int code : {12, 14, 15})
            for (const auto& e : b.LogFrom(mark)) EXPECT_NE(e.code, code);
        EXPECT_EQ(b.rig.console().WaitAfterE8(kLineBpfT1 + 1), 200);
        EXPECT_TRUE(b.LineHas(kLineBpfT1 + 1, " [Enter] to Sweep"));
    }
}

TEST(RigN7Procedures, BandPassSweepOfAllPointsStepsByTwoWithinTheLvinRange) {
    struct Case { int lvin; int start; int top; };
    const std::vector<Case> cases = {
        {20, -20, 127},    // the item's Max is the top
        {129, -128, 126},  // start limited to Min; top 255 - LVIN
        {200, -128, 55},   // the last step of 2 lands on the top, never beyond
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("LVIN " + std::to_string(c.lvin));
        Bench b;
        b.sim.lvin(c.lvin);
        b.sim.sdModel(ZtN7Sim::SdPeak(17));
        b.Connect();
        const std::size_t mark = b.sim.e8Log().size();
        b.Enter(kLineBpfAll);
        ASSERT_TRUE(b.RunUntil([&] { return b.LineHas(kLineBpfAll, ": Sweeping"); }));
        ASSERT_TRUE(b.RunUntil([&] { return b.rig.desktop.beeps == 1; }, 600000));
        b.rig.runFor(1000);
        EXPECT_TRUE(b.rig.desktop.messages.empty());
        EXPECT_TRUE(b.LineHas(kLineBpfAll, ": [Enter] to Sweep"));

        std::vector<ZtN7Sim::E8Command> bpf;
        for (const auto& e : b.LogFrom(mark))
            if (e.code >= 12 && e.code <= 15) bpf.push_back(e);
        // First all four points go to 0, then T1 to T4 are swept in order.
        ASSERT_GT(bpf.size(), 4u);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(bpf[static_cast<std::size_t>(i)].code, 12 + i);
            EXPECT_EQ(bpf[static_cast<std::size_t>(i)].value, 0);
        }
        for (std::size_t k = 5; k < bpf.size(); ++k) EXPECT_LE(bpf[k - 1].code, bpf[k].code);

        std::vector<int> expectedSweep;
        for (int v = c.start;; v = std::min(v + 2, c.top)) {
            expectedSweep.push_back(v);
            if (v >= c.top) break;
        }
        for (int point = 0; point < 4; ++point) {
            SCOPED_TRACE("T" + std::to_string(point + 1));
            std::vector<int> distinct;
            for (std::size_t k = 4; k < bpf.size(); ++k) {
                if (bpf[k].code != 12 + point) continue;
                const int v = static_cast<std::int8_t>(bpf[k].value);
                if (distinct.empty() || distinct.back() != v) distinct.push_back(v);
            }
            ASSERT_EQ(distinct.size(), expectedSweep.size() + 1);  // then the result
            EXPECT_TRUE(std::equal(expectedSweep.begin(), expectedSweep.end(), distinct.begin()));
            EXPECT_EQ(distinct.back(), 17);
            EXPECT_EQ(b.rig.console().Value(static_cast<std::int16_t>(kLineBpfT1 + point)), 17);
            EXPECT_EQ(b.sim.byteAt(68 + point), 17);
            EXPECT_EQ(b.rig.image().ReadByte(68 + point), 17);
        }
    }
}

TEST(RigN7Procedures, EnterOnAnotherBandPassPointDuringASweepChangesNothing) {
    Bench b;
    b.Connect();
    const std::size_t mark = b.sim.e8Log().size();
    b.Enter(kLineBpfT1);
    ASSERT_TRUE(b.RunUntil([&] { return b.LineHas(kLineBpfT1, " Sweeping"); }));
    b.rig.runFor(500);
    b.Enter(kLineBpfT1 + 2);
    ASSERT_TRUE(b.RunUntil([&] { return b.rig.desktop.beeps == 1; }));
    for (const auto& e : b.LogFrom(mark)) EXPECT_NE(e.code, 14);
    EXPECT_EQ(b.rig.console().Value(kLineBpfT1), 17);  // the radio's default response peaks at 17
}

// ---------------------------------------------------------------- S-meter

TEST(RigN7Procedures, SMeterStoresS3ThenS1FromTheLevelsFed) {
    Bench b;
    int level = 87;
    b.sim.sdModel([&](int, int) { return level; });
    b.Connect();
    const std::size_t mark = b.sim.e8Log().size();
    b.Enter(kLineSMeter);
    ASSERT_TRUE(b.RunUntil([&] { return b.LineHas(kLineSMeter, ": RSSI S3 Level "); }));
    b.rig.runFor(1000);
    EXPECT_EQ(b.rig.win.lbo01[0].list(4).substr(0, 10), "SD   : 87:");  // the level shows all the time
    EXPECT_EQ(b.sim.sMeterS3Written(), -1);  // nothing stored before Enter

    b.Enter(kLineSMeter);
    ASSERT_TRUE(b.RunUntil([&] { return b.LineHas(kLineSMeter, ": RSSI S1 Level "); }));
    EXPECT_EQ(b.sim.sMeterS3Written(), 87);
    EXPECT_EQ(b.sim.sMeterS1Written(), -1);
    level = 86;
    b.rig.runFor(1000);
    b.Enter(kLineSMeter);
    ASSERT_TRUE(b.RunUntil([&] { return b.rig.desktop.beeps == 1; }));
    b.rig.runFor(1000);

    EXPECT_TRUE(b.rig.desktop.messages.empty());
    EXPECT_EQ(b.sim.sMeterS1Written(), 86);
    EXPECT_EQ(b.sim.byteAt(87), 87);
    EXPECT_EQ(b.sim.byteAt(86), 86);
    EXPECT_EQ(b.rig.image().ReadByte(87), 87);
    EXPECT_EQ(b.rig.image().ReadByte(86), 86);
    std::vector<int> stores;
    for (const auto& e : b.LogFrom(mark))
        if (e.code == 18 || e.code == 19) stores.push_back(e.code);
    EXPECT_EQ(stores, (std::vector<int>{19, 18}));
    EXPECT_TRUE(b.LineHas(kLineSMeter, ": [Enter] to Start"));
}

// ---------------------------------------------------------------- TXF

// Runs the TXF procedure as a technician: Enter, set the first setting, Enter,
// then (after the second phase started) set the second, Enter.
struct TxfRun {
    Bench& b;
    void StartAndAccept(int value1) {
        b.Enter(kLineTxf);
        ASSERT_TRUE(b.RunUntil([&] { return b.LineHas(kLineTxf, ": 1st TX Freq = "); }));
        b.rig.runFor(2000);
        b.StepTo(kLineTxf, value1);
        b.rig.runFor(2000);
        b.Enter(kLineTxf);
        ASSERT_TRUE(b.RunUntil([&] { return b.LineHas(kLineTxf, ": 2nd TX Freq = "); }));
        b.rig.runFor(2000);
    }
    void AcceptSecond(int value2) {
        b.StepTo(kLineTxf, value2);
        b.rig.runFor(2000);
        b.Enter(kLineTxf);
        ASSERT_TRUE(b.RunUntil([&] { return b.rig.desktop.beeps == 1; }));
        b.rig.runFor(1000);
        EXPECT_TRUE(b.rig.desktop.messages.empty());
        EXPECT_TRUE(b.LineHas(kLineTxf, ": [Enter] to Start"));
    }
};

TEST(RigN7Procedures, TxfWithFlatConstantsWritesAFlatTable) {
    Bench b;  // every constant 0
    b.sim.temperature(128);
    b.Connect();
    TxfRun run{b};
    run.StartAndAccept(100);
    EXPECT_EQ(b.rig.console().Value(kLineTxf), 160);
    run.AcceptSecond(160);
    for (int p = 0; p < 40; ++p) {
        SCOPED_TRACE(p);
        const int expected = p % 2 == 0 ? 0 : 100;
        EXPECT_EQ(b.sim.txfWritten()[static_cast<std::size_t>(p)], expected);
        EXPECT_EQ(b.sim.byteAt(kTxfAdr0 + p), expected);
        EXPECT_EQ(b.rig.image().ReadByte(kTxfAdr0 + p), expected);
    }
}

TEST(RigN7Procedures, TxfTableFollowsTheOscillatorCurve) {
    // An oscillator curve in quarter ppm (exact in single precision).
    const Constants ext = {-4.75f, -3.0f, -2.5f, -1.75f, -1.25f, -1.0f, -0.25f, 0.0f, 0.25f, 0.5f, 0.5f,
                           0.25f,  0.0f,  -0.25f, -0.5f, -1.0f, -1.5f,  -1.75f, -2.25f, -2.75f, -3.5f};
    struct Case { int temp; int value1; int value2; };
    const std::vector<Case> cases = {
        {100, 120, 170},  // segment 8
        {20, 90, 150},    // segment 1, 8 counts wide
        {250, 200, 255},  // last segment; the second phase starts at the top
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("temperature " + std::to_string(c.temp));
        Bench b(ext);
        b.sim.temperature(c.temp);
        b.Connect();
        TxfRun run{b};
        run.StartAndAccept(c.value1);
        run.AcceptSecond(c.value2);

        txf::Floats e{};
        for (std::size_t i = 0; i < ext.size(); ++i) e[i] = ext[i];
        const txf::Table table = txf::Compute(static_cast<std::int16_t>(c.value1), static_cast<std::int16_t>(c.value2),
                                              e, txf::TempBorders(), static_cast<std::int16_t>(c.temp));
        for (int p = 0; p < 40; ++p) {
            SCOPED_TRACE(p);
            const int expected = txf::PointValue(table, p) & 0xFF;
            EXPECT_EQ(b.sim.txfWritten()[static_cast<std::size_t>(p)], expected);
            EXPECT_EQ(b.rig.image().ReadByte(kTxfAdr0 + p), expected);
        }
        // At the present temperature the radio interpolates exactly the
        // setting accepted in the first phase.
        const int d = txf::FindTempSegment(txf::TempBorders(), static_cast<std::int16_t>(c.temp));
        const int setting = b.sim.byteAt(kTxfAdr0 + 2 * d + 1);
        const int slope = static_cast<std::int8_t>(b.sim.byteAt(kTxfAdr0 + 2 * d));
        const double radio = setting + (c.temp - txf::TempBorders()[static_cast<std::size_t>(d)]) * slope / 32.0;
        EXPECT_EQ(static_cast<int>(std::floor(radio)), c.value1);
    }
}

TEST(RigN7Procedures, TxfWritesTheSegmentsAroundThePresentTemperatureFlat) {
    struct Case { int temp; int first; int last; };
    const std::vector<Case> cases = {
        {15, 0, 3},     // segment 0: the lower end is limited to point 0
        {16, 0, 5},     // segment 1
        {128, 18, 23},  // segment 10
        {239, 34, 39},  // segment 18
        {240, 36, 39},  // segment 19: the upper end is limited to point 39
        {255, 36, 39},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("temperature " + std::to_string(c.temp));
        Bench b;
        b.sim.temperature(c.temp);
        b.sim.byteAt(StoredSettingAdr(c.temp), 77);
        b.Connect();
        b.Enter(kLineTxf);
        ASSERT_TRUE(b.RunUntil([&] { return b.sim.txfWritten()[static_cast<std::size_t>(c.last)] >= 0; }));
        b.rig.runFor(2000);
        EXPECT_EQ(b.rig.console().Value(kLineTxf), 77);  // starts at the stored setting
        for (int p = 0; p < 40; ++p) {
            SCOPED_TRACE(p);
            const int written = b.sim.txfWritten()[static_cast<std::size_t>(p)];
            if (p < c.first || p > c.last)
                EXPECT_EQ(written, -1);
            else
                EXPECT_EQ(written, p % 2 == 0 ? 0 : 77);
        }
    }
}

TEST(RigN7Procedures, TxfWritesNothingWhileNothingChangesAndRewritesOnAChange) {
    Bench b;
    b.sim.temperature(128);
    b.sim.byteAt(StoredSettingAdr(128), 90);
    b.Connect();
    b.Enter(kLineTxf);
    ASSERT_TRUE(b.RunUntil([&] { return b.sim.txfWritten()[23] >= 0; }));
    b.rig.runFor(1000);

    // Quiet: the temperature is read again and again, nothing is written.
    std::size_t mark = b.sim.e8Log().size();
    b.rig.runFor(5000);
    int reads = 0;
    for (const auto& e : b.LogFrom(mark)) {
        EXPECT_FALSE(IsTxfCode(e.code)) << e.code;
        if (e.code == 3 && e.value == 3) ++reads;
    }
    EXPECT_GE(reads, 10);

    // A new setting rewrites the present segments at it.
    mark = b.sim.e8Log().size();
    b.StepTo(kLineTxf, 91);
    b.rig.runFor(2000);
    std::vector<int> points;
    for (const auto& e : b.LogFrom(mark))
        if (IsTxfCode(e.code)) points.push_back(e.code - kTxfCode0);
    EXPECT_EQ(points, (std::vector<int>{18, 19, 20, 21, 22, 23}));
    EXPECT_EQ(b.sim.txfWritten()[21], 91);

    // A warmer radio moves the writes to its new segment.
    mark = b.sim.e8Log().size();
    b.sim.temperature(250);
    b.rig.runFor(2000);
    points.clear();
    for (const auto& e : b.LogFrom(mark))
        if (IsTxfCode(e.code)) points.push_back(e.code - kTxfCode0);
    EXPECT_EQ(points, (std::vector<int>{36, 37, 38, 39}));
    EXPECT_EQ(b.sim.txfWritten()[39], 91);
    EXPECT_EQ(b.rig.image().ReadByte(kTxfAdr0 + 39), 91);
}

TEST(RigN7Procedures, TxfSecondPhaseStartsTenPpmHigherOrAtTheTop) {
    struct Case { int value1; int start2; };
    const std::vector<Case> cases = {
        {100, 160}, {195, 255}, {204, 255},  // 204 + 60 is limited to 255
        {205, 255}, {255, 255},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("first setting " + std::to_string(c.value1));
        Bench b;
        b.sim.temperature(128);
        b.sim.byteAt(StoredSettingAdr(128), static_cast<std::uint8_t>(c.value1));
        b.Connect();
        TxfRun run{b};
        run.StartAndAccept(c.value1);
        EXPECT_EQ(b.rig.console().Value(kLineTxf), c.start2);
        EXPECT_TRUE(b.LineHas(kLineTxf, ", Setting = " + std::to_string(c.start2))) << b.Line(kLineTxf);
        // The segments around the present temperature follow the new setting.
        EXPECT_EQ(b.sim.txfWritten()[21], c.start2);
    }
}

TEST(RigN7Procedures, AGarbledReadingDuringASweepIsReportedOnceAndEndsIt) {
    Bench b;
    b.Connect();
    b.Enter(kLineBpfT1);
    ASSERT_TRUE(b.RunUntil([&] { return b.LineHas(kLineBpfT1, " Sweeping"); }));
    b.rig.runFor(1000);
    b.sim.faults().malformedReadouts = true;
    b.rig.runFor(3000);
    ASSERT_EQ(b.rig.desktop.messages.size(), 1u);
    EXPECT_EQ(b.rig.desktop.messages[0].rfind("Communication failed.", 0), 0u) << b.rig.desktop.messages[0];
    EXPECT_FALSE(b.rig.op().RigN7Prop_EditEnabled());
    EXPECT_EQ(b.rig.desktop.beeps, 0);
    // The garbled reading was the last thing sent: no setting followed it.
    EXPECT_EQ(b.sim.e8Log().back().code, 3);
}

TEST(RigN7Procedures, AButtonEndsARunningProcedure) {
    Bench b;
    b.Connect();
    b.Enter(kLineSMeter);
    ASSERT_TRUE(b.RunUntil([&] { return b.LineHas(kLineSMeter, ": RSSI S3 Level "); }));
    b.rig.main().cmd00_Click(1);  // "Reload(F5)"
    EXPECT_TRUE(b.LineHas(kLineSMeter, ": [Enter] to Start"));
    b.Enter(kLineSMeter);  // starts again from the first phase
    ASSERT_TRUE(b.RunUntil([&] { return b.LineHas(kLineSMeter, ": RSSI S3 Level "); }));
    b.rig.runFor(1000);
    b.Enter(kLineSMeter);
    ASSERT_TRUE(b.RunUntil([&] { return b.LineHas(kLineSMeter, ": RSSI S1 Level "); }));
    EXPECT_GE(b.sim.sMeterS3Written(), 0);
    EXPECT_EQ(b.sim.sMeterS1Written(), -1);
}

} // namespace
