#include "core/instrument/Link.h"

#include "core/instrument/Clock.h"

namespace device {

void Link::delay(std::chrono::milliseconds ms) const {
    clock_.delay(ms);
}

bool Link::waitFor(std::chrono::milliseconds timeout, const std::function<bool()>& done,
                   const WakeSource* wake) const {
    return clock_.waitFor(timeout, done, wake);
}

std::chrono::milliseconds Link::now() const {
    return clock_.now();
}

} // namespace device
