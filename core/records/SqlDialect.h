#pragma once

#include "core/records/StoreStatus.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <vector>

class QSqlError;

namespace records {

// The statements of the store, by name. Every dialect gives each one with the same named
// placeholders and the same result columns.
enum class Sql {
    SchemaTableExists, // -> count
    SchemaVersion,     // -> highest version
    InsertSchemaVersion,
    Begin, // a write transaction, taking the write lock at once
    Commit,
    Rollback,
    IntegrityCheck, // -> rows of findings, "ok" alone when sound
    NextSettingRevision,
    InsertSetting,
    CurrentSettings,
    InsertSnapshot,
    InsertSnapshotBlock,
    SnapshotExists,
    SnapshotByUuid,
    SnapshotsOfSensor,
    BlocksOfSnapshot,
    InsertStandard,
    Standards,
    StandardByUuid,
    StandardsPastDue,
    CountCalibrations,
    NextCertificateSequence,
    InsertCalibration,
    InsertPoint,
    InsertCheck,
    CalibrationExists,
    CalibrationByUuid,
    CalibrationByCertificate,
    PointsOfCalibration,
    ChecksOfCalibration,
    History,
    HistoryOfAll, // History of every sensor, without the :sensor placeholder
    SensorIds,    // -> the sensor ids of the records, sorted
    InsertCorrection,
    CorrectionsOfCalibration,
    CorrectionsOfSensor,
    CorrectionsOfAll,
    InsertImportedFile,
    ImportedFileExists,
    CorrectionExists,
    InsertUpload,   // into the upload queue
    WaitingUploads, // -> kind, uuid, ref of the queued writes not uploaded yet, oldest first
    CountWaitingUploads,
    InsertUploaded,
    Uploaded, // -> uuid, certificate of the uploaded writes
};

// One version of the schema: the statements that lead to it from the one before, run in one
// transaction.
struct Migration {
    int version = 0;
    QStringList steps;
};

// The SQL of one database system, all in one place.
class SqlDialect {
public:
    virtual ~SqlDialect() = default;
    [[nodiscard]] virtual QString driver() const = 0;
    // Run on every new connection before anything else.
    [[nodiscard]] virtual QStringList
    connectionSetup(std::chrono::milliseconds busyTimeout) const = 0;
    // Oldest first, versions 1, 2, ... without a gap.
    [[nodiscard]] virtual const std::vector<Migration>& migrations() const = 0;
    [[nodiscard]] virtual QString sql(Sql statement) const = 0;
    // What an error of this system says about the database (Ready: a fault of the statement).
    [[nodiscard]] virtual StoreState stateOf(const QSqlError& error) const = 0;
    // Whether a transaction that failed with `error` may succeed when run again (another
    // writer got in its way).
    [[nodiscard]] virtual bool retryable(const QSqlError& /*error*/) const { return false; }
    // The statements that let `role` read the records and append to them, never change them.
    [[nodiscard]] virtual QStringList grantsTo(const QString& /*role*/) const { return {}; }
};

[[nodiscard]] const SqlDialect& sqliteDialect();
[[nodiscard]] const SqlDialect& postgresDialect();

} // namespace records
