#pragma once

#include "core/records/Records.h"
#include "core/records/StoreStatus.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace records {

enum class WriteOutcome {
    Recorded, // in the database
    Pending,  // the database cannot be used: kept in the pending directory for later
    Refused,  // a rule of the store refuses it (message says which)
    Failed,   // neither in the database nor kept (message says why)
};

struct WriteResult {
    WriteOutcome outcome = WriteOutcome::Failed;
    QString uuid;
    QString certificate; // a recorded calibration's number; empty otherwise
    QString message;     // for the operator; empty when recorded
    [[nodiscard]] bool kept() const {
        return outcome == WriteOutcome::Recorded || outcome == WriteOutcome::Pending;
    }
};

// What the recorder and the windows do with the records of a bench: one database
// (RecordStore) or a laboratory's server with a local store beside it (LabRecords).
class RecordKeeper {
public:
    virtual ~RecordKeeper() = default;
    RecordKeeper() = default;
    RecordKeeper(const RecordKeeper&) = delete;
    RecordKeeper& operator=(const RecordKeeper&) = delete;

    [[nodiscard]] virtual const StoreStatus& status() const = 0;
    virtual const StoreStatus& reopen() = 0;
    [[nodiscard]] virtual int pendingCount() const = 0;

    [[nodiscard]] virtual StoreSettings settings() const = 0;
    [[nodiscard]] virtual WriteResult setSettings(const StoreSettings& settings) = 0;
    [[nodiscard]] virtual std::optional<QString> setting(const QString& name) const = 0;
    [[nodiscard]] virtual WriteResult setSetting(const QString& name, const QString& value) = 0;

    [[nodiscard]] virtual WriteResult record(CalibrationRecord calibration) = 0;
    [[nodiscard]] virtual WriteResult addSnapshot(Snapshot snapshot) = 0;
    [[nodiscard]] virtual WriteResult addStandard(ReferenceStandard standard) = 0;
    [[nodiscard]] virtual WriteResult correct(Correction correction) = 0;
    [[nodiscard]] virtual WriteResult appendAsLeft(const QString& calibrationUuid,
                                                   const std::vector<CheckPoint>& points,
                                                   const QString& who, const QString& reason,
                                                   QDateTime at = {}) = 0;

    [[nodiscard]] virtual std::vector<HistoryEntry> history(const QString& sensorId) const = 0;
    [[nodiscard]] virtual std::vector<HistoryEntry> allHistory() const = 0;
    [[nodiscard]] virtual QStringList sensorIds() const = 0;
    [[nodiscard]] virtual std::optional<CalibrationRecord>
    calibration(const QString& key) const = 0;
    [[nodiscard]] virtual std::vector<Snapshot> snapshots(const QString& sensorId) const = 0;
    [[nodiscard]] virtual std::optional<Snapshot> snapshot(const QString& uuid) const = 0;
    [[nodiscard]] virtual std::vector<ReferenceStandard> standards() const = 0;
    [[nodiscard]] virtual std::optional<ReferenceStandard> standard(const QString& uuid) const = 0;
    [[nodiscard]] virtual std::vector<ReferenceStandard> standardsPastDue(QDate day) const = 0;
};

} // namespace records
