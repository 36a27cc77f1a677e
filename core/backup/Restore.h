#pragma once

#include "core/backup/Backup.h"
#include "core/backup/RestorePolicy.h"
#include "core/instrument/Link.h"

#include <QList>
#include <QString>
#include <functional>

namespace session {
class Session;
}

namespace backup {

// A byte of a block that differs from the backup.
struct BlockDifference {
    int block = sensor::ExternalBlock;
    int offset = 0; // from 0; -1 when the instrument has no such block (or it did not read)
    QString field;  // the record field the byte belongs to (sensor::SensorFieldAt)
    friend bool operator==(const BlockDifference&, const BlockDifference&) = default;
};

// Every byte where `actual` differs from `expected`, one entry per byte; a block that is not
// 256 bytes long is one entry with offset -1.
[[nodiscard]] QList<BlockDifference> compareBlock(int block, const QByteArray& expected,
                                                  const QByteArray& actual);
// The blocks of the backup against those the session's last read-out read.
[[nodiscard]] QList<BlockDifference> compareWithSession(const session::Session& session,
                                                        const Backup& backup);

enum class RestoreOutcome {
    Verified,    // the differing bytes written, reset, read back and equal byte for byte
    Unchanged,   // the block already held the backup's bytes; nothing was sent
    Differs,     // written and read back, but the block read back differs
    WriteFailed, // a byte was not confirmed (writeCode says which); nothing was reset
    ReadFailed,  // written and reset, but the block could not be read back: not verified
    NoSuchBlock, // the backup holds no such block; nothing was sent
    Refused,     // a refusal stood (refusals says which); nothing was sent
    NoSnapshot,  // no snapshot of the block could be kept, and none was waived; nothing was sent
};

struct RestoreResult {
    RestoreOutcome outcome = RestoreOutcome::NoSuchBlock;
    int writeCode = 0;     // WriteBlock's result when the write failed: -i or -10000 - i for byte i
    int bytesSent = 0;     // the bytes whose frame went out; 0: the instrument was not changed
    bool lineLost = false; // the write failed because the line went away (the port is closed)
    QList<BlockDifference> differences;
    QList<RestoreRefusal> refusals; // every refusal found, also those overridden
    QString snapshot;               // the snapshot kept before the write, if any
};

// How the caller settles what the restore policy would refuse. Without an answer, a refusal
// stands and no snapshot means no write.
struct RestorePolicy {
    int target = -1; // the block the restore is meant for; -1: the backup's block
    // True writes in spite of the refusals (the window's question, --force).
    std::function<bool(const QList<RestoreRefusal>&)> overrideRefusals;
    // True writes although no snapshot could be kept (the window's question, --no-snapshot).
    std::function<bool()> writeWithoutSnapshot;
    // Where the restore journal lies (RestoreJournal); empty for none.
    QString journalDirectory;
};

// Restores the backup's raw block `block` into the same block of the instrument: applies the
// restore policy against the session's last read-out, tells the session's write watch (the
// snapshot), then writes only the bytes that differ from what that read-out found, as a save
// writes (polling stopped, navigation locked, progress in the status panel, the write not cut
// short by the end), resets the instrument, reads it again and compares the whole block read
// back with the backup. A block that already holds the backup is not written. Tells the operator
// nothing; the caller reports the result.
[[nodiscard]] RestoreResult restoreBlock(const device::Link& link, session::Session& session,
                                         const Backup& backup, int block,
                                         const RestorePolicy& policy = {});

} // namespace backup
