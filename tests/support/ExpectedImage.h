#pragma once

#include "sim/SensorBlock.h"

#include <QByteArray>
#include <QList>
#include <QPointF>

namespace testsupport {

// The image the calibrator writes for a sensor read from `content`, with the curve `points`
// as (signal, etalon), when its page was left as it was read.
[[nodiscard]] QByteArray expectedImage(const sim::SensorBlockContent& content,
                                       const QList<QPointF>& points);

} // namespace testsupport
