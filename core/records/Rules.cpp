#include "core/records/Rules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace records {

namespace {

// Names as the database and the JSON files keep them.
template <class Enum, std::size_t N>
QString nameOf(const std::array<std::pair<Enum, const char*>, N>& names, Enum value) {
    for (const auto& [each, name] : names)
        if (each == value)
            return QString::fromLatin1(name);
    return {};
}

template <class Enum, std::size_t N>
std::optional<Enum> valueOf(const std::array<std::pair<Enum, const char*>, N>& names,
                            const QString& name) {
    for (const auto& [each, text] : names)
        if (name == QLatin1String(text))
            return each;
    return std::nullopt;
}

constexpr std::array Verdicts{std::pair{Verdict::NotChecked, "not-checked"},
                              std::pair{Verdict::Pass, "pass"}, std::pair{Verdict::Fail, "fail"}};
constexpr std::array Reasons{std::pair{SnapshotReason::ReadOut, "read-out"},
                             std::pair{SnapshotReason::BeforeWrite, "before-write"},
                             std::pair{SnapshotReason::AfterWrite, "after-write"},
                             std::pair{SnapshotReason::Restore, "restore"}};
constexpr std::array Kinds{std::pair{RecordKind::Calibration, "calibration"},
                           std::pair{RecordKind::Restore, "restore"},
                           std::pair{RecordKind::Backup, "backup"}};
constexpr std::array Fields{std::pair{CorrectedField::Operator, "operator"},
                            std::pair{CorrectedField::Standard, "standard"},
                            std::pair{CorrectedField::Temperature, "temperature"},
                            std::pair{CorrectedField::Humidity, "humidity"},
                            std::pair{CorrectedField::Withdrawn, "withdrawn"},
                            std::pair{CorrectedField::AsLeft, "as-left"}};

// Errors and limits are differences of decimal values held in binary: an error that prints as
// the limit is within it.
constexpr double RelativeSlack = 1e-9;

std::optional<double> numberOf(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

} // namespace

QString appendedCheckValue(Verdict verdict, std::size_t firstPosition) {
    return verdictName(verdict) + u' ' + QString::number(firstPosition);
}

std::optional<std::pair<Verdict, std::size_t>> appendedCheckOf(const QString& value) {
    const QStringList parts = value.split(u' ');
    bool ok = false;
    const qulonglong first = parts.size() == 2 ? parts[1].toULongLong(&ok) : 0;
    const std::optional<Verdict> verdict =
        parts.size() == 2 ? verdictOfName(parts[0]) : std::nullopt;
    if (!ok || !verdict)
        return std::nullopt;
    return std::pair{*verdict, static_cast<std::size_t>(first)};
}

double fullScaleOf(double fullScale, double fullScaleNeg) {
    return std::max(fullScale, -fullScaleNeg);
}

bool withinTolerance(double error, double fullScale, double tolerancePercent) {
    const double limit = std::abs(fullScale) * tolerancePercent / 100.0;
    return std::abs(error) <= limit * (1.0 + RelativeSlack);
}

Verdict verdictOf(const std::vector<CheckPoint>& points, double fullScale,
                  double tolerancePercent) {
    if (points.empty())
        return Verdict::NotChecked;
    const bool all = std::ranges::all_of(points, [&](const CheckPoint& point) {
        return withinTolerance(point.error(), fullScale, tolerancePercent);
    });
    return all ? Verdict::Pass : Verdict::Fail;
}

QString certificateNumber(const QString& prefix, int year, int sequence) {
    return QStringLiteral("%1-%2-%3").arg(prefix).arg(year).arg(sequence, 5, 10, QChar(u'0'));
}

QDate dueDate(const QDateTime& ended, int dueMonths) {
    return ended.toUTC().date().addMonths(dueMonths);
}

bool pastDue(const ReferenceStandard& standard, QDate day) {
    return standard.dueOn.isValid() && standard.dueOn < day;
}

QString verdictName(Verdict verdict) {
    return nameOf(Verdicts, verdict);
}
std::optional<Verdict> verdictOfName(const QString& name) {
    return valueOf(Verdicts, name);
}
QString reasonName(SnapshotReason reason) {
    return nameOf(Reasons, reason);
}
std::optional<SnapshotReason> reasonOfName(const QString& name) {
    return valueOf(Reasons, name);
}
QString kindName(RecordKind kind) {
    return nameOf(Kinds, kind);
}
std::optional<RecordKind> kindOfName(const QString& name) {
    return valueOf(Kinds, name);
}
QString fieldName(CorrectedField field) {
    return nameOf(Fields, field);
}
std::optional<CorrectedField> fieldOfName(const QString& name) {
    return valueOf(Fields, name);
}

CalibrationRecord corrected(CalibrationRecord record) {
    // Positions count in the rows as recorded: the latest appended as-left check is the one whose
    // rows begin last, whatever the order of corrections made within the same instant.
    const std::vector<CheckPoint> asLeftRows = record.asLeft;
    std::optional<std::size_t> asLeftFirst;
    for (const Correction& correction : record.corrections) {
        switch (correction.field) {
        case CorrectedField::Operator:
            record.operatorName = correction.value;
            break;
        case CorrectedField::Standard:
            record.standardUuid = correction.value;
            break;
        case CorrectedField::Temperature:
            record.temperature = numberOf(correction.value);
            break;
        case CorrectedField::Humidity:
            record.humidity = numberOf(correction.value);
            break;
        case CorrectedField::Withdrawn:
            record.withdrawn = correction.value == u'1';
            break;
        case CorrectedField::AsLeft:
            if (const auto appended = appendedCheckOf(correction.value);
                appended && (!asLeftFirst || appended->second >= *asLeftFirst)) {
                asLeftFirst = appended->second;
                record.asLeftVerdict = appended->first;
                const std::size_t first = std::min(appended->second, asLeftRows.size());
                record.asLeft.assign(asLeftRows.begin() + static_cast<std::ptrdiff_t>(first),
                                     asLeftRows.end());
            }
            break;
        }
    }
    return record;
}

} // namespace records
