#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace device {

// The readings of a stretch of the live signal in mV/V: their mean, their number and their
// experimental standard deviation (n - 1 in the divisor; 0 for a single reading).
struct SignalWindow {
    double mean = 0.0;
    int readings = 0;
    double deviation = 0.0;
    bool operator==(const SignalWindow&) const = default;
};

// When the signal counts as stable: the last `readings` polls all lie within `band` (mV/V) of
// their mean.
struct StabilityRule {
    double band = 0.0;
    int readings = 10;
    bool operator==(const StabilityRule&) const = default;
};

[[nodiscard]] SignalWindow windowOf(std::span<const float> readings);

// The window of the last rule.readings readings when they are stable; nullopt when fewer came
// or one of them lies outside the band.
[[nodiscard]] std::optional<SignalWindow> stableWindow(std::span<const float> readings,
                                                       const StabilityRule& rule);

// The live signal's recent readings and whether they are stable now. A gap in the readings (no
// reply, a lost line) starts the window again.
class StabilityWatch {
public:
    void setRule(const StabilityRule& rule);
    [[nodiscard]] const StabilityRule& rule() const { return rule_; }
    void add(float reading);
    void restart() { readings_.clear(); }
    [[nodiscard]] std::optional<SignalWindow> stable() const;
    // The readings of the last hold time, stable or not.
    [[nodiscard]] SignalWindow recent() const;

private:
    StabilityRule rule_;
    // At most rule_.readings, oldest first.
    std::vector<float> readings_;
};

} // namespace device
