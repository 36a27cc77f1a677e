#pragma once

#include "core/calibration/CurveFigures.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace text {
class LanguageTable;
}

namespace calibration {

class CurveTable;

// How serious a mark on a row of the curve list is: a duplicate is a mistake the sensor page
// refuses to save, a warning only asks for a second look.
enum class RowMarkKind { Duplicate, Warning };

// The mistakes found on one row of the curve list (slot order), each with its reason in the
// operator's language; no reasons when the row is sound.
struct RowMarks {
    std::optional<RowMarkKind> kind; // the most serious of the row's marks
    QStringList reasons;
};

// The marks of every used slot of the table, row i for slot i + 1: the duplicate etalon or
// signal of each point that shares one, and the curve's warnings that name a point (etalon
// turning back, a likely mistyped etalon, neighbours too close: both points). The warnings on
// the measuring ranges concern the sensor, not a row, and mark none.
[[nodiscard]] std::vector<RowMarks> curveRowMarks(const CurveTable& table, const CurveScale& scale,
                                                  const text::LanguageTable& texts,
                                                  const QString& unit);

} // namespace calibration
