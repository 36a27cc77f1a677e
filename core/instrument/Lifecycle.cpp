#include "core/instrument/Lifecycle.h"

namespace device {

void Lifecycle::requestEnd() {
    if (endRequested_)
        return;
    endRequested_ = true;
    emit endWasRequested();
}

void Lifecycle::checkpoint() const {
    if (shouldAbort())
        throw EndRequested{};
}

} // namespace device
