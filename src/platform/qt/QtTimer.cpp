#include "platform/qt/QtTimer.h"

namespace platform::qt {

QtTimer::QtTimer() {
    timer_.setInterval(50);
    // Ticks must come evenly: a coarse timer may slip by several percent.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        // Copied, so a handler that replaces itself finishes safely.
        if (auto handler = handler_) handler();
    });
}

QtTimer::~QtTimer() { timer_.stop(); }

void QtTimer::setInterval(int ms) {
    const bool running = timer_.isActive();
    timer_.setInterval(ms < 0 ? 0 : ms);
    if (running) timer_.start();
}

void QtTimer::setEnabled(bool on) {
    if (on == timer_.isActive()) return;
    if (on) timer_.start();
    else timer_.stop();
}

} // namespace platform::qt
