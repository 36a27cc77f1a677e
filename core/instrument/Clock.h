#pragma once

#include <chrono>
#include <functional>

namespace device {

class Lifecycle;
class WakeSource;

// Time as the exchanges see it: the current tick and waits that keep the window alive.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; never goes backwards.
    [[nodiscard]] virtual std::chrono::milliseconds now() const = 0;

protected:
    // Only an action's link waits (see Link); clocks may build on each other's waits.
    friend class Link;
    // Waits ms while window events are processed (at least once, also for 0 ms). Throws
    // EndRequested when the program is ending and no critical write is running.
    virtual void delay(std::chrono::milliseconds ms) = 0;
    // Waits until done() holds or `timeout` has passed and returns done() at the end. done() is
    // looked at whenever `wake` signals and when the time is up. Without a wake source, and in a
    // clock that cannot be woken, it is looked at once per timing::PollStep instead, the last
    // time at the first step that reaches `timeout`. Throws EndRequested as delay() does.
    virtual bool waitFor(std::chrono::milliseconds timeout, const std::function<bool()>& done,
                         const WakeSource* wake);
};

// The real clock: blocks in the event loop until an event or the deadline, without spinning.
class EventLoopClock final : public Clock {
public:
    explicit EventLoopClock(Lifecycle& lifecycle);
    ~EventLoopClock() override;
    [[nodiscard]] std::chrono::milliseconds now() const override;

private:
    void delay(std::chrono::milliseconds ms) override;
    // Looks at done() first, then blocks in the event loop until `wake` finds done() holding, the
    // time is up or the program is ending; a critical write keeps waiting through an end request.
    bool waitFor(std::chrono::milliseconds timeout, const std::function<bool()>& done,
                 const WakeSource* wake) override;
    // Blocks in the event loop for ms, or until `wake` finds done() holding, or an end that may
    // cut the wait short; never spins.
    void block(std::chrono::milliseconds ms, const WakeSource* wake,
               const std::function<bool()>& done);

    Lifecycle& lifecycle_;
    std::chrono::steady_clock::time_point start_;
};

} // namespace device
