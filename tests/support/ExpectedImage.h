#pragma once

#include "sim/SensorBlock.h"

#include <QByteArray>
#include <QList>
#include <QPointF>

namespace calibration {
class CurveTable;
}

namespace testsupport {

// The image the calibrator writes for a sensor read from `content`.
[[nodiscard]] QByteArray expectedImage(const sim::SensorBlockContent& content,
                                       const QList<QPointF>& points);
// The image with its save date blanked out, for comparing images written on different days.
[[nodiscard]] QByteArray withoutSaveDate(QByteArray image);
// The table's points as (signal, etalon), in slot order.
[[nodiscard]] QList<QPointF> pointsOf(const calibration::CurveTable& table);

} // namespace testsupport
