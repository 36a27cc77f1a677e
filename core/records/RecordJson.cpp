#include "core/records/RecordJson.h"

#include "core/records/Rules.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace records {

namespace {

QJsonValue optionalNumber(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

std::optional<double> numberOf(const QJsonValue& value) {
    return value.isDouble() ? std::optional(value.toDouble()) : std::nullopt;
}

QJsonArray checksJson(const std::vector<CheckPoint>& points) {
    QJsonArray array;
    for (const CheckPoint& point : points)
        array.append(QJsonObject{{"etalon", point.etalon},
                                 {"displayed", point.displayed},
                                 {"error", point.error()},
                                 {"capturedAt", isoTime(point.capturedAt)}});
    return array;
}

std::vector<CheckPoint> checksOf(const QJsonValue& value) {
    std::vector<CheckPoint> points;
    for (const QJsonValue& each : value.toArray()) {
        const QJsonObject point = each.toObject();
        points.push_back({point["etalon"].toDouble(), point["displayed"].toDouble(),
                          timeOfIso(point["capturedAt"].toString())});
    }
    return points;
}

} // namespace

QString isoTime(const QDateTime& time) {
    return time.isValid() ? time.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QDateTime timeOfIso(const QString& text) {
    return QDateTime::fromString(text, Qt::ISODateWithMs).toUTC();
}

QString isoDate(QDate date) {
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

QDate dateOfIso(const QString& text) {
    return QDate::fromString(text, Qt::ISODate);
}

QJsonObject toJson(const CalibrationRecord& c) {
    QJsonArray points;
    for (const CapturedPoint& point : c.points) {
        QJsonObject each{{"signal", point.signal},
                         {"etalon", point.etalon},
                         {"capturedAt", isoTime(point.capturedAt)}};
        if (point.readings)
            each.insert(QStringLiteral("readings"), *point.readings);
        if (point.deviation)
            each.insert(QStringLiteral("deviation"), *point.deviation);
        points.append(each);
    }
    return QJsonObject{
        {"uuid", c.uuid},
        {"certificate", c.certificate},
        {"kind", kindName(c.kind)},
        {"sensorId", c.sensorId},
        {"block", c.block},
        {"description", c.description},
        {"unit", c.unit},
        {"fullScale", c.fullScale},
        {"fullScaleNeg", c.fullScaleNeg},
        {"identification", c.identification},
        {"operator", c.operatorName},
        {"standard", c.standardUuid},
        {"temperature", optionalNumber(c.temperature)},
        {"humidity", optionalNumber(c.humidity)},
        {"bench", c.bench},
        {"programVersion", c.programVersion},
        {"started", isoTime(c.started)},
        {"ended", isoTime(c.ended)},
        {"asFoundSnapshot", c.asFoundSnapshot},
        {"asLeftSnapshot", c.asLeftSnapshot},
        {"points", points},
        {"asFound", checksJson(c.asFound)},
        {"asLeft", checksJson(c.asLeft)},
        {"tolerancePercent", c.tolerancePercent},
        {"figures", c.figuresJson},
        {"asFoundVerdict", verdictName(c.asFoundVerdict)},
        {"asLeftVerdict", verdictName(c.asLeftVerdict)},
        {"dueOn", isoDate(c.dueOn)},
        {"recordedAt", isoTime(c.recordedAt)},
    };
}

std::optional<CalibrationRecord> calibrationOfJson(const QJsonObject& o) {
    const auto kind = kindOfName(o["kind"].toString());
    const auto asFound = verdictOfName(o["asFoundVerdict"].toString());
    const auto asLeft = verdictOfName(o["asLeftVerdict"].toString());
    if (!kind || !asFound || !asLeft || o["uuid"].toString().isEmpty())
        return std::nullopt;
    CalibrationRecord c;
    c.uuid = o["uuid"].toString();
    c.certificate = o["certificate"].toString();
    c.kind = *kind;
    c.sensorId = o["sensorId"].toString();
    c.block = o["block"].toInt();
    c.description = o["description"].toString();
    c.unit = o["unit"].toString();
    c.fullScale = o["fullScale"].toDouble();
    c.fullScaleNeg = o["fullScaleNeg"].toDouble();
    c.identification = o["identification"].toString();
    c.operatorName = o["operator"].toString();
    c.standardUuid = o["standard"].toString();
    c.temperature = numberOf(o["temperature"]);
    c.humidity = numberOf(o["humidity"]);
    c.bench = o["bench"].toString();
    c.programVersion = o["programVersion"].toString();
    c.started = timeOfIso(o["started"].toString());
    c.ended = timeOfIso(o["ended"].toString());
    c.asFoundSnapshot = o["asFoundSnapshot"].toString();
    c.asLeftSnapshot = o["asLeftSnapshot"].toString();
    for (const QJsonValue& each : o["points"].toArray()) {
        const QJsonObject point = each.toObject();
        CapturedPoint& captured = c.points.emplace_back(
            CapturedPoint{point["signal"].toDouble(), point["etalon"].toDouble(),
                          timeOfIso(point["capturedAt"].toString())});
        if (point.contains(QStringLiteral("readings")))
            captured.readings = point["readings"].toInt();
        if (point.contains(QStringLiteral("deviation")))
            captured.deviation = point["deviation"].toDouble();
    }
    c.asFound = checksOf(o["asFound"]);
    c.asLeft = checksOf(o["asLeft"]);
    c.tolerancePercent = o["tolerancePercent"].toDouble();
    c.figuresJson = o["figures"].toString();
    c.asFoundVerdict = *asFound;
    c.asLeftVerdict = *asLeft;
    c.dueOn = dateOfIso(o["dueOn"].toString());
    c.recordedAt = timeOfIso(o["recordedAt"].toString());
    return c;
}

QJsonObject toJson(const Snapshot& s) {
    return QJsonObject{{"uuid", s.uuid},
                       {"reason", reasonName(s.reason)},
                       {"sensorId", s.sensorId},
                       {"block", s.block},
                       {"content", backup::toJson(s.content)}};
}

std::optional<Snapshot> snapshotOfJson(const QJsonObject& o) {
    const auto reason = reasonOfName(o["reason"].toString());
    if (!reason || o["uuid"].toString().isEmpty())
        return std::nullopt;
    const auto read = backup::readBackup(QJsonDocument(o["content"].toObject()).toJson(), {});
    const auto* content = std::get_if<backup::Backup>(&read);
    if (content == nullptr)
        return std::nullopt;
    return Snapshot{o["uuid"].toString(), *reason, o["sensorId"].toString(), o["block"].toInt(),
                    *content};
}

} // namespace records
