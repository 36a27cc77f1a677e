#include "core/instrument/Clock.h"

#include "core/instrument/Lifecycle.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace device {

EventLoopClock::EventLoopClock(Lifecycle& lifecycle)
    : lifecycle_(lifecycle), start_(std::chrono::steady_clock::now()) {}

EventLoopClock::~EventLoopClock() = default;

std::chrono::milliseconds EventLoopClock::now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start_);
}

void EventLoopClock::delay(std::chrono::milliseconds ms) {
    lifecycle_.checkpoint();
    if (ms.count() <= 0) {
        QCoreApplication::processEvents();
    } else {
        QEventLoop loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        deadline.setTimerType(Qt::PreciseTimer);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        const auto endConnection =
            QObject::connect(&lifecycle_, &Lifecycle::endWasRequested, &loop, &QEventLoop::quit);
        deadline.start(ms);
        loop.exec();
        QObject::disconnect(endConnection);
    }
    lifecycle_.checkpoint();
}

} // namespace device
