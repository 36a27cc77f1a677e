#include "sim/SensorBlock.h"

#include "core/text/DeviceFloat.h"
#include "core/text/Windows1250.h"

#include <algorithm>

namespace sim {

namespace {

constexpr int CurveOffset = 96;
constexpr int OptionsOffset = 99;
constexpr int CountOffset = 100;
constexpr int PointsOffset = 104;
constexpr int DecimalsOffset = 40;
constexpr int MinPoints = 2;
constexpr int MaxPoints = 40;

QByteArray fixedText(const QString& text, int width) {
    QByteArray bytes = text::toWindows1250(text.trimmed());
    bytes.truncate(width);
    return bytes.leftJustified(width, ' ');
}

QByteArray fixedBytes(const QByteArray& bytes, int width) {
    return bytes.left(width).leftJustified(width, ' ');
}

// A device float in image order: exponent byte first, then the mantissa from the top down.
QByteArray floatBytes(double value, int size) {
    const QString hex = device::FloatToHex(value, size);
    if (hex.isEmpty())
        return QByteArray(size, '\0');
    return QByteArray::fromHex(hex.toLatin1());
}

double floatAt(const QByteArray& block, int offset, int size) {
    return device::HexToFloat(QString::fromLatin1(block.mid(offset, size).toHex()));
}

int byteAt(const QByteArray& block, int offset) {
    return static_cast<unsigned char>(block[offset]);
}

} // namespace

QByteArray makeSensorBlock(const SensorBlockContent& content) {
    QByteArray image = "FSN";
    image += '\x01';
    image += static_cast<char>(content.gain >= 0 && content.gain <= 7 ? content.gain : 7);
    const int zero = content.zero >= 0 && content.zero <= 0xFFFF ? content.zero : 0;
    image += static_cast<char>(zero >> 8);
    image += static_cast<char>(zero & 0xFF);
    image += '\0';
    image += fixedText(content.description, 32);
    image += static_cast<char>(content.decimals);
    image += fixedText(content.unit, 6);
    image += static_cast<char>(content.slideFast);
    image += static_cast<char>(content.slide);
    image += fixedBytes(content.saveDate, 6);
    image += fixedBytes(content.auxText, 6);
    image += fixedBytes(content.sensorId, 8);
    image += floatBytes(content.fullScaleNeg, 4);
    image += floatBytes(content.fullScale, 4);
    image += static_cast<char>(content.limitFlags);
    image += QByteArray(18, '\0');
    image += "KRI";
    image += static_cast<char>(content.options);
    const auto count = std::min<qsizetype>(content.points.size(), MaxPoints);
    image += static_cast<char>(count);
    image += QByteArray(3, '\0');
    const int size = (content.options & 0x40) != 0 ? 4 : 3;
    for (qsizetype i = 0; i < count && image.size() + 2 * size <= SensorBlockSize; ++i) {
        image += floatBytes(content.points[i].signal, size);
        image += floatBytes(content.points[i].etalon, size);
    }
    return image.leftJustified(SensorBlockSize, '\xFF');
}

std::optional<SensorCurve> readSensorCurve(const QByteArray& block) {
    if (block.size() < PointsOffset || block.mid(CurveOffset, 3) != "KRI")
        return std::nullopt;
    const int options = byteAt(block, OptionsOffset);
    if ((options & 0x80) == 0 || (options & 0x20) != 0)
        return std::nullopt;
    const int count = byteAt(block, CountOffset);
    const int size = (options & 0x40) != 0 ? 4 : 3;
    if (count < MinPoints || count > MaxPoints || PointsOffset + count * 2 * size > block.size())
        return std::nullopt;
    SensorCurve curve;
    for (int i = 0; i < count; ++i) {
        const int offset = PointsOffset + 2 * size * i;
        curve.points.append({floatAt(block, offset, size), floatAt(block, offset + size, size)});
    }
    std::stable_sort(curve.points.begin(), curve.points.end(),
                     [](const auto& a, const auto& b) { return a.signal < b.signal; });
    const int decimals = byteAt(block, DecimalsOffset);
    curve.decimals = decimals >= 1 && decimals <= 5 ? decimals : 0;
    return curve;
}

double evaluateCurve(const SensorCurve& curve, double signal) {
    const auto& points = curve.points;
    // The segment that holds the signal; below the first or above the last point the outer
    // segment goes on. Points of equal signal make no segment.
    qsizetype upper = 1;
    while (upper + 1 < points.size() && signal > points[upper].signal)
        ++upper;
    qsizetype lower = upper - 1;
    while (lower > 0 && points[lower].signal == points[upper].signal)
        --lower;
    const auto& a = points[lower];
    const auto& b = points[upper];
    if (b.signal == a.signal)
        return a.etalon;
    return a.etalon + (signal - a.signal) * (b.etalon - a.etalon) / (b.signal - a.signal);
}

SensorBlockContent defaultExternalSensor() {
    SensorBlockContent sensor;
    sensor.description = QStringLiteral("Snímač EXT");
    sensor.unit = QStringLiteral("kg");
    sensor.gain = 7;
    sensor.decimals = 2;
    sensor.slideFast = 4;
    sensor.slide = 16;
    sensor.saveDate = "250314";
    sensor.sensorId = "53EKAB17";
    sensor.fullScaleNeg = -100.0;
    sensor.fullScale = 100.0;
    sensor.points = {{0.0, 0.0}, {1.0, 50.0}, {2.0, 100.0}};
    return sensor;
}

SensorBlockContent defaultInternalSensor() {
    SensorBlockContent sensor;
    sensor.description = QStringLiteral("Interní snímač");
    sensor.unit = QStringLiteral("N");
    sensor.gain = 6;
    sensor.decimals = 1;
    sensor.saveDate = "241102";
    sensor.sensorId = "4B02MQA5";
    sensor.fullScaleNeg = -500.0;
    sensor.fullScale = 500.0;
    sensor.points = {{0.0, 0.0}, {4.0, 500.0}};
    return sensor;
}

} // namespace sim
