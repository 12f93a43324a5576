#pragma once
// The model's chart data as charts to draw: the band-pass sweep (all filters
// in the window, one filter a chart in the report) and the compensation
// table over the temperature borders. Only scales, names and colours are
// chosen here; every point is the model's.
#include "model/ChartData.h"
#include "platform/Document.h"

namespace service {

// "BPF T1" .. "BPF T4"
std::string FilterName(int filter);

// Every filter swept so far: its levels against its setting, the chosen
// setting marked (and the setting now, where a later value moved it), the
// plateau of highest level of the filter being swept (or the last one) shaded.
platform::Chart SweepChartOf(const charts::SweepChart& sweep);
// One filter's sweep, for the report.
platform::Chart FilterSweepChartOf(const charts::SweepChart& sweep, int filter);
// The setting at the 21 borders as read and now, the present temperature marked.
platform::Chart TxfChartOf(const charts::TxfChart& txf);

}  // namespace service
