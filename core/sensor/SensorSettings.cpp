#include "core/sensor/SensorSettings.h"

#include "core/calibration/CurveEvaluation.h"
#include "core/sensor/SensorImage.h"
#include "core/text/DeviceFloat.h"
#include "core/text/NumberText.h"

#include <array>
#include <cmath>
#include <utility>

namespace sensor {

namespace {

constexpr double SmallestRange = 0.01;
constexpr double SmallestOverload = 1.0;
constexpr double LargestOverload = 999999.0;
constexpr qsizetype LongestDescription = 20;
constexpr qsizetype LongestUnit = 3;
constexpr std::int32_t AveragingOff = 1;

constexpr std::array<const char16_t*, 4> FourDigitFormats = {u"####0", u"###0.0", u"##0.00",
                                                             u"#0.000"};
constexpr std::array<const char16_t*, 5> FiveDigitFormats = {u"######0", u"####0.0", u"###0.00",
                                                             u"##0.000", u"#0.0000"};

// Everything the sort and the count can change.
struct TableSnapshot {
    std::array<calibration::CurvePoint, calibration::CurveTable::SlotCount> points{};
    int count = 0;

    explicit TableSnapshot(const calibration::CurveTable& table) : count(table.PointCount()) {
        for (int slot = 1; slot <= calibration::CurveTable::SlotCount; ++slot)
            points[static_cast<std::size_t>(slot - 1)] = table.point(slot);
    }
    bool operator==(const TableSnapshot& other) const {
        if (count != other.count)
            return false;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const auto& a = points[i];
            const auto& b = other.points[i];
            if (a.state != b.state || a.signal != b.signal || a.etalon != b.etalon)
                return false;
        }
        return true;
    }
};

// "OFF" (the first entry) stands for 1; any other entry for the number it shows.
std::int32_t averagingOf(int index, const QString& entry) {
    if (index < 1)
        return AveragingOff;
    const double value = std::nearbyint(device::ValDecimal(entry));
    return std::fabs(value) < 2147483647.0 ? static_cast<std::int32_t>(value) : AveragingOff;
}

} // namespace

QString unitFormatForIndex(int displayDigits, int index, const QString& current) {
    if (displayDigits == 4) {
        if (index >= 0 && index < static_cast<int>(FourDigitFormats.size()))
            return QString::fromUtf16(FourDigitFormats[static_cast<std::size_t>(index)]);
    } else if (index >= 0 && index < static_cast<int>(FiveDigitFormats.size())) {
        return QString::fromUtf16(FiveDigitFormats[static_cast<std::size_t>(index)]);
    }
    return current;
}

QList<SettingsFault> checkSensorSettings(const SensorSettings& settings) {
    QList<SettingsFault> faults;
    const auto check = [&faults](bool passes, SettingsFault fault) {
        if (!passes)
            faults.append(fault);
    };
    const double largest = device::ValDecimal(settings.formatEntry);
    const double positive = device::ValDecimal(settings.fullScale);
    check(positive >= SmallestRange && positive <= largest, SettingsFault::PositiveRange);
    const double negative = device::ValDecimal(settings.fullScaleNeg);
    check(negative <= 0.0 && negative >= -largest, SettingsFault::NegativeRange);
    const double overload = device::ValDecimal(settings.overload);
    check(overload >= SmallestOverload && overload <= LargestOverload, SettingsFault::Overload);
    const qsizetype description = trimBlanks(settings.description).size();
    check(description >= 1 && description <= LongestDescription, SettingsFault::Description);
    const qsizetype unit = trimBlanks(settings.unit).size();
    check(unit >= 1 && unit <= LongestUnit, SettingsFault::Unit);
    return faults;
}

CurvePreparation prepareCurveForSensor(calibration::CurveTable& table) {
    const TableSnapshot before(table);
    table.SortCurvePoints();
    table.CountCurvePoints();
    CurvePreparation prepared;
    prepared.reordered = !(TableSnapshot(table) == before);
    if (table.FindCurveDuplicate())
        prepared.fault = CurveFault::Duplicate;
    else if (table.PointCount() < MinSavedPoints)
        prepared.fault = CurveFault::TooFewPoints;
    else if (table.PointCount() > MaxSavedPoints)
        prepared.fault = CurveFault::TooManyPoints;
    return prepared;
}

std::optional<CopyFault> copySensorSettings(const SensorSettings& settings,
                                            const calibration::CurveTable& curve,
                                            const CopyContext& context, SensorRecord& record) {
    const QString description = trimBlanks(settings.description);
    if (description.isEmpty())
        return CopyFault::NoDescription;
    // A range the instrument cannot hold would stop the save only after the polling and the
    // navigation were taken; it is refused here, while the page can still be corrected.
    const auto fullScale = device::toSingle(device::ValDecimal(settings.fullScale));
    const auto fullScaleNeg = device::toSingle(device::ValDecimal(settings.fullScaleNeg));
    if (!device::isDeviceFloatEncodable(fullScale))
        return CopyFault::PositiveRangeNotStorable;
    if (!device::isDeviceFloatEncodable(fullScaleNeg))
        return CopyFault::NegativeRangeNotStorable;

    record.FullScale = fullScale;
    record.FullScaleNeg = fullScaleNeg;
    record.Decimals = settings.formatIndex;
    record.UnitFormat =
        unitFormatForIndex(context.displayDigits, record.Decimals, record.UnitFormat.text());
    record.LimitFlags = StandardLimitFlags;
    record.Description = description;
    record.UnitName = trimBlanks(settings.unit);
    record.GainIndex = settings.gainIndex;
    record.SaveDate = saveDateText(context.now.date());
    record.SensorId = CheckSensorId(record.SensorId.text(), context.now, context.random);
    record.Options = context.curveOptions;
    record.Slide = averagingOf(settings.slideIndex, settings.slideEntry);
    record.SlideRychl = averagingOf(settings.slideRychlIndex, settings.slideRychlEntry);
    for (int slot = 1; slot <= curve.PointCount(); ++slot) {
        const auto i = static_cast<std::size_t>(slot - 1);
        record.CurveEtalon[i] = curve.point(slot).etalon;
        record.CurveSignal[i] = curve.point(slot).signal;
    }
    record.CurvePointCount = curve.PointCount();
    return std::nullopt;
}

std::optional<RangeBeyondCurve> rangeBeyondCurve(const SensorSettings& settings,
                                                 const calibration::CurveTable& curve,
                                                 double gainRange) {
    float upper = calibration::EvaluateCurve(curve, static_cast<float>(gainRange));
    float lower = calibration::EvaluateCurve(curve, static_cast<float>(-gainRange));
    if (upper < lower)
        std::swap(upper, lower);
    if (device::toSingle(device::ValDecimal(settings.fullScale)) > upper)
        return RangeBeyondCurve{true, upper};
    if (device::toSingle(device::ValDecimal(settings.fullScaleNeg)) < lower)
        return RangeBeyondCurve{false, lower};
    return std::nullopt;
}

} // namespace sensor
