#pragma once

#include "core/records/Records.h"

#include <QJsonObject>
#include <optional>

// Records as JSON objects: the pending files, and what the command line prints.
namespace records {

[[nodiscard]] QString isoTime(const QDateTime& time); // UTC with milliseconds; "" when invalid
[[nodiscard]] QDateTime timeOfIso(const QString& text);
[[nodiscard]] QString isoDate(QDate date);
[[nodiscard]] QDate dateOfIso(const QString& text);

[[nodiscard]] QJsonObject toJson(const CalibrationRecord& calibration);
[[nodiscard]] std::optional<CalibrationRecord> calibrationOfJson(const QJsonObject& object);
// The snapshot's content as a backup file's JSON, under "content".
[[nodiscard]] QJsonObject toJson(const Snapshot& snapshot);
[[nodiscard]] std::optional<Snapshot> snapshotOfJson(const QJsonObject& object);

} // namespace records
