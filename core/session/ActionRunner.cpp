#include "core/session/ActionRunner.h"

#include "core/instrument/SerialLine.h"

namespace session {

ActionRunner::ActionRunner(device::SerialLine& line, device::Clock& clock,
                           device::Lifecycle& lifecycle, QObject* parent)
    : QObject(parent), line_(line), clock_(clock), lifecycle_(lifecycle) {}

void ActionRunner::requestEnd() {
    if (ended_)
        return;
    lifecycle_.requestEnd();
    if (busy_) {
        // The running action unwinds at its next wait; run() then finishes the end.
        stopPolling();
        return;
    }
    finishEnd();
}

void ActionRunner::finishEnd() {
    if (ended_)
        return;
    ended_ = true;
    stopPolling();
    line_.close();
    emit ended();
}

} // namespace session
