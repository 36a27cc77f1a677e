#pragma once

#include <QString>
#include <vector>

namespace calibration {

// A plot's axis with round ticks: from, to and the step between ticks.
struct Axis {
    double from = -1.0;
    double to = 1.0;
    double step = 1.0;
};

// Round ticks of 1, 2 or 5 times a power of ten around low..high, about `parts` of them; an
// empty span is widened first.
[[nodiscard]] Axis roundAxis(double low, double high, double parts);
// The ticks of an axis; a handful in practice, never an endless walk.
[[nodiscard]] std::vector<double> ticks(const Axis& axis);
// A tick's label with as many decimals as the step needs.
[[nodiscard]] QString tickText(double value, double step);

} // namespace calibration
