#include "platform/qt/ChartPainter.h"

#include <QFontMetricsF>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace platform::qt {

namespace {

QString Local(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

// A round step giving about `count` labels over the span.
double NiceStep(double span, int count) {
    if (span <= 0) return 1;
    const double raw = span / count;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (raw <= m * mag) return m * mag;
    return 10 * mag;
}

QString Number(double v) { return QString::number(v, 'g', 6); }

}  // namespace

QColor ChartQColor(ChartColour c) {
    switch (c) {
    case ChartColour::Blue: return QColor(31, 119, 180);
    case ChartColour::Orange: return QColor(255, 127, 14);
    case ChartColour::Green: return QColor(44, 160, 44);
    case ChartColour::Purple: return QColor(148, 103, 189);
    case ChartColour::Grey: return QColor(127, 127, 127);
    case ChartColour::Red: return QColor(214, 39, 40);
    }
    return Qt::black;
}

void PaintChart(QPainter& p, const QRectF& area, const Chart& chart) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QFont base = p.font();
    const QFontMetricsF fm(base, p.device());
    const double line = fm.height();
    const double unit = line / 4;  // pen widths and dot sizes follow the font

    // Title on top, legend and note at the bottom, axis labels around the plot.
    QFont bold = base;
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(Qt::black);
    p.drawText(QRectF(area.left(), area.top(), area.width(), line), Qt::AlignLeft | Qt::AlignVCenter, Local(chart.title));
    p.setFont(base);

    const double yLabelWidth = fm.horizontalAdvance(QStringLiteral("-0000")) + unit * 2;
    const double legendLines = chart.note.empty() ? 1 : 2;
    QRectF plot(area.left() + yLabelWidth + line, area.top() + line * 1.5, 0, 0);
    plot.setRight(area.right() - unit * 2);
    plot.setBottom(area.bottom() - line * (2.2 + legendLines));
    if (plot.width() <= 10 || plot.height() <= 10) {
        p.restore();
        return;
    }
    const double xSpan = chart.xMax > chart.xMin ? chart.xMax - chart.xMin : 1;
    const double ySpan = chart.yMax > chart.yMin ? chart.yMax - chart.yMin : 1;
    const auto X = [&](double x) { return plot.left() + (x - chart.xMin) / xSpan * plot.width(); };
    const auto Y = [&](double y) { return plot.bottom() - (y - chart.yMin) / ySpan * plot.height(); };

    // Bands behind everything.
    for (const ChartBand& b : chart.bands) {
        QColor c = ChartQColor(b.colour);
        c.setAlpha(50);
        const double x1 = std::clamp(X(b.x1), plot.left(), plot.right());
        const double x2 = std::clamp(X(b.x2), plot.left(), plot.right());
        p.fillRect(QRectF(x1, plot.top(), std::max(x2 - x1, unit / 2), plot.height()), c);
    }

    // Grid and axis labels.
    QPen grid(QColor(220, 220, 220));
    grid.setWidthF(unit / 4);
    std::vector<double> xTicks = chart.xTicks;
    if (xTicks.empty()) {
        const double step = NiceStep(xSpan, 8);
        for (double x = std::ceil(chart.xMin / step) * step; x <= chart.xMax + 1e-9; x += step) xTicks.push_back(x);
    }
    const double yStep = NiceStep(ySpan, 6);
    std::vector<double> yTicks;
    for (double y = std::ceil(chart.yMin / yStep) * yStep; y <= chart.yMax + 1e-9; y += yStep) yTicks.push_back(y);
    double lastLabelRight = -1e9;
    for (double x : xTicks) {
        p.setPen(grid);
        p.drawLine(QPointF(X(x), plot.top()), QPointF(X(x), plot.bottom()));
        const QString t = Number(x);
        const double w = fm.horizontalAdvance(t);
        // Close ticks (the borders 16..48) keep only the labels that fit.
        if (X(x) - w / 2 < lastLabelRight + unit) continue;
        lastLabelRight = X(x) + w / 2;
        p.setPen(Qt::black);
        p.drawText(QRectF(X(x) - w, plot.bottom() + unit, 2 * w, line), Qt::AlignHCenter | Qt::AlignTop, t);
    }
    for (double y : yTicks) {
        p.setPen(grid);
        p.drawLine(QPointF(plot.left(), Y(y)), QPointF(plot.right(), Y(y)));
        p.setPen(Qt::black);
        p.drawText(QRectF(area.left() + line, Y(y) - line / 2, yLabelWidth - unit, line),
                   Qt::AlignRight | Qt::AlignVCenter, Number(y));
    }
    QPen axis(Qt::black);
    axis.setWidthF(unit / 3);
    p.setPen(axis);
    p.drawRect(plot);
    p.drawText(QRectF(plot.left(), plot.bottom() + line + unit, plot.width(), line), Qt::AlignHCenter | Qt::AlignTop,
               Local(chart.xLabel));
    p.save();
    p.translate(area.left() + line * 0.1, plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-plot.height() / 2, 0, plot.height(), line), Qt::AlignCenter, Local(chart.yLabel));
    p.restore();

    // Series, clipped to the plot.
    p.save();
    p.setClipRect(plot.adjusted(-unit, -unit, unit, unit));
    for (const ChartSeries& s : chart.series) {
        QPen pen(ChartQColor(s.colour));
        pen.setWidthF(unit / 1.5);
        if (s.dashed) pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        QPainterPath path;
        for (std::size_t i = 0; i < s.points.size(); ++i) {
            const QPointF pt(X(s.points[i].first), Y(s.points[i].second));
            if (i == 0) path.moveTo(pt);
            else path.lineTo(pt);
        }
        p.drawPath(path);
        if (s.dots) {
            p.setBrush(ChartQColor(s.colour));
            p.setPen(Qt::NoPen);
            for (const auto& pt : s.points) p.drawEllipse(QPointF(X(pt.first), Y(pt.second)), unit / 1.6, unit / 1.6);
            p.setBrush(Qt::NoBrush);
        }
    }
    p.restore();

    // Markers: a vertical line with its label near the top, labels stacked.
    double labelY = plot.top() + unit;
    for (const ChartMarker& m : chart.markers) {
        if (m.x < chart.xMin || m.x > chart.xMax) continue;
        QPen pen(ChartQColor(m.colour));
        pen.setWidthF(unit / 2);
        pen.setStyle(Qt::DashDotLine);
        p.setPen(pen);
        p.drawLine(QPointF(X(m.x), plot.top()), QPointF(X(m.x), plot.bottom()));
        const QString t = Local(m.label);
        const double w = fm.horizontalAdvance(t) + unit;
        double lx = X(m.x) + unit;
        if (lx + w > plot.right()) lx = X(m.x) - unit - w;
        p.fillRect(QRectF(lx, labelY, w, line), QColor(255, 255, 255, 210));
        p.drawText(QRectF(lx, labelY, w, line), Qt::AlignCenter, t);
        labelY += line;
    }

    // Legend and note.
    double lx = plot.left();
    const double ly = plot.bottom() + line * 2.2;
    for (const ChartSeries& s : chart.series) {
        QPen pen(ChartQColor(s.colour));
        pen.setWidthF(unit / 1.5);
        if (s.dashed) pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        p.drawLine(QPointF(lx, ly + line / 2), QPointF(lx + line * 1.5, ly + line / 2));
        p.setPen(Qt::black);
        const QString t = Local(s.name);
        p.drawText(QRectF(lx + line * 1.8, ly, fm.horizontalAdvance(t) + unit, line), Qt::AlignVCenter, t);
        lx += line * 2.5 + fm.horizontalAdvance(t);
    }
    if (!chart.note.empty()) {
        p.setPen(Qt::black);
        p.drawText(QRectF(plot.left(), ly + line, plot.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
                   Local(chart.note));
    }
    p.restore();
}

}  // namespace platform::qt
