#include "core/instrument/Link.h"

#include "core/instrument/Clock.h"

namespace device {

void Link::delay(std::chrono::milliseconds ms) const {
    clock_.delay(ms);
}

std::chrono::milliseconds Link::now() const {
    return clock_.now();
}

} // namespace device
