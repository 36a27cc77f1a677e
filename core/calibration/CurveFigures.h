#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace text {
class LanguageTable;
}

namespace calibration {

class CurveTable;

// What the figures need to know of the sensor besides its points.
struct CurveScale {
    double fullScale = 0.0;    // positive measuring range, in the unit
    double fullScaleNeg = 0.0; // negative measuring range, 0 or below
    double gainRange = 0.0;    // G: the gain range reaches from -G to +G mV/V
    QString unitFormat;        // the display's number pattern, such as "###0.00"
};

// A straight line etalon = intercept + slope * signal.
struct Line {
    double intercept = 0.0;
    double slope = 0.0;
    [[nodiscard]] double at(double signal) const { return intercept + slope * signal; }
};

// A point as the figures take it: the signal in mV/V and the etalon in the unit.
struct FigurePoint {
    double signal = 0.0;
    double etalon = 0.0;
};
// The least-squares line through the points; nullopt for fewer than two or a single signal.
[[nodiscard]] std::optional<Line> leastSquaresLine(const std::vector<FigurePoint>& points);

struct PointFigures {
    int number = 0; // 1.. in the order of rising signal
    double signal = 0.0;
    double etalon = 0.0;
    bool negativeBranch = false;
    // From the terminal line of the point's branch; none where that line has no slope.
    std::optional<double> deviation;
    std::optional<double> percent;  // of full scale
    std::optional<double> digits;   // of the display's last digit
    std::optional<double> residual; // from the least-squares line
};

// The point of a branch farthest from the branch's terminal line.
struct Nonlinearity {
    int point = 0;
    double deviation = 0.0;
    double percent = 0.0;
};

enum class WarningKind {
    NotMonotonic,   // point: the etalon turns back here
    LikelyMistyped, // point, value: its distance from the median line
    TooClose,       // other and point: neighbours closer than 1 % of the signal span
    PositiveBeyond, // point: the highest etalon; value: the positive range
    NegativeBeyond, // point: the lowest etalon; value: the negative range
};

struct CurveWarning {
    WarningKind kind = WarningKind::NotMonotonic;
    int point = 0;
    int other = 0;
    double value = 0.0;
    double pointEtalon = 0.0;
};

struct CurveFigures {
    std::vector<PointFigures> points;
    int zeroPoint = 0; // the point nearest etalon 0, where both terminal lines start
    std::optional<Line> positiveTerminal;
    std::optional<Line> negativeTerminal;
    double fullScale = 0.0;
    double digit = 1.0; // the value of the display's last digit
    std::optional<double> unitsPerMvV;
    std::optional<double> mvvPer1000Units;
    std::optional<Nonlinearity> positive;
    std::optional<Nonlinearity> negative;
    std::optional<Line> leastSquares;
    std::optional<double> rms;
    std::vector<CurveWarning> warnings;
};

// The value of the last digit a number pattern shows: 0.01 for "###0.00", 1 for "####0".
[[nodiscard]] double lastDigit(QStringView unitFormat);

// The figures and the warnings of the table's points (see docs/curve-quality.md).
[[nodiscard]] CurveFigures computeCurveFigures(const CurveTable& table, const CurveScale& scale);

// One line of the operator's language for a warning, numbers in the unit's format.
[[nodiscard]] QString warningText(const CurveWarning& warning, const text::LanguageTable& texts,
                                  QStringView unitFormat, const QString& unit);
[[nodiscard]] QStringList warningTexts(const CurveFigures& figures,
                                       const text::LanguageTable& texts, QStringView unitFormat,
                                       const QString& unit);

} // namespace calibration
