#include "core/instrument/Stability.h"

#include <algorithm>
#include <cmath>

namespace device {

SignalWindow windowOf(std::span<const float> readings) {
    SignalWindow window;
    window.readings = static_cast<int>(readings.size());
    if (readings.empty())
        return window;
    double sum = 0.0;
    for (const float reading : readings)
        sum += reading;
    // Equal readings give exactly their value back: the sum of at most a few dozen floats is
    // exact in a double.
    window.mean = sum / static_cast<double>(readings.size());
    if (readings.size() < 2)
        return window;
    double squares = 0.0;
    for (const float reading : readings)
        squares += (reading - window.mean) * (reading - window.mean);
    window.deviation = std::sqrt(squares / static_cast<double>(readings.size() - 1));
    return window;
}

std::optional<SignalWindow> stableWindow(std::span<const float> readings,
                                         const StabilityRule& rule) {
    const auto wanted = static_cast<std::size_t>(std::max(rule.readings, 1));
    if (readings.size() < wanted)
        return std::nullopt;
    const std::span<const float> last = readings.last(wanted);
    const SignalWindow window = windowOf(last);
    const bool inBand = std::all_of(last.begin(), last.end(), [&](float reading) {
        return std::abs(reading - window.mean) <= rule.band;
    });
    return inBand ? std::optional(window) : std::nullopt;
}

void StabilityWatch::setRule(const StabilityRule& rule) {
    rule_ = rule;
    const auto keep = static_cast<std::size_t>(std::max(rule_.readings, 1));
    if (readings_.size() > keep)
        readings_.erase(readings_.begin(),
                        readings_.begin() + static_cast<std::ptrdiff_t>(readings_.size() - keep));
}

void StabilityWatch::add(float reading) {
    readings_.push_back(reading);
    setRule(rule_);
}

std::optional<SignalWindow> StabilityWatch::stable() const {
    return stableWindow(readings_, rule_);
}

SignalWindow StabilityWatch::recent() const {
    return windowOf(readings_);
}

} // namespace device
