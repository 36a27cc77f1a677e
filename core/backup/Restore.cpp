#include "core/backup/Restore.h"

#include "core/backup/RestoreJournal.h"
#include "core/instrument/Lifecycle.h"
#include "core/instrument/OrvoLib.h"
#include "core/sensor/SensorImage.h"
#include "core/session/Session.h"
#include "core/text/LanguageTable.h"
#include "core/text/StatusPanel.h"

namespace backup {

namespace {

constexpr int DeviceAddress = 0;
constexpr int WritingText = 52;

} // namespace

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
                           const Backup& backup, int block, const RestorePolicy& policy) {
    const SensorBackup* entry = backup.sensor(block);
    if (entry == nullptr)
        return {};
    RestoreResult result;
    result.refusals = restoreRefusals(
        session, backup, block, policy.target < 0 ? block : policy.target, policy.journalDirectory);
    if (!result.refusals.isEmpty() &&
        !(policy.overrideRefusals && policy.overrideRefusals(result.refusals))) {
        result.outcome = RestoreOutcome::Refused;
        return result;
    }
    const QByteArray held = session.sensors().BlockImages[static_cast<std::size_t>(block)];
    if (held == entry->raw) {
        result.outcome = RestoreOutcome::Unchanged;
        return result;
    }
    session.prepareWrite(link);
    result.snapshot = session.beforeWrite(block);
    if (result.snapshot.isEmpty() &&
        !(policy.writeWithoutSnapshot && policy.writeWithoutSnapshot())) {
        session.runner().enableNavigation();
        result.outcome = RestoreOutcome::NoSnapshot;
        return result;
    }
    const RestoreJournal journal(policy.journalDirectory);
    const QString identification = session.identification();
    if (!policy.journalDirectory.isEmpty())
        (void)journal.begin({block, identification, result.snapshot, entry->raw, held,
                             QDateTime::currentDateTimeUtc()});

    const session::Session::Outlets& out = session.outlets();
    out.status.showStatus();
    device::orvoLib::BytesWrite written;
    {
        const device::Lifecycle::CriticalSection writing(session.runner().lifecycle());
        written = device::orvoLib::WriteBlockBytes(
            link, entry->raw, held, DeviceAddress, block,
            [&out](const QString& caption) { out.status.setStatusText(caption); },
            out.texts.text(WritingText));
    }
    out.status.hideStatus();
    result.bytesSent = written.sent;
    if (written.code != 0) {
        session.runner().enableNavigation();
        result.outcome = RestoreOutcome::WriteFailed;
        result.writeCode = written.code;
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
        if (!policy.journalDirectory.isEmpty())
            journal.end(identification, block);
    }
    session.runner().enableNavigation();
    return result;
}

} // namespace backup
