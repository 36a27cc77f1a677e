#pragma once

#include "core/backup/Backup.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

// The records of the calibration store: value types, written by RecordStore and read back as
// they were written. Times are UTC to the millisecond.
namespace records {

// Why a snapshot was taken.
enum class SnapshotReason { ReadOut, BeforeWrite, AfterWrite, Restore };

// What the instrument held at one moment: the setup, the identification and the raw blocks
// read (`content`), for the sensor `sensorId` in `block`.
struct Snapshot {
    QString uuid; // empty: the store gives one
    SnapshotReason reason = SnapshotReason::ReadOut;
    QString sensorId;
    int block = sensor::ExternalBlock;
    backup::Backup content; // its `taken` is the snapshot's time
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

struct ReferenceStandard {
    QString uuid; // empty: the store gives one
    QString name;
    QString serial;
    QString certificate; // the number of its own calibration certificate
    QDate calibratedOn;
    QDate dueOn;
    friend bool operator==(const ReferenceStandard&, const ReferenceStandard&) = default;
};

// A point of the curve as captured.
struct CapturedPoint {
    double signal = 0.0; // mV/V
    double etalon = 0.0; // in the unit
    QDateTime capturedAt;
    // For a point taken from the live signal: how many readings its signal is the mean of, and
    // their standard deviation in mV/V; none for a point typed in.
    std::optional<int> readings = std::nullopt;
    std::optional<double> deviation = std::nullopt;
    friend bool operator==(const CapturedPoint&, const CapturedPoint&) = default;
};

// A point of an as-found or as-left check: the reference load and what the instrument displayed.
struct CheckPoint {
    double etalon = 0.0;
    double displayed = 0.0;
    QDateTime capturedAt;
    [[nodiscard]] double error() const { return displayed - etalon; }
    friend bool operator==(const CheckPoint&, const CheckPoint&) = default;
};

enum class Verdict { NotChecked, Pass, Fail };

// A field of a calibration that a correction may give a new value.
enum class CorrectedField { Operator, Standard, Temperature, Humidity, Withdrawn, AsLeft };

// A correction of a recorded calibration: the new value of one field, who gave it, when and
// why. Temperature and humidity as numbers in text ("" clears them); Withdrawn "1" or "0";
// AsLeft "<verdict> <position>": an as-left check appended after the record, its verdict and the
// position of its first row (RecordStore::appendAsLeft).
struct Correction {
    QString uuid; // empty: the store gives one
    QString calibrationUuid;
    CorrectedField field = CorrectedField::Operator;
    QString value;
    QString correctedBy;
    QDateTime correctedAt;
    QString reason;
    friend bool operator==(const Correction&, const Correction&) = default;
};

// What a record is an entry of: a calibration gets a certificate number, a restore or a backup
// made by the program is kept with its snapshots only.
enum class RecordKind { Calibration, Restore, Backup };

struct CalibrationRecord {
    QString uuid;        // empty: the store gives one
    QString certificate; // given by the store: "<prefix>-<year>-<sequence>"; empty while pending
    RecordKind kind = RecordKind::Calibration;
    QString sensorId;
    int block = sensor::ExternalBlock;
    QString description;
    QString unit;
    double fullScale = 0.0;            // positive measuring range
    double fullScaleNeg = 0.0;         // negative measuring range, 0 or below
    QString identification;            // of the instrument
    QString operatorName;              // empty: not stated
    QString standardUuid;              // empty: not stated
    std::optional<double> temperature; // °C
    std::optional<double> humidity;    // % relative humidity
    QString bench;                     // host name; empty: the store fills it in
    QString programVersion;
    QDateTime started;
    QDateTime ended;         // its year numbers the certificate
    QString asFoundSnapshot; // snapshot uuids; empty: none
    QString asLeftSnapshot;
    std::vector<CapturedPoint> points;
    std::vector<CheckPoint> asFound;
    std::vector<CheckPoint> asLeft;
    double tolerancePercent = 0.1; // of full scale, either way
    QString figuresJson;           // the curve figures as JSON text
    // Filled by the store when recording.
    Verdict asFoundVerdict = Verdict::NotChecked;
    Verdict asLeftVerdict = Verdict::NotChecked;
    QDate dueOn;
    QDateTime recordedAt;
    // Read back by the store: the corrections of this record, oldest first. `corrected` applies
    // them, and sets `withdrawn` when the last Withdrawn correction says so.
    std::vector<Correction> corrections;
    bool withdrawn = false;
    friend bool operator==(const CalibrationRecord&, const CalibrationRecord&) = default;
};

// One line of a sensor's history, with the corrections applied.
struct HistoryEntry {
    QString uuid;
    QString certificate;
    RecordKind kind = RecordKind::Calibration;
    QDateTime ended;
    QString operatorName;
    QString standardName;
    Verdict asFoundVerdict = Verdict::NotChecked;
    Verdict asLeftVerdict = Verdict::NotChecked;
    QDate dueOn;
    bool corrected = false;
    bool withdrawn = false;
    QString sensorId;
};

// The settings of one store.
struct StoreSettings {
    QString certificatePrefix = QStringLiteral("TC"); // set before the first calibration
    int dueMonths = 12;
    bool requireOperator = false;
    bool requireStandard = false;
    bool requireConditions = false; // temperature and humidity
    friend bool operator==(const StoreSettings&, const StoreSettings&) = default;
};

// The record with its corrections applied, in their order.
[[nodiscard]] CalibrationRecord corrected(CalibrationRecord record);

} // namespace records
