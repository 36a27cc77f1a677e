#pragma once

#include "core/calibration/CurveFigures.h"

#include <optional>

namespace calibration {

class CurveTable;

// How much of the curve a plot shows: fitted to the points and the measuring ranges, or the
// whole gain range ±G with the instrument's curve drawn out to its ends.
enum class PlotExtent { Fitted, WholeGain };

// The signals (mV/V) and values (unit) a plot must show, before its axes are rounded.
struct PlotReach {
    double signalLow = 0.0;
    double signalHigh = 0.0;
    double valueLow = 0.0;
    double valueHigh = 0.0;
    bool operator==(const PlotReach&) const = default;
};

// Fitted: zero, the points, the measuring ranges and where the curve's extended end segments
// reach them, and the live signal on the curve, all signals held within ±G; padded so that no
// point sits on the frame and never narrower than a tenth of G (a single point, or none, still
// gets a readable plot). Whole: ±G and the curve's values there, the ranges, the points and the
// live signal, as before the fit. A table of fewer than two points has no curve: the live
// signal counts at value 0.
[[nodiscard]] PlotReach plotReach(const CurveTable& table, const CurveScale& scale,
                                  std::optional<float> live, PlotExtent extent);

} // namespace calibration
