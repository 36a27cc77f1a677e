#include "core/calibration/Series.h"

#include "core/calibration/CurveTable.h"
#include "core/text/LanguageTable.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <set>

namespace calibration {

namespace {

// The limits of classes 00, 0.5, 1 and 2, in %.
constexpr std::array RepeatabilityLimits{0.025, 0.05, 0.10, 0.20};
constexpr std::array InterpolationLimits{0.025, 0.05, 0.10, 0.20};
constexpr std::array ZeroReturnLimits{0.012, 0.025, 0.05, 0.10};
constexpr std::array ReversibilityLimits{0.07, 0.15, 0.30, 0.50};

double mean(const std::vector<double>& values) {
    double sum = 0.0;
    for (const double v : values)
        sum += v;
    return sum / static_cast<double>(values.size());
}

bool sameLoad(const SeriesReading& reading, float etalon) {
    return reading.etalon == etalon;
}

std::vector<double> signalsOf(const std::vector<SeriesReading>& readings, float etalon,
                              Direction direction) {
    std::vector<double> values;
    for (const SeriesReading& r : readings)
        if (sameLoad(r, etalon) && r.step.direction == direction)
            values.push_back(r.window.mean);
    return values;
}

std::optional<double> signalOf(const std::vector<SeriesReading>& readings, float etalon,
                               SeriesStep step) {
    for (const SeriesReading& r : readings)
        if (sameLoad(r, etalon) && r.step == step)
            return r.window.mean;
    return std::nullopt;
}

int seriesCount(const std::vector<SeriesReading>& readings, const std::set<float>& loads,
                Direction direction) {
    std::set<int> series;
    for (const SeriesReading& r : readings)
        if (r.step.direction == direction && loads.contains(r.etalon))
            series.insert(r.step.series);
    return static_cast<int>(series.size());
}

void keepWorst(std::optional<double>& worst, std::optional<double> value) {
    if (value && (!worst || std::fabs(*value) > std::fabs(*worst)))
        worst = std::fabs(*value);
}

bool meets(std::optional<double> value, double limit) {
    return !value || std::fabs(*value) <= limit;
}

constexpr int RisingText = 573;
constexpr int FallingText = 574;

} // namespace

QString stepText(const SeriesStep& step, const text::LanguageTable& texts) {
    return texts.text(step.direction == Direction::Rising ? RisingText : FallingText)
        .arg(step.series);
}

void SeriesReadings::note(const SeriesReading& reading) {
    std::erase_if(readings_, [&reading](const SeriesReading& r) {
        return r.step == reading.step && r.etalon == reading.etalon;
    });
    readings_.push_back(reading);
}

std::optional<double> SeriesReadings::risingMean(float etalon) const {
    const std::vector<double> values = signalsOf(readings_, etalon, Direction::Rising);
    return values.empty() ? std::nullopt : std::optional(mean(values));
}

std::optional<float> SeriesReadings::placeInCurve(float etalon, CurveTable& curve) const {
    const auto rising = risingMean(etalon);
    if (!rising)
        return std::nullopt;
    const auto signal = static_cast<float>(*rising);
    int slot = 1;
    while (slot <= curve.PointCount() && curve.point(slot).etalon != etalon)
        ++slot;
    if (slot <= curve.PointCount())
        curve.setPoint(slot, signal, etalon);
    else if (!curve.append(signal, etalon))
        return std::nullopt;
    curve.SortCurvePoints();
    return signal;
}

void SeriesReadings::keepOnly(const CurveTable& curve) {
    std::set<float> kept;
    for (int slot = 1; slot <= curve.PointCount(); ++slot) {
        const CurvePoint& point = curve.point(slot);
        const auto rising = risingMean(point.etalon);
        if (rising && static_cast<float>(*rising) == point.signal)
            kept.insert(point.etalon);
    }
    std::erase_if(readings_, [&kept](const SeriesReading& r) { return !kept.contains(r.etalon); });
}

std::optional<double> fullScaleSignal(const CurveFigures& curve) {
    if (!curve.unitsPerMvV || *curve.unitsPerMvV == 0.0 || curve.fullScale <= 0.0)
        return std::nullopt;
    return curve.fullScale / *curve.unitsPerMvV;
}

SeriesFigures computeSeriesFigures(const SeriesReadings& readings, const CurveFigures& curve) {
    const std::vector<SeriesReading>& all = readings.readings();
    const std::optional<double> fsSignal = fullScaleSignal(curve);
    const auto percentFs = [&fsSignal](double signal) {
        return fsSignal ? std::optional(signal / std::fabs(*fsSignal) * 100.0) : std::nullopt;
    };

    SeriesFigures figures;
    std::set<float> loads;
    for (const PointFigures& point : curve.points) {
        const auto etalon = static_cast<float>(point.etalon);
        const auto rising = readings.risingMean(etalon);
        if (!rising || static_cast<float>(*rising) != static_cast<float>(point.signal))
            continue;
        loads.insert(etalon);
        const std::vector<double> up = signalsOf(all, etalon, Direction::Rising);
        const std::vector<double> down = signalsOf(all, etalon, Direction::Falling);
        LoadFigures& load = figures.loads.emplace_back();
        load.etalon = etalon;
        load.risingMean = *rising;
        load.risingSeries = static_cast<int>(up.size());
        load.fallingSeries = static_cast<int>(down.size());
        if (!down.empty())
            load.fallingMean = mean(down);
        load.interpolationFs = point.percent;
        if (up.size() >= 2) {
            const auto [low, high] = std::minmax_element(up.begin(), up.end());
            load.spread = *high - *low;
            load.repeatabilityFs = percentFs(load.spread);
        }
    }

    // Deflections count from the zero load's rising mean, or from 0 mV/V without a zero load.
    const auto zero = std::find_if(figures.loads.begin(), figures.loads.end(),
                                   [](const LoadFigures& load) { return load.etalon == 0.0f; });
    const double zeroSignal = zero != figures.loads.end() ? zero->risingMean : 0.0;
    for (LoadFigures& load : figures.loads) {
        const bool isZero = zero != figures.loads.end() && &load == &*zero;
        const double deflection = load.risingMean - zeroSignal;
        if (load.repeatabilityFs && !isZero && deflection != 0.0)
            load.repeatabilityReading = load.spread / std::fabs(deflection) * 100.0;
        if (load.fallingMean && !isZero)
            load.reversibilityFs = percentFs(std::fabs(*load.fallingMean - load.risingMean));
        keepWorst(figures.worst.repeatability, load.repeatabilityReading);
        keepWorst(figures.worst.interpolation, load.interpolationFs);
        keepWorst(figures.worst.reversibility, load.reversibilityFs);
    }
    if (zero != figures.loads.end())
        for (int series = 1; series <= SeriesPlan::MaxSeries; ++series) {
            const auto up = signalOf(all, 0.0f, {series, Direction::Rising});
            const auto down = signalOf(all, 0.0f, {series, Direction::Falling});
            if (up && down)
                keepWorst(figures.zeroReturnFs, percentFs(*down - *up));
        }
    figures.worst.zeroReturn = figures.zeroReturnFs;
    figures.risingSeries = seriesCount(all, loads, Direction::Rising);
    figures.fallingSeries = seriesCount(all, loads, Direction::Falling);
    if (figures.risingSeries >= 2)
        figures.orientation = orientationClass(figures.worst);
    return figures;
}

QString className(OrientationClass found) {
    static constexpr std::array<const char*, 4> Names{"00", "0.5", "1", "2"};
    return QString::fromLatin1(Names[static_cast<std::size_t>(found)]);
}

std::optional<OrientationClass> orientationClass(const WorstFigures& worst) {
    if (!worst.repeatability)
        return std::nullopt;
    for (std::size_t c = 0; c < RepeatabilityLimits.size(); ++c)
        if (meets(worst.repeatability, RepeatabilityLimits[c]) &&
            meets(worst.interpolation, InterpolationLimits[c]) &&
            meets(worst.zeroReturn, ZeroReturnLimits[c]) &&
            meets(worst.reversibility, ReversibilityLimits[c]))
            return static_cast<OrientationClass>(c);
    return std::nullopt;
}

const LoadFigures* loadOf(const SeriesFigures& figures, const PointFigures& point) {
    const auto load =
        std::find_if(figures.loads.begin(), figures.loads.end(), [&point](const LoadFigures& l) {
            return l.etalon == static_cast<float>(point.etalon) &&
                   static_cast<float>(l.risingMean) == static_cast<float>(point.signal);
        });
    return load != figures.loads.end() ? &*load : nullptr;
}

std::vector<std::optional<double>> repeatabilityPercentFs(const SeriesFigures& figures,
                                                          const CurveFigures& curve) {
    std::vector<std::optional<double>> perPoint;
    for (const PointFigures& point : curve.points) {
        const LoadFigures* load = loadOf(figures, point);
        perPoint.push_back(load != nullptr ? load->repeatabilityFs : std::nullopt);
    }
    return perPoint;
}

} // namespace calibration
