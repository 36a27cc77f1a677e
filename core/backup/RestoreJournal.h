#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

namespace session {
class Session;
}

namespace backup {

// A restore under way, as its journal entry records it.
struct JournalEntry {
    int block = 0;
    QString identification; // the instrument's
    QString snapshot;       // what the block held before, or empty when none was kept
    QByteArray target;      // the 256 bytes being written
    QByteArray before;      // the 256 bytes the block held before (none in older entries)
    QDateTime started;
};

// A small file per instrument identification and block in the snapshot directory
// ("restore-<ext|int>-<hash of the identification>.journal"), written before the first byte
// of a restore and removed once the block has been read back. One that is still there at a
// later read-out, with the block not holding what was being written, tells of a restore cut
// half way (a cable pulled, the process killed) and names the snapshot that undoes it.
class RestoreJournal {
public:
    explicit RestoreJournal(QString directory) : directory_(std::move(directory)) {}

    // Records the restore; false when the entry could not be written.
    bool begin(const JournalEntry& entry) const;
    void end(const QString& identification, int block) const;
    // The restore of `block` left unfinished in the instrument the session last read: its entry
    // when the block holds neither the bytes being written nor those it held before, or nothing
    // readable; an entry whose write completed, or changed nothing, is removed.
    [[nodiscard]] std::optional<JournalEntry> interrupted(const session::Session& session,
                                                          int block) const;

private:
    [[nodiscard]] QString path(const QString& identification, int block) const;
    QString directory_;
};

} // namespace backup
