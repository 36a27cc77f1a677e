#include "core/calibration/Creep.h"

#include <algorithm>
#include <cmath>

namespace calibration {

CreepCheck::CreepCheck(std::chrono::milliseconds duration, double zeroBelow)
    : duration_(std::clamp<std::chrono::milliseconds>(duration, ShortestDuration, LongestDuration)),
      zeroBelow_(std::fabs(zeroBelow)) {}

bool CreepCheck::taken(std::optional<double>& slot, double signal) {
    slot = signal;
    if (std::fabs(signal) > zeroBelow_ && std::isfinite(signal))
        return true;
    state_ = State::ZeroReading;
    return false;
}

CreepCheck::State CreepCheck::add(std::chrono::milliseconds time, double signal) {
    if (state_ != State::Running || (startTime_ && time < lastTime_))
        return state_;
    lastTime_ = time;
    if (!startTime_) {
        startTime_ = time;
        taken(start_, signal);
        return state_;
    }
    const auto since = time - *startTime_;
    if (!at30_ && since >= FirstReading && !taken(at30_, signal))
        return state_;
    if (since >= duration_) {
        end_ = signal;
        state_ = State::Finished;
    }
    return state_;
}

std::chrono::milliseconds CreepCheck::left(std::chrono::milliseconds now) const {
    if (!startTime_)
        return duration_;
    return std::max(std::chrono::milliseconds(0), duration_ - (now - *startTime_));
}

std::optional<CreepResult> CreepCheck::result() const {
    if (state_ != State::Finished)
        return std::nullopt;
    return CreepResult{duration_,
                       *start_,
                       *at30_,
                       *end_,
                       (*end_ - *at30_) / *at30_ * 100.0,
                       (*end_ - *start_) / *start_ * 100.0};
}

} // namespace calibration
