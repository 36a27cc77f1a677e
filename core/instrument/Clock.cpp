#include "core/instrument/Clock.h"

#include "core/instrument/Lifecycle.h"
#include "core/instrument/Timing.h"
#include "core/instrument/WakeSource.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace device {

bool Clock::waitFor(std::chrono::milliseconds timeout, const std::function<bool()>& done,
                    const WakeSource*) {
    for (std::chrono::milliseconds waited{0};;) {
        delay(timing::PollStep);
        waited += timing::PollStep;
        if (done() || waited >= timeout)
            break;
    }
    return done();
}

EventLoopClock::EventLoopClock(Lifecycle& lifecycle)
    : lifecycle_(lifecycle), start_(std::chrono::steady_clock::now()) {}

EventLoopClock::~EventLoopClock() = default;

std::chrono::milliseconds EventLoopClock::now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start_);
}

void EventLoopClock::block(std::chrono::milliseconds ms, const WakeSource* wake,
                           const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (wake != nullptr)
        QObject::connect(wake, &WakeSource::woken, &loop, [&] {
            if (done())
                loop.quit();
        });
    // Inside a critical write (the lead-in of a block write, an echo) the wait runs on.
    const auto abortWhenAsked = [&] {
        if (lifecycle_.shouldAbort())
            loop.quit();
    };
    QObject::connect(&lifecycle_, &Lifecycle::endWasRequested, &loop, abortWhenAsked);
    QObject::connect(&lifecycle_, &Lifecycle::cancelWasRequested, &loop, abortWhenAsked);
    deadline.start(ms);
    loop.exec();
}

void EventLoopClock::delay(std::chrono::milliseconds ms) {
    lifecycle_.checkpoint();
    if (ms.count() <= 0)
        QCoreApplication::processEvents();
    else
        block(ms, nullptr, {});
    lifecycle_.checkpoint();
}

bool EventLoopClock::waitFor(std::chrono::milliseconds timeout, const std::function<bool()>& done,
                             const WakeSource* wake) {
    if (wake == nullptr)
        return Clock::waitFor(timeout, done, wake);
    lifecycle_.checkpoint();
    // What is already there (a reply complete before the wait began) is taken without blocking.
    if (!done() && timeout.count() > 0)
        block(timeout, wake, done);
    lifecycle_.checkpoint();
    return done();
}

} // namespace device
