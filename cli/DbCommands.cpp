// db init, upgrade, status and sync: the records store itself, never the instrument.

#include "cli/CommandRecords.h"
#include "cli/Commands.h"
#include "core/records/LabRecords.h"

#include <QDir>
#include <QFileInfo>

namespace cli {

namespace {

QString dbActionName(DbAction action) {
    switch (action) {
    case DbAction::Init:
        return QStringLiteral("init");
    case DbAction::Upgrade:
        return QStringLiteral("upgrade");
    case DbAction::Sync:
        return QStringLiteral("sync");
    case DbAction::Status:
        break;
    }
    return QStringLiteral("status");
}

} // namespace

ExitCode Commands::dbSync() {
    records::StoreOptions localOptions = storeOptions(request_);
    localOptions.database.clear();
    if (!QFileInfo::exists(localOptions.path)) {
        report_.set(QStringLiteral("uploaded"), 0);
        report_.set(QStringLiteral("waiting"), 0);
        report_.say(QStringLiteral("nothing to upload: no records store at %1")
                        .arg(QDir::toNativeSeparators(localOptions.path)));
        return ExitCode::Success;
    }
    localOptions.givesNumbers = false;
    auto local = std::make_unique<records::RecordStore>(localOptions);
    if (!local->status().usable())
        return report_.fail(ExitCode::NoFile,
                            QStringLiteral("the records store %1 cannot be used: %2")
                                .arg(QDir::toNativeSeparators(local->path()),
                                     storeStateText(local->status().state)));
    records::LabRecords lab(std::move(local), records::serverOpener(request_.database));
    const records::SyncResult result = lab.sync();
    report_.set(QStringLiteral("uploaded"), result.uploaded);
    report_.set(QStringLiteral("waiting"), result.waiting);
    report_.say(
        QStringLiteral("uploaded: %1, still waiting: %2").arg(result.uploaded).arg(result.waiting));
    if (result.waiting > 0)
        return report_.fail(
            ExitCode::NoAnswer,
            QStringLiteral("records still wait for upload: %1").arg(result.message));
    return ExitCode::Success;
}

ExitCode Commands::db() {
    report_.set(QStringLiteral("action"), dbActionName(request_.dbAction));
    if (request_.dbAction == DbAction::Sync)
        return dbSync();
    records::StoreOptions options = storeOptions(request_);
    if (options.database.isEmpty() && request_.dbAction == DbAction::Status &&
        !QFileInfo::exists(options.path)) {
        report_.set(QStringLiteral("database"), options.path);
        return report_.fail(ExitCode::NoFile,
                            QStringLiteral("no records store at %1 (nothing recorded there yet)")
                                .arg(QDir::toNativeSeparators(options.path)));
    }
    // Looked at as found first: status changes nothing, and upgrade tells where it began.
    options.upgrade = false;
    std::optional<records::RecordStore> store(std::in_place, options);
    const auto unusable = [&] {
        return report_.fail(ExitCode::NoAnswer,
                            QStringLiteral("the records store %1 cannot be used: %2")
                                .arg(QDir::toNativeSeparators(store->path()),
                                     store->onServer() ? storeStateText(store->status().state) +
                                                             QStringLiteral(" (") +
                                                             store->status().detail.trimmed() + u')'
                                                       : storeStateText(store->status().state)));
    };
    report_.set(QStringLiteral("database"), store->path());
    if (!store->status().usable())
        return unusable();
    const int found = store->schemaVersion();
    if (request_.dbAction != DbAction::Status && found < store->latestSchemaVersion()) {
        options.upgrade = true;
        store.reset();
        store.emplace(options);
        if (!store->status().usable())
            return unusable();
    }
    const int version = store->schemaVersion();
    report_.set(QStringLiteral("schemaVersion"), version);
    report_.set(QStringLiteral("latestSchemaVersion"), store->latestSchemaVersion());
    report_.say(QStringLiteral("database: %1").arg(QDir::toNativeSeparators(store->path())));
    report_.say(QStringLiteral("schema version: %1%2")
                    .arg(version)
                    .arg(version == found ? QString() : QStringLiteral(" (was %1)").arg(found)) +
                (version < store->latestSchemaVersion()
                     ? QStringLiteral(", older than this program's %1: run db upgrade")
                           .arg(store->latestSchemaVersion())
                     : QString()));
    if (request_.dbAction == DbAction::Status) {
        // Waiting: in the pending directory (the file could not be used) and, for a bench of a
        // laboratory server, made while the server was away and not uploaded yet.
        const int waiting = store->pendingCount() + (store->onServer() ? 0 : store->waitingCount());
        report_.set(QStringLiteral("waiting"), waiting);
        report_.say(QStringLiteral("records waiting: %1").arg(waiting));
    }
    if (request_.dbAction == DbAction::Init && !request_.appRole.isEmpty()) {
        const records::WriteResult granted = store->grantAccess(request_.appRole);
        if (!granted.kept())
            return report_.fail(ExitCode::PermissionDenied,
                                QStringLiteral("the role %1 could not be given access: %2")
                                    .arg(request_.appRole, granted.message));
        report_.set(QStringLiteral("appRole"), request_.appRole);
        report_.say(QStringLiteral("role %1 may read the records and append to them")
                        .arg(request_.appRole));
    }
    return ExitCode::Success;
}

} // namespace cli
