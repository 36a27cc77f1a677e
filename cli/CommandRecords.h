#pragma once

#include "cli/CommandLine.h"
#include "cli/Report.h"
#include "core/backup/Backup.h"
#include "core/records/LabRecords.h"
#include "core/records/RecordStore.h"

#include <QJsonArray>
#include <QString>
#include <optional>

namespace cli {

// The records store the command line names: --database's server, else --records' file, else
// the window's.
[[nodiscard]] records::StoreOptions storeOptions(const Request& request);

// Why the records store cannot be used, for the command line.
[[nodiscard]] QString storeStateText(records::StoreState state);

// Puts the command line's backups and restores on record: their snapshots and an entry of their
// kind, in the records store that `history` reads (--records, else the window's), or on the
// server of --database. The store is opened at the first record. While the server cannot be
// reached they wait in the file store for upload (db sync); a file store that cannot be used keeps
// them in its pending queue. Either, or a record not kept at all, is told once as a warning and
// never fails the command.
class CommandRecords {
public:
    CommandRecords(const Request& request, Report& report);

    // What the instrument held, as a snapshot for the sensor in `block`; its uuid, empty when it
    // was not kept.
    QString snapshot(records::SnapshotReason reason, int block, const backup::Backup& content);
    // An entry of `kind` for the sensor `written` (the block as the file holds it) from the
    // backup file `path`: its SHA-256, the outcome and the snapshots around it.
    void entry(records::RecordKind kind, const backup::SensorBackup& written,
               const QString& identification, const QString& path, const QString& outcome,
               const QString& before, const QString& after, const QDateTime& started);

private:
    records::LabRecords& store();
    // Whether a write was kept in the file store for a server that cannot be reached.
    [[nodiscard]] bool waitsForUpload(const records::WriteResult& result) const;
    void tell(const records::WriteResult& result);

    const Request& request_;
    Report& report_;
    std::optional<records::LabRecords> store_;
    QJsonArray entries_;
    bool told_ = false;
};

} // namespace cli
