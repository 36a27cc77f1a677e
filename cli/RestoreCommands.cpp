// The commands that compare the instrument with a backup file and write it back.

#include "cli/Commands.h"

#include "cli/CommandRecords.h"

#include "core/backup/Restore.h"
#include "core/backup/RestoreJournal.h"
#include "core/backup/SnapshotStore.h"
#include "core/instrument/Lifecycle.h"
#include "core/instrument/OrvoLib.h"
#include "core/session/Session.h"

#include <QJsonArray>

namespace cli {

namespace {

QString byteText(const QByteArray& block, int offset) {
    return QString::fromLatin1(block.mid(offset, 1).toHex().toUpper());
}

// Prints each difference as "difference: block ext offset 12 field Description: file 41
// instrument 42" and returns them as JSON.
QJsonArray reportDifferences(const Report& report, const QList<backup::BlockDifference>& found,
                             const backup::Backup& file, const session::Session& session) {
    QJsonArray list;
    for (const backup::BlockDifference& difference : found) {
        const QString block = backup::blockName(difference.block);
        if (difference.offset < 0) {
            report.say(QStringLiteral("difference: block %1: the instrument has no such block")
                           .arg(block));
            list.append(
                QJsonObject{{QStringLiteral("block"), block}, {QStringLiteral("offset"), -1}});
            continue;
        }
        const QString expected = byteText(file.sensor(difference.block)->raw, difference.offset);
        const QString actual =
            byteText(session.sensors().BlockImages[static_cast<std::size_t>(difference.block)],
                     difference.offset);
        report.say(QStringLiteral("difference: block %1 offset %2 field %3: file %4 instrument %5")
                       .arg(block)
                       .arg(difference.offset)
                       .arg(difference.field, expected, actual));
        list.append(QJsonObject{{QStringLiteral("block"), block},
                                {QStringLiteral("offset"), difference.offset},
                                {QStringLiteral("field"), difference.field},
                                {QStringLiteral("file"), expected},
                                {QStringLiteral("instrument"), actual}});
    }
    return list;
}

QString sensorText(const backup::SensorBackup& sensor) {
    return QStringLiteral("sensor id '%1', '%2', %3 curve points")
        .arg(sensor.decoded.SensorId.text().trimmed(), sensor.decoded.Description.text().trimmed())
        .arg(sensor.decoded.CurvePointCount);
}

} // namespace

QList<int> Commands::blocksToRestore(const backup::Backup& file) const {
    if (request_.block)
        return {*request_.block};
    QList<int> blocks;
    for (const backup::SensorBackup& sensor : file.sensors)
        blocks.append(sensor.block);
    return blocks;
}

ExitCode Commands::checkBlocks(const backup::Backup& file) {
    const QList<int> blocks = blocksToRestore(file);
    if (blocks.isEmpty())
        return report_.fail(ExitCode::BadFile,
                            QStringLiteral("%1 holds no sensor block").arg(request_.backupFile));
    for (const int block : blocks) {
        if (file.sensor(block) == nullptr)
            return report_.fail(ExitCode::BadFile,
                                QStringLiteral("%1 holds no %2 sensor")
                                    .arg(request_.backupFile, backup::blockName(block)));
    }
    return ExitCode::Success;
}

namespace {

// The command line's write watch: one snapshot of what the instrument held, written before the
// first byte of the first block and standing for every block of the run.
class SnapshotOnce final : public session::WriteWatch {
public:
    SnapshotOnce(session::Session& session, const QString& directory, int firstBlock)
        : session_(session), store_(directory), firstBlock_(firstBlock) {
        session_.setWriteWatch(this);
    }
    ~SnapshotOnce() override { session_.setWriteWatch(nullptr); }
    SnapshotOnce(const SnapshotOnce&) = delete;
    SnapshotOnce& operator=(const SnapshotOnce&) = delete;

    QString beforeWrite(int block) override {
        toldBlock_ = block;
        if (!tried_) {
            tried_ = true;
            written_ = store_.write(*backup::backupOf(session_, QDateTime::currentDateTimeUtc()),
                                    session_.sensors()
                                        .SensorRecords[static_cast<std::size_t>(firstBlock_)]
                                        .SensorId.text(),
                                    firstBlock_, session_.outlets().texts);
        }
        return written_.written ? written_.path : QString();
    }
    QString failed(bool /*writing*/) override { return {}; }
    [[nodiscard]] const backup::SnapshotWrite& written() const { return written_; }
    [[nodiscard]] const backup::SnapshotStore& store() const { return store_; }
    // The block whose write was announced last, -1 before any.
    [[nodiscard]] int toldBlock() const { return toldBlock_; }

private:
    session::Session& session_;
    backup::SnapshotStore store_;
    int firstBlock_;
    bool tried_ = false;
    int toldBlock_ = -1;
    backup::SnapshotWrite written_;
};

QString refusalText(const backup::RestoreRefusal& refusal, const QString& file) {
    const QString block = backup::blockName(refusal.block);
    switch (refusal.kind) {
    case backup::Refusal::OtherIdentification:
        return QStringLiteral("%1 was taken from '%2', the instrument is '%3'")
            .arg(file, refusal.backupHolds, refusal.instrumentHolds);
    case backup::Refusal::NoSensor:
        return QStringLiteral("the instrument has no %1 sensor").arg(block);
    case backup::Refusal::OtherSensorId:
        return QStringLiteral("sensor %1: %2 holds sensor id '%3', the instrument '%4'")
            .arg(block, file, refusal.backupHolds.trimmed(), refusal.instrumentHolds.trimmed());
    case backup::Refusal::OtherBlock:
        return QStringLiteral("%1 holds block %2, meant for block %3")
            .arg(file, refusal.backupHolds, refusal.instrumentHolds);
    }
    return {};
}

} // namespace

void Commands::reportInterrupted(const QList<int>& blocks) {
    const backup::RestoreJournal journal(bench_.snapshotDirectory);
    QJsonArray found;
    for (const int block : blocks) {
        const std::optional<backup::JournalEntry> entry =
            journal.interrupted(bench_.session, block);
        if (!entry)
            continue;
        const QString name = backup::blockName(block);
        report_.warn(QStringLiteral("block %1 was left half-written by a restore cut off at %2; %3")
                         .arg(name, entry->started.toString(Qt::ISODate),
                              entry->snapshot.isEmpty()
                                  ? QStringLiteral("no snapshot was kept before it")
                                  : QStringLiteral("the snapshot %1 restores what it held before")
                                        .arg(entry->snapshot)));
        found.append(QJsonObject{{QStringLiteral("block"), name},
                                 {QStringLiteral("snapshot"), entry->snapshot}});
    }
    if (!found.isEmpty())
        report_.set(QStringLiteral("interrupted"), found);
}

ExitCode Commands::verify(const device::Link& link, const backup::Backup& file) {
    if (const ExitCode read = readOut(link); read != ExitCode::Success)
        return read;
    const session::Session& session = bench_.session;
    if (session.instrumentSetup()->Identification != file.identification)
        report_.warn(QStringLiteral("%1 was taken from '%2', the instrument is '%3'")
                         .arg(request_.backupFile, file.identification,
                              session.instrumentSetup()->Identification));
    reportInterrupted({sensor::ExternalBlock, sensor::InternalBlock});
    const QList<backup::BlockDifference> found = backup::compareWithSession(session, file);
    report_.set(QStringLiteral("differences"), reportDifferences(report_, found, file, session));
    if (!found.isEmpty()) {
        report_.say(QStringLiteral("verify: %1 differences").arg(found.size()));
        return ExitCode::Differs;
    }
    report_.say(QStringLiteral("verify: equal"));
    return ExitCode::Success;
}

ExitCode Commands::dryRun(const backup::Backup& file) {
    if (const ExitCode checked = checkBlocks(file); checked != ExitCode::Success)
        return checked;
    QJsonArray blocks;
    for (const int block : blocksToRestore(file)) {
        const backup::SensorBackup* sensor = file.sensor(block);
        report_.say(QStringLiteral("would write block %1: %2, 256 bytes")
                        .arg(backup::blockName(block), sensorText(*sensor)));
        blocks.append(backup::blockName(block));
    }
    report_.say(QStringLiteral("dry run: the file only, nothing was sent"));
    report_.set(QStringLiteral("dryRun"), true);
    report_.set(QStringLiteral("blocks"), blocks);
    return ExitCode::Success;
}

ExitCode Commands::refuse(const backup::Backup& file) {
    QStringList reasons;
    for (const int block : blocksToRestore(file)) {
        for (const backup::RestoreRefusal& refusal : backup::restoreRefusals(
                 bench_.session, file, block, block, bench_.snapshotDirectory)) {
            const QString reason = refusalText(refusal, request_.backupFile);
            if (!reasons.contains(reason))
                reasons.append(reason);
        }
    }
    if (!reasons.isEmpty() && !request_.force)
        return report_.fail(ExitCode::BadFile, QStringLiteral("restore refused: ") +
                                                   reasons.join(QStringLiteral("; ")) +
                                                   QStringLiteral(" (--force writes it anyway)"));
    for (const QString& reason : reasons)
        report_.warn(QStringLiteral("forced: ") + reason);
    return ExitCode::Success;
}

ExitCode Commands::restoreFailed(ExitCode code, const QString& message, const QString& snapshot) {
    const ExitCode failed = report_.fail(code, message);
    Report::diagnostic(QStringLiteral("note: backup file: ") + request_.backupFile);
    if (!snapshot.isEmpty())
        Report::diagnostic(QStringLiteral("note: snapshot before the restore: ") + snapshot);
    return failed;
}

ExitCode Commands::restore(const device::Link& link, const backup::Backup& file) {
    if (const ExitCode checked = checkBlocks(file); checked != ExitCode::Success)
        return checked;
    if (const ExitCode read = readOut(link); read != ExitCode::Success)
        return read;
    session::Session& session = bench_.session;
    const QList<int> blocks = blocksToRestore(file);
    reportInterrupted(blocks);
    if (const ExitCode refused = refuse(file); refused != ExitCode::Success)
        return refused;

    if (request_.dryRun) {
        QJsonArray planned;
        for (const int block : blocks) {
            const int count = static_cast<int>(
                backup::compareBlock(block, file.sensor(block)->raw,
                                     session.sensors().BlockImages[static_cast<std::size_t>(block)])
                    .size());
            report_.say(QStringLiteral("would write %1 bytes of block %2")
                            .arg(count)
                            .arg(backup::blockName(block)));
            planned.append(QJsonObject{{QStringLiteral("block"), backup::blockName(block)},
                                       {QStringLiteral("bytes"), count}});
        }
        report_.say(QStringLiteral("dry run: nothing was written"));
        report_.set(QStringLiteral("dryRun"), true);
        report_.set(QStringLiteral("blocks"), planned);
        return ExitCode::Success;
    }

    const SnapshotOnce watch(session, bench_.snapshotDirectory, blocks.first());
    backup::RestorePolicy policy;
    policy.overrideRefusals = [this](const QList<backup::RestoreRefusal>&) {
        return request_.force;
    };
    bool snapshotWaived = false;
    policy.writeWithoutSnapshot = [&] {
        if (request_.noSnapshot && !snapshotWaived) {
            snapshotWaived = true;
            report_.warn(QStringLiteral("no snapshot in %1: %2 (--no-snapshot)")
                             .arg(watch.store().directory(), watch.written().error));
        }
        return request_.noSnapshot;
    };
    policy.journalDirectory = bench_.snapshotDirectory;

    // Each block restored is on record: what the instrument held before, what it read back after
    // (the same when nothing was written; none when it was not read back) and the outcome.
    CommandRecords kept(request_, report_);
    const QDateTime started = QDateTime::currentDateTimeUtc();
    const std::optional<backup::Backup> held = backup::backupOf(session, started);
    enum class After { ReadBack, Unchanged, NotReadBack };
    const auto onRecord = [&](int block, const char* outcome, After after) {
        const QString before =
            held ? kept.snapshot(records::SnapshotReason::BeforeWrite, block, *held) : QString();
        QString afterUuid = after == After::Unchanged ? before : QString();
        if (after == After::ReadBack)
            if (const auto now = backup::backupOf(session, QDateTime::currentDateTimeUtc()))
                afterUuid = kept.snapshot(records::SnapshotReason::Restore, block, *now);
        kept.entry(records::RecordKind::Restore, *file.sensor(block), session.identification(),
                   request_.backupFile, QLatin1String(outcome), before, afterUuid, started);
    };

    QJsonArray results;
    ExitCode code = ExitCode::Success;
    bool changed = false;
    bool snapshotSaid = false;
    for (const int block : blocks) {
        const QString name = backup::blockName(block);
        const auto toWrite =
            backup::compareBlock(block, file.sensor(block)->raw,
                                 session.sensors().BlockImages[static_cast<std::size_t>(block)])
                .size();
        backup::RestoreResult result;
        try {
            result = backup::restoreBlock(link, session, file, block, policy);
        } catch (const device::EndRequested&) {
            // A signal. The write of a block is a critical section: once announced it was
            // finished whole; the reset and the read-back after it were not done.
            if (watch.toldBlock() == block) {
                results.append(
                    QJsonObject{{QStringLiteral("block"), name},
                                {QStringLiteral("outcome"), QStringLiteral("notVerified")},
                                {QStringLiteral("bytesWritten"), static_cast<int>(toWrite)}});
                report_.set(QStringLiteral("failedBlock"), name);
                onRecord(block, "notVerified", After::NotReadBack);
            }
            report_.set(QStringLiteral("blocks"), results);
            if (watch.written().written)
                report_.set(QStringLiteral("snapshot"), watch.written().path);
            throw;
        }
        if (!result.snapshot.isEmpty() && !snapshotSaid) {
            snapshotSaid = true;
            report_.say(QStringLiteral("snapshot: ") + result.snapshot);
            report_.set(QStringLiteral("snapshot"), result.snapshot);
        }
        const QString kept = watch.written().written ? watch.written().path : QString();
        changed = changed || result.bytesSent > 0;
        const auto outcome = [&](const char* text) {
            results.append(QJsonObject{{QStringLiteral("block"), name},
                                       {QStringLiteral("outcome"), QLatin1String(text)},
                                       {QStringLiteral("bytesWritten"), result.bytesSent}});
        };
        switch (result.outcome) {
        case backup::RestoreOutcome::Verified:
            report_.say(QStringLiteral("restored block %1: %2 bytes written, verified")
                            .arg(name)
                            .arg(result.bytesSent));
            outcome("verified");
            onRecord(block, "verified", After::ReadBack);
            break;
        case backup::RestoreOutcome::Unchanged:
            report_.say(
                QStringLiteral("block %1 already holds the file; nothing written").arg(name));
            outcome("unchanged");
            onRecord(block, "unchanged", After::Unchanged);
            break;
        case backup::RestoreOutcome::Differs:
            report_.say(QStringLiteral("restored block %1: the read-back differs").arg(name));
            results.append(
                QJsonObject{{QStringLiteral("block"), name},
                            {QStringLiteral("outcome"), QStringLiteral("differs")},
                            {QStringLiteral("differences"),
                             reportDifferences(report_, result.differences, file, session)}});
            onRecord(block, "differs", After::ReadBack);
            code = ExitCode::Differs;
            break;
        case backup::RestoreOutcome::WriteFailed: {
            const bool wrongEcho = result.writeCode <= -10000;
            const int byte = wrongEcho ? -10000 - result.writeCode : -result.writeCode;
            const char* written = result.bytesSent > 0 ? "partlyWritten" : "notWritten";
            outcome(written);
            onRecord(block, written, After::NotReadBack);
            report_.set(QStringLiteral("blocks"), results);
            report_.set(QStringLiteral("failedBlock"), name);
            if (result.writeCode > device::orvoLib::WriteBlockPortClosed)
                report_.set(QStringLiteral("failedByte"), byte);
            const QString how = result.lineLost
                                    ? QStringLiteral("line lost writing block %1 at byte %2 of 256")
                                          .arg(name)
                                          .arg(byte)
                                    : QStringLiteral("block %1 byte %2 of 256 was %3")
                                          .arg(name)
                                          .arg(byte)
                                          .arg(wrongEcho ? QStringLiteral("answered wrongly")
                                                         : QStringLiteral("not answered"));
            if (!changed)
                return restoreFailed(result.lineLost ? ExitCode::LineLost : ExitCode::NoAnswer,
                                     how + QStringLiteral("; nothing was written"), kept);
            return restoreFailed(ExitCode::NotVerified,
                                 how + QStringLiteral("; the block is partly written (a "
                                                      "restore of the file or the snapshot "
                                                      "repairs it)"),
                                 kept);
        }
        case backup::RestoreOutcome::ReadFailed:
            outcome("notVerified");
            onRecord(block, "notVerified", After::NotReadBack);
            report_.set(QStringLiteral("blocks"), results);
            report_.set(QStringLiteral("failedBlock"), name);
            return restoreFailed(
                ExitCode::NotVerified,
                QStringLiteral("block %1 was written and the instrument reset, "
                               "but it could not be read back: not verified%2")
                    .arg(name, lineLost(link) ? QStringLiteral(" (line lost)") : QString()),
                kept);
        case backup::RestoreOutcome::NoSnapshot:
            report_.set(QStringLiteral("blocks"), results);
            return report_.fail(changed ? ExitCode::NotVerified : ExitCode::PermissionDenied,
                                QStringLiteral("restore refused: cannot keep a snapshot in %1: %2 "
                                               "(--no-snapshot restores without one)")
                                    .arg(watch.store().directory(), watch.written().error));
        case backup::RestoreOutcome::Refused:
            return report_.fail(ExitCode::BadFile, QStringLiteral("restore refused"));
        case backup::RestoreOutcome::NoSuchBlock:
            break;
        }
    }
    report_.set(QStringLiteral("blocks"), results);
    return code;
}

} // namespace cli
