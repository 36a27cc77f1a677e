#pragma once

#include <functional>
#include <thread>

namespace sim {

// Turns SIGINT, SIGTERM and SIGHUP into a call of `onSignal` on a thread of its own, so the
// program can leave through its normal path and clean up. Create it before any other thread:
// the signals are blocked in the creating thread and in every thread started after it.
class SignalWatcher {
public:
    explicit SignalWatcher(std::function<void(int)> onSignal);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

private:
    std::function<void(int)> onSignal_;
    std::thread waiter_;
};

} // namespace sim
