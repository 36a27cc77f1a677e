#pragma once

#include "core/records/RecordKeeper.h"
#include "core/records/Records.h"
#include "core/records/ServerAddress.h"
#include "core/records/SqlDialect.h"
#include "core/records/StoreStatus.h"
#include "core/text/LanguageTable.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace records {

struct StoreOptions {
    QString path{}; // the database file; empty: defaultPath()
    std::chrono::milliseconds busyTimeout{2000};
    const SqlDialect* dialect = nullptr; // nullptr: SQLite (PostgreSQL with `database`)
    // The store on a PostgreSQL server (see parseServerAddress); empty: the SQLite file at path.
    QString database{};
    // Brings an older schema up to this program's and takes in the pending records; false
    // leaves the store as found (readable, see schemaVersion()).
    bool upgrade = true;
    // false: calibrations are recorded without a certificate number, which another store (a
    // laboratory's server) gives them when they are uploaded there
    bool givesNumbers = true;
};

// A write waiting to be uploaded to a laboratory's server (see LabRecords).
struct QueuedUpload {
    QString kind; // "snapshot", "standard", "calibration" or "correction"
    QString uuid;
    QString ref; // a correction's calibration
};

// What taking in the pending records did.
struct Intake {
    int taken = 0;  // now in the database (also those found there already)
    int failed = 0; // still waiting
};

// What an import of snapshot files did.
struct ImportReport {
    int imported = 0;
    int known = 0;      // imported before (the same file content)
    int unreadable = 0; // not a readable backup file: left out, tried again next time
};

// The calibration records and snapshots of one bench, in one database (see docs/records.md).
// Every write is one transaction; nothing recorded is ever changed or deleted. When the
// database cannot be used, status() says why and writes of calibrations and snapshots go to
// the pending directory beside it, one JSON file each, until reopen() finds it usable again.
// Each store has a connection of its own; use it from the thread that made it.
// A store on a database server has no pending directory: its writes fail while the server
// cannot be reached. A transaction another writer got in the way of is run again a few times.
class RecordStore final : public RecordKeeper {
public:
    explicit RecordStore(StoreOptions options = {}, text::LanguageTable texts = {});
    ~RecordStore() override;
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    // AppDataLocation/records.sqlite
    [[nodiscard]] static QString defaultPath();
    [[nodiscard]] const QString& path() const { return path_; }
    // Empty for a store on a server.
    [[nodiscard]] QString pendingDirectory() const {
        return onServer() ? QString() : path_ + QStringLiteral(".pending");
    }
    [[nodiscard]] bool onServer() const { return !database_.isEmpty(); }
    [[nodiscard]] const StoreStatus& status() const override { return status_; }
    [[nodiscard]] int schemaVersion() const { return schemaVersion_; }
    // The version this program writes.
    [[nodiscard]] int latestSchemaVersion() const {
        return static_cast<int>(dialect_.migrations().size());
    }
    // Lets the database role `role` read the records and append to them (a server's
    // application role); nothing to do for a file.
    [[nodiscard]] WriteResult grantAccess(const QString& role);
    // Opens the database again when it could not be used, and takes in the pending records.
    const StoreStatus& reopen() override;

    [[nodiscard]] StoreSettings settings() const override;
    // Appends the settings that differ; the certificate prefix only before the first calibration.
    [[nodiscard]] WriteResult setSettings(const StoreSettings& settings) override;
    // A named value of the settings table, its newest revision; nullopt when never set or when
    // the database cannot be used.
    [[nodiscard]] std::optional<QString> setting(const QString& name) const override;
    // Appends a revision of `name` when `value` differs from its present one.
    [[nodiscard]] WriteResult setSetting(const QString& name, const QString& value) override;

    // Records a calibration (or a restore or backup entry) in one transaction: the store gives
    // its uuid when empty, the certificate number (calibrations only), the verdicts, the due
    // date, the bench when empty and the time recorded.
    [[nodiscard]] WriteResult record(CalibrationRecord calibration) override;
    [[nodiscard]] WriteResult addSnapshot(Snapshot snapshot) override;
    [[nodiscard]] WriteResult addStandard(ReferenceStandard standard) override;
    [[nodiscard]] WriteResult correct(Correction correction) override;
    // Appends an as-left check made after the calibration was recorded: its rows follow the
    // calibration's as-left rows, and a correction of the field AsLeft gives its verdict (against
    // the calibration's tolerance) and the position of its first row. The latest check appended
    // is the one `corrected` shows. One transaction; refused for a record that is no calibration
    // in the database, and without points.
    [[nodiscard]] WriteResult appendAsLeft(const QString& calibrationUuid,
                                           const std::vector<CheckPoint>& points,
                                           const QString& who, const QString& reason,
                                           QDateTime at = {}) override;

    // The sensor's records, newest first, with the corrections applied.
    [[nodiscard]] std::vector<HistoryEntry> history(const QString& sensorId) const override;
    // Every sensor's records, newest first, with the corrections applied.
    [[nodiscard]] std::vector<HistoryEntry> allHistory() const override;
    // The sensor ids that have records, sorted.
    [[nodiscard]] QStringList sensorIds() const override;
    // By uuid or certificate number, as recorded, with its corrections (see `corrected`).
    [[nodiscard]] std::optional<CalibrationRecord> calibration(const QString& key) const override;
    [[nodiscard]] std::vector<Snapshot>
    snapshots(const QString& sensorId) const override; // newest first
    [[nodiscard]] std::optional<Snapshot> snapshot(const QString& uuid) const override;
    [[nodiscard]] std::vector<ReferenceStandard> standards() const override;
    [[nodiscard]] std::optional<ReferenceStandard> standard(const QString& uuid) const override;
    [[nodiscard]] std::vector<ReferenceStandard> standardsPastDue(QDate day) const override;

    // Takes the snapshot files of a backup::SnapshotStore directory in, each file content once
    // (known by its SHA-256), as snapshots taken before a write; the files stay where they are.
    ImportReport importSnapshotFiles(const QString& directory);

    // Takes the pending records into the database, snapshots first, each once.
    Intake takeInPending();
    [[nodiscard]] int pendingCount() const override;

    // The upload queue of a bench's local store (LabRecords): queued in the order written, kept
    // after the upload with the number the server gave.
    [[nodiscard]] bool queueUpload(const QueuedUpload& item);
    [[nodiscard]] std::vector<QueuedUpload> waitingUploads() const;
    [[nodiscard]] int waitingCount() const;
    [[nodiscard]] bool markUploaded(const QString& uuid, const QString& certificate);
    // uuid -> the certificate number the server gave (empty for records without one)
    [[nodiscard]] QHash<QString, QString> uploaded() const;
    [[nodiscard]] bool hasCorrection(const QString& uuid) const;

    // Runs the writes made while it lives in one transaction (bulk loading, imports): committed
    // at its end when every write went into the database, else rolled back.
    class Batch {
    public:
        explicit Batch(RecordStore& store);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        RecordStore& store_;
        bool begun_ = false;
    };

private:
    friend class Batch;

    void open();
    [[nodiscard]] bool openServer();
    [[nodiscard]] bool migrate();
    void fail(StoreState state, const QString& detail);
    [[nodiscard]] QSqlQuery prepared(Sql statement) const;
    bool exec(QSqlQuery& query) const;
    bool run(Sql statement);
    [[nodiscard]] std::optional<qint64> number(QSqlQuery& query) const;
    // Runs `work` in a write transaction (or inside the open Batch); false when it failed.
    bool transaction(const std::function<bool()>& work);
    [[nodiscard]] WriteResult failure(const QString& detail) const;
    [[nodiscard]] WriteResult pending(const QString& kind, const QString& uuid,
                                      const QJsonObject& document) const;
    // Writes in one transaction; when the database cannot be used, `kind` with its `document`
    // goes to the pending directory (an empty kind: the write fails instead).
    [[nodiscard]] WriteResult write(const QString& kind, const QString& uuid,
                                    const std::function<QJsonObject()>& document,
                                    const std::function<bool()>& work);

    bool insertCalibration(CalibrationRecord& calibration);
    bool insertSnapshot(const Snapshot& snapshot);
    bool insertSetting(const QString& name, const QString& value);
    [[nodiscard]] bool exists(Sql statement, const QString& uuid) const;
    [[nodiscard]] std::vector<Correction> corrections(QSqlQuery& query) const;
    // The history of `sensorId`, or of every sensor when it is none.
    [[nodiscard]] std::vector<HistoryEntry> historyOf(const std::optional<QString>& sensorId) const;

    QString database_;
    QString path_;
    std::chrono::milliseconds busyTimeout_;
    bool upgrade_ = true;
    const SqlDialect& dialect_;
    text::LanguageTable texts_;
    QString connection_;
    QSqlDatabase db_;
    StoreStatus status_;
    int schemaVersion_ = 0;
    bool givesNumbers_ = true;
    int batchDepth_ = 0;
    bool batchFailed_ = false;
    mutable QString lastError_;
    mutable QSqlError lastSqlError_;
};

} // namespace records
