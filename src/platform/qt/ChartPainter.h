#pragma once
// One drawing routine for a chart (platform/Document.h), used by the chart
// window on the screen and by the report on PDF pages and printers: the
// sizes follow the rectangle and the font given, so both look alike.
#include <QColor>
#include <QPainter>
#include <QRectF>

#include "platform/Document.h"

namespace platform::qt {

QColor ChartQColor(ChartColour c);

// Draws the chart into `area` with the painter's current font as the base size.
void PaintChart(QPainter& p, const QRectF& area, const Chart& chart);

}  // namespace platform::qt
