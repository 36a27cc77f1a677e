#include "tests/support/ExpectedImage.h"

#include "core/calibration/CurveTable.h"
#include "core/sensor/SensorImage.h"
#include "core/sensor/SensorRecord.h"

#include <QDate>

namespace testsupport {

QByteArray expectedImage(const sim::SensorBlockContent& content, const QList<QPointF>& points) {
    sensor::SensorRecord record;
    record.Description = content.description;
    record.UnitName = content.unit;
    record.UnitFormat = sensor::unitFormatForDecimals(content.decimals);
    record.GainIndex = content.gain;
    record.RangeZero = float(content.zero);
    record.Slide = content.slide;
    record.SlideRychl = content.slideFast;
    record.AuxText = QString::fromLatin1(content.auxText);
    record.SensorId = QString::fromLatin1(content.sensorId);
    record.FullScale = float(content.fullScale);
    record.FullScaleNeg = float(content.fullScaleNeg);
    record.Options = sensor::StandardCurveOptions;
    record.CurvePointCount = int(points.size());
    for (int i = 0; i < points.size(); ++i) {
        record.CurveSignal[std::size_t(i)] = float(points[i].x());
        record.CurveEtalon[std::size_t(i)] = float(points[i].y());
    }
    const auto encoded = sensor::EncodeSensorImage(record, QDate::currentDate());
    return std::get<sensor::EncodedSensorImage>(encoded).image;
}

QByteArray withoutSaveDate(QByteArray image) {
    // The save date (YYMMDD) lies at offset 49.
    return image.replace(49, 6, QByteArray(6, '-'));
}

QList<QPointF> pointsOf(const calibration::CurveTable& table) {
    QList<QPointF> points;
    for (int slot = 1; slot <= table.PointCount(); ++slot)
        points.append({table.point(slot).signal, table.point(slot).etalon});
    return points;
}

} // namespace testsupport
