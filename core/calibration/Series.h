#pragma once

#include "core/calibration/CurveFigures.h"
#include "core/instrument/Stability.h"

#include <QString>
#include <optional>
#include <vector>

namespace text {
class LanguageTable;
}

namespace calibration {

class CurveTable;

enum class Direction { Rising, Falling };

// How the operator takes the loads: in 1 to 3 series, each rising and, when falling is set,
// falling again. One rising series is the plain curve of single points.
struct SeriesPlan {
    static constexpr int MaxSeries = 3;
    int series = 1;
    bool falling = false;
    [[nodiscard]] bool repeated() const { return series > 1 || falling; }
    bool operator==(const SeriesPlan&) const = default;
};

// Which series and direction the next captured point belongs to.
struct SeriesStep {
    int series = 1;
    Direction direction = Direction::Rising;
    bool operator==(const SeriesStep&) const = default;
};

// "Series 2, falling" in the operator's language.
[[nodiscard]] QString stepText(const SeriesStep& step, const text::LanguageTable& texts);

// One captured load of one series: the etalon and the stable window of the signal.
struct SeriesReading {
    SeriesStep step;
    float etalon = 0.0f;
    device::SignalWindow window;
};

// The readings of repeated series beside the curve table. Equal etalons are the same load; the
// curve holds one point per load, the mean signal of its rising readings. Falling readings never
// go into the curve.
class SeriesReadings {
public:
    // Replaces an earlier reading of the same load, series and direction.
    void note(const SeriesReading& reading);
    [[nodiscard]] const std::vector<SeriesReading>& readings() const { return readings_; }
    [[nodiscard]] bool empty() const { return readings_.empty(); }
    void clear() { readings_.clear(); }

    // The mean signal of the load's rising readings; nothing without any.
    [[nodiscard]] std::optional<double> risingMean(float etalon) const;
    // Puts the load's rising mean into the curve: into the point of that etalon, else as a new
    // point, then sorts; the signal put in, nothing for a load without rising readings or a full
    // table.
    std::optional<float> placeInCurve(float etalon, CurveTable& curve) const;
    // Forgets the loads whose rising mean the curve no longer holds (deleted, edited, cleared).
    void keepOnly(const CurveTable& curve);

private:
    std::vector<SeriesReading> readings_;
};

// The classes of force-proving instruments whose limits the figures are held against, for
// orientation only: no certificate follows from it.
enum class OrientationClass { Class00, Class05, Class1, Class2 };

// "00", "0.5", "1" or "2".
[[nodiscard]] QString className(OrientationClass found);

struct LoadFigures {
    float etalon = 0.0f;
    double risingMean = 0.0;
    std::optional<double> fallingMean;
    int risingSeries = 0;
    int fallingSeries = 0;
    // Largest minus smallest rising signal, in mV/V.
    double spread = 0.0;
    // The spread in % of the load's deflection (none at the zero load) and in % FS.
    std::optional<double> repeatabilityReading;
    std::optional<double> repeatabilityFs;
    // |mean falling - mean rising| in % FS; not at the zero load, which has its zero return.
    std::optional<double> reversibilityFs;
    // The deviation of the load's point from the terminal line, in % FS.
    std::optional<double> interpolationFs;
};

// The worst of each figure over the loads, by magnitude.
struct WorstFigures {
    std::optional<double> repeatability; // % of the reading
    std::optional<double> interpolation; // % FS
    std::optional<double> zeroReturn;    // % FS
    std::optional<double> reversibility; // % FS
};

struct SeriesFigures {
    std::vector<LoadFigures> loads; // by rising signal, as the curve's points
    int risingSeries = 0;
    int fallingSeries = 0;
    // The falling zero load against the rising one of the same series, worst of the series.
    std::optional<double> zeroReturnFs;
    WorstFigures worst;
    std::optional<OrientationClass> orientation;
};

// The signed width, in mV/V, that full scale spans on the curve: FS / S with the sensitivity S;
// nothing without either.
[[nodiscard]] std::optional<double> fullScaleSignal(const CurveFigures& curve);

// The figures of the loads whose rising mean is a point of the curve (see docs/curve-quality.md).
[[nodiscard]] SeriesFigures computeSeriesFigures(const SeriesReadings& readings,
                                                 const CurveFigures& curve);

// The best class whose every limit the worst figures meet (figures not taken are not judged);
// nothing when the repeatability is missing or worse than class 2.
[[nodiscard]] std::optional<OrientationClass> orientationClass(const WorstFigures& worst);

// The figures of the load whose rising mean the point is; nothing for a point of its own.
[[nodiscard]] const LoadFigures* loadOf(const SeriesFigures& figures, const PointFigures& point);

// Per point of the curve (curve.points, in their order), its load's repeatability in % FS.
[[nodiscard]] std::vector<std::optional<double>>
repeatabilityPercentFs(const SeriesFigures& figures, const CurveFigures& curve);

} // namespace calibration
