#pragma once

#include "core/records/Records.h"

#include <optional>
#include <vector>

// How a sensor's curve moved between two calibrations (see docs/records.md, "Drift").
namespace records {

// The slope of the least-squares line etalon = a + b * signal, in the unit per mV/V; none with
// fewer than two points of different signal.
[[nodiscard]] std::optional<double> sensitivityOf(const std::vector<CapturedPoint>& points);
// The etalon at 0 mV/V by the curve's own straight segments between neighbouring points (in
// the order of rising signal), the end segment extended when 0 mV/V lies outside; none with
// fewer than two points of different signal.
[[nodiscard]] std::optional<double> zeroOf(const std::vector<CapturedPoint>& points);

// The change of a later curve against a base curve, in % of the base's full scale.
struct Drift {
    // (b_later / b_base - 1) * 100: the change of the reading at the base's full-scale signal.
    double sensitivityPercent = 0.0;
    // (zero_later - zero_base) / FS_base * 100.
    double zeroPercent = 0.0;
};

// None when either curve has no sensitivity, the base's is 0, or the base has no full scale.
[[nodiscard]] std::optional<Drift> driftBetween(const CalibrationRecord& base,
                                                const CalibrationRecord& later);

} // namespace records
