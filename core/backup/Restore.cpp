#include "core/backup/Restore.h"

#include "core/instrument/OrvoLib.h"
#include "core/sensor/SensorImage.h"
#include "core/session/Session.h"

namespace backup {

QList<BlockDifference> compareBlock(int block, const QByteArray& expected,
                                    const QByteArray& actual) {
    if (actual.size() != device::orvoLib::BlockSize ||
        expected.size() != device::orvoLib::BlockSize)
        return {{block, -1, QString()}};
    QList<BlockDifference> differences;
    for (int i = 0; i < device::orvoLib::BlockSize; ++i) {
        if (expected[i] != actual[i])
            differences.append({block, i, sensor::SensorFieldAt(expected, i)});
    }
    return differences;
}

QList<BlockDifference> compareWithSession(const session::Session& session, const Backup& backup) {
    QList<BlockDifference> differences;
    for (const SensorBackup& entry : backup.sensors) {
        differences +=
            compareBlock(entry.block, entry.raw,
                         session.sensors().BlockImages[static_cast<std::size_t>(entry.block)]);
    }
    return differences;
}

RestoreResult restoreBlock(const device::Link& link, session::Session& session,
                           const Backup& backup, int block) {
    const SensorBackup* entry = backup.sensor(block);
    if (entry == nullptr)
        return {};
    session.prepareWrite(link);
    const int written = session.writeSensorBlock(link, entry->raw, block);
    RestoreResult result;
    if (written != 0) {
        session.runner().enableNavigation();
        result.outcome = RestoreOutcome::WriteFailed;
        result.writeCode = written;
        // A port that went away stays open to the program, but its reads fail.
        result.lineLost = !link.line.isOpen() || !link.line.readAll().has_value();
        return result;
    }
    session.resetInstrument(link);
    const bool read = session.readOut(link) == session::ReadOutResult::Read;
    const QByteArray& readBack = session.sensors().BlockImages[static_cast<std::size_t>(block)];
    if (!read || readBack.isEmpty()) {
        result.outcome = RestoreOutcome::ReadFailed;
    } else {
        result.differences = compareBlock(block, entry->raw, readBack);
        result.outcome =
            result.differences.isEmpty() ? RestoreOutcome::Verified : RestoreOutcome::Differs;
    }
    session.runner().enableNavigation();
    return result;
}

} // namespace backup
