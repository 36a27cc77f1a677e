#include "views/calibration/PlotAxis.h"

#include "views/calibration/CurveSheet.h"

#include <algorithm>
#include <cmath>

namespace calibration {

namespace {

// A round step of 1, 2 or 5 times a power of ten that splits `span` into about `parts`.
double roundStep(double span, double parts) {
    const double raw = span / std::max(parts, 1.0);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double mantissa = raw / power;
    return (mantissa <= 1.0 ? 1.0 : mantissa <= 2.0 ? 2.0 : mantissa <= 5.0 ? 5.0 : 10.0) * power;
}

} // namespace

Axis roundAxis(double low, double high, double parts) {
    if (!(high > low)) {
        const double pad = std::max(std::fabs(low) * 0.1, 1.0);
        low -= pad;
        high += pad;
    }
    const double step = roundStep(high - low, parts);
    return {std::floor(low / step + 1e-9) * step, std::ceil(high / step - 1e-9) * step, step};
}

std::vector<double> ticks(const Axis& axis) {
    constexpr int MostTicks = 100;
    std::vector<double> values;
    for (int i = 0; i <= MostTicks && axis.from + i * axis.step <= axis.to + axis.step / 2; ++i)
        values.push_back(axis.from + i * axis.step);
    return values;
}

QString tickText(double value, double step) {
    const int decimals = std::max(0, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
    if (std::fabs(value) < step * 1e-6)
        value = 0.0;
    return fixedNumber(value, decimals);
}

} // namespace calibration
