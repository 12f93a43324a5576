#pragma once
// A periodic timer that calls back on the program's one thread.
#include <functional>

namespace platform {

class ITimer {
public:
    virtual ~ITimer() = default;
    virtual void setInterval(int ms) = 0;
    virtual void setEnabled(bool on) = 0;
    virtual bool enabled() const = 0;
    virtual void setOnTimer(std::function<void()> handler) = 0;
};

// A timer that fires only when a test says so.
class ManualTimer final : public ITimer {
public:
    void setInterval(int ms) override { interval = ms; }
    void setEnabled(bool on) override { on_ = on; }
    bool enabled() const override { return on_; }
    void setOnTimer(std::function<void()> handler) override { handler_ = std::move(handler); }
    // Runs the handler when enabled; returns whether it ran.
    bool fire() {
        if (!on_ || !handler_) return false;
        handler_();
        return true;
    }
    int interval = 0;

private:
    bool on_ = false;
    std::function<void()> handler_;
};

} // namespace platform
