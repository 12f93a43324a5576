#pragma once
// Charts and printable documents as plain data. The core fills them; the Qt
// layer draws a chart in the window and the same chart, with the rest of a
// document, on PDF pages or a printer. Texts are in the system's encoding
// (file names as the system gives them).
#include <string>
#include <utility>
#include <vector>

namespace platform {

// Colours a chart picks from, so the window and the paper agree.
enum class ChartColour { Blue, Orange, Green, Purple, Grey, Red };

struct ChartSeries {
    std::string name;                                // the legend's text
    std::vector<std::pair<double, double>> points;   // x, y in drawing order
    ChartColour colour = ChartColour::Blue;
    bool dashed = false;
    bool dots = false;                               // a dot at every point
};

// A vertical line across the chart at x, labelled.
struct ChartMarker {
    double x = 0;
    std::string label;
    ChartColour colour = ChartColour::Red;
};

// A shaded range of x (the plateau of highest level).
struct ChartBand {
    double x1 = 0, x2 = 0;
    ChartColour colour = ChartColour::Green;
};

struct Chart {
    std::string title;
    std::string xLabel, yLabel;
    double xMin = 0, xMax = 1, yMin = 0, yMax = 1;
    std::vector<double> xTicks;   // labelled positions; empty: chosen by the painter
    std::vector<ChartSeries> series;
    std::vector<ChartMarker> markers;
    std::vector<ChartBand> bands;
    std::string note;             // one line under the chart ("no sweep yet")
};

struct DocBlock {
    enum class Kind { Heading, Paragraph, Table, Chart, Listing };
    Kind kind = Kind::Paragraph;
    std::string text;                             // heading, paragraph or listing
    std::vector<std::vector<std::string>> rows;   // table: the first row is its header
    std::vector<bool> marked;                     // table: rows drawn marked (per row, header excluded)
    Chart chart;
};

struct Document {
    std::string title;
    std::vector<DocBlock> blocks;

    void Heading(const std::string& t) { blocks.push_back({DocBlock::Kind::Heading, t, {}, {}, {}}); }
    void Paragraph(const std::string& t) { blocks.push_back({DocBlock::Kind::Paragraph, t, {}, {}, {}}); }
    void Listing(const std::string& t) { blocks.push_back({DocBlock::Kind::Listing, t, {}, {}, {}}); }
    void Table(std::vector<std::vector<std::string>> rows, std::vector<bool> marked = {}) {
        blocks.push_back({DocBlock::Kind::Table, {}, std::move(rows), std::move(marked), {}});
    }
    void AddChart(const Chart& c) { blocks.push_back({DocBlock::Kind::Chart, {}, {}, {}, c}); }
};

// The window's charts: the band-pass sweep and the compensation table.
class IChartView {
public:
    virtual ~IChartView() = default;
    virtual void setSweepChart(const Chart& chart) = 0;
    virtual void setTxfChart(const Chart& chart) = 0;
    // Opens the chart window (without taking the focus); it stays open
    // until the user closes it.
    virtual void showCharts() = 0;
};

}  // namespace platform
