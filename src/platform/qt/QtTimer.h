#pragma once
// The program's heartbeat on a QTimer: calls back on the GUI thread every
// interval (50 ms unless set otherwise) while enabled.
#include <QTimer>

#include <functional>

#include "platform/Timer.h"

namespace platform::qt {

class QtTimer final : public ITimer {
public:
    QtTimer();
    ~QtTimer() override;
    QtTimer(const QtTimer&) = delete;
    QtTimer& operator=(const QtTimer&) = delete;

    // A new interval takes effect at once; a running timer starts its
    // period anew.
    void setInterval(int ms) override;
    void setEnabled(bool on) override;
    bool enabled() const override { return timer_.isActive(); }
    void setOnTimer(std::function<void()> handler) override { handler_ = std::move(handler); }
    int interval() const { return timer_.interval(); }

private:
    QTimer timer_;
    std::function<void()> handler_;
};

} // namespace platform::qt
