#pragma once
// The chart window: the band-pass sweep above, the compensation table below,
// each drawn by PaintChart from the data the program hands over. It opens
// without taking the focus from the console and stays open until closed.
#include <QWidget>

#include "platform/Document.h"

namespace platform::qt {

class ChartWidget final : public QWidget {
public:
    explicit ChartWidget(QWidget* parent) : QWidget(parent) {}
    void setChart(const Chart& chart);
    const Chart& chart() const { return chart_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Chart chart_;
};

class QtChartWindow final : public QWidget, public IChartView {
public:
    explicit QtChartWindow(QWidget* parent);

    void setSweepChart(const Chart& chart) override;
    void setTxfChart(const Chart& chart) override;
    void showCharts() override;

    // For tests and screenshots.
    ChartWidget* sweepWidget() const { return sweep_; }
    ChartWidget* txfWidget() const { return txf_; }
    int updates() const { return updates_; }

private:
    ChartWidget* sweep_ = nullptr;
    ChartWidget* txf_ = nullptr;
    int updates_ = 0;
    bool placed_ = false;
};

}  // namespace platform::qt
