#pragma once

#include "core/backup/Backup.h"
#include "core/instrument/Link.h"

#include <QList>
#include <QString>

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
    Verified,    // written, reset, read back and equal byte for byte
    Differs,     // written and read back, but the block read back differs
    WriteFailed, // a byte was not confirmed (writeCode says which); nothing was reset
    ReadFailed,  // written and reset, but the block could not be read back
    NoSuchBlock, // the backup holds no such block; nothing was sent
};

struct RestoreResult {
    RestoreOutcome outcome = RestoreOutcome::NoSuchBlock;
    int writeCode = 0;     // WriteBlock's result when the write failed: -i or -10000 - i for byte i
    bool lineLost = false; // the write failed because the line went away (the port is closed)
    QList<BlockDifference> differences;
};

// Writes the backup's raw block `block` back into the instrument as a save does (the session's
// write watch told first, polling stopped, navigation locked, progress in the status panel, the
// write not cut short by the end), resets the instrument, reads it again and compares the block
// read back with the backup. Tells the operator nothing; the caller reports the result.
[[nodiscard]] RestoreResult restoreBlock(const device::Link& link, session::Session& session,
                                         const Backup& backup, int block);

} // namespace backup
