// Every SQL text of the store on SQLite. The tables use types that another system maps one to
// one (TEXT, INTEGER, DOUBLE PRECISION, BLOB for bytea); keys are TEXT UUIDs, times ISO-8601
// UTC text. What is SQLite's own — pragmas, the write lock, the triggers that keep the record
// tables append-only, the catalogue — stays here.
#include "core/records/SqlDialect.h"

#include <QSqlError>
#include <array>

namespace records {

namespace {

constexpr std::array RecordTables{"settings",           "snapshots",    "snapshot_blocks",
                                  "standards",          "calibrations", "calibration_points",
                                  "calibration_checks", "corrections",  "imported_files"};

QStringList appendOnlyTriggers() {
    QStringList steps;
    for (const char* table : RecordTables)
        for (const char* verb : {"UPDATE", "DELETE"})
            steps << QStringLiteral("CREATE TRIGGER %1_no_%2 BEFORE %3 ON %1 BEGIN "
                                    "SELECT RAISE(ABORT, 'records are append-only'); END")
                         .arg(QLatin1String(table), QString::fromLatin1(verb).toLower(),
                              QLatin1String(verb));
    return steps;
}

// A bench whose records live on a laboratory's server keeps the writes made while the server
// was away in the upload queue; an upload appends the number the server gave.
QStringList versionThree() {
    QStringList steps{
        "CREATE TABLE upload_queue (position INTEGER PRIMARY KEY, kind TEXT NOT NULL, "
        "uuid TEXT NOT NULL, ref TEXT, queued_at TEXT NOT NULL)",
        "CREATE TABLE uploads (uuid TEXT PRIMARY KEY, certificate TEXT, uploaded_at TEXT NOT "
        "NULL)"};
    for (const char* table : {"upload_queue", "uploads"})
        for (const char* verb : {"UPDATE", "DELETE"})
            steps << QStringLiteral("CREATE TRIGGER %1_no_%2 BEFORE %3 ON %1 BEGIN "
                                    "SELECT RAISE(ABORT, 'records are append-only'); END")
                         .arg(QLatin1String(table), QString::fromLatin1(verb).toLower(),
                              QLatin1String(verb));
    return steps;
}

// A captured point keeps how many readings made it and their standard deviation.
QStringList versionTwo() {
    return {QStringLiteral("ALTER TABLE calibration_points ADD COLUMN readings INTEGER"),
            QStringLiteral(
                "ALTER TABLE calibration_points ADD COLUMN reading_deviation DOUBLE PRECISION")};
}

QStringList versionOne() {
    return QStringList{
               "CREATE TABLE schema_version (version INTEGER PRIMARY KEY, applied_at TEXT NOT "
               "NULL)",
               "CREATE TABLE settings (name TEXT NOT NULL, revision INTEGER NOT NULL, "
               "value TEXT NOT NULL, set_at TEXT NOT NULL, PRIMARY KEY (name, revision))",
               "CREATE TABLE snapshots (uuid TEXT PRIMARY KEY, taken_at TEXT NOT NULL, "
               "reason TEXT NOT NULL, sensor_id TEXT NOT NULL, block INTEGER NOT NULL, "
               "identification TEXT NOT NULL, display_digits INTEGER NOT NULL, "
               "setup TEXT NOT NULL, setup_sha256 TEXT NOT NULL, recorded_at TEXT NOT NULL)",
               "CREATE INDEX snapshots_by_sensor ON snapshots (sensor_id, taken_at)",
               "CREATE TABLE snapshot_blocks (snapshot_uuid TEXT NOT NULL REFERENCES snapshots "
               "(uuid), "
               "block INTEGER NOT NULL, raw BLOB NOT NULL, sha256 TEXT NOT NULL, "
               "PRIMARY KEY (snapshot_uuid, block))",
               "CREATE TABLE standards (uuid TEXT PRIMARY KEY, name TEXT NOT NULL, "
               "serial TEXT NOT NULL, certificate TEXT NOT NULL, calibrated_on TEXT, due_on TEXT, "
               "recorded_at TEXT NOT NULL)",
               "CREATE TABLE calibrations (uuid TEXT PRIMARY KEY, kind TEXT NOT NULL, "
               "certificate TEXT UNIQUE, certificate_year INTEGER, certificate_sequence INTEGER, "
               "sensor_id TEXT NOT NULL, block INTEGER NOT NULL, description TEXT NOT NULL, "
               "unit TEXT NOT NULL, full_scale DOUBLE PRECISION NOT NULL, "
               "full_scale_neg DOUBLE PRECISION NOT NULL, identification TEXT NOT NULL, "
               "operator TEXT NOT NULL, standard_uuid TEXT REFERENCES standards (uuid), "
               "temperature DOUBLE PRECISION, humidity DOUBLE PRECISION, bench TEXT NOT NULL, "
               "program_version TEXT NOT NULL, started_at TEXT, ended_at TEXT NOT NULL, "
               "as_found_snapshot TEXT REFERENCES snapshots (uuid), "
               "as_left_snapshot TEXT REFERENCES snapshots (uuid), "
               "tolerance_percent DOUBLE PRECISION NOT NULL, as_found_verdict TEXT NOT NULL, "
               "as_left_verdict TEXT NOT NULL, due_on TEXT, figures TEXT NOT NULL, "
               "recorded_at TEXT NOT NULL, UNIQUE (certificate_year, certificate_sequence))",
               "CREATE INDEX calibrations_by_sensor ON calibrations (sensor_id, ended_at)",
               "CREATE TABLE calibration_points (calibration_uuid TEXT NOT NULL "
               "REFERENCES calibrations (uuid), position INTEGER NOT NULL, "
               "signal DOUBLE PRECISION NOT NULL, etalon DOUBLE PRECISION NOT NULL, captured_at "
               "TEXT, "
               "PRIMARY KEY (calibration_uuid, position))",
               "CREATE TABLE calibration_checks (calibration_uuid TEXT NOT NULL "
               "REFERENCES calibrations (uuid), phase TEXT NOT NULL, position INTEGER NOT NULL, "
               "etalon DOUBLE PRECISION NOT NULL, displayed DOUBLE PRECISION NOT NULL, "
               "error DOUBLE PRECISION NOT NULL, captured_at TEXT, "
               "PRIMARY KEY (calibration_uuid, phase, position))",
               "CREATE TABLE corrections (uuid TEXT PRIMARY KEY, calibration_uuid TEXT NOT NULL "
               "REFERENCES calibrations (uuid), field TEXT NOT NULL, value TEXT NOT NULL, "
               "corrected_by TEXT NOT NULL, corrected_at TEXT NOT NULL, reason TEXT NOT NULL)",
               "CREATE INDEX corrections_by_calibration ON corrections (calibration_uuid, "
               "corrected_at)",
               "CREATE TABLE imported_files (sha256 TEXT PRIMARY KEY, path TEXT NOT NULL, "
               "snapshot_uuid TEXT REFERENCES snapshots (uuid), imported_at TEXT NOT NULL)",
           } +
           appendOnlyTriggers();
}

class SqliteDialect final : public SqlDialect {
public:
    [[nodiscard]] QString driver() const override { return QStringLiteral("QSQLITE"); }

    [[nodiscard]] QStringList
    connectionSetup(std::chrono::milliseconds busyTimeout) const override {
        return {QStringLiteral("PRAGMA busy_timeout = %1").arg(busyTimeout.count()),
                QStringLiteral("PRAGMA foreign_keys = ON"),
                QStringLiteral("PRAGMA journal_mode = WAL"),
                QStringLiteral("PRAGMA synchronous = NORMAL")};
    }

    [[nodiscard]] const std::vector<Migration>& migrations() const override {
        static const std::vector<Migration> all{
            {1, versionOne()}, {2, versionTwo()}, {3, versionThree()}};
        return all;
    }

    [[nodiscard]] QString sql(Sql statement) const override {
        return QString::fromLatin1(text(statement));
    }

    [[nodiscard]] StoreState stateOf(const QSqlError& error) const override {
        // SQLite's primary result codes; the extended ones carry them in the low byte.
        switch (error.nativeErrorCode().toInt() & 0xFF) {
        case 5: // SQLITE_BUSY
        case 6: // SQLITE_LOCKED
            return StoreState::Locked;
        case 8: // SQLITE_READONLY
            return StoreState::ReadOnly;
        case 11: // SQLITE_CORRUPT
        case 26: // SQLITE_NOTADB
            return StoreState::Damaged;
        case 14: // SQLITE_CANTOPEN
            return StoreState::CannotOpen;
        default:
            return StoreState::Ready;
        }
    }

private:
    static const char* text(Sql statement) {
        switch (statement) {
        case Sql::SchemaTableExists:
            return "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' "
                   "AND name = 'schema_version'";
        case Sql::SchemaVersion:
            return "SELECT COALESCE(MAX(version), 0) FROM schema_version";
        case Sql::InsertSchemaVersion:
            return "INSERT INTO schema_version (version, applied_at) VALUES (:version, :at)";
        case Sql::Begin:
            return "BEGIN IMMEDIATE";
        case Sql::Commit:
            return "COMMIT";
        case Sql::Rollback:
            return "ROLLBACK";
        case Sql::IntegrityCheck:
            return "PRAGMA integrity_check";
        case Sql::NextSettingRevision:
            return "SELECT COALESCE(MAX(revision), 0) + 1 FROM settings WHERE name = :name";
        case Sql::InsertSetting:
            return "INSERT INTO settings (name, revision, value, set_at) "
                   "VALUES (:name, :revision, :value, :at)";
        case Sql::CurrentSettings:
            return "SELECT name, value FROM settings s WHERE revision = "
                   "(SELECT MAX(revision) FROM settings WHERE name = s.name)";
        case Sql::InsertSnapshot:
            return "INSERT INTO snapshots (uuid, taken_at, reason, sensor_id, block, "
                   "identification, display_digits, setup, setup_sha256, recorded_at) VALUES "
                   "(:uuid, :taken, :reason, :sensor, :block, :identification, :digits, :setup, "
                   ":setup_sha256, :recorded)";
        case Sql::InsertSnapshotBlock:
            return "INSERT INTO snapshot_blocks (snapshot_uuid, block, raw, sha256) "
                   "VALUES (:uuid, :block, :raw, :sha256)";
        case Sql::SnapshotExists:
            return "SELECT COUNT(*) FROM snapshots WHERE uuid = :uuid";
        case Sql::SnapshotByUuid:
            return SnapshotColumnsWhereUuid;
        case Sql::SnapshotsOfSensor:
            return SnapshotColumnsOfSensor;
        case Sql::BlocksOfSnapshot:
            return "SELECT block, raw FROM snapshot_blocks WHERE snapshot_uuid = :uuid "
                   "ORDER BY block";
        case Sql::InsertStandard:
            return "INSERT INTO standards (uuid, name, serial, certificate, calibrated_on, "
                   "due_on, recorded_at) VALUES (:uuid, :name, :serial, :certificate, "
                   ":calibrated, :due, :recorded)";
        case Sql::Standards:
            return "SELECT uuid, name, serial, certificate, calibrated_on, due_on FROM standards "
                   "ORDER BY name, recorded_at";
        case Sql::StandardByUuid:
            return "SELECT uuid, name, serial, certificate, calibrated_on, due_on FROM standards "
                   "WHERE uuid = :uuid";
        case Sql::StandardsPastDue:
            return "SELECT uuid, name, serial, certificate, calibrated_on, due_on FROM standards "
                   "WHERE due_on < :day ORDER BY due_on, name";
        case Sql::CountCalibrations:
            return "SELECT COUNT(*) FROM calibrations WHERE kind = 'calibration'";
        case Sql::NextCertificateSequence:
            return "SELECT COALESCE(MAX(certificate_sequence), 0) + 1 FROM calibrations "
                   "WHERE certificate_year = :year";
        case Sql::InsertCalibration:
            return "INSERT INTO calibrations (uuid, kind, certificate, certificate_year, "
                   "certificate_sequence, sensor_id, block, description, unit, full_scale, "
                   "full_scale_neg, identification, operator, standard_uuid, temperature, "
                   "humidity, bench, program_version, started_at, ended_at, as_found_snapshot, "
                   "as_left_snapshot, tolerance_percent, as_found_verdict, as_left_verdict, "
                   "due_on, figures, recorded_at) VALUES (:uuid, :kind, :certificate, :year, "
                   ":sequence, :sensor, :block, :description, :unit, :full_scale, "
                   ":full_scale_neg, :identification, :operator, :standard, :temperature, "
                   ":humidity, :bench, :version, :started, :ended, :as_found, :as_left, "
                   ":tolerance, :as_found_verdict, :as_left_verdict, :due, :figures, :recorded)";
        case Sql::InsertPoint:
            return "INSERT INTO calibration_points (calibration_uuid, position, signal, etalon, "
                   "captured_at, readings, reading_deviation) VALUES (:uuid, :position, :signal, "
                   ":etalon, :captured, :readings, :deviation)";
        case Sql::InsertCheck:
            return "INSERT INTO calibration_checks (calibration_uuid, phase, position, etalon, "
                   "displayed, error, captured_at) VALUES (:uuid, :phase, :position, :etalon, "
                   ":displayed, :error, :captured)";
        case Sql::CalibrationExists:
            return "SELECT COUNT(*) FROM calibrations WHERE uuid = :uuid";
        case Sql::CalibrationByUuid:
            return CalibrationColumnsWhereUuid;
        case Sql::CalibrationByCertificate:
            return CalibrationColumnsWhereCertificate;
        case Sql::PointsOfCalibration:
            return "SELECT signal, etalon, captured_at, readings, reading_deviation "
                   "FROM calibration_points "
                   "WHERE calibration_uuid = :uuid ORDER BY position";
        case Sql::ChecksOfCalibration:
            return "SELECT phase, etalon, displayed, captured_at FROM calibration_checks "
                   "WHERE calibration_uuid = :uuid ORDER BY phase, position";
        case Sql::History:
            return "SELECT c.uuid, c.certificate, c.kind, c.ended_at, c.operator, c.standard_uuid, "
                   "c.as_found_verdict, c.as_left_verdict, c.due_on, c.sensor_id "
                   "FROM calibrations c WHERE c.sensor_id = :sensor "
                   "ORDER BY c.ended_at DESC, c.recorded_at DESC";
        case Sql::HistoryOfAll:
            return "SELECT c.uuid, c.certificate, c.kind, c.ended_at, c.operator, c.standard_uuid, "
                   "c.as_found_verdict, c.as_left_verdict, c.due_on, c.sensor_id "
                   "FROM calibrations c ORDER BY c.ended_at DESC, c.recorded_at DESC";
        case Sql::SensorIds:
            return "SELECT DISTINCT sensor_id FROM calibrations ORDER BY sensor_id";
        case Sql::InsertCorrection:
            return "INSERT INTO corrections (uuid, calibration_uuid, field, value, corrected_by, "
                   "corrected_at, reason) VALUES (:uuid, :calibration, :field, :value, :by, :at, "
                   ":reason)";
        case Sql::CorrectionsOfCalibration:
            return "SELECT uuid, calibration_uuid, field, value, corrected_by, corrected_at, "
                   "reason FROM corrections WHERE calibration_uuid = :uuid "
                   "ORDER BY corrected_at, uuid";
        case Sql::CorrectionsOfSensor:
            return "SELECT k.uuid, k.calibration_uuid, k.field, k.value, k.corrected_by, "
                   "k.corrected_at, k.reason FROM corrections k JOIN calibrations c "
                   "ON c.uuid = k.calibration_uuid WHERE c.sensor_id = :sensor "
                   "ORDER BY k.corrected_at, k.uuid";
        case Sql::CorrectionsOfAll:
            return "SELECT uuid, calibration_uuid, field, value, corrected_by, corrected_at, "
                   "reason FROM corrections ORDER BY corrected_at, uuid";
        case Sql::InsertImportedFile:
            return "INSERT INTO imported_files (sha256, path, snapshot_uuid, imported_at) "
                   "VALUES (:sha256, :path, :snapshot, :at)";
        case Sql::ImportedFileExists:
            return "SELECT COUNT(*) FROM imported_files WHERE sha256 = :sha256";
        case Sql::CorrectionExists:
            return "SELECT COUNT(*) FROM corrections WHERE uuid = :uuid";
        case Sql::InsertUpload:
            return "INSERT INTO upload_queue (kind, uuid, ref, queued_at) "
                   "VALUES (:kind, :uuid, :ref, :at)";
        case Sql::WaitingUploads:
            return "SELECT q.kind, q.uuid, q.ref FROM upload_queue q WHERE NOT EXISTS "
                   "(SELECT 1 FROM uploads u WHERE u.uuid = q.uuid) ORDER BY q.position";
        case Sql::CountWaitingUploads:
            return "SELECT COUNT(*) FROM upload_queue q WHERE NOT EXISTS "
                   "(SELECT 1 FROM uploads u WHERE u.uuid = q.uuid)";
        case Sql::InsertUploaded:
            return "INSERT INTO uploads (uuid, certificate, uploaded_at) "
                   "VALUES (:uuid, :certificate, :at)";
        case Sql::Uploaded:
            return "SELECT uuid, certificate FROM uploads";
        }
        return "";
    }

    static constexpr char SnapshotColumnsWhereUuid[] =
        "SELECT uuid, taken_at, reason, sensor_id, block, identification, display_digits, setup "
        "FROM snapshots WHERE uuid = :uuid";
    static constexpr char SnapshotColumnsOfSensor[] =
        "SELECT uuid, taken_at, reason, sensor_id, block, identification, display_digits, setup "
        "FROM snapshots WHERE sensor_id = :sensor ORDER BY taken_at DESC, recorded_at DESC";
    static constexpr char CalibrationColumnsWhereUuid[] =
        "SELECT uuid, kind, certificate, sensor_id, block, description, unit, full_scale, "
        "full_scale_neg, identification, operator, standard_uuid, temperature, humidity, bench, "
        "program_version, started_at, ended_at, as_found_snapshot, as_left_snapshot, "
        "tolerance_percent, as_found_verdict, as_left_verdict, due_on, figures, recorded_at "
        "FROM calibrations WHERE uuid = :key";
    static constexpr char CalibrationColumnsWhereCertificate[] =
        "SELECT uuid, kind, certificate, sensor_id, block, description, unit, full_scale, "
        "full_scale_neg, identification, operator, standard_uuid, temperature, humidity, bench, "
        "program_version, started_at, ended_at, as_found_snapshot, as_left_snapshot, "
        "tolerance_percent, as_found_verdict, as_left_verdict, due_on, figures, recorded_at "
        "FROM calibrations WHERE certificate = :key";
};

} // namespace

const SqlDialect& sqliteDialect() {
    static const SqliteDialect dialect;
    return dialect;
}

} // namespace records
