#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace sim {

inline constexpr int SensorBlockSize = 256;

// What a sensor block holds, in the terms the instrument stores it.
struct SensorBlockContent {
    struct Point {
        double signal = 0.0; // mV/V
        double etalon = 0.0; // user units
    };
    QString description;
    QString unit;
    int gain = 7;
    int zero = 32768;
    int decimals = 0;
    int slideFast = 10;
    int slide = 10;
    QByteArray saveDate = "250101";
    QByteArray auxText = "      ";
    QByteArray sensorId = "00000000";
    double fullScaleNeg = 0.0;
    double fullScale = 0.0;
    int limitFlags = 0xFF;
    int options = 0xD0;
    QList<Point> points;
};

// The 256 bytes of a block: the FSN settings, then the KRI curve with 3- or 4-byte points (bit 6
// of the options); texts in Windows-1250, padded with blanks; the unused rest is erased (FF).
[[nodiscard]] QByteArray makeSensorBlock(const SensorBlockContent& content);

// The curve stored in a block, as the instrument evaluates it.
struct SensorCurve {
    QList<SensorBlockContent::Point> points; // sorted by signal
    int decimals = 0;
};
// nullopt when the block holds no usable curve (no "KRI", bad options, fewer than 2 points).
[[nodiscard]] std::optional<SensorCurve> readSensorCurve(const QByteArray& block);
// Linear between neighbouring points, the outer segments extended straight.
[[nodiscard]] double evaluateCurve(const SensorCurve& curve, double signal);

// The two sensors of a new instrument: an external load cell in kg and the internal one in N.
[[nodiscard]] SensorBlockContent defaultExternalSensor();
[[nodiscard]] SensorBlockContent defaultInternalSensor();

} // namespace sim
