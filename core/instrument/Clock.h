#pragma once

#include <chrono>

class QElapsedTimer;

namespace device {

class Lifecycle;

// Time as the exchanges see it: the current tick and a wait that keeps the window alive.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; never goes backwards.
    [[nodiscard]] virtual std::chrono::milliseconds now() const = 0;

private:
    // Only an action's link waits (see Link).
    friend class Link;
    // Waits ms while window events are processed (at least once, also for 0 ms). Throws
    // EndRequested when the program is ending and no critical write is running.
    virtual void delay(std::chrono::milliseconds ms) = 0;
};

// The real clock: blocks in the event loop until an event or the deadline, without spinning.
class EventLoopClock final : public Clock {
public:
    explicit EventLoopClock(Lifecycle& lifecycle);
    ~EventLoopClock() override;
    [[nodiscard]] std::chrono::milliseconds now() const override;

private:
    void delay(std::chrono::milliseconds ms) override;

    Lifecycle& lifecycle_;
    std::chrono::steady_clock::time_point start_;
};

} // namespace device
