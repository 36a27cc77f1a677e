#pragma once

#include <QObject>

namespace device {

// Thrown out of a wait when the operator has ended the program: the action that was waiting
// unwinds without sending anything more. Caught where an action starts (ActionRunner::run).
struct EndRequested {};

// Thrown out of a wait when the operator cancelled the long exchange it belongs to (the port
// search, a connect). Caught by the action that offered the cancel.
struct CancelRequested {};

// Knows whether the program is ending. Writes that must not be cut short (a sensor block, the
// system constants) run inside a CriticalSection: an end asked for meanwhile takes effect when
// the section closes.
class Lifecycle : public QObject {
    Q_OBJECT
public:
    class CriticalSection {
    public:
        explicit CriticalSection(Lifecycle& lifecycle) : lifecycle_(lifecycle) {
            ++lifecycle_.criticalDepth_;
            lifecycle_.criticalEntered_ = true;
        }
        ~CriticalSection() { --lifecycle_.criticalDepth_; }
        CriticalSection(const CriticalSection&) = delete;
        CriticalSection& operator=(const CriticalSection&) = delete;

    private:
        Lifecycle& lifecycle_;
    };

    // While one lives, requestCancel() cuts the exchange short at its next wait; the cancel
    // is forgotten when the last one ends.
    class Cancellable {
    public:
        explicit Cancellable(Lifecycle& lifecycle) : lifecycle_(lifecycle) {
            ++lifecycle_.cancellableDepth_;
        }
        ~Cancellable() {
            if (--lifecycle_.cancellableDepth_ == 0)
                lifecycle_.cancelRequested_ = false;
        }
        Cancellable(const Cancellable&) = delete;
        Cancellable& operator=(const Cancellable&) = delete;

    private:
        Lifecycle& lifecycle_;
    };

    void requestEnd();
    [[nodiscard]] bool endRequested() const { return endRequested_; }
    // Ignored unless a Cancellable lives; wakes the wait in progress.
    void requestCancel();
    [[nodiscard]] bool cancelRequested() const { return cancelRequested_; }
    [[nodiscard]] bool inCriticalSection() const { return criticalDepth_ > 0; }
    // Whether a critical write has begun since the program started: the instrument may have
    // been changed.
    [[nodiscard]] bool criticalSectionEntered() const { return criticalEntered_; }
    // True when a wait should give up now: the end or a cancel was asked for and no write is
    // running.
    [[nodiscard]] bool shouldAbort() const {
        return (endRequested_ || cancelRequested_) && criticalDepth_ == 0;
    }
    // Throws EndRequested, else CancelRequested, when shouldAbort().
    void checkpoint() const;

signals:
    void endWasRequested();
    void cancelWasRequested();

private:
    bool endRequested_ = false;
    bool cancelRequested_ = false;
    int criticalDepth_ = 0;
    bool criticalEntered_ = false;
    int cancellableDepth_ = 0;
};

} // namespace device
