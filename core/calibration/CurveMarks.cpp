#include "core/calibration/CurveMarks.h"

#include "core/calibration/CurveTable.h"

#include <algorithm>
#include <numeric>

namespace calibration {

namespace {

void mark(RowMarks& row, RowMarkKind kind, const QString& reason) {
    if (!row.kind || kind == RowMarkKind::Duplicate)
        row.kind = kind;
    if (!row.reasons.contains(reason))
        row.reasons.append(reason);
}

} // namespace

std::vector<RowMarks> curveRowMarks(const CurveTable& table, const CurveScale& scale,
                                    const text::LanguageTable& texts, const QString& unit) {
    const auto count = static_cast<std::size_t>(table.PointCount());
    std::vector<RowMarks> rows(count);
    for (std::size_t i = 0; i < count; ++i)
        if (const auto duplicate = table.duplicateOf(static_cast<int>(i) + 1))
            mark(rows[i], RowMarkKind::Duplicate, DuplicateMessage(*duplicate, texts));

    // The figures number the points by rising signal, equal signals in slot order.
    std::vector<std::size_t> slotOfPoint(count);
    std::iota(slotOfPoint.begin(), slotOfPoint.end(), std::size_t{0});
    std::stable_sort(slotOfPoint.begin(), slotOfPoint.end(), [&table](auto a, auto b) {
        return table.point(static_cast<int>(a) + 1).signal <
               table.point(static_cast<int>(b) + 1).signal;
    });
    const CurveFigures figures = computeCurveFigures(table, scale);
    for (const CurveWarning& warning : figures.warnings) {
        std::vector<int> points;
        switch (warning.kind) {
        case WarningKind::NotMonotonic:
        case WarningKind::LikelyMistyped:
            points = {warning.point};
            break;
        case WarningKind::TooClose:
            points = {warning.other, warning.point};
            break;
        case WarningKind::PositiveBeyond:
        case WarningKind::NegativeBeyond:
            break;
        }
        const QString reason = warningText(warning, texts, scale.unitFormat, unit);
        for (const int point : points)
            if (point >= 1 && static_cast<std::size_t>(point) <= count)
                mark(rows[slotOfPoint[static_cast<std::size_t>(point) - 1]], RowMarkKind::Warning,
                     reason);
    }
    return rows;
}

} // namespace calibration
