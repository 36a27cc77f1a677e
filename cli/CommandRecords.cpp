#include "cli/CommandRecords.h"

#include "core/records/Rules.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <utility>

namespace cli {

namespace {

// The hexadecimal SHA-256 of the file's bytes; empty when it cannot be read.
QString fileSha256(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return hash.addData(&file) ? QString::fromLatin1(hash.result().toHex()) : QString();
}

} // namespace

records::StoreOptions storeOptions(const Request& request) {
    records::StoreOptions options;
    options.database = request.database;
    options.path =
        request.recordsFile.isEmpty() ? records::RecordStore::defaultPath() : request.recordsFile;
    return options;
}

QString storeStateText(records::StoreState state) {
    switch (state) {
    case records::StoreState::Locked:
        return QStringLiteral("another program holds it locked");
    case records::StoreState::ReadOnly:
        return QStringLiteral("it cannot be written");
    case records::StoreState::Damaged:
        return QStringLiteral("it is damaged or not a records database");
    case records::StoreState::NewerSchema:
        return QStringLiteral("a newer ToranCal wrote it");
    case records::StoreState::Unreachable:
        return QStringLiteral("the database server cannot be reached");
    case records::StoreState::Ready:
    case records::StoreState::CannotOpen:
        break;
    }
    return QStringLiteral("it cannot be opened");
}

CommandRecords::CommandRecords(const Request& request, Report& report)
    : request_(request), report_(report) {}

records::LabRecords& CommandRecords::store() {
    if (!store_) {
        records::StoreOptions options = storeOptions(request_);
        const QString server = std::exchange(options.database, {});
        // Numbers come from a server, also for what waits here for upload.
        options.givesNumbers = server.isEmpty();
        store_.emplace(std::make_unique<records::RecordStore>(std::move(options)),
                       records::serverOpener(server));
        report_.set(QStringLiteral("records"), server.isEmpty() ? store_->local().path() : server);
    }
    return *store_;
}

bool CommandRecords::waitsForUpload(const records::WriteResult& result) const {
    return result.outcome == records::WriteOutcome::Recorded && store_->hasServer() &&
           !store_->serverReachable();
}

void CommandRecords::tell(const records::WriteResult& result) {
    const bool waiting = waitsForUpload(result);
    if ((result.outcome == records::WriteOutcome::Recorded && !waiting) || told_)
        return;
    told_ = true;
    const records::RecordStore& kept = store_->local();
    const QString path = QDir::toNativeSeparators(kept.path());
    if (waiting)
        report_.warn(QStringLiteral("the database server cannot be reached: the %1 waits in %2 "
                                    "for upload (torancal-cli db sync)")
                         .arg(commandName(request_.command), path));
    else if (result.outcome == records::WriteOutcome::Pending)
        report_.warn(
            QStringLiteral("the records store %1 cannot be used (%2): the %3 is kept in %4 "
                           "until it can")
                .arg(path, storeStateText(kept.status().state), commandName(request_.command),
                     QDir::toNativeSeparators(kept.pendingDirectory())));
    else
        report_.warn(QStringLiteral("the %1 is not on record in %2 (%3)")
                         .arg(commandName(request_.command),
                              store_->serverReachable() ? request_.database : path,
                              kept.status().usable() ? QStringLiteral("the database refused it")
                                                     : storeStateText(kept.status().state)));
}

QString CommandRecords::snapshot(records::SnapshotReason reason, int block,
                                 const backup::Backup& content) {
    const backup::SensorBackup* held = content.sensor(block);
    const records::WriteResult written =
        store().addSnapshot({{},
                             reason,
                             held != nullptr ? held->decoded.SensorId.trimmed() : QString(),
                             block,
                             content});
    tell(written);
    return written.kept() ? written.uuid : QString();
}

void CommandRecords::entry(records::RecordKind kind, const backup::SensorBackup& written,
                           const QString& identification, const QString& path,
                           const QString& outcome, const QString& before, const QString& after,
                           const QDateTime& started) {
    records::CalibrationRecord entry;
    entry.kind = kind;
    entry.sensorId = written.decoded.SensorId.trimmed();
    entry.block = written.block;
    entry.description = written.decoded.Description.trimmed();
    entry.unit = written.decoded.UnitName.trimmed();
    entry.fullScale = written.decoded.FullScale;
    entry.fullScaleNeg = written.decoded.FullScaleNeg;
    entry.identification = identification;
    entry.programVersion = QCoreApplication::applicationVersion();
    entry.started = started;
    entry.ended = QDateTime::currentDateTimeUtc();
    entry.asFoundSnapshot = before;
    entry.asLeftSnapshot = after;
    // An entry has no curve: its column holds what the command did with which file.
    entry.figuresJson =
        QString::fromUtf8(QJsonDocument(QJsonObject{{"file", QFileInfo(path).absoluteFilePath()},
                                                    {"sha256", fileSha256(path)},
                                                    {"outcome", outcome}})
                              .toJson(QJsonDocument::Compact));
    const records::WriteResult result = store().record(std::move(entry));
    tell(result);
    if (!result.kept())
        return;
    entries_.append(QJsonObject{
        {"uuid", result.uuid},
        {"kind", records::kindName(kind)},
        {"block", backup::blockName(written.block)},
        {"pending", result.outcome == records::WriteOutcome::Pending},
        {"waitingForUpload", waitsForUpload(result)},
    });
    report_.set(QStringLiteral("recorded"), entries_);
}

} // namespace cli
