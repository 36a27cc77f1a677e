// history, show and export: the records store read, never the instrument.

#include "cli/Commands.h"

#include "cli/CommandRecords.h"

#include "core/certificate/DccXml.h"
#include "core/records/CertificateOf.h"
#include "core/records/RecordJson.h"
#include "core/records/RecordStore.h"
#include "core/records/Rules.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace cli {

namespace {

QString orDash(const QString& text) {
    return text.isEmpty() ? QStringLiteral("-") : text;
}

QString number(double value) {
    return QString::number(value, 'g', 10); // always '.' as the decimal point
}

QJsonObject historyJson(const records::HistoryEntry& e) {
    return {{"uuid", e.uuid},
            {"certificate", e.certificate},
            {"kind", records::kindName(e.kind)},
            {"sensorId", e.sensorId},
            {"ended", records::isoTime(e.ended)},
            {"operator", e.operatorName},
            {"standard", e.standardName},
            {"asFoundVerdict", records::verdictName(e.asFoundVerdict)},
            {"asLeftVerdict", records::verdictName(e.asLeftVerdict)},
            {"dueOn", records::isoDate(e.dueOn)},
            {"corrected", e.corrected},
            {"withdrawn", e.withdrawn}};
}

// The record as recorded, with its corrections and, applied, whether it is withdrawn.
QJsonObject recordJson(const records::CalibrationRecord& record) {
    QJsonObject object = records::toJson(record);
    QJsonArray corrections;
    for (const records::Correction& c : record.corrections)
        corrections.append(QJsonObject{{"uuid", c.uuid},
                                       {"field", records::fieldName(c.field)},
                                       {"value", c.value},
                                       {"correctedBy", c.correctedBy},
                                       {"correctedAt", records::isoTime(c.correctedAt)},
                                       {"reason", c.reason}});
    object.insert(QStringLiteral("corrections"), corrections);
    object.insert(QStringLiteral("withdrawn"), records::corrected(record).withdrawn);
    // A backup or restore entry keeps its file, the file's SHA-256 and the outcome there.
    if (record.kind != records::RecordKind::Calibration)
        object.insert(QStringLiteral("details"),
                      QJsonDocument::fromJson(record.figuresJson.toUtf8()).object());
    return object;
}

QString csvField(QString text) {
    if (text.contains(u';') || text.contains(u'"') || text.contains(u'\n'))
        return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
    return text;
}

// A calibration's certificate header, "name;value" a line, as the printed certificate states it
// (corrections applied); what the record does not hold is "not stated".
QStringList certificateHeader(const records::CalibrationRecord& r,
                              const records::RecordStore& store) {
    const certificate::CertificateData d = records::certificateOf(r, store);
    const QString notStated = QStringLiteral("not stated");
    const auto stated = [&notStated](const QString& text) {
        return text.trimmed().isEmpty() ? notStated : text;
    };
    const auto measured = [&notStated](const std::optional<double>& value) {
        return value ? number(*value) : notStated;
    };
    const auto day = [&notStated](const std::optional<QDate>& date) {
        return date ? records::isoDate(*date) : notStated;
    };
    const bool standard = !d.standard.name.trimmed().isEmpty();
    const std::pair<const char*, QString> fields[] = {
        {"certificate", d.certificateNumber},
        {"sensor_id", d.sensorId},
        {"description", d.sensorDescription},
        {"unit", d.unit},
        {"instrument", d.instrumentId},
        {"started", records::isoTime(d.start)},
        {"ended", records::isoTime(d.end)},
        {"operator", stated(d.operatorName)},
        {"standard", stated(d.standard.name)},
        {"standard_serial", standard ? stated(d.standard.serialNumber) : notStated},
        {"standard_certificate", standard ? stated(d.standard.certificateNumber) : notStated},
        {"standard_due", standard ? day(d.standard.dueDate) : notStated},
        {"temperature_C", measured(d.temperature)},
        {"humidity_%", measured(d.humidity)},
        {"tolerance_%FS", number(d.tolerancePercentFs)},
        {"as_found_verdict", records::verdictName(r.asFoundVerdict)},
        {"as_left_verdict", records::verdictName(r.asLeftVerdict)},
        {"due", day(d.dueDate)}};
    QStringList lines;
    for (const auto& [name, value] : fields)
        lines.append(QString::fromLatin1(name) + u';' + csvField(value));
    lines.append(QString());
    return lines;
}

// A calibration's certificate header, then points and checks, one line each: ';' between
// fields, '.' as the decimal point.
QByteArray csvOf(const records::CalibrationRecord& r, const records::RecordStore& store) {
    const double fullScale = records::fullScaleOf(r.fullScale, r.fullScaleNeg);
    QStringList lines =
        r.kind == records::RecordKind::Calibration ? certificateHeader(r, store) : QStringList();
    lines.append(QStringLiteral("section;position;signal_mV/V;etalon;displayed;error;"
                                "error_%FS;within_tolerance;captured_at"));
    int position = 0;
    for (const records::CapturedPoint& p : r.points)
        lines.append(QStringLiteral("point;%1;%2;%3;;;;;%4")
                         .arg(++position)
                         .arg(number(p.signal), number(p.etalon), records::isoTime(p.capturedAt)));
    for (const auto& [name, points] : {std::pair{QStringLiteral("as-found"), &r.asFound},
                                       std::pair{QStringLiteral("as-left"), &r.asLeft}}) {
        position = 0;
        for (const records::CheckPoint& p : *points)
            lines.append(
                QStringLiteral("%1;%2;;%3;%4;%5;%6;%7;%8")
                    .arg(name)
                    .arg(++position)
                    .arg(number(p.etalon), number(p.displayed), number(p.error()),
                         fullScale > 0.0 ? number(p.error() / fullScale * 100.0) : QString(),
                         records::withinTolerance(p.error(), fullScale, r.tolerancePercent)
                             ? QStringLiteral("yes")
                             : QStringLiteral("no"),
                         records::isoTime(p.capturedAt)));
    }
    return lines.join(u'\n').toUtf8() + '\n';
}

} // namespace

ExitCode Commands::records() {
    const records::StoreOptions options = storeOptions(request_);
    // Reading never makes a store: a mistyped path is told, not answered with an empty one.
    if (options.database.isEmpty() && !QFileInfo::exists(options.path)) {
        report_.set(QStringLiteral("records"), options.path);
        return report_.fail(ExitCode::NoFile,
                            QStringLiteral("no records store at %1 (nothing recorded there yet)")
                                .arg(QDir::toNativeSeparators(options.path)));
    }
    const records::RecordStore store(options);
    report_.set(QStringLiteral("records"), store.path());
    if (!store.status().usable())
        return report_.fail(ExitCode::NoAnswer,
                            QStringLiteral("the records store %1 cannot be used: %2")
                                .arg(QDir::toNativeSeparators(store.path()),
                                     store.onServer() ? storeStateText(store.status().state) +
                                                            QStringLiteral(" (") +
                                                            store.status().detail.trimmed() + u')'
                                                      : storeStateText(store.status().state)));
    switch (request_.command) {
    case Command::History:
        return history(store);
    case Command::Show:
        return show(store);
    default:
        return exportRecord(store);
    }
}

std::optional<records::CalibrationRecord> Commands::lookUp(const records::RecordStore& store,
                                                           ExitCode& failure) {
    report_.set(QStringLiteral("key"), request_.recordKey);
    std::optional<records::CalibrationRecord> found = store.calibration(request_.recordKey);
    if (!found)
        failure = report_.fail(
            ExitCode::NoFile,
            QStringLiteral("no record %1 in the records store").arg(request_.recordKey));
    return found;
}

ExitCode Commands::history(const records::RecordStore& store) {
    const std::vector<records::HistoryEntry> entries =
        request_.sensorId.isEmpty() ? store.allHistory() : store.history(request_.sensorId);
    QJsonArray list;
    for (const records::HistoryEntry& e : entries) {
        list.append(historyJson(e));
        QString marks;
        if (e.corrected)
            marks += QStringLiteral("  corrected");
        if (e.withdrawn)
            marks += QStringLiteral("  withdrawn");
        report_.say(QStringLiteral(
                        "%1  %2  %3  operator %4  standard %5  as-found %6  as-left %7  due %8%9")
                        .arg(e.ended.toUTC().date().toString(Qt::ISODate),
                             e.kind == records::RecordKind::Calibration ? orDash(e.certificate)
                                                                        : records::kindName(e.kind),
                             orDash(e.sensorId), orDash(e.operatorName), orDash(e.standardName),
                             records::verdictName(e.asFoundVerdict),
                             records::verdictName(e.asLeftVerdict),
                             orDash(records::isoDate(e.dueOn)), marks));
    }
    if (entries.empty())
        report_.say(QStringLiteral("no calibrations on record"));
    if (!request_.sensorId.isEmpty())
        report_.set(QStringLiteral("sensorId"), request_.sensorId);
    report_.set(QStringLiteral("calibrations"), list);
    return ExitCode::Success;
}

ExitCode Commands::show(const records::RecordStore& store) {
    ExitCode failure = ExitCode::Success;
    const std::optional<records::CalibrationRecord> found = lookUp(store, failure);
    if (!found)
        return failure;
    const QJsonObject whole = recordJson(*found);
    report_.set(QStringLiteral("record"), whole);
    if (!report_.json())
        for (const QByteArray& line :
             QJsonDocument(whole).toJson(QJsonDocument::Indented).split('\n'))
            if (!line.isEmpty())
                report_.say(QString::fromUtf8(line));
    return ExitCode::Success;
}

ExitCode Commands::exportRecord(const records::RecordStore& store) {
    ExitCode failure = ExitCode::Success;
    const std::optional<records::CalibrationRecord> found = lookUp(store, failure);
    if (!found)
        return failure;
    const records::CalibrationRecord& record = *found;
    QByteArray bytes;
    switch (request_.format) {
    case ExportFormat::Csv:
        bytes = csvOf(record, store);
        break;
    case ExportFormat::Json:
        bytes = QJsonDocument(recordJson(record)).toJson(QJsonDocument::Indented);
        break;
    case ExportFormat::Dcc:
        if (record.kind != records::RecordKind::Calibration)
            return report_.fail(ExitCode::BadFile,
                                QStringLiteral("%1 is a %2 entry: only a calibration has a "
                                               "certificate")
                                    .arg(request_.recordKey, records::kindName(record.kind)));
        bytes = certificate::dccXml(records::certificateOf(record, store));
        break;
    }
    const QString& path = request_.outputFile;
    report_.set(QStringLiteral("file"), path);
    QString error;
    if (!backup::writeWholeFile(bytes, path, &error))
        return report_.fail(ExitCode::PermissionDenied,
                            QStringLiteral("cannot write %1: %2").arg(path, error));
    report_.set(QStringLiteral("certificate"), record.certificate);
    report_.say(QStringLiteral("export %1: %2").arg(path, orDash(record.certificate)));
    return ExitCode::Success;
}

} // namespace cli
