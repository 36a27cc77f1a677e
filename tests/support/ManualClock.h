#pragma once

#include "core/instrument/Clock.h"
#include "core/instrument/Lifecycle.h"

#include <QCoreApplication>
#include <chrono>
#include <functional>

namespace testsupport {

// A clock for tests.
class ManualClock final : public device::Clock {
public:
    explicit ManualClock(device::Lifecycle* lifecycle = nullptr) : lifecycle_(lifecycle) {}
    [[nodiscard]] std::chrono::milliseconds now() const override { return now_; }
    void delay(std::chrono::milliseconds ms) override {
        checkpoint();
        if (ms.count() > 0) {
            now_ += ms;
            waited_ += ms;
        }
        if (onDelay_)
            onDelay_();
        QCoreApplication::processEvents();
        checkpoint();
    }
    void advance(std::chrono::milliseconds ms) { now_ += ms; }
    // Called at every wait, after the time moved on (to script events in the middle of one).
    void setOnDelay(std::function<void()> callback) { onDelay_ = std::move(callback); }
    [[nodiscard]] std::chrono::milliseconds waited() const { return waited_; }

private:
    void checkpoint() {
        if (lifecycle_)
            lifecycle_->checkpoint();
    }

    device::Lifecycle* lifecycle_;
    std::chrono::milliseconds now_{0};
    std::chrono::milliseconds waited_{0};
    std::function<void()> onDelay_;
};

} // namespace testsupport
