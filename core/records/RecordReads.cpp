#include "core/records/RecordJson.h"
#include "core/records/RecordStore.h"
#include "core/records/Rules.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

namespace records {

namespace {

QString textAt(const QSqlQuery& query, int column) {
    return query.value(column).toString();
}

std::optional<double> numberAt(const QSqlQuery& query, int column) {
    const QVariant value = query.value(column);
    return value.isNull() ? std::nullopt : std::optional(value.toDouble());
}

ReferenceStandard standardAt(const QSqlQuery& q) {
    return {
        textAt(q, 0),           textAt(q, 1), textAt(q, 2), textAt(q, 3), dateOfIso(textAt(q, 4)),
        dateOfIso(textAt(q, 5))};
}

} // namespace

StoreSettings RecordStore::settings() const {
    StoreSettings settings;
    QSqlQuery query = prepared(Sql::CurrentSettings);
    if (!exec(query))
        return settings;
    while (query.next()) {
        const QString name = textAt(query, 0);
        const QString value = textAt(query, 1);
        if (name == u"certificate_prefix")
            settings.certificatePrefix = value;
        else if (name == u"due_months")
            settings.dueMonths = value.toInt();
        else if (name == u"require_operator")
            settings.requireOperator = value == u'1';
        else if (name == u"require_standard")
            settings.requireStandard = value == u'1';
        else if (name == u"require_conditions")
            settings.requireConditions = value == u'1';
    }
    return settings;
}

std::optional<QString> RecordStore::setting(const QString& name) const {
    if (!status_.usable())
        return std::nullopt;
    QSqlQuery query = prepared(Sql::CurrentSettings);
    if (!exec(query))
        return std::nullopt;
    while (query.next())
        if (textAt(query, 0) == name)
            return textAt(query, 1);
    return std::nullopt;
}

std::vector<Correction> RecordStore::corrections(QSqlQuery& query) const {
    std::vector<Correction> found;
    if (!exec(query))
        return found;
    while (query.next())
        if (const auto field = fieldOfName(textAt(query, 2)))
            found.push_back({textAt(query, 0), textAt(query, 1), *field, textAt(query, 3),
                             textAt(query, 4), timeOfIso(textAt(query, 5)), textAt(query, 6)});
    return found;
}

std::vector<HistoryEntry> RecordStore::history(const QString& sensorId) const {
    return historyOf(sensorId);
}

std::vector<HistoryEntry> RecordStore::allHistory() const {
    return historyOf(std::nullopt);
}

std::vector<HistoryEntry> RecordStore::historyOf(const std::optional<QString>& sensorId) const {
    std::vector<HistoryEntry> entries;
    QSqlQuery query = prepared(sensorId ? Sql::History : Sql::HistoryOfAll);
    if (sensorId)
        query.bindValue(QStringLiteral(":sensor"), *sensorId);
    if (!exec(query))
        return entries;
    QHash<QString, CalibrationRecord> records;
    while (query.next()) {
        CalibrationRecord r;
        r.uuid = textAt(query, 0);
        r.certificate = textAt(query, 1);
        r.kind = kindOfName(textAt(query, 2)).value_or(RecordKind::Calibration);
        r.ended = timeOfIso(textAt(query, 3));
        r.operatorName = textAt(query, 4);
        r.standardUuid = textAt(query, 5);
        r.asFoundVerdict = verdictOfName(textAt(query, 6)).value_or(Verdict::NotChecked);
        r.asLeftVerdict = verdictOfName(textAt(query, 7)).value_or(Verdict::NotChecked);
        r.dueOn = dateOfIso(textAt(query, 8));
        r.sensorId = textAt(query, 9);
        entries.push_back({r.uuid, {}, {}, {}, {}, {}, {}, {}, {}, false, false, {}});
        records.insert(r.uuid, r);
    }
    QSqlQuery fixes = prepared(sensorId ? Sql::CorrectionsOfSensor : Sql::CorrectionsOfAll);
    if (sensorId)
        fixes.bindValue(QStringLiteral(":sensor"), *sensorId);
    for (const Correction& correction : corrections(fixes))
        if (const auto found = records.find(correction.calibrationUuid); found != records.end())
            found->corrections.push_back(correction);
    QHash<QString, QString> standardNames;
    for (const ReferenceStandard& standard : standards())
        standardNames.insert(standard.uuid, standard.name);
    for (HistoryEntry& entry : entries) {
        const CalibrationRecord r = corrected(records.value(entry.uuid));
        entry = {r.uuid,           r.certificate,
                 r.kind,           r.ended,
                 r.operatorName,   standardNames.value(r.standardUuid),
                 r.asFoundVerdict, r.asLeftVerdict,
                 r.dueOn,          !r.corrections.empty(),
                 r.withdrawn,      r.sensorId};
    }
    return entries;
}

QStringList RecordStore::sensorIds() const {
    QStringList ids;
    QSqlQuery query = prepared(Sql::SensorIds);
    if (!exec(query))
        return ids;
    while (query.next())
        ids.append(textAt(query, 0));
    return ids;
}

std::optional<CalibrationRecord> RecordStore::calibration(const QString& key) const {
    QSqlQuery query = prepared(QUuid::fromString(key).isNull() ? Sql::CalibrationByCertificate
                                                               : Sql::CalibrationByUuid);
    query.bindValue(QStringLiteral(":key"), key);
    if (!exec(query) || !query.next())
        return std::nullopt;
    CalibrationRecord c;
    c.uuid = textAt(query, 0);
    c.kind = kindOfName(textAt(query, 1)).value_or(RecordKind::Calibration);
    c.certificate = textAt(query, 2);
    c.sensorId = textAt(query, 3);
    c.block = query.value(4).toInt();
    c.description = textAt(query, 5);
    c.unit = textAt(query, 6);
    c.fullScale = query.value(7).toDouble();
    c.fullScaleNeg = query.value(8).toDouble();
    c.identification = textAt(query, 9);
    c.operatorName = textAt(query, 10);
    c.standardUuid = textAt(query, 11);
    c.temperature = numberAt(query, 12);
    c.humidity = numberAt(query, 13);
    c.bench = textAt(query, 14);
    c.programVersion = textAt(query, 15);
    c.started = timeOfIso(textAt(query, 16));
    c.ended = timeOfIso(textAt(query, 17));
    c.asFoundSnapshot = textAt(query, 18);
    c.asLeftSnapshot = textAt(query, 19);
    c.tolerancePercent = query.value(20).toDouble();
    c.asFoundVerdict = verdictOfName(textAt(query, 21)).value_or(Verdict::NotChecked);
    c.asLeftVerdict = verdictOfName(textAt(query, 22)).value_or(Verdict::NotChecked);
    c.dueOn = dateOfIso(textAt(query, 23));
    c.figuresJson = textAt(query, 24);
    c.recordedAt = timeOfIso(textAt(query, 25));

    QSqlQuery points = prepared(Sql::PointsOfCalibration);
    points.bindValue(QStringLiteral(":uuid"), c.uuid);
    if (!exec(points))
        return std::nullopt;
    while (points.next()) {
        CapturedPoint& point = c.points.emplace_back(CapturedPoint{
            points.value(0).toDouble(), points.value(1).toDouble(), timeOfIso(textAt(points, 2))});
        if (!points.value(3).isNull())
            point.readings = points.value(3).toInt();
        if (!points.value(4).isNull())
            point.deviation = points.value(4).toDouble();
    }
    QSqlQuery checks = prepared(Sql::ChecksOfCalibration);
    checks.bindValue(QStringLiteral(":uuid"), c.uuid);
    if (!exec(checks))
        return std::nullopt;
    while (checks.next())
        (textAt(checks, 0) == u"as-found" ? c.asFound : c.asLeft)
            .push_back({checks.value(1).toDouble(), checks.value(2).toDouble(),
                        timeOfIso(textAt(checks, 3))});
    QSqlQuery fixes = prepared(Sql::CorrectionsOfCalibration);
    fixes.bindValue(QStringLiteral(":uuid"), c.uuid);
    c.corrections = corrections(fixes);
    return c;
}

std::vector<Snapshot> RecordStore::snapshots(const QString& sensorId) const {
    std::vector<Snapshot> found;
    QSqlQuery query = prepared(Sql::SnapshotsOfSensor);
    query.bindValue(QStringLiteral(":sensor"), sensorId);
    if (!exec(query))
        return found;
    QStringList uuids;
    while (query.next())
        uuids << textAt(query, 0);
    for (const QString& uuid : uuids)
        if (auto each = snapshot(uuid))
            found.push_back(std::move(*each));
    return found;
}

std::optional<Snapshot> RecordStore::snapshot(const QString& uuid) const {
    QSqlQuery query = prepared(Sql::SnapshotByUuid);
    query.bindValue(QStringLiteral(":uuid"), uuid);
    if (!exec(query) || !query.next())
        return std::nullopt;
    Snapshot s;
    s.uuid = textAt(query, 0);
    s.content.taken = timeOfIso(textAt(query, 1));
    s.reason = reasonOfName(textAt(query, 2)).value_or(SnapshotReason::ReadOut);
    s.sensorId = textAt(query, 3);
    s.block = query.value(4).toInt();
    s.content.identification = textAt(query, 5);
    s.content.displayDigits = query.value(6).toInt();
    const QJsonObject setup = QJsonDocument::fromJson(textAt(query, 7).toUtf8()).object();
    for (std::size_t i = 0; i < s.content.rangeZero.size(); ++i) {
        s.content.rangeZero[i] = setup["rangeZero"][static_cast<qsizetype>(i)].toDouble();
        s.content.rangeK[i] = setup["rangeK"][static_cast<qsizetype>(i)].toDouble();
    }
    s.content.takenFor = backup::TakenFor{s.block, s.sensorId, s.content.identification};
    QSqlQuery blocks = prepared(Sql::BlocksOfSnapshot);
    blocks.bindValue(QStringLiteral(":uuid"), uuid);
    if (!exec(blocks))
        return std::nullopt;
    while (blocks.next())
        s.content.sensors.push_back(
            backup::sensorBackup(blocks.value(0).toInt(), blocks.value(1).toByteArray()));
    return s;
}

std::vector<ReferenceStandard> RecordStore::standards() const {
    std::vector<ReferenceStandard> found;
    QSqlQuery query = prepared(Sql::Standards);
    if (exec(query))
        while (query.next())
            found.push_back(standardAt(query));
    return found;
}

std::optional<ReferenceStandard> RecordStore::standard(const QString& uuid) const {
    QSqlQuery query = prepared(Sql::StandardByUuid);
    query.bindValue(QStringLiteral(":uuid"), uuid);
    if (!exec(query) || !query.next())
        return std::nullopt;
    return standardAt(query);
}

std::vector<ReferenceStandard> RecordStore::standardsPastDue(QDate day) const {
    std::vector<ReferenceStandard> found;
    QSqlQuery query = prepared(Sql::StandardsPastDue);
    query.bindValue(QStringLiteral(":day"), isoDate(day));
    if (exec(query))
        while (query.next())
            found.push_back(standardAt(query));
    return found;
}

} // namespace records
