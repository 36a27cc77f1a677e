#include "core/calibration/CurveEvaluation.h"

#include "core/calibration/CurveTable.h"

#include <cmath>
#include <limits>

namespace calibration {

namespace {

// A steep extrapolation can leave the range of a float; it then becomes an infinity of its
// sign rather than an undefined conversion.
float toFloat(double value) {
    constexpr double largest = std::numeric_limits<float>::max();
    if (std::isfinite(value) && std::fabs(value) > largest)
        return value > 0 ? std::numeric_limits<float>::infinity()
                         : -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

} // namespace

float EvaluateCurve(const CurveTable& table, float signal) {
    const int count = table.PointCount();
    if (count < 2)
        return 0.0f;
    const double x = signal;
    int k = 2;
    while (k < count && !(table.point(k).signal > x))
        ++k;
    const double s1 = table.point(k - 1).signal;
    const double e1 = table.point(k - 1).etalon;
    const double s2 = table.point(k).signal;
    const double e2 = table.point(k).etalon;
    if (s2 == s1)
        return toFloat((e1 + e2) / 2.0);
    return toFloat(e2 - (e2 - e1) * (s2 - x) / (s2 - s1));
}

} // namespace calibration
