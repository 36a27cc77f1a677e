#include "views/records/RecordedCertificate.h"

#include "core/records/CertificateOf.h"

namespace app {

std::optional<certificate::CertificateData>
recordedCertificate(const records::RecordKeeper& store, const records::WriteResult& recorded,
                    const calibration::CurveSheet& sheet) {
    if (recorded.outcome != records::WriteOutcome::Recorded)
        return std::nullopt;
    const std::optional<records::CalibrationRecord> record = store.calibration(recorded.uuid);
    if (!record || record->kind != records::RecordKind::Calibration ||
        record->sensorId != sheet.sensorId ||
        std::ssize(record->points) != sheet.table.PointCount())
        return std::nullopt;
    for (int slot = 1; slot <= sheet.table.PointCount(); ++slot) {
        const records::CapturedPoint& point = record->points[static_cast<std::size_t>(slot - 1)];
        const calibration::CurvePoint& shown = sheet.table.point(slot);
        if (static_cast<float>(point.signal) != shown.signal ||
            static_cast<float>(point.etalon) != shown.etalon)
            return std::nullopt;
    }
    return records::certificateOf(*record, store);
}

} // namespace app
