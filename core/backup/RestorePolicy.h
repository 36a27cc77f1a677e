#pragma once

#include "core/backup/Backup.h"

#include <QList>
#include <QString>

namespace session {
class Session;
}

namespace backup {

// Why writing a backup's block into the instrument would be refused. Each of these can be
// overridden by the operator (the window's question, the command line's --force); a file that
// does not read, or holds no such block, never gets this far.
enum class Refusal {
    OtherIdentification, // the backup was taken from an instrument that names itself otherwise
    NoSensor,            // the instrument holds no sensor in the block
    OtherSensorId,       // the block holds another sensor id than the backup's
    OtherBlock,          // the restore is meant for another block than the backup's
};

struct RestoreRefusal {
    Refusal kind = Refusal::OtherIdentification;
    int block = sensor::ExternalBlock;
    QString backupHolds;     // the identification, sensor id or block name of the backup
    QString instrumentHolds; // the same of the instrument (or the block meant)
    friend bool operator==(const RestoreRefusal&, const RestoreRefusal&) = default;
};

// The refusals of writing `backup`'s block `block` into the instrument as the session's last
// read-out found it, `target` being the block the restore is meant for (the sensor the window
// shows; the same block on the command line). Empty when the restore may go on. With the
// restore journal's directory, a block left half-written by a restore of these very bytes is
// not refused for its sensor id (the cut may have changed it): restoring again repairs it.
[[nodiscard]] QList<RestoreRefusal> restoreRefusals(const session::Session& session,
                                                    const Backup& backup, int block, int target,
                                                    const QString& journalDirectory = {});

} // namespace backup
