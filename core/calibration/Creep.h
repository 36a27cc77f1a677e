#pragma once

#include <chrono>
#include <optional>

namespace calibration {

// The change of the signal under a held load, as force laboratories read it: a reading 30 s
// after the load is in place, one at the end of the chosen time, and their change in % of the
// 30 s reading; the change from the first reading beside it.
struct CreepResult {
    std::chrono::milliseconds duration{0};
    double start = 0.0;         // mV/V, the first reading
    double at30 = 0.0;          // the first reading 30 s or more after it
    double end = 0.0;           // the first reading at the end of the duration or after it
    double creepPercent = 0.0;  // (end - at30) / at30 * 100
    double changePercent = 0.0; // (end - start) / start * 100
    bool operator==(const CreepResult&) const = default;
};

// One creep check, fed with timestamped readings of a monotonic clock; it has no timer of its
// own, so a test or a view drives it at any pace.
class CreepCheck {
public:
    static constexpr std::chrono::seconds FirstReading{30};
    static constexpr std::chrono::minutes DefaultDuration{5};
    static constexpr std::chrono::minutes ShortestDuration{1};
    static constexpr std::chrono::minutes LongestDuration{30};

    enum class State {
        Running,
        Finished,
        ZeroReading, // a reading the change was to be taken of lies within ±zeroBelow
    };

    // `zeroBelow` (mV/V): a reading nearer zero than this carries no load a percentage could be
    // taken of. The duration is held within ShortestDuration..LongestDuration.
    CreepCheck(std::chrono::milliseconds duration, double zeroBelow);

    // One reading at `time`; readings before the previous one are ignored. The first starts
    // the check. After Finished or ZeroReading nothing changes any more.
    State add(std::chrono::milliseconds time, double signal);

    [[nodiscard]] State state() const { return state_; }
    [[nodiscard]] std::chrono::milliseconds duration() const { return duration_; }
    [[nodiscard]] std::optional<double> start() const { return start_; }
    [[nodiscard]] std::optional<double> at30() const { return at30_; }
    [[nodiscard]] std::optional<double> end() const { return end_; }
    // The time still to run at `now`: the whole duration before the first reading, 0 at the end.
    [[nodiscard]] std::chrono::milliseconds left(std::chrono::milliseconds now) const;
    // Once Finished.
    [[nodiscard]] std::optional<CreepResult> result() const;

private:
    bool taken(std::optional<double>& slot, double signal);

    std::chrono::milliseconds duration_;
    double zeroBelow_;
    State state_ = State::Running;
    std::optional<std::chrono::milliseconds> startTime_;
    std::chrono::milliseconds lastTime_{0};
    std::optional<double> start_;
    std::optional<double> at30_;
    std::optional<double> end_;
};

} // namespace calibration
