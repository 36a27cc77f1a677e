#include "core/calibration/CurveFigures.h"

#include "core/calibration/CurveTable.h"
#include "core/text/LanguageTable.h"
#include "core/text/NumberText.h"

#include <algorithm>
#include <cmath>

namespace calibration {

namespace {

constexpr int NotMonotonicText = 194;
constexpr int MistypedText = 195;
constexpr int TooCloseText = 196;
constexpr int PositiveBeyondText = 197;
constexpr int NegativeBeyondText = 198;

// A point this many median absolute deviations from the median line stands out...
constexpr double MistypedSpread = 5.0;
// ...and also this share of full scale.
constexpr double MistypedShare = 0.01;
// Fewer points cannot tell one wrong point from a bent curve.
constexpr std::size_t MistypedMinPoints = 4;
// Neighbours closer than this share of the signal span.
constexpr double TooCloseShare = 0.01;
// The outermost point must reach this near to each measuring range.
constexpr double RangeTrust = 0.10;

using Point = FigurePoint;

std::optional<Line> lineThrough(const Point& a, const Point& b) {
    if (b.signal == a.signal)
        return std::nullopt;
    const double slope = (b.etalon - a.etalon) / (b.signal - a.signal);
    return Line{a.etalon - slope * a.signal, slope};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

// The median of the slopes between every two points of distinct signal, and the median
// intercept under it (Theil and Sen): a line one wrong point cannot pull.
std::optional<Line> medianLine(const std::vector<Point>& points) {
    std::vector<double> slopes;
    for (std::size_t i = 0; i < points.size(); ++i)
        for (std::size_t j = i + 1; j < points.size(); ++j)
            if (const auto line = lineThrough(points[i], points[j]))
                slopes.push_back(line->slope);
    if (slopes.empty())
        return std::nullopt;
    const double slope = median(slopes);
    std::vector<double> intercepts;
    for (const Point& p : points)
        intercepts.push_back(p.etalon - slope * p.signal);
    return Line{median(intercepts), slope};
}

void warnNotMonotonic(const std::vector<Point>& points, std::vector<CurveWarning>& warnings) {
    double direction = points.back().etalon - points.front().etalon;
    for (std::size_t i = 1; i < points.size() && direction == 0.0; ++i)
        direction = points[i].etalon - points[i - 1].etalon;
    for (std::size_t i = 1; i < points.size(); ++i)
        if (points[i].signal > points[i - 1].signal &&
            (points[i].etalon - points[i - 1].etalon) * direction <= 0.0)
            warnings.push_back({WarningKind::NotMonotonic, static_cast<int>(i) + 1});
}

void warnMistyped(const std::vector<Point>& points, double fullScale,
                  std::vector<CurveWarning>& warnings) {
    if (points.size() < MistypedMinPoints)
        return;
    const auto line = medianLine(points);
    if (!line)
        return;
    std::vector<double> distances;
    for (const Point& p : points)
        distances.push_back(std::fabs(p.etalon - line->at(p.signal)));
    const double spread = median(distances);
    for (std::size_t i = 0; i < points.size(); ++i)
        if (distances[i] > MistypedSpread * spread && distances[i] > MistypedShare * fullScale)
            warnings.push_back(
                {WarningKind::LikelyMistyped, static_cast<int>(i) + 1, 0, distances[i]});
}

void warnTooClose(const std::vector<Point>& points, std::vector<CurveWarning>& warnings) {
    const double span = points.back().signal - points.front().signal;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const double gap = points[i].signal - points[i - 1].signal;
        if (gap <= 0.0 || gap < TooCloseShare * span)
            warnings.push_back(
                {WarningKind::TooClose, static_cast<int>(i) + 1, static_cast<int>(i)});
    }
}

void warnBeyondRanges(const std::vector<Point>& points, const CurveScale& scale,
                      std::vector<CurveWarning>& warnings) {
    const auto byEtalon = [](const Point& a, const Point& b) { return a.etalon < b.etalon; };
    const auto highest = std::max_element(points.begin(), points.end(), byEtalon);
    const auto lowest = std::min_element(points.begin(), points.end(), byEtalon);
    const auto number = [&points](auto it) { return static_cast<int>(it - points.begin()) + 1; };
    if (scale.fullScale > 0.0 && scale.fullScale - highest->etalon > RangeTrust * scale.fullScale)
        warnings.push_back(
            {WarningKind::PositiveBeyond, number(highest), 0, scale.fullScale, highest->etalon});
    if (scale.fullScaleNeg < 0.0 &&
        lowest->etalon - scale.fullScaleNeg > RangeTrust * -scale.fullScaleNeg)
        warnings.push_back(
            {WarningKind::NegativeBeyond, number(lowest), 0, scale.fullScaleNeg, lowest->etalon});
}

std::optional<Nonlinearity> largest(const std::vector<PointFigures>& figures, std::size_t from,
                                    std::size_t to) {
    std::optional<Nonlinearity> found;
    for (std::size_t i = from; i < to; ++i) {
        const PointFigures& p = figures[i];
        if (p.deviation && (!found || std::fabs(*p.deviation) > std::fabs(found->deviation)))
            found = Nonlinearity{p.number, *p.deviation, p.percent.value_or(0.0)};
    }
    return found;
}

} // namespace

std::optional<Line> leastSquaresLine(const std::vector<FigurePoint>& points) {
    const double n = static_cast<double>(points.size());
    double meanS = 0.0;
    double meanE = 0.0;
    for (const FigurePoint& p : points) {
        meanS += p.signal / n;
        meanE += p.etalon / n;
    }
    double sxx = 0.0;
    double sxy = 0.0;
    for (const FigurePoint& p : points) {
        sxx += (p.signal - meanS) * (p.signal - meanS);
        sxy += (p.signal - meanS) * (p.etalon - meanE);
    }
    if (points.size() < 2 || sxx <= 0.0)
        return std::nullopt;
    const double slope = sxy / sxx;
    return Line{meanE - slope * meanS, slope};
}

double lastDigit(QStringView unitFormat) {
    const qsizetype point = unitFormat.indexOf(u'.');
    if (point < 0)
        return 1.0;
    int decimals = 0;
    for (const QChar c : unitFormat.mid(point + 1))
        if (c == u'0' || c == u'#')
            ++decimals;
    return std::pow(10.0, -decimals);
}

CurveFigures computeCurveFigures(const CurveTable& table, const CurveScale& scale) {
    std::vector<Point> points;
    for (int slot = 1; slot <= table.PointCount(); ++slot)
        points.push_back({table.point(slot).signal, table.point(slot).etalon});
    std::stable_sort(points.begin(), points.end(),
                     [](const Point& a, const Point& b) { return a.signal < b.signal; });

    CurveFigures figures;
    figures.digit = lastDigit(scale.unitFormat);
    if (points.empty())
        return figures;

    const auto zero = static_cast<std::size_t>(std::min_element(points.begin(), points.end(),
                                                                [](const Point& a, const Point& b) {
                                                                    return std::fabs(a.etalon) <
                                                                           std::fabs(b.etalon);
                                                                }) -
                                               points.begin());
    figures.zeroPoint = static_cast<int>(zero) + 1;
    if (zero + 1 < points.size())
        figures.positiveTerminal = lineThrough(points[zero], points.back());
    if (zero > 0)
        figures.negativeTerminal = lineThrough(points[zero], points.front());

    // Without measuring ranges, the curve's own reach from the zero point stands for them.
    figures.fullScale = std::max(scale.fullScale, -scale.fullScaleNeg);
    if (figures.fullScale <= 0.0)
        for (const Point& p : points)
            figures.fullScale =
                std::max(figures.fullScale, std::fabs(p.etalon - points[zero].etalon));

    figures.leastSquares = leastSquaresLine(points);
    double squares = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        PointFigures& row = figures.points.emplace_back();
        row.number = static_cast<int>(i) + 1;
        row.signal = points[i].signal;
        row.etalon = points[i].etalon;
        row.negativeBranch = i < zero;
        const auto& terminal = (row.negativeBranch || (i == zero && !figures.positiveTerminal))
                                   ? figures.negativeTerminal
                                   : figures.positiveTerminal;
        if (terminal) {
            row.deviation = i == zero ? 0.0 : row.etalon - terminal->at(row.signal);
            if (figures.fullScale > 0.0)
                row.percent = *row.deviation / figures.fullScale * 100.0;
            row.digits = *row.deviation / figures.digit;
        }
        if (figures.leastSquares) {
            row.residual = row.etalon - figures.leastSquares->at(row.signal);
            squares += *row.residual * *row.residual;
        }
    }
    if (figures.leastSquares)
        figures.rms = std::sqrt(squares / static_cast<double>(points.size()));
    if (figures.positiveTerminal)
        figures.positive = largest(figures.points, zero, points.size());
    if (figures.negativeTerminal)
        figures.negative = largest(figures.points, 0, zero + 1);

    if (const auto overall = lineThrough(points.front(), points.back())) {
        figures.unitsPerMvV = overall->slope;
        if (overall->slope != 0.0)
            figures.mvvPer1000Units = 1000.0 / overall->slope;
    }

    warnNotMonotonic(points, figures.warnings);
    warnMistyped(points, figures.fullScale, figures.warnings);
    warnTooClose(points, figures.warnings);
    warnBeyondRanges(points, scale, figures.warnings);
    return figures;
}

QString warningText(const CurveWarning& warning, const text::LanguageTable& texts,
                    QStringView unitFormat, const QString& unit) {
    const auto number = [unitFormat](double value) {
        return device::FormatNumber(value, unitFormat);
    };
    switch (warning.kind) {
    case WarningKind::NotMonotonic:
        return texts.text(NotMonotonicText).arg(warning.point);
    case WarningKind::LikelyMistyped:
        return texts.text(MistypedText).arg(warning.point).arg(number(warning.value), unit);
    case WarningKind::TooClose:
        return texts.text(TooCloseText).arg(warning.other).arg(warning.point);
    case WarningKind::PositiveBeyond:
    case WarningKind::NegativeBeyond:
        return texts
            .text(warning.kind == WarningKind::PositiveBeyond ? PositiveBeyondText
                                                              : NegativeBeyondText)
            .arg(number(warning.value), unit)
            .arg(warning.point)
            .arg(number(warning.pointEtalon));
    }
    return {};
}

QStringList warningTexts(const CurveFigures& figures, const text::LanguageTable& texts,
                         QStringView unitFormat, const QString& unit) {
    QStringList lines;
    for (const CurveWarning& warning : figures.warnings)
        lines.append(warningText(warning, texts, unitFormat, unit));
    return lines;
}

} // namespace calibration
