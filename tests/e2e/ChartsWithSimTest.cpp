// The charts' data through the model against the simulated transceiver: the
// band-pass sweep's points are the levels the radio answered, in the order
// it answered them, with the peak where the sweep settled; the compensation
// table's settings at the borders are those that reached the radio; both
// follow a revert; and the window's chart view is fed only when they change.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "ZtN7Sim.h"
#include "ZtN7SimPeer.h"
#include "model/ChartData.h"
#include "model/clsIndOp_RigN7.h"
#include "service/ReportCharts.h"
#include "support/ConsoleLines.h"
#include "support/Procedures.h"
#include "support/ProgramRig.h"

namespace {

using namespace testsupport;
using zsim::ZtN7Sim;

// The chart window as the program sees it: what it was given, and when.
struct RecordingChartView final : platform::IChartView {
    void setSweepChart(const platform::Chart& c) override {
        sweep = c;
        ++sweepUpdates;
    }
    void setTxfChart(const platform::Chart& c) override {
        txf = c;
        ++txfUpdates;
    }
    void showCharts() override { ++shows; }
    platform::Chart sweep, txf;
    int sweepUpdates = 0, txfUpdates = 0, shows = 0;
};

struct Answer {
    int point, setting, level;
};

class ChartsWithSim : public ::testing::Test {
protected:
    ZtN7Sim sim;
    zsim::ZtN7SimPeer peer{sim};
    ProgramRig rig{&peer};
    RecordingChartView view;
    std::vector<Answer> answers;  // every SD level the radio answered

    void SetUp() override {
        rig.win.chartView = &view;
        ASSERT_TRUE(rig.Start());
        rig.tick();
        ASSERT_TRUE(rig.Connect());
        ASSERT_TRUE(AllSent(rig));
    }
    // The radio answers with `model` and the test notes every answer.
    void Respond(std::function<int(int, int)> model) {
        sim.sdModel([this, model](int point, int setting) {
            const int level = model(point, setting);
            answers.push_back({point, setting, level});
            return level;
        });
    }
};

TEST_F(ChartsWithSim, TheSweepsPointsAreTheLevelsTheRadioAnsweredWithThePeakWhereItSettled) {
    struct Case {
        const char* name;
        std::function<int(int, int)> model;
        int first, last, chosen;
    };
    const std::vector<Case> cases = {
        {"single maximum at -20", ZtN7Sim::SdPeak(-20), -20, -20, -20},
        {"plateau from 10 to 13", ZtN7Sim::SdPlateau(10, 13), 10, 13, 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answers.clear();
        Respond(c.model);
        ASSERT_NO_FATAL_FAILURE(RunSweep(rig, kLineBpfT1));
        const charts::SweepChart chart = rig.op().RigOpFunc_SweepChart();
        const charts::SweepCurve& t1 = chart.filters[0];
        // Every setting from the bottom to the top, each with the radio's answer.
        std::vector<charts::SweepPoint> expected;
        for (const Answer& a : answers)
            if (a.point == 0) expected.push_back({static_cast<std::int16_t>(a.setting), static_cast<std::int16_t>(a.level)});
        ASSERT_EQ(t1.points.size(), 256u);
        EXPECT_EQ(t1.points, expected);
        EXPECT_EQ(t1.points.front().setting, -128);
        EXPECT_EQ(t1.points.back().setting, 127);
        EXPECT_TRUE(t1.settled);
        EXPECT_EQ(t1.bestLevel, 220);
        EXPECT_EQ(t1.bestFirst, c.first);
        EXPECT_EQ(t1.bestLast, c.last);
        EXPECT_EQ(t1.chosen, c.chosen);
        EXPECT_EQ(chart.now[0], c.chosen);  // what reached the radio
        EXPECT_EQ(static_cast<std::int8_t>(sim.byteAt(68)), c.chosen);
        EXPECT_EQ(chart.sweeping, -1);
        // The drawn chart: the curve, the peak marked where the sweep settled.
        const platform::Chart drawn = service::SweepChartOf(chart);
        ASSERT_EQ(drawn.series.size(), 1u);
        EXPECT_EQ(drawn.series[0].points.size(), t1.points.size());
        ASSERT_FALSE(drawn.markers.empty());
        EXPECT_EQ(drawn.markers[0].x, c.chosen);
        EXPECT_EQ(drawn.markers[0].label, "BPF T1 peak " + std::to_string(c.chosen));
        ASSERT_EQ(drawn.bands.size(), 1u);
        EXPECT_EQ(drawn.bands[0].x1, c.first - 0.5);
        EXPECT_EQ(drawn.bands[0].x2, c.last + 0.5);
        // The window got the same chart.
        EXPECT_EQ(view.sweep.markers[0].label, drawn.markers[0].label);
    }
}

TEST_F(ChartsWithSim, BpfAllSweepsEveryFilterInStepsOfTwoAndKeepsEachCurve) {
    sim.lvin(40);
    Respond(ZtN7Sim::SdPeak(5));
    ASSERT_NO_FATAL_FAILURE(RunSweep(rig, kLineBpfAll));
    const charts::SweepChart chart = rig.op().RigOpFunc_SweepChart();
    for (int f = 0; f < charts::kFilters; ++f) {
        SCOPED_TRACE(f);
        const charts::SweepCurve& c = chart.filters[static_cast<std::size_t>(f)];
        std::vector<charts::SweepPoint> expected;
        for (const Answer& a : answers)
            if (a.point == f) expected.push_back({static_cast<std::int16_t>(a.setting), static_cast<std::int16_t>(a.level)});
        EXPECT_EQ(c.points, expected);
        ASSERT_FALSE(c.points.empty());
        EXPECT_EQ(c.lvin, 40);
        EXPECT_EQ(c.points.front().setting, -40);
        EXPECT_EQ(c.points[1].setting, -38);
        EXPECT_EQ(c.points.back().setting, 127);  // the lower of 127 and 255 - LVIN
        EXPECT_EQ(c.chosen, 5);
    }
    EXPECT_EQ(service::SweepChartOf(chart).series.size(), 4u);
}

TEST_F(ChartsWithSim, TheTxfChartShowsTheSettingsThatReachedTheRadioAndThePresentTemperature) {
    sim.temperature(120);
    ASSERT_NO_FATAL_FAILURE(RunTxf(rig));
    ASSERT_TRUE(AllSent(rig));
    const charts::TxfChart chart = rig.op().RigOpFunc_TxfChart();
    const txf::Borders& borders = txf::TempBorders();
    for (int i = 0; i < txf::kBorders; ++i) EXPECT_EQ(chart.borders[static_cast<std::size_t>(i)], borders[static_cast<std::size_t>(i)]);
    EXPECT_EQ(chart.asRead, charts::TxfSettingsAtBorders(ZtN7Sim::DefaultImage(), borders));
    EXPECT_EQ(chart.now, charts::TxfSettingsAtBorders(sim.image(), borders));
    for (int k = 0; k < txf::kSegments; ++k) EXPECT_EQ(chart.now[static_cast<std::size_t>(k)], sim.byteAt(217 + 2 * k));
    EXPECT_NE(chart.now, chart.asRead);
    ASSERT_TRUE(chart.presentTemp.has_value());
    EXPECT_EQ(*chart.presentTemp, 120);
    const platform::Chart drawn = service::TxfChartOf(chart);
    ASSERT_EQ(drawn.series.size(), 2u);
    EXPECT_EQ(drawn.series[0].name, "as read");
    EXPECT_EQ(drawn.series[1].name, "now");
    EXPECT_EQ(drawn.series[1].points.size(), 21u);
    ASSERT_EQ(drawn.markers.size(), 1u);
    EXPECT_EQ(drawn.markers[0].x, 120);
    // The temperature with a decimal point on every desktop.
    EXPECT_TRUE(std::regex_match(drawn.markers[0].label, std::regex(R"(present 120 \(\d+\.\d\d'C\))")))
        << drawn.markers[0].label;
}

TEST_F(ChartsWithSim, ARevertRedrawsBothChartsWithTheValuesSentBack) {
    Respond(ZtN7Sim::SdPeak(-20));
    ASSERT_NO_FATAL_FAILURE(RunSweep(rig, kLineBpfT1));
    ASSERT_NO_FATAL_FAILURE(RunTxf(rig));
    ASSERT_TRUE(AllSent(rig));
    const int sweepUpdates = view.sweepUpdates;
    const int txfUpdates = view.txfUpdates;
    rig.win.viewAnswers = {true};
    rig.main().mnuFileRevert_Click();
    ASSERT_TRUE(AllSent(rig));
    rig.runFor(500);
    const charts::TxfChart txf = rig.op().RigOpFunc_TxfChart();
    EXPECT_EQ(txf.now, txf.asRead);
    const charts::SweepChart sweep = rig.op().RigOpFunc_SweepChart();
    const auto asRead = static_cast<std::int8_t>(ZtN7Sim::DefaultImage()[68]);
    EXPECT_EQ(sweep.now[0], asRead);
    EXPECT_EQ(static_cast<std::int8_t>(sim.byteAt(68)), asRead);
    // The curve stays; the chart marks the peak and where the filter is now.
    EXPECT_TRUE(sweep.filters[0].settled);
    EXPECT_GT(view.sweepUpdates, sweepUpdates);
    EXPECT_GT(view.txfUpdates, txfUpdates);
    ASSERT_EQ(view.sweep.markers.size(), 2u);
    EXPECT_EQ(view.sweep.markers[1].label, "BPF T1 now " + std::to_string(asRead));
    EXPECT_EQ(view.txf.series[1].points[3].second, view.txf.series[0].points[3].second);
}

TEST_F(ChartsWithSim, TheChartViewIsFedOnlyOnChangesAndOpensForAProcedureOrTheTxfLine) {
    rig.select(kLinePowerHi);
    rig.runFor(2000);
    const int sweepUpdates = view.sweepUpdates;
    const int txfUpdates = view.txfUpdates;
    const int shows = view.shows;
    rig.runFor(5000);  // the cycle with nothing changing
    EXPECT_EQ(view.sweepUpdates, sweepUpdates);
    EXPECT_EQ(view.txfUpdates, txfUpdates);
    EXPECT_EQ(view.shows, shows);
    // Choosing the TXF line opens the charts once.
    rig.select(kLineTxf);
    rig.runFor(500);
    EXPECT_EQ(view.shows, shows + 1);
    rig.runFor(500);
    EXPECT_EQ(view.shows, shows + 1);
    // A sweep opens them and feeds them as its levels arrive.
    rig.select(kLinePowerHi);
    rig.runFor(200);
    Respond(ZtN7Sim::SdPeak(0));
    ASSERT_NO_FATAL_FAILURE(RunSweep(rig, kLineBpfT2));
    EXPECT_EQ(view.shows, shows + 2);
    EXPECT_GT(view.sweepUpdates, sweepUpdates + 100);
    ASSERT_EQ(view.sweep.series.size(), 1u);
    EXPECT_EQ(view.sweep.series[0].name, "BPF T2");
}

TEST(TxfSettingsAtBorders, StoredSettingsAndTheTopBorderFromTheLastSlope) {
    struct Case {
        const char* name;
        int slope39;    // byte 254, signed
        int setting39;  // byte 255
        int top;
    };
    const std::vector<Case> cases = {
        {"flat", 0, 100, 100},
        {"rising 32 per 32 counts over 15 counts", 32, 100, 115},
        {"falling -32", -32, 100, 85},
        {"steepest fall", -128, 10, -50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ByteStr image(12288, 0);
        for (int k = 0; k < 20; ++k) image[static_cast<std::size_t>(217 + 2 * k)] = static_cast<std::uint8_t>(50 + k);
        image[254] = static_cast<std::uint8_t>(static_cast<std::int8_t>(c.slope39));
        image[255] = static_cast<std::uint8_t>(c.setting39);
        const auto s = charts::TxfSettingsAtBorders(image, txf::TempBorders());
        EXPECT_EQ(s[0], 50);
        EXPECT_EQ(s[18], 68);
        EXPECT_EQ(s[19], c.setting39);
        EXPECT_EQ(s[20], c.top);
    }
    // A short image reads as zeros and does not crash.
    EXPECT_EQ(charts::TxfSettingsAtBorders(ByteStr(10, 7), txf::TempBorders())[20], 0);
}

}  // namespace
