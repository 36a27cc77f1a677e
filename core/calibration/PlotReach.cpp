#include "core/calibration/PlotReach.h"

#include "core/calibration/CurveEvaluation.h"
#include "core/calibration/CurveTable.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace calibration {

namespace {

// Each side of a fitted axis gets this share of its span, so no point sits on the frame.
constexpr double Padding = 0.04;
// A fitted signal axis spans at least this share of G, or this many mV/V without a G.
constexpr double LeastGainShare = 0.1;
constexpr double LeastSignalSpan = 0.2;

class Reach {
public:
    explicit Reach(PlotReach start) : r_(start) {}
    void take(double signal, double value) {
        if (!std::isfinite(signal) || !std::isfinite(value))
            return;
        r_.signalLow = std::min(r_.signalLow, signal);
        r_.signalHigh = std::max(r_.signalHigh, signal);
        r_.valueLow = std::min(r_.valueLow, value);
        r_.valueHigh = std::max(r_.valueHigh, value);
    }
    PlotReach& get() { return r_; }

private:
    PlotReach r_;
};

std::vector<CurvePoint> sortedPoints(const CurveTable& table) {
    std::vector<CurvePoint> points;
    for (int slot = 1; slot <= table.PointCount(); ++slot)
        points.push_back(table.point(slot));
    std::ranges::stable_sort(points, {}, &CurvePoint::signal);
    return points;
}

// Where the segment from `inner` through `outer`, extended beyond `outer`, reaches `value`;
// nothing when it never does on that side.
std::optional<double> reachBeyond(const CurvePoint& inner, const CurvePoint& outer, double value) {
    const double run = static_cast<double>(outer.signal) - inner.signal;
    const double rise = static_cast<double>(outer.etalon) - inner.etalon;
    if (run == 0.0 || rise == 0.0)
        return std::nullopt;
    const double signal = outer.signal + (value - outer.etalon) * run / rise;
    if ((signal - outer.signal) * run <= 0.0)
        return std::nullopt;
    return signal;
}

PlotReach wholeReach(const CurveTable& table, const CurveScale& scale, std::optional<float> live) {
    const double g = std::max(scale.gainRange, 0.0);
    Reach reach({-g, g, std::min(0.0, scale.fullScaleNeg), std::max(0.0, scale.fullScale)});
    for (const CurvePoint& p : sortedPoints(table))
        reach.take(p.signal, p.etalon);
    if (table.PointCount() >= 2) {
        for (const double end : {-g, g})
            reach.take(end, EvaluateCurve(table, static_cast<float>(end)));
        if (live)
            reach.take(*live, EvaluateCurve(table, *live));
    } else if (live) {
        reach.take(*live, 0.0);
    }
    return reach.get();
}

PlotReach fittedReach(const CurveTable& table, const CurveScale& scale, std::optional<float> live) {
    const double g = std::max(scale.gainRange, 0.0);
    const auto withinGain = [g](double signal) {
        return g > 0.0 ? std::clamp(signal, -g, g) : signal;
    };
    Reach reach({0.0, 0.0, 0.0, 0.0});
    const std::vector<CurvePoint> points = sortedPoints(table);
    for (const CurvePoint& p : points)
        reach.take(p.signal, p.etalon);
    const bool curve = points.size() >= 2;
    for (const double range : {scale.fullScale, scale.fullScaleNeg}) {
        if (range == 0.0)
            continue;
        reach.take(0.0, range);
        if (!curve)
            continue;
        const std::size_t n = points.size();
        for (const auto& found : {reachBeyond(points[n - 2], points[n - 1], range),
                                  reachBeyond(points[1], points[0], range)})
            if (found)
                reach.take(withinGain(*found),
                           EvaluateCurve(table, static_cast<float>(withinGain(*found))));
    }
    if (live) {
        const double signal = withinGain(*live);
        reach.take(signal, curve ? EvaluateCurve(table, static_cast<float>(signal)) : 0.0);
    }
    PlotReach& r = reach.get();
    const double least = g > 0.0 ? g * LeastGainShare : LeastSignalSpan;
    if (r.signalHigh - r.signalLow < least) {
        const double middle = (r.signalLow + r.signalHigh) / 2;
        r.signalLow = std::min(r.signalLow, middle - least / 2);
        r.signalHigh = std::max(r.signalHigh, middle + least / 2);
    }
    const double signalPad = (r.signalHigh - r.signalLow) * Padding;
    const double valuePad = (r.valueHigh - r.valueLow) * Padding;
    r = {r.signalLow - signalPad, r.signalHigh + signalPad, r.valueLow - valuePad,
         r.valueHigh + valuePad};
    return r;
}

} // namespace

PlotReach plotReach(const CurveTable& table, const CurveScale& scale, std::optional<float> live,
                    PlotExtent extent) {
    return extent == PlotExtent::WholeGain ? wholeReach(table, scale, live)
                                           : fittedReach(table, scale, live);
}

} // namespace calibration
