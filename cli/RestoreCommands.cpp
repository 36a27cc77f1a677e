// The commands that compare the instrument with a backup file and write it back.

#include "cli/Commands.h"

#include "core/backup/Restore.h"
#include "core/backup/SnapshotStore.h"
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

ExitCode Commands::verify(const device::Link& link, const backup::Backup& file) {
    if (const ExitCode read = readOut(link); read != ExitCode::Success)
        return read;
    const session::Session& session = bench_.session;
    if (session.instrumentSetup()->Identification != file.identification)
        report_.warn(QStringLiteral("%1 was taken from '%2', the instrument is '%3'")
                         .arg(request_.backupFile, file.identification,
                              session.instrumentSetup()->Identification));
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
    report_.say(QStringLiteral("dry run: nothing was sent"));
    report_.set(QStringLiteral("dryRun"), true);
    report_.set(QStringLiteral("blocks"), blocks);
    return ExitCode::Success;
}

QStringList Commands::refusals(const backup::Backup& file) const {
    const session::Session& session = bench_.session;
    QStringList reasons;
    const QString& held = session.instrumentSetup()->Identification;
    if (held != file.identification)
        reasons.append(QStringLiteral("%1 was taken from '%2', the instrument is '%3'")
                           .arg(request_.backupFile, file.identification, held));
    for (const int block : blocksToRestore(file)) {
        const QString name = backup::blockName(block);
        if ((session.sensors().SensorMask & (1U << block)) == 0) {
            reasons.append(QStringLiteral("the instrument has no %1 sensor").arg(name));
            continue;
        }
        const QString heldId =
            session.sensors().SensorRecords[static_cast<std::size_t>(block)].SensorId.text();
        const QString fileId = file.sensor(block)->decoded.SensorId.text();
        if (heldId != fileId)
            reasons.append(QStringLiteral("sensor %1: %2 holds sensor id '%3', the instrument '%4'")
                               .arg(name, request_.backupFile, fileId.trimmed(), heldId.trimmed()));
    }
    return reasons;
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

    const QStringList reasons = refusals(file);
    if (!reasons.isEmpty() && !request_.force)
        return report_.fail(ExitCode::BadFile, QStringLiteral("restore refused: ") +
                                                   reasons.join(QStringLiteral("; ")) +
                                                   QStringLiteral(" (--force writes it anyway)"));
    for (const QString& reason : reasons)
        report_.warn(QStringLiteral("forced: ") + reason);

    const QList<int> blocks = blocksToRestore(file);
    const backup::SnapshotStore store(bench_.snapshotDirectory);
    const backup::SnapshotWrite snapshot = store.write(
        *backup::backupOf(session, QDateTime::currentDateTimeUtc()),
        session.sensors().SensorRecords[static_cast<std::size_t>(blocks.first())].SensorId.text());
    if (snapshot.written) {
        report_.say(QStringLiteral("snapshot: ") + snapshot.path);
        report_.set(QStringLiteral("snapshot"), snapshot.path);
    } else if (!request_.force) {
        return report_.fail(ExitCode::PermissionDenied,
                            QStringLiteral("restore refused: cannot keep a snapshot in %1: %2 "
                                           "(--force restores without one)")
                                .arg(store.directory(), snapshot.error));
    } else {
        report_.warn(
            QStringLiteral("forced: no snapshot in %1: %2").arg(store.directory(), snapshot.error));
    }
    const QString kept = snapshot.written ? snapshot.path : QString();

    QJsonArray results;
    ExitCode code = ExitCode::Success;
    for (const int block : blocks) {
        const QString name = backup::blockName(block);
        const backup::RestoreResult result = backup::restoreBlock(link, session, file, block);
        switch (result.outcome) {
        case backup::RestoreOutcome::Verified:
            report_.say(QStringLiteral("restored block %1: verified").arg(name));
            results.append(QJsonObject{{QStringLiteral("block"), name},
                                       {QStringLiteral("outcome"), QStringLiteral("verified")}});
            break;
        case backup::RestoreOutcome::Differs:
            report_.say(QStringLiteral("restored block %1: the read-back differs").arg(name));
            results.append(
                QJsonObject{{QStringLiteral("block"), name},
                            {QStringLiteral("outcome"), QStringLiteral("differs")},
                            {QStringLiteral("differences"),
                             reportDifferences(report_, result.differences, file, session)}});
            code = ExitCode::Differs;
            break;
        case backup::RestoreOutcome::WriteFailed: {
            const bool wrongEcho = result.writeCode <= -10000;
            const int byte = wrongEcho ? -10000 - result.writeCode : -result.writeCode;
            report_.set(QStringLiteral("blocks"), results);
            report_.set(QStringLiteral("failedBlock"), name);
            report_.set(QStringLiteral("failedByte"), byte);
            if (result.lineLost)
                return restoreFailed(ExitCode::LineLost,
                                     QStringLiteral("line lost writing block %1 at byte %2 of 256; "
                                                    "the block is partly written")
                                         .arg(name)
                                         .arg(byte),
                                     kept);
            return restoreFailed(ExitCode::NoAnswer,
                                 QStringLiteral("block %1 byte %2 of 256 was %3; the block is "
                                                "partly written")
                                     .arg(name)
                                     .arg(byte)
                                     .arg(wrongEcho ? QStringLiteral("answered wrongly")
                                                    : QStringLiteral("not answered")),
                                 kept);
        }
        case backup::RestoreOutcome::ReadFailed:
            report_.set(QStringLiteral("blocks"), results);
            report_.set(QStringLiteral("failedBlock"), name);
            return restoreFailed(lineLost(link) ? ExitCode::LineLost : ExitCode::NoAnswer,
                                 QStringLiteral("block %1 was written and the instrument reset, "
                                                "but it could not be read back")
                                     .arg(name),
                                 kept);
        case backup::RestoreOutcome::NoSuchBlock:
            break;
        }
    }
    report_.set(QStringLiteral("blocks"), results);
    return code;
}

} // namespace cli
