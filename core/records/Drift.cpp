#include "core/records/Drift.h"

#include "core/calibration/CurveFigures.h"
#include "core/records/Rules.h"

#include <algorithm>

namespace records {

namespace {

std::vector<CapturedPoint> bySignal(std::vector<CapturedPoint> points) {
    std::stable_sort(
        points.begin(), points.end(),
        [](const CapturedPoint& a, const CapturedPoint& b) { return a.signal < b.signal; });
    return points;
}

} // namespace

std::optional<double> sensitivityOf(const std::vector<CapturedPoint>& points) {
    std::vector<calibration::FigurePoint> figured;
    for (const CapturedPoint& p : points)
        figured.push_back({p.signal, p.etalon});
    const std::optional<calibration::Line> line = calibration::leastSquaresLine(figured);
    return line ? std::optional(line->slope) : std::nullopt;
}

std::optional<double> zeroOf(const std::vector<CapturedPoint>& points) {
    const std::vector<CapturedPoint> sorted = bySignal(points);
    if (sorted.size() < 2 || sorted.front().signal == sorted.back().signal)
        return std::nullopt;
    // The segment that holds 0 mV/V, else the end segment nearest to it.
    std::size_t upper = 1;
    while (upper + 1 < sorted.size() && sorted[upper].signal < 0.0)
        ++upper;
    std::size_t lower = upper - 1;
    // Points of one signal give no segment: step to a neighbour that does.
    while (lower > 0 && sorted[lower].signal == sorted[upper].signal)
        --lower;
    while (upper + 1 < sorted.size() && sorted[lower].signal == sorted[upper].signal)
        ++upper;
    const CapturedPoint& a = sorted[lower];
    const CapturedPoint& b = sorted[upper];
    return a.etalon + (b.etalon - a.etalon) * (0.0 - a.signal) / (b.signal - a.signal);
}

std::optional<Drift> driftBetween(const CalibrationRecord& base, const CalibrationRecord& later) {
    const double fullScale = fullScaleOf(base.fullScale, base.fullScaleNeg);
    const auto baseSensitivity = sensitivityOf(base.points);
    const auto laterSensitivity = sensitivityOf(later.points);
    const auto baseZero = zeroOf(base.points);
    const auto laterZero = zeroOf(later.points);
    if (!(fullScale > 0.0) || !baseSensitivity || *baseSensitivity == 0.0 || !laterSensitivity ||
        !baseZero || !laterZero)
        return std::nullopt;
    return Drift{(*laterSensitivity / *baseSensitivity - 1.0) * 100.0,
                 (*laterZero - *baseZero) / fullScale * 100.0};
}

} // namespace records
