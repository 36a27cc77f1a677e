#include "core/records/CertificateOf.h"

#include "core/records/RecordStore.h"
#include "core/records/Rules.h"
#include "core/session/StartUp.h"

#include <QUuid>

namespace records {

namespace {

certificate::Verdict verdictFor(Verdict verdict) {
    switch (verdict) {
    case Verdict::Pass:
        return certificate::Verdict::Pass;
    case Verdict::Fail:
        return certificate::Verdict::Fail;
    case Verdict::NotChecked:
        break;
    }
    return certificate::Verdict::NotChecked;
}

certificate::Check checkOf(const std::vector<CheckPoint>& points, Verdict verdict, double fullScale,
                           double tolerancePercent) {
    certificate::Check check;
    check.verdict = verdictFor(verdict);
    for (const CheckPoint& point : points) {
        const double error = point.error();
        check.points.push_back({point.etalon, point.displayed, error,
                                fullScale > 0.0 ? error / fullScale * 100.0 : 0.0,
                                withinTolerance(error, fullScale, tolerancePercent)});
    }
    return check;
}

// The gain range of the recorded block in a snapshot, in mV/V; 0 when it has none.
double gainRangeOf(const std::optional<Snapshot>& snapshot, int block) {
    if (!snapshot)
        return 0.0;
    const QStringList entries = session::GainEntries();
    for (const backup::SensorBackup& sensor : snapshot->content.sensors)
        if (sensor.block == block && sensor.decoded.GainIndex >= 0 &&
            sensor.decoded.GainIndex < entries.size())
            return session::gainRangeLimit(entries.at(sensor.decoded.GainIndex));
    return 0.0;
}

} // namespace

certificate::CertificateData certificateOf(const CalibrationRecord& recorded,
                                           const std::optional<ReferenceStandard>& standard,
                                           double gainRange) {
    const CalibrationRecord r = corrected(recorded);
    const double fullScale = fullScaleOf(r.fullScale, r.fullScaleNeg);
    certificate::CertificateData data;
    data.certificateNumber = r.certificate;
    data.uuid = QUuid::fromString(r.uuid);
    data.issueDate = r.recordedAt.toUTC().date();
    data.softwareVersion = r.programVersion;
    data.laboratory = r.bench;
    data.operatorName = r.operatorName;
    data.instrumentId = r.identification;
    data.sensorId = r.sensorId;
    data.sensorDescription = r.description;
    data.unit = r.unit;
    data.rangeLow = r.fullScaleNeg;
    data.rangeHigh = r.fullScale;
    data.gainRange = gainRange;
    if (standard)
        data.standard = {standard->name, standard->serial, standard->certificate,
                         standard->dueOn.isValid() ? std::optional(standard->dueOn) : std::nullopt};
    data.temperature = r.temperature;
    data.humidity = r.humidity;
    data.start = r.started;
    data.end = r.ended;
    for (const CapturedPoint& point : r.points)
        data.points.push_back({point.signal, point.etalon});
    data.asFound = checkOf(r.asFound, r.asFoundVerdict, fullScale, r.tolerancePercent);
    data.asLeft = checkOf(r.asLeft, r.asLeftVerdict, fullScale, r.tolerancePercent);
    data.tolerancePercentFs = r.tolerancePercent;
    if (r.dueOn.isValid())
        data.dueDate = r.dueOn;
    return data;
}

certificate::CertificateData certificateOf(const CalibrationRecord& recorded,
                                           const RecordKeeper& store) {
    const CalibrationRecord r = corrected(recorded);
    const std::optional<ReferenceStandard> standard =
        r.standardUuid.isEmpty() ? std::nullopt : store.standard(r.standardUuid);
    double gain = 0.0;
    for (const QString& uuid : {r.asLeftSnapshot, r.asFoundSnapshot})
        if (gain <= 0.0 && !uuid.isEmpty())
            gain = gainRangeOf(store.snapshot(uuid), r.block);
    return certificateOf(recorded, standard, gain);
}

} // namespace records
