#include "core/records/LabDetails.h"

#include "core/records/RequiredEntries.h"
#include "core/records/Rules.h"

#include <QSettings>

namespace records {

namespace {

constexpr int PastDueText = 430;

const QString OperatorKey = QStringLiteral("LabDetails/Operator");
const QString StandardKey = QStringLiteral("LabDetails/Standard");
const QString TemperatureKey = QStringLiteral("LabDetails/Temperature");
const QString HumidityKey = QStringLiteral("LabDetails/Humidity");

ConditionText conditionOf(const QString& typed, double low, double high) {
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return {};
    bool ok = false;
    const double value = QString(text).replace(u',', u'.').toDouble(&ok);
    if (!ok || value < low || value > high)
        return {false, std::nullopt};
    return {true, value};
}

std::optional<double> storedNumber(const QSettings& store, const QString& key) {
    bool ok = false;
    const double value = store.value(key).toString().toDouble(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

void storeNumber(QSettings& store, const QString& key, const std::optional<double>& value) {
    if (value)
        store.setValue(key, QString::number(*value, 'g', 10));
    else
        store.remove(key);
}

} // namespace

CalibrationDetails DetailsSetting::load() const {
    return {store_.value(OperatorKey).toString(), store_.value(StandardKey).toString(),
            storedNumber(store_, TemperatureKey), storedNumber(store_, HumidityKey)};
}

void DetailsSetting::save(const CalibrationDetails& details) {
    store_.setValue(OperatorKey, details.operatorName);
    store_.setValue(StandardKey, details.standardUuid);
    storeNumber(store_, TemperatureKey, details.temperature);
    storeNumber(store_, HumidityKey, details.humidity);
}

ConditionText temperatureOf(const QString& typed) {
    return conditionOf(typed, -60.0, 100.0);
}

ConditionText humidityOf(const QString& typed) {
    return conditionOf(typed, 0.0, 100.0);
}

CaptureCheck::CaptureCheck(const RecordKeeper& store, const text::LanguageTable& texts, Today today)
    : store_(store), texts_(texts), today_(std::move(today)) {
    if (!today_)
        today_ = [] { return QDate::currentDate(); };
}

CaptureOutcome CaptureCheck::beforeCapture(const CalibrationDetails& details) {
    const std::vector<RequiredEntry> missing =
        missingEntries(store_.settings(), details.operatorName, details.standardUuid,
                       details.temperature && details.humidity);
    if (!missing.empty())
        return {CaptureVerdict::Refused, refusalOf(texts_, missing)};
    if (details.standardUuid.isEmpty() || warned_.contains(details.standardUuid))
        return {};
    const std::optional<ReferenceStandard> standard = store_.standard(details.standardUuid);
    if (!standard || !pastDue(*standard, today_()))
        return {};
    warned_.insert(standard->uuid);
    return {CaptureVerdict::Warned, texts_.text(PastDueText)
                                        .arg(standard->name, standard->serial,
                                             standard->dueOn.toString(QStringLiteral("d.M.yyyy")))};
}

} // namespace records
