#pragma once

#include "core/calibration/CurveTable.h"
#include "core/sensor/SensorId.h"
#include "core/sensor/SensorRecord.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

namespace sensor {

// The sensor page as the operator filled it in: the texts of its boxes as typed and the entries
// chosen in its lists. Numbers are read from the texts where they are used.
struct SensorSettings {
    QString description;
    QString unit;
    QString fullScale;
    QString fullScaleNeg;
    QString overload;
    // The chosen format's entry ("9999.9": the largest number it shows) and its index.
    QString formatEntry;
    int formatIndex = 0;
    int gainIndex = 0;
    // The averaging lists: the chosen index and its entry; index 0 is "OFF".
    int slideIndex = 0;
    QString slideEntry;
    int slideRychlIndex = 0;
    QString slideRychlEntry;
};

// The number pattern of the format entry `index` ("###0.0" for "999.9" on a 4-digit display);
// `current` for an index the display does not offer.
[[nodiscard]] QString unitFormatForIndex(int displayDigits, int index, const QString& current);

// What the page's check refuses, in the order the operator is told.
enum class SettingsFault {
    PositiveRange, // not between 0.01 and the largest number of the format
    NegativeRange, // not between minus that number and 0
    Overload,      // not 1 to 999999 %
    Description,   // not 1 to 20 characters
    Unit,          // not 1 to 3 characters
};
[[nodiscard]] QList<SettingsFault> checkSensorSettings(const SensorSettings& settings);

// Why a curve cannot be stored in a sensor.
enum class CurveFault { Duplicate, TooFewPoints, TooManyPoints };
inline constexpr int MinSavedPoints = 2;
inline constexpr int MaxSavedPoints = 10;
struct CurvePreparation {
    bool reordered = false; // the sort or the count changed the table
    std::optional<CurveFault> fault;
};
// Sorts and counts the table, and tells what keeps it out of a sensor, if anything.
[[nodiscard]] CurvePreparation prepareCurveForSensor(calibration::CurveTable& table);

// Why the page cannot be copied into the record.
enum class CopyFault {
    NoDescription,
    PositiveRangeNotStorable, // too large for the instrument's number code
    NegativeRangeNotStorable,
};
// What the copy takes besides the page and the curve.
struct CopyContext {
    int displayDigits = 4; // 4 or 5
    QDateTime now;         // the save date and a new identifier
    RandomSource random;   // a new identifier
    std::uint8_t curveOptions = 0;
};
// Copies the page and the (sorted, counted) curve into `record`; the record is untouched when
// a fault is returned.
[[nodiscard]] std::optional<CopyFault> copySensorSettings(const SensorSettings& settings,
                                                          const calibration::CurveTable& curve,
                                                          const CopyContext& context,
                                                          SensorRecord& record);

// A measuring range beyond what the curve gives at the ends of the gain range (±gainRange
// mV/V), with the most the curve allows.
struct RangeBeyondCurve {
    bool positive = true;
    float limit = 0.0F;
};
[[nodiscard]] std::optional<RangeBeyondCurve> rangeBeyondCurve(const SensorSettings& settings,
                                                               const calibration::CurveTable& curve,
                                                               double gainRange);

} // namespace sensor
