#include "ui/Lifecycle.h"

namespace ui {

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

} // namespace ui
