#pragma once

#include "core/records/Records.h"

#include <optional>
#include <utility>

// The rules of the records, as pure functions.
namespace records {

// Full scale as the curve figures take it: max(R+, -R-).
[[nodiscard]] double fullScaleOf(double fullScale, double fullScaleNeg);
// Whether an error lies within ±`tolerancePercent` % of `fullScale`; the limit itself is within.
[[nodiscard]] bool withinTolerance(double error, double fullScale, double tolerancePercent);
// NotChecked without points, Pass when every point is within tolerance, else Fail.
[[nodiscard]] Verdict verdictOf(const std::vector<CheckPoint>& points, double fullScale,
                                double tolerancePercent);

// "<prefix>-<year>-<sequence in 5 digits>", such as "TC-2026-00042".
[[nodiscard]] QString certificateNumber(const QString& prefix, int year, int sequence);
// The due date of a calibration that ended on `ended`.
[[nodiscard]] QDate dueDate(const QDateTime& ended, int dueMonths);
// Whether a standard is past its due date on `day`.
[[nodiscard]] bool pastDue(const ReferenceStandard& standard, QDate day);

// The value of an AsLeft correction: the appended check's verdict and its first row's position.
[[nodiscard]] QString appendedCheckValue(Verdict verdict, std::size_t firstPosition);
[[nodiscard]] std::optional<std::pair<Verdict, std::size_t>> appendedCheckOf(const QString& value);

[[nodiscard]] QString verdictName(Verdict verdict); // "not-checked", "pass", "fail"
[[nodiscard]] std::optional<Verdict> verdictOfName(const QString& name);
[[nodiscard]] QString reasonName(SnapshotReason reason); // "read-out", "before-write", ...
[[nodiscard]] std::optional<SnapshotReason> reasonOfName(const QString& name);
[[nodiscard]] QString kindName(RecordKind kind); // "calibration", "restore", "backup"
[[nodiscard]] std::optional<RecordKind> kindOfName(const QString& name);
[[nodiscard]] QString fieldName(CorrectedField field); // "operator", "standard", ...
[[nodiscard]] std::optional<CorrectedField> fieldOfName(const QString& name);

} // namespace records
