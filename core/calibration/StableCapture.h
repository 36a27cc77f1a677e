#pragma once

#include "core/instrument/Stability.h"

#include <QStringView>
#include <map>
#include <optional>

class QSettings;

namespace calibration {

class CurveTable;

// How the live signal is judged stable, and whether a stable new load opens the point dialog by
// itself; kept in the settings under "Stability".
struct StabilitySetting {
    // The band around the mean, in display digits of the sensor (see stabilityRule).
    double bandDigits = 1.0;
    // How long the signal must stay in the band.
    double holdSeconds = 2.0;
    bool autoCapture = false;

    static constexpr double MinBandDigits = 0.1;
    static constexpr double MaxBandDigits = 100.0;
    static constexpr double MinHoldSeconds = 0.4;
    static constexpr double MaxHoldSeconds = 10.0;

    // Out-of-range or missing values read as the defaults.
    [[nodiscard]] static StabilitySetting load(const QSettings& store);
    void save(QSettings& store) const;
    bool operator==(const StabilitySetting&) const = default;
};

// Without a curve of two points a display digit has no size in mV/V: it counts as this many
// converter divisions, about one digit of a 3000-digit display on a 2 mV/V sensor at the finest
// range (2 / 3000 / 0.0001193 mV/V per division).
inline constexpr double DivisionsPerDigit = 5.0;

// The rule for the live signal: the band is bandDigits display digits of the sensor (its number
// pattern's last digit) turned into mV/V through the curve's terminal slope, or, while the curve
// has fewer than two points or no slope, bandDigits * DivisionsPerDigit converter divisions of
// activeK mV/V; the hold time in polls.
[[nodiscard]] device::StabilityRule stabilityRule(const StabilitySetting& setting,
                                                  const CurveTable& curve, QStringView unitFormat,
                                                  float activeK);

// How many readings made each captured point and their standard deviation, beside the curve
// table (which holds only signal and etalon), keyed by the point's signal.
class PointCaptures {
public:
    void note(float signal, const device::SignalWindow& window) { captures_[signal] = window; }
    // Nothing for a point typed in or edited since.
    [[nodiscard]] std::optional<device::SignalWindow> of(float signal) const;
    // Forgets the captures of signals the curve no longer holds.
    void keepOnly(const CurveTable& curve);

private:
    std::map<float, device::SignalWindow> captures_;
};

// Automatic capture: the signal became stable at a new load. It fires when a stable window
// follows an unstable one, its mean lies more than 1 % of the span away from the last stable
// mean (so it does not fire again for the same load, nor for a drift that stays stable or
// creeps from one stable window to the next) and from every captured point.
class AutoCaptureTrigger {
public:
    static constexpr double SpanShare = 0.01;

    // One call per live reading; the window to capture when it fires.
    [[nodiscard]] std::optional<device::SignalWindow>
    update(const std::optional<device::SignalWindow>& stable, const CurveTable& curve, double span);

private:
    bool wasStable_ = false;
    std::optional<double> lastStableMean_;
};

} // namespace calibration
