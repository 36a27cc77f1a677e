#include "sim/SignalWatcher.h"

#include <pthread.h>
#include <signal.h>

namespace sim {

namespace {

// The watcher's own signal for stopping its thread.
constexpr int StopSignal = SIGUSR2;

sigset_t watchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    sigaddset(&set, StopSignal);
    return set;
}

} // namespace

SignalWatcher::SignalWatcher(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
    const sigset_t set = watchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    waiter_ = std::thread([this] {
        const sigset_t waitSet = watchedSignals();
        while (true) {
            int signal = 0;
            if (sigwait(&waitSet, &signal) != 0 || signal == StopSignal)
                return;
            onSignal_(signal);
        }
    });
}

SignalWatcher::~SignalWatcher() {
    pthread_kill(waiter_.native_handle(), StopSignal);
    waiter_.join();
}

} // namespace sim
