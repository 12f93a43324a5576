#include "platform/qt/QtChartWindow.h"

#include <QApplication>
#include <QPainter>
#include <QVBoxLayout>

#include "platform/qt/ChartPainter.h"

namespace platform::qt {

void ChartWidget::setChart(const Chart& chart) {
    chart_ = chart;
    update();  // painted with the next paint event, not here
}

void ChartWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    PaintChart(p, QRectF(rect()).adjusted(6, 4, -6, -4), chart_);
}

// A window to look at: it never takes the keyboard from the console.
QtChartWindow::QtChartWindow(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("chartWindow"));
    setWindowTitle(QStringLiteral("Charts"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    sweep_ = new ChartWidget(this);
    sweep_->setObjectName(QStringLiteral("sweepChart"));
    txf_ = new ChartWidget(this);
    txf_->setObjectName(QStringLiteral("txfChart"));
    layout->addWidget(sweep_);
    layout->addWidget(txf_);
    resize(640, 720);
}

void QtChartWindow::setSweepChart(const Chart& chart) {
    ++updates_;
    sweep_->setChart(chart);
}

void QtChartWindow::setTxfChart(const Chart& chart) {
    ++updates_;
    txf_->setChart(chart);
}

void QtChartWindow::showCharts() {
    if (isVisible()) return;
    // Beside the main window the first time, where the user left it later.
    if (!placed_ && parentWidget() != nullptr) {
        const QRect main = parentWidget()->frameGeometry();
        move(main.right() + 8, main.top());
        placed_ = true;
    }
    // Some platforms activate every window shown; the keys stay where they were.
    QWidget* active = QApplication::activeWindow();
    show();
    if (active != nullptr && active != this) active->activateWindow();
}

}  // namespace platform::qt
