#pragma once

#include "core/instrument/Lifecycle.h"
#include "core/instrument/Link.h"

#include <QObject>
#include <utility>

namespace device {
class Clock;
class SerialLine;
} // namespace device

namespace session {

// Runs the actions that talk to the instrument, one at a time. Waits process window events, so
// a click can start a second action in the middle of the first and mix their frames on the
// line; an action started while another holds the line does nothing. The runner hands each
// action the link it may wait on, asks the views to lock the navigation and to stop or start
// the polling, and defers the end of the program until the running action has unwound.
class ActionRunner : public QObject, private device::LinkIssuer {
    Q_OBJECT
public:
    ActionRunner(device::SerialLine& line, device::Clock& clock, device::Lifecycle& lifecycle,
                 QObject* parent = nullptr);

    // Runs action(link) holding the line; false when another action holds it or the program
    // has ended, and the action did not run. An end asked for during the action unwinds it at
    // its next wait (nothing more is sent), and the end is finished when it has unwound.
    template <class Action> bool run(Action&& action);
    [[nodiscard]] bool busy() const { return busy_; }

    // Ends the program: at once, or when the running action has unwound. ended() is then
    // emitted once, after the polling stopped and the port closed.
    void requestEnd();
    [[nodiscard]] bool hasEnded() const { return ended_; }
    [[nodiscard]] device::Lifecycle& lifecycle() { return lifecycle_; }

    // Back, Next, Cancel and the port search, around longer exchanges.
    void disableNavigation() { emit navigationEnabled(false); }
    void enableNavigation() { emit navigationEnabled(true); }
    // The live signal's polling; the views own its timer.
    void stopPolling() { emit pollingWanted(false); }
    void startPolling() { emit pollingWanted(true); }

signals:
    // An action took the line (true) or gave it back (false), whatever its end.
    void busyChanged(bool busy);
    void navigationEnabled(bool enabled);
    void pollingWanted(bool running);
    // The program has ended: the views close.
    void ended();

private:
    void finishEnd();

    device::SerialLine& line_;
    device::Clock& clock_;
    device::Lifecycle& lifecycle_;
    bool busy_ = false;
    bool ended_ = false;
};

template <class Action> bool ActionRunner::run(Action&& action) {
    if (ended_ || busy_)
        return false;
    busy_ = true;
    emit busyChanged(true);
    try {
        std::forward<Action>(action)(issueLink(line_, clock_));
    } catch (const device::EndRequested&) {
        // The operator ended the program during a wait; nothing more is sent.
    } catch (const device::CancelRequested&) {
        // A cancel the action did not catch itself: it stops there all the same.
    } catch (...) {
        busy_ = false;
        emit busyChanged(false);
        throw;
    }
    busy_ = false;
    emit busyChanged(false);
    if (lifecycle_.endRequested())
        finishEnd();
    return true;
}

} // namespace session
