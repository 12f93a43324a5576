#include "service/ReportCharts.h"

#include <algorithm>

#include "model/RigN7_Readouts.h"

namespace service {

namespace {

constexpr platform::ChartColour kFilterColours[charts::kFilters] = {
    platform::ChartColour::Blue, platform::ChartColour::Orange, platform::ChartColour::Green,
    platform::ChartColour::Purple};

platform::ChartSeries CurveOf(const charts::SweepCurve& c, int filter) {
    platform::ChartSeries s;
    s.name = FilterName(filter);
    s.colour = kFilterColours[filter];
    s.dots = true;
    for (const charts::SweepPoint& p : c.points) s.points.emplace_back(p.setting, p.level);
    return s;
}

void AddFilter(platform::Chart& chart, const charts::SweepChart& sweep, int filter) {
    const charts::SweepCurve& c = sweep.filters[static_cast<std::size_t>(filter)];
    if (c.points.empty()) return;
    chart.series.push_back(CurveOf(c, filter));
    const std::int16_t now = sweep.now[static_cast<std::size_t>(filter)];
    if (c.settled) {
        chart.markers.push_back({static_cast<double>(c.chosen),
                                 FilterName(filter) + " peak " + std::to_string(c.chosen), platform::ChartColour::Red});
        if (now != c.chosen)
            chart.markers.push_back({static_cast<double>(now), FilterName(filter) + " now " + std::to_string(now),
                                     platform::ChartColour::Grey});
    }
    for (const charts::SweepPoint& p : c.points) {
        chart.xMin = std::min(chart.xMin, static_cast<double>(p.setting));
        chart.xMax = std::max(chart.xMax, static_cast<double>(p.setting));
    }
}

void SetBand(platform::Chart& chart, const charts::SweepCurve& c) {
    if (c.points.empty() || c.bestLevel < 0) return;
    chart.bands.push_back({static_cast<double>(c.bestFirst) - 0.5, static_cast<double>(c.bestLast) + 0.5,
                           platform::ChartColour::Green});
}

platform::Chart EmptySweepChart(const std::string& title) {
    platform::Chart chart;
    chart.title = title;
    chart.xLabel = "setting";
    chart.yLabel = "SD level";
    chart.xMin = 0;
    chart.xMax = 0;
    chart.yMin = 0;
    chart.yMax = 255;
    return chart;
}

void SweepRange(platform::Chart& chart) {
    if (chart.xMin == chart.xMax) {
        chart.xMin = -128;
        chart.xMax = 127;
    }
}

}  // namespace

std::string FilterName(int filter) { return "BPF T" + std::to_string(filter + 1); }

platform::Chart SweepChartOf(const charts::SweepChart& sweep) {
    platform::Chart chart = EmptySweepChart("Band-pass sweep");
    int shaded = sweep.sweeping;
    for (int f = 0; f < charts::kFilters; ++f) {
        AddFilter(chart, sweep, f);
        if (sweep.sweeping < 0 && !sweep.filters[static_cast<std::size_t>(f)].points.empty()) shaded = f;
    }
    if (shaded >= 0) SetBand(chart, sweep.filters[static_cast<std::size_t>(shaded)]);
    SweepRange(chart);
    if (chart.series.empty()) chart.note = "No band-pass sweep in this connection yet.";
    else if (sweep.sweeping >= 0) chart.note = "Sweeping " + FilterName(sweep.sweeping) + "...";
    return chart;
}

platform::Chart FilterSweepChartOf(const charts::SweepChart& sweep, int filter) {
    platform::Chart chart = EmptySweepChart("Band-pass sweep " + FilterName(filter));
    AddFilter(chart, sweep, filter);
    SetBand(chart, sweep.filters[static_cast<std::size_t>(filter)]);
    SweepRange(chart);
    return chart;
}

platform::Chart TxfChartOf(const charts::TxfChart& txf) {
    platform::Chart chart;
    chart.title = "TXF compensation table";
    chart.xLabel = "temperature (A/D counts)";
    chart.yLabel = "setting";
    chart.xMin = 0;
    chart.xMax = 255;
    platform::ChartSeries asRead{"as read", {}, platform::ChartColour::Grey, true, true};
    platform::ChartSeries now{"now", {}, platform::ChartColour::Blue, false, true};
    int lo = 255, hi = 0;
    for (int i = 0; i < txf::kBorders; ++i) {
        const double x = txf.borders[static_cast<std::size_t>(i)];
        asRead.points.emplace_back(x, txf.asRead[static_cast<std::size_t>(i)]);
        now.points.emplace_back(x, txf.now[static_cast<std::size_t>(i)]);
        chart.xTicks.push_back(x);
        lo = std::min({lo, txf.asRead[static_cast<std::size_t>(i)], txf.now[static_cast<std::size_t>(i)]});
        hi = std::max({hi, txf.asRead[static_cast<std::size_t>(i)], txf.now[static_cast<std::size_t>(i)]});
    }
    chart.yMin = std::max(-128, lo - 10);
    chart.yMax = std::min(383, hi + 10);
    chart.series = {asRead, now};
    if (txf.presentTemp) {
        const std::int16_t t = *txf.presentTemp;
        chart.markers.push_back({static_cast<double>(t),
                                 "present " + std::to_string(t) + " (" +
                                     rign7::FormatReadoutQuantity(rign7::kAdLines[1], t) + ")",
                                 platform::ChartColour::Red});
    } else {
        chart.note = "No temperature reading in this connection yet.";
    }
    return chart;
}

}  // namespace service
