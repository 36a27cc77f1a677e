#pragma once

namespace calibration {

class CurveTable;

// The value in user units that the calibration curve gives for a signal in mV/V: straight
// lines between neighbouring points (sorted by rising signal), the end segments extended.
// Fewer than two points give 0. Where the chosen segment's two points share one signal, the
// curve steps there and the result is the mean of their two etalons.
[[nodiscard]] float EvaluateCurve(const CurveTable& table, float signal);

} // namespace calibration
