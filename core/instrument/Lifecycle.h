#pragma once

#include <QObject>

namespace device {

// Thrown out of a wait when the operator has ended the program: the action that was waiting
// unwinds without sending anything more. Caught where an action starts (ActionRunner::run).
struct EndRequested {};

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

    void requestEnd();
    [[nodiscard]] bool endRequested() const { return endRequested_; }
    [[nodiscard]] bool inCriticalSection() const { return criticalDepth_ > 0; }
    // Whether a critical write has begun since the program started: the instrument may have
    // been changed.
    [[nodiscard]] bool criticalSectionEntered() const { return criticalEntered_; }
    // True when a wait should give up now: the end was asked for and no write is running.
    [[nodiscard]] bool shouldAbort() const { return endRequested_ && criticalDepth_ == 0; }
    // Throws EndRequested when shouldAbort().
    void checkpoint() const;

signals:
    void endWasRequested();

private:
    bool endRequested_ = false;
    int criticalDepth_ = 0;
    bool criticalEntered_ = false;
};

} // namespace device
