#include "tests/support/ManualClock.h"

#include "core/instrument/Lifecycle.h"

#include <QCoreApplication>

namespace testsupport {

void ManualClock::delay(std::chrono::milliseconds ms) {
    if (lifecycle_)
        lifecycle_->checkpoint();
    if (ms.count() > 0) {
        now_ += ms;
        waited_ += ms;
    }
    if (onDelay_)
        onDelay_();
    QCoreApplication::processEvents();
    if (lifecycle_)
        lifecycle_->checkpoint();
}

} // namespace testsupport
