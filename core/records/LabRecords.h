#pragma once

#include "core/records/RecordKeeper.h"
#include "core/records/RecordStore.h"

#include <functional>
#include <memory>

namespace records {

// What an upload of the waiting records did.
struct SyncResult {
    int uploaded = 0; // by this sync
    int waiting = 0;  // still in the queue
    QString message;  // why it stopped; empty when the queue is empty
};

// The records of a bench whose laboratory keeps them on a server (see
// docs/lab-database.md): every write goes to the server while it can be used; while it
// cannot, into the local store and its upload queue, and `sync` uploads the queue later, each
// write by its uuid, so that a write uploaded twice is recorded once. Calibrations made while the
// server is away have no certificate number until their upload. Reads join the server's records
// with the local ones not uploaded yet. Without a server it is the local store alone.
class LabRecords final : public RecordKeeper {
public:
    using Opener = std::function<std::unique_ptr<RecordStore>()>;

    // `local` should give no numbers (StoreOptions::givesNumbers) when there is a server.
    explicit LabRecords(std::unique_ptr<RecordStore> local, Opener server = {});

    [[nodiscard]] RecordStore& local() { return *local_; }
    [[nodiscard]] bool hasServer() const { return static_cast<bool>(opener_); }
    // Whether the server answered at the last write, read or sync.
    [[nodiscard]] bool serverReachable() const;
    [[nodiscard]] int waitingCount() const { return local_->waitingCount(); }
    // Uploads the waiting writes in order, snapshots and standards before the calibrations that
    // name them, corrections last; stops at the first that fails, the next sync goes on from it.
    // One the server refuses stays waiting, with the server's reason as the message.
    SyncResult sync();

    [[nodiscard]] const StoreStatus& status() const override { return local_->status(); }
    const StoreStatus& reopen() override;
    [[nodiscard]] int pendingCount() const override { return local_->pendingCount(); }

    [[nodiscard]] StoreSettings settings() const override;
    [[nodiscard]] WriteResult setSettings(const StoreSettings& settings) override;
    [[nodiscard]] std::optional<QString> setting(const QString& name) const override;
    [[nodiscard]] WriteResult setSetting(const QString& name, const QString& value) override;

    [[nodiscard]] WriteResult record(CalibrationRecord calibration) override;
    [[nodiscard]] WriteResult addSnapshot(Snapshot snapshot) override;
    [[nodiscard]] WriteResult addStandard(ReferenceStandard standard) override;
    [[nodiscard]] WriteResult correct(Correction correction) override;
    [[nodiscard]] WriteResult appendAsLeft(const QString& calibrationUuid,
                                           const std::vector<CheckPoint>& points,
                                           const QString& who, const QString& reason,
                                           QDateTime at = {}) override;

    [[nodiscard]] std::vector<HistoryEntry> history(const QString& sensorId) const override;
    [[nodiscard]] std::vector<HistoryEntry> allHistory() const override;
    [[nodiscard]] QStringList sensorIds() const override;
    [[nodiscard]] std::optional<CalibrationRecord> calibration(const QString& key) const override;
    [[nodiscard]] std::vector<Snapshot> snapshots(const QString& sensorId) const override;
    [[nodiscard]] std::optional<Snapshot> snapshot(const QString& uuid) const override;
    [[nodiscard]] std::vector<ReferenceStandard> standards() const override;
    [[nodiscard]] std::optional<ReferenceStandard> standard(const QString& uuid) const override;
    [[nodiscard]] std::vector<ReferenceStandard> standardsPastDue(QDate day) const override;

private:
    // The server when it can be used (opened again when it could not), else nullptr.
    [[nodiscard]] RecordStore* server();
    [[nodiscard]] RecordStore* server() const;
    // Onto the server while it answers (`toServer`), with a copy here when `copyHere`; else here
    // and queued for upload.
    template <typename Write>
    [[nodiscard]] WriteResult routed(const QueuedUpload& item, bool toServer, bool copyHere,
                                     Write write);
    // Writes locally and queues the write for upload, as one.
    [[nodiscard]] WriteResult queued(const QueuedUpload& item,
                                     const std::function<WriteResult()>& write);
    [[nodiscard]] QSet<QString> waitingUuids() const;
    [[nodiscard]] std::vector<HistoryEntry> joined(std::vector<HistoryEntry> fromServer,
                                                   std::vector<HistoryEntry> fromLocal) const;

    std::unique_ptr<RecordStore> local_;
    Opener opener_;
    std::unique_ptr<RecordStore> server_;
};

} // namespace records

namespace records {

// Opens the store on the server at `address` (upgrading an older schema where the role may);
// none for an empty address: a bench without a server.
[[nodiscard]] LabRecords::Opener serverOpener(const QString& address);

// Whether a server address (a URI or key=value words) holds a password, which is never kept in
// the settings: it comes from ~/.pgpass or PGPASSWORD.
[[nodiscard]] bool addressCarriesPassword(const QString& address);

} // namespace records
