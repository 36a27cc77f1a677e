#pragma once

#include "cli/CommandLine.h"
#include "cli/Report.h"
#include "core/backup/Backup.h"
#include "core/instrument/Link.h"

#include <QString>

namespace session {
class Session;
}
namespace records {
class RecordStore;
struct CalibrationRecord;
} // namespace records

namespace cli {

// What the commands work with; main builds it.
struct Workbench {
    session::Session& session;
    QString portDirectory;     // TORANCAL_PORT_DIR, or empty
    QString snapshotDirectory; // where a restore keeps what the instrument held before
};

// Runs one command of the command line: everything that talks to the instrument runs as one
// action of the session's runner. Tells through `report`; returns how the program ends.
class Commands {
public:
    Commands(const Request& request, Workbench bench, Report& report);
    [[nodiscard]] ExitCode run();
    // Whether the end of the program (a signal) cut the command short; run()'s code then tells
    // nothing, and what was done so far is in the report.
    [[nodiscard]] bool cutShort() const { return cutShort_; }

private:
    [[nodiscard]] ExitCode ports(const device::Link& link);
    [[nodiscard]] ExitCode identify(const device::Link& link);
    [[nodiscard]] ExitCode read(const device::Link& link);
    [[nodiscard]] ExitCode backup(const device::Link& link);
    [[nodiscard]] ExitCode verify(const device::Link& link, const backup::Backup& file);
    [[nodiscard]] ExitCode restore(const device::Link& link, const backup::Backup& file);
    [[nodiscard]] ExitCode dryRun(const backup::Backup& file);

    // history, show and export (RecordCommands.cpp): they read the records store only.
    [[nodiscard]] ExitCode records();
    [[nodiscard]] ExitCode history(const records::RecordStore& store);
    [[nodiscard]] ExitCode show(const records::RecordStore& store);
    [[nodiscard]] ExitCode exportRecord(const records::RecordStore& store);
    // db init, upgrade and status (DbCommands.cpp).
    [[nodiscard]] ExitCode db();
    [[nodiscard]] ExitCode dbSync();
    // The record the command line names, or the failure (nullopt then).
    [[nodiscard]] std::optional<records::CalibrationRecord>
    lookUp(const records::RecordStore& store, ExitCode& failure);

    // The file named on the command line, or the failure (nullopt then).
    [[nodiscard]] std::optional<backup::Backup> readFile(ExitCode& failure);
    // Opens the port and checks that the instrument answers.
    [[nodiscard]] ExitCode connect(const device::Link& link);
    // The setup and every sensor present, read into the session.
    [[nodiscard]] ExitCode readOut(const device::Link& link);
    // Applies the restore policy to every block to restore: fails with BadFile on a refusal
    // unless --force, which warns of each.
    [[nodiscard]] ExitCode refuse(const backup::Backup& file);
    // Warns of the blocks a restore left half-written (the restore journal).
    void reportInterrupted(const QList<int>& blocks);
    // Tells how a restore that started to write ended before it was verified.
    [[nodiscard]] ExitCode restoreFailed(ExitCode code, const QString& message,
                                         const QString& snapshot);
    // The blocks a restore writes: --sensor's, else every block in the file.
    [[nodiscard]] QList<int> blocksToRestore(const backup::Backup& file) const;
    // Refuses a restore of blocks the file does not hold.
    [[nodiscard]] ExitCode checkBlocks(const backup::Backup& file);
    // Whether the port went away under the exchange that just failed.
    [[nodiscard]] static bool lineLost(const device::Link& link);
    [[nodiscard]] QString deviceName() const;
    [[nodiscard]] QString portText() const;

    const Request& request_;
    Workbench bench_;
    Report& report_;
    bool cutShort_ = false;
};

} // namespace cli
