#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace cli {

// Turns SIGINT, SIGTERM and SIGHUP into one call of `onSignal` from the event loop, so that a
// command ends through its normal path: the running action unwinds at its next wait (a block
// write finishes first), the trace is saved and the report printed. A signal that arrives while
// no event loop runs waits for the next one; a second signal before the first was taken ends the
// program as that signal does by default. Later signals are taken and ignored. Only one may
// exist at a time. Does nothing where the system has no such signals.
class SignalEnd final : public QObject {
public:
    explicit SignalEnd(std::function<void(int)> onSignal);
    ~SignalEnd() override;
    SignalEnd(const SignalEnd&) = delete;
    SignalEnd& operator=(const SignalEnd&) = delete;

    // The first signal taken, or 0.
    [[nodiscard]] int received() const { return received_; }
    // "SIGTERM" and the like.
    [[nodiscard]] static QString name(int signal);

private:
    void take();

    std::function<void(int)> onSignal_;
    int received_ = 0;
    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace cli
