#include "core/records/LabRecords.h"

#include <QRegularExpression>
#include <QSet>
#include <QUuid>
#include <algorithm>

namespace records {

namespace {

QString newUuid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// Upload order: what a calibration names goes first, what names a calibration last.
int rankOf(const QString& kind) {
    if (kind == QLatin1String("snapshot") || kind == QLatin1String("standard"))
        return 0;
    return kind == QLatin1String("calibration") ? 1 : 2;
}

// A write the server took, or refused by a rule of its own: either way not one for the queue.
bool answered(const WriteResult& result) {
    return result.outcome == WriteOutcome::Recorded || result.outcome == WriteOutcome::Refused;
}

template <typename T>
void addWaiting(std::vector<T>& into, const std::vector<T>& local, const QSet<QString>& waiting) {
    for (const T& each : local)
        if (waiting.contains(each.uuid) &&
            std::none_of(into.begin(), into.end(), [&](const T& t) { return t.uuid == each.uuid; }))
            into.push_back(each);
}

} // namespace

LabRecords::LabRecords(std::unique_ptr<RecordStore> local, Opener server)
    : local_(std::move(local)), opener_(std::move(server)) {}

RecordStore* LabRecords::server() {
    if (!opener_)
        return nullptr;
    if (!server_ || !server_->status().usable())
        server_ = opener_();
    return server_ && server_->status().usable() ? server_.get() : nullptr;
}

RecordStore* LabRecords::server() const {
    return server_ && server_->status().usable() ? server_.get() : nullptr;
}

bool LabRecords::serverReachable() const {
    return server() != nullptr;
}

const StoreStatus& LabRecords::reopen() {
    (void)local_->reopen();
    (void)server();
    return status();
}

WriteResult LabRecords::queued(const QueuedUpload& item,
                               const std::function<WriteResult()>& write) {
    WriteResult result;
    {
        const RecordStore::Batch batch(*local_);
        result = write();
        if (result.outcome == WriteOutcome::Recorded && !local_->queueUpload(item))
            result.outcome = WriteOutcome::Failed;
    }
    // The batch is rolled back when the queue could not take it: then nothing is kept.
    if (result.outcome == WriteOutcome::Recorded && !waitingUuids().contains(item.uuid))
        result.outcome = WriteOutcome::Failed;
    if (result.outcome == WriteOutcome::Failed && result.message.isEmpty())
        result.message = local_->status().message;
    return result;
}

SyncResult LabRecords::sync() {
    SyncResult result;
    RecordStore* to = server();
    if (to == nullptr) {
        result.waiting = local_->waitingCount();
        result.message = server_ ? server_->status().message : QString();
        return result;
    }
    (void)local_->setSettings(to->settings()); // what an offline record is checked against
    std::vector<QueuedUpload> items = local_->waitingUploads();
    std::stable_sort(items.begin(), items.end(),
                     [](const auto& a, const auto& b) { return rankOf(a.kind) < rankOf(b.kind); });
    for (const QueuedUpload& item : items) {
        std::optional<WriteResult> done;
        if (item.kind == QLatin1String("snapshot")) {
            if (const auto snapshot = local_->snapshot(item.uuid))
                done = to->addSnapshot(*snapshot);
        } else if (item.kind == QLatin1String("standard")) {
            if (const auto standard = local_->standard(item.uuid))
                done = to->addStandard(*standard);
        } else if (item.kind == QLatin1String("calibration")) {
            if (const auto calibration = local_->calibration(item.uuid))
                done = to->record(*calibration);
        } else if (const auto calibration = local_->calibration(item.ref)) {
            for (const Correction& each : calibration->corrections)
                if (each.uuid == item.uuid)
                    done = to->correct(each);
        }
        // A write the server refuses by a rule of its own (a record lacking an entry the server
        // requires) stays waiting, with the server's reason, and does not hold back the others;
        // a write that failed stops the sync.
        if (done && done->outcome == WriteOutcome::Refused) {
            result.message = done->message;
            continue;
        }
        if (!done || done->outcome != WriteOutcome::Recorded) {
            result.message = done ? done->message : local_->status().message;
            break;
        }
        // Lost here, the next sync uploads it again and the server finds it there.
        if (!local_->markUploaded(item.uuid, done->certificate)) {
            result.message = local_->status().message;
            break;
        }
        ++result.uploaded;
    }
    result.waiting = local_->waitingCount();
    return result;
}

StoreSettings LabRecords::settings() const {
    const RecordStore* from = server();
    return from != nullptr ? from->settings() : local_->settings();
}

WriteResult LabRecords::setSettings(const StoreSettings& wanted) {
    RecordStore* to = server();
    if (to == nullptr)
        return opener_ ? WriteResult{WriteOutcome::Failed, {}, {}, server_->status().message}
                       : local_->setSettings(wanted);
    WriteResult result = to->setSettings(wanted);
    if (result.outcome == WriteOutcome::Recorded)
        (void)local_->setSettings(wanted);
    return result;
}

std::optional<QString> LabRecords::setting(const QString& name) const {
    const RecordStore* from = server();
    return from != nullptr ? from->setting(name) : local_->setting(name);
}

WriteResult LabRecords::setSetting(const QString& name, const QString& value) {
    WriteResult local = local_->setSetting(name, value);
    RecordStore* to = server();
    return to != nullptr ? to->setSetting(name, value) : local;
}

template <typename Write>
WriteResult LabRecords::routed(const QueuedUpload& item, bool toServer, bool copyHere,
                               Write write) {
    if (RecordStore* to = toServer ? server() : nullptr) {
        WriteResult result = write(*to);
        if (answered(result)) {
            if (copyHere)
                (void)write(*local_);
            return result;
        }
    }
    if (!opener_)
        return write(*local_);
    return queued(item, [&] { return write(*local_); });
}

WriteResult LabRecords::record(CalibrationRecord calibration) {
    if (calibration.uuid.isEmpty())
        calibration.uuid = newUuid();
    return routed({QStringLiteral("calibration"), calibration.uuid, {}}, true, false,
                  [&](RecordStore& in) { return in.record(calibration); });
}

// Snapshots and standards the server took are copied here too, for the calibrations made here
// that name them while the server is away.
WriteResult LabRecords::addSnapshot(Snapshot snapshot) {
    if (snapshot.uuid.isEmpty())
        snapshot.uuid = newUuid();
    return routed({QStringLiteral("snapshot"), snapshot.uuid, {}}, true, true,
                  [&](RecordStore& in) { return in.addSnapshot(snapshot); });
}

WriteResult LabRecords::addStandard(ReferenceStandard standard) {
    if (standard.uuid.isEmpty())
        standard.uuid = newUuid();
    return routed({QStringLiteral("standard"), standard.uuid, {}}, true, true,
                  [&](RecordStore& in) { return in.addStandard(standard); });
}

WriteResult LabRecords::correct(Correction correction) {
    if (correction.uuid.isEmpty())
        correction.uuid = newUuid();
    if (!correction.correctedAt.isValid())
        correction.correctedAt = QDateTime::currentDateTimeUtc();
    // A record not uploaded yet is corrected where it is, and the correction follows it.
    return routed({QStringLiteral("correction"), correction.uuid, correction.calibrationUuid},
                  !waitingUuids().contains(correction.calibrationUuid), false,
                  [&](RecordStore& in) { return in.correct(correction); });
}

WriteResult LabRecords::appendAsLeft(const QString& calibrationUuid,
                                     const std::vector<CheckPoint>& points, const QString& who,
                                     const QString& reason, QDateTime at) {
    if (!opener_)
        return local_->appendAsLeft(calibrationUuid, points, who, reason, at);
    RecordStore* to = server();
    // Its rows follow the calibration's on the server, so the calibration must be there.
    if (to == nullptr || waitingUuids().contains(calibrationUuid))
        return {WriteOutcome::Failed,
                {},
                {},
                server_ && !server_->status().usable() ? server_->status().message : QString()};
    return to->appendAsLeft(calibrationUuid, points, who, reason, at);
}

QSet<QString> LabRecords::waitingUuids() const {
    QSet<QString> uuids;
    for (const QueuedUpload& each : local_->waitingUploads())
        uuids.insert(each.uuid);
    return uuids;
}

std::vector<HistoryEntry> LabRecords::joined(std::vector<HistoryEntry> fromServer,
                                             std::vector<HistoryEntry> fromLocal) const {
    if (server() == nullptr) {
        // Away: the local records, with the numbers of those uploaded before.
        const QHash<QString, QString> numbers = local_->uploaded();
        for (HistoryEntry& each : fromLocal)
            if (each.certificate.isEmpty())
                each.certificate = numbers.value(each.uuid);
        return fromLocal;
    }
    addWaiting(fromServer, fromLocal, waitingUuids());
    std::stable_sort(
        fromServer.begin(), fromServer.end(),
        [](const HistoryEntry& a, const HistoryEntry& b) { return a.ended > b.ended; });
    return fromServer;
}

std::vector<HistoryEntry> LabRecords::history(const QString& sensorId) const {
    const RecordStore* from = server();
    return joined(from != nullptr ? from->history(sensorId) : std::vector<HistoryEntry>{},
                  local_->history(sensorId));
}

std::vector<HistoryEntry> LabRecords::allHistory() const {
    const RecordStore* from = server();
    return joined(from != nullptr ? from->allHistory() : std::vector<HistoryEntry>{},
                  local_->allHistory());
}

QStringList LabRecords::sensorIds() const {
    QStringList ids = local_->sensorIds();
    if (const RecordStore* from = server())
        ids += from->sensorIds();
    ids.removeDuplicates();
    ids.sort();
    return ids;
}

std::optional<CalibrationRecord> LabRecords::calibration(const QString& key) const {
    if (const RecordStore* from = server())
        if (auto found = from->calibration(key))
            return found;
    std::optional<CalibrationRecord> found = local_->calibration(key);
    if (found && found->certificate.isEmpty())
        found->certificate = local_->uploaded().value(found->uuid);
    return found;
}

std::vector<Snapshot> LabRecords::snapshots(const QString& sensorId) const {
    const RecordStore* from = server();
    if (from == nullptr)
        return local_->snapshots(sensorId);
    std::vector<Snapshot> all = from->snapshots(sensorId);
    addWaiting(all, local_->snapshots(sensorId), waitingUuids());
    std::stable_sort(all.begin(), all.end(), [](const Snapshot& a, const Snapshot& b) {
        return a.content.taken > b.content.taken;
    });
    return all;
}

std::optional<Snapshot> LabRecords::snapshot(const QString& uuid) const {
    if (const RecordStore* from = server())
        if (auto found = from->snapshot(uuid))
            return found;
    return local_->snapshot(uuid);
}

std::vector<ReferenceStandard> LabRecords::standards() const {
    const RecordStore* from = server();
    if (from == nullptr)
        return local_->standards();
    std::vector<ReferenceStandard> all = from->standards();
    addWaiting(all, local_->standards(), waitingUuids());
    return all;
}

std::optional<ReferenceStandard> LabRecords::standard(const QString& uuid) const {
    if (const RecordStore* from = server())
        if (auto found = from->standard(uuid))
            return found;
    return local_->standard(uuid);
}

std::vector<ReferenceStandard> LabRecords::standardsPastDue(QDate day) const {
    const RecordStore* from = server();
    if (from == nullptr)
        return local_->standardsPastDue(day);
    std::vector<ReferenceStandard> all = from->standardsPastDue(day);
    addWaiting(all, local_->standardsPastDue(day), waitingUuids());
    return all;
}

} // namespace records

namespace records {

LabRecords::Opener serverOpener(const QString& address) {
    if (address.isEmpty())
        return {};
    return [address] { return std::make_unique<RecordStore>(StoreOptions{.database = address}); };
}

bool addressCarriesPassword(const QString& address) {
    static const QRegularExpression word(QStringLiteral(R"((^|\s|[?&])password\s*=)"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression userInfo(QStringLiteral(R"(^\w+://[^/@]*:[^/@]*@)"));
    return word.match(address).hasMatch() || userInfo.match(address).hasMatch();
}

} // namespace records
