#include "core/records/RecordJson.h"
#include "core/records/RecordStore.h"
#include "core/records/RequiredEntries.h"
#include "core/records/Rules.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSysInfo>
#include <QUuid>

namespace records {

namespace {

constexpr int PrefixFixedText = 412;
constexpr int NoSuchRecordText = 413;

QString newUuid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QString sha256(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

template <typename T> QVariant orNull(const std::optional<T>& value) {
    return value ? QVariant::fromValue(*value) : QVariant();
}

QVariant textOrNull(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QVariant numberOrNull(const std::optional<double>& number) {
    return number ? QVariant(*number) : QVariant();
}

// The setup constants as the snapshots table keeps them.
QByteArray setupText(const backup::Backup& content) {
    QJsonArray zero;
    QJsonArray k;
    for (std::size_t i = 0; i < content.rangeZero.size(); ++i) {
        zero.append(content.rangeZero[i]);
        k.append(content.rangeK[i]);
    }
    return QJsonDocument(QJsonObject{{"displayDigits", content.displayDigits},
                                     {"rangeZero", zero},
                                     {"rangeK", k}})
        .toJson(QJsonDocument::Compact);
}

} // namespace

bool RecordStore::insertSetting(const QString& name, const QString& value) {
    QSqlQuery next = prepared(Sql::NextSettingRevision);
    next.bindValue(QStringLiteral(":name"), name);
    const std::optional<qint64> revision = number(next);
    if (!revision)
        return false;
    QSqlQuery insert = prepared(Sql::InsertSetting);
    insert.bindValue(QStringLiteral(":name"), name);
    insert.bindValue(QStringLiteral(":revision"), *revision);
    insert.bindValue(QStringLiteral(":value"), value);
    insert.bindValue(QStringLiteral(":at"), isoTime(QDateTime::currentDateTimeUtc()));
    return exec(insert);
}

WriteResult RecordStore::setSettings(const StoreSettings& wanted) {
    const StoreSettings now = settings();
    if (wanted.certificatePrefix != now.certificatePrefix) {
        QSqlQuery count = prepared(Sql::CountCalibrations);
        if (number(count).value_or(1) > 0)
            return {WriteOutcome::Refused, {}, {}, texts_.text(PrefixFixedText)};
    }
    const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    const std::vector<std::pair<QString, std::pair<QString, QString>>> values{
        {"certificate_prefix", {wanted.certificatePrefix, now.certificatePrefix}},
        {"due_months", {QString::number(wanted.dueMonths), QString::number(now.dueMonths)}},
        {"require_operator", {flag(wanted.requireOperator), flag(now.requireOperator)}},
        {"require_standard", {flag(wanted.requireStandard), flag(now.requireStandard)}},
        {"require_conditions", {flag(wanted.requireConditions), flag(now.requireConditions)}}};
    return write({}, {}, {}, [&] {
        for (const auto& [name, value] : values)
            if (value.first != value.second && !insertSetting(name, value.first))
                return false;
        return true;
    });
}

WriteResult RecordStore::setSetting(const QString& name, const QString& value) {
    if (status_.usable() && setting(name) == value)
        return {WriteOutcome::Recorded, {}, {}, {}};
    return write({}, {}, {}, [&] { return insertSetting(name, value); });
}

WriteResult RecordStore::write(const QString& kind, const QString& uuid,
                               const std::function<QJsonObject()>& document,
                               const std::function<bool()>& work) {
    if (status_.usable() && transaction(work))
        return {WriteOutcome::Recorded, uuid, {}, {}};
    if (status_.usable())
        return failure(lastError_);
    if (kind.isEmpty() || onServer())
        return failure(status_.message);
    return pending(kind, uuid, document());
}

WriteResult RecordStore::record(CalibrationRecord calibration) {
    if (calibration.uuid.isEmpty())
        calibration.uuid = newUuid();
    if (calibration.bench.isEmpty())
        calibration.bench = QSysInfo::machineHostName();
    const double fullScale = fullScaleOf(calibration.fullScale, calibration.fullScaleNeg);
    calibration.asFoundVerdict =
        verdictOf(calibration.asFound, fullScale, calibration.tolerancePercent);
    calibration.asLeftVerdict =
        verdictOf(calibration.asLeft, fullScale, calibration.tolerancePercent);
    calibration.recordedAt = QDateTime::currentDateTimeUtc();
    calibration.certificate.clear();
    calibration.dueOn = {};
    // A write repeated (an upload whose answer was lost) finds the record there already.
    if (status_.usable() && exists(Sql::CalibrationExists, calibration.uuid)) {
        const std::optional<CalibrationRecord> there = this->calibration(calibration.uuid);
        return {
            WriteOutcome::Recorded, calibration.uuid, there ? there->certificate : QString(), {}};
    }
    if (calibration.kind == RecordKind::Calibration && status_.usable()) {
        const std::vector<RequiredEntry> missing =
            missingEntries(settings(), calibration.operatorName, calibration.standardUuid,
                           calibration.temperature && calibration.humidity);
        if (!missing.empty())
            return {WriteOutcome::Refused, calibration.uuid, {}, refusalOf(texts_, missing)};
    }
    const CalibrationRecord asGiven = calibration;
    WriteResult result = write(
        QStringLiteral("calibration"), calibration.uuid, [&] { return toJson(asGiven); },
        [&] { return insertCalibration(calibration); });
    result.certificate =
        result.outcome == WriteOutcome::Recorded ? calibration.certificate : QString();
    return result;
}

bool RecordStore::insertCalibration(CalibrationRecord& c) {
    QSqlQuery insert = prepared(Sql::InsertCalibration);
    QVariant year;
    QVariant sequence;
    if (c.kind == RecordKind::Calibration) {
        const StoreSettings rules = settings();
        c.dueOn = dueDate(c.ended, rules.dueMonths);
    }
    if (c.kind == RecordKind::Calibration && givesNumbers_) {
        const int endYear = c.ended.toUTC().date().year();
        QSqlQuery next = prepared(Sql::NextCertificateSequence);
        next.bindValue(QStringLiteral(":year"), endYear);
        const std::optional<qint64> free = number(next);
        if (!free)
            return false;
        c.certificate =
            certificateNumber(settings().certificatePrefix, endYear, static_cast<int>(*free));
        year = endYear;
        sequence = *free;
    }
    const std::vector<std::pair<const char*, QVariant>> values{
        {":uuid", c.uuid},
        {":kind", kindName(c.kind)},
        {":certificate", textOrNull(c.certificate)},
        {":year", year},
        {":sequence", sequence},
        {":sensor", c.sensorId},
        {":block", c.block},
        {":description", c.description},
        {":unit", c.unit},
        {":full_scale", c.fullScale},
        {":full_scale_neg", c.fullScaleNeg},
        {":identification", c.identification},
        {":operator", c.operatorName},
        {":standard", textOrNull(c.standardUuid)},
        {":temperature", numberOrNull(c.temperature)},
        {":humidity", numberOrNull(c.humidity)},
        {":bench", c.bench},
        {":version", c.programVersion},
        {":started", textOrNull(isoTime(c.started))},
        {":ended", isoTime(c.ended)},
        {":as_found", textOrNull(c.asFoundSnapshot)},
        {":as_left", textOrNull(c.asLeftSnapshot)},
        {":tolerance", c.tolerancePercent},
        {":as_found_verdict", verdictName(c.asFoundVerdict)},
        {":as_left_verdict", verdictName(c.asLeftVerdict)},
        {":due", textOrNull(isoDate(c.dueOn))},
        {":figures", c.figuresJson},
        {":recorded", isoTime(c.recordedAt)}};
    for (const auto& [name, value] : values)
        insert.bindValue(QLatin1String(name), value);
    if (!exec(insert))
        return false;
    for (std::size_t i = 0; i < c.points.size(); ++i) {
        QSqlQuery point = prepared(Sql::InsertPoint);
        point.bindValue(QStringLiteral(":uuid"), c.uuid);
        point.bindValue(QStringLiteral(":position"), static_cast<int>(i));
        point.bindValue(QStringLiteral(":signal"), c.points[i].signal);
        point.bindValue(QStringLiteral(":etalon"), c.points[i].etalon);
        point.bindValue(QStringLiteral(":captured"), textOrNull(isoTime(c.points[i].capturedAt)));
        point.bindValue(QStringLiteral(":readings"), orNull(c.points[i].readings));
        point.bindValue(QStringLiteral(":deviation"), orNull(c.points[i].deviation));
        if (!exec(point))
            return false;
    }
    for (const auto& [phase, checks] :
         {std::pair{"as-found", &c.asFound}, std::pair{"as-left", &c.asLeft}}) {
        for (std::size_t i = 0; i < checks->size(); ++i) {
            const CheckPoint& each = (*checks)[i];
            QSqlQuery check = prepared(Sql::InsertCheck);
            check.bindValue(QStringLiteral(":uuid"), c.uuid);
            check.bindValue(QStringLiteral(":phase"), QLatin1String(phase));
            check.bindValue(QStringLiteral(":position"), static_cast<int>(i));
            check.bindValue(QStringLiteral(":etalon"), each.etalon);
            check.bindValue(QStringLiteral(":displayed"), each.displayed);
            check.bindValue(QStringLiteral(":error"), each.error());
            check.bindValue(QStringLiteral(":captured"), textOrNull(isoTime(each.capturedAt)));
            if (!exec(check))
                return false;
        }
    }
    return true;
}

WriteResult RecordStore::addSnapshot(Snapshot snapshot) {
    if (snapshot.uuid.isEmpty())
        snapshot.uuid = newUuid();
    snapshot.content.takenFor =
        backup::TakenFor{snapshot.block, snapshot.sensorId, snapshot.content.identification};
    if (status_.usable() && exists(Sql::SnapshotExists, snapshot.uuid))
        return {WriteOutcome::Recorded, snapshot.uuid, {}, {}};
    return write(
        QStringLiteral("snapshot"), snapshot.uuid, [&] { return toJson(snapshot); },
        [&] { return insertSnapshot(snapshot); });
}

bool RecordStore::insertSnapshot(const Snapshot& s) {
    const QByteArray setup = setupText(s.content);
    QSqlQuery insert = prepared(Sql::InsertSnapshot);
    insert.bindValue(QStringLiteral(":uuid"), s.uuid);
    insert.bindValue(QStringLiteral(":taken"), isoTime(s.content.taken));
    insert.bindValue(QStringLiteral(":reason"), reasonName(s.reason));
    insert.bindValue(QStringLiteral(":sensor"), s.sensorId);
    insert.bindValue(QStringLiteral(":block"), s.block);
    insert.bindValue(QStringLiteral(":identification"), s.content.identification);
    insert.bindValue(QStringLiteral(":digits"), s.content.displayDigits);
    insert.bindValue(QStringLiteral(":setup"), QString::fromUtf8(setup));
    insert.bindValue(QStringLiteral(":setup_sha256"), sha256(setup));
    insert.bindValue(QStringLiteral(":recorded"), isoTime(QDateTime::currentDateTimeUtc()));
    if (!exec(insert))
        return false;
    for (const backup::SensorBackup& block : s.content.sensors) {
        QSqlQuery raw = prepared(Sql::InsertSnapshotBlock);
        raw.bindValue(QStringLiteral(":uuid"), s.uuid);
        raw.bindValue(QStringLiteral(":block"), block.block);
        raw.bindValue(QStringLiteral(":raw"), block.raw);
        raw.bindValue(QStringLiteral(":sha256"), sha256(block.raw));
        if (!exec(raw))
            return false;
    }
    return true;
}

WriteResult RecordStore::addStandard(ReferenceStandard standard) {
    if (standard.uuid.isEmpty())
        standard.uuid = newUuid();
    if (status_.usable() && this->standard(standard.uuid))
        return {WriteOutcome::Recorded, standard.uuid, {}, {}};
    return write({}, standard.uuid, {}, [&] {
        QSqlQuery insert = prepared(Sql::InsertStandard);
        insert.bindValue(QStringLiteral(":uuid"), standard.uuid);
        insert.bindValue(QStringLiteral(":name"), standard.name);
        insert.bindValue(QStringLiteral(":serial"), standard.serial);
        insert.bindValue(QStringLiteral(":certificate"), standard.certificate);
        insert.bindValue(QStringLiteral(":calibrated"), textOrNull(isoDate(standard.calibratedOn)));
        insert.bindValue(QStringLiteral(":due"), textOrNull(isoDate(standard.dueOn)));
        insert.bindValue(QStringLiteral(":recorded"), isoTime(QDateTime::currentDateTimeUtc()));
        return exec(insert);
    });
}

WriteResult RecordStore::correct(Correction correction) {
    if (correction.uuid.isEmpty())
        correction.uuid = newUuid();
    if (!correction.correctedAt.isValid())
        correction.correctedAt = QDateTime::currentDateTimeUtc();
    if (hasCorrection(correction.uuid))
        return {WriteOutcome::Recorded, correction.uuid, {}, {}};
    if (status_.usable() && !exists(Sql::CalibrationExists, correction.calibrationUuid))
        return {WriteOutcome::Refused,
                correction.uuid,
                {},
                texts_.text(NoSuchRecordText).arg(correction.calibrationUuid)};
    return write({}, correction.uuid, {}, [&] {
        QSqlQuery insert = prepared(Sql::InsertCorrection);
        insert.bindValue(QStringLiteral(":uuid"), correction.uuid);
        insert.bindValue(QStringLiteral(":calibration"), correction.calibrationUuid);
        insert.bindValue(QStringLiteral(":field"), fieldName(correction.field));
        insert.bindValue(QStringLiteral(":value"), correction.value);
        insert.bindValue(QStringLiteral(":by"), correction.correctedBy);
        insert.bindValue(QStringLiteral(":at"), isoTime(correction.correctedAt));
        insert.bindValue(QStringLiteral(":reason"), correction.reason);
        return exec(insert);
    });
}

bool RecordStore::hasCorrection(const QString& uuid) const {
    return status_.usable() && exists(Sql::CorrectionExists, uuid);
}

bool RecordStore::queueUpload(const QueuedUpload& item) {
    return write({}, item.uuid, {}, [&] {
               QSqlQuery insert = prepared(Sql::InsertUpload);
               insert.bindValue(QStringLiteral(":kind"), item.kind);
               insert.bindValue(QStringLiteral(":uuid"), item.uuid);
               insert.bindValue(QStringLiteral(":ref"), textOrNull(item.ref));
               insert.bindValue(QStringLiteral(":at"), isoTime(QDateTime::currentDateTimeUtc()));
               return exec(insert);
           }).outcome == WriteOutcome::Recorded;
}

bool RecordStore::markUploaded(const QString& uuid, const QString& certificate) {
    return write({}, uuid, {}, [&] {
               QSqlQuery insert = prepared(Sql::InsertUploaded);
               insert.bindValue(QStringLiteral(":uuid"), uuid);
               insert.bindValue(QStringLiteral(":certificate"), textOrNull(certificate));
               insert.bindValue(QStringLiteral(":at"), isoTime(QDateTime::currentDateTimeUtc()));
               return exec(insert);
           }).outcome == WriteOutcome::Recorded;
}

std::vector<QueuedUpload> RecordStore::waitingUploads() const {
    std::vector<QueuedUpload> waiting;
    if (!status_.usable())
        return waiting;
    QSqlQuery query = prepared(Sql::WaitingUploads);
    if (!exec(query))
        return waiting;
    while (query.next())
        waiting.push_back(
            {query.value(0).toString(), query.value(1).toString(), query.value(2).toString()});
    return waiting;
}

int RecordStore::waitingCount() const {
    if (!status_.usable())
        return 0;
    QSqlQuery query = prepared(Sql::CountWaitingUploads);
    return static_cast<int>(number(query).value_or(0));
}

QHash<QString, QString> RecordStore::uploaded() const {
    QHash<QString, QString> numbers;
    if (!status_.usable())
        return numbers;
    QSqlQuery query = prepared(Sql::Uploaded);
    if (!exec(query))
        return numbers;
    while (query.next())
        numbers.insert(query.value(0).toString(), query.value(1).toString());
    return numbers;
}

} // namespace records
