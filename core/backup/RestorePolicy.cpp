#include "core/backup/RestorePolicy.h"

#include "core/backup/RestoreJournal.h"
#include "core/session/Session.h"

namespace backup {

QList<RestoreRefusal> restoreRefusals(const session::Session& session, const Backup& backup,
                                      int block, int target, const QString& journalDirectory) {
    QList<RestoreRefusal> refusals;
    const QString held = session.identification();
    if (held != backup.identification)
        refusals.append({Refusal::OtherIdentification, block, backup.identification, held});
    if (target != block)
        refusals.append({Refusal::OtherBlock, block, blockName(block), blockName(target)});
    const sensor::SensorState& sensors = session.sensors();
    const SensorBackup* entry = backup.sensor(block);
    if (block < 0 || block > sensor::InternalBlock || (sensors.SensorMask & (1U << block)) == 0) {
        refusals.append({Refusal::NoSensor, block, blockName(block), QString()});
    } else if (entry != nullptr) {
        const QString heldId =
            sensors.SensorRecords[static_cast<std::size_t>(block)].SensorId.text();
        const QString backupId = entry->decoded.SensorId.text();
        const auto resumed = [&] {
            if (journalDirectory.isEmpty())
                return false;
            const std::optional<JournalEntry> cut =
                RestoreJournal(journalDirectory).interrupted(session, block);
            return cut && cut->target == entry->raw;
        };
        if (heldId != backupId && !resumed())
            refusals.append({Refusal::OtherSensorId, block, backupId, heldId});
    }
    return refusals;
}

} // namespace backup
