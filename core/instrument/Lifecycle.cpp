#include "core/instrument/Lifecycle.h"

namespace device {

void Lifecycle::requestEnd() {
    if (endRequested_)
        return;
    endRequested_ = true;
    emit endWasRequested();
}

void Lifecycle::requestCancel() {
    if (cancellableDepth_ == 0 || cancelRequested_)
        return;
    cancelRequested_ = true;
    emit cancelWasRequested();
}

void Lifecycle::checkpoint() const {
    if (!shouldAbort())
        return;
    if (endRequested_)
        throw EndRequested{};
    throw CancelRequested{};
}

} // namespace device
