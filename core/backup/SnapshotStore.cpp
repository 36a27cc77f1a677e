#include "core/backup/SnapshotStore.h"

#include "core/sensor/FixedText.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QRegularExpression>
#include <algorithm>
#include <tuple>

namespace backup {

namespace {

constexpr char TimeFormat[] = "yyyyMMdd-HHmmss-zzz";
constexpr int SequenceWidth = 8;

// A file of the store, as its name tells.
struct Named {
    QString name;
    QString group;       // snapshots: the stem, "legacy:<stem>" for older names; traces: empty
    qint64 sequence = 0; // 0 for the names of older versions
    QDateTime time;      // UTC
};

// What to look for: snapshots, or traces.
enum class Kind { Snapshots, Traces };

QDateTime timeOfName(const QString& text) {
    const QDate date = QDate::fromString(text.left(8), QStringLiteral("yyyyMMdd"));
    const QTime time = QTime::fromString(text.mid(9), QStringLiteral("HHmmss-zzz"));
    return QDateTime(date, time, Qt::UTC);
}

// The files of `kind` in `dir`, newest first: by sequence, then time, then name. Other files,
// also those whose name only looks alike, are not in it.
QList<Named> filesOf(const QDir& dir, Kind kind) {
    // Captures: stem, sequence (empty for older names), time.
    const QString time = QStringLiteral(R"((\d{8}-\d{6}-\d{3}))");
    const bool traces = kind == Kind::Traces;
    const QRegularExpression current(
        traces ? QStringLiteral(R"(^trace-()(\d{1,12})_%1\.txt$)").arg(time)
               : QStringLiteral(R"(^([A-Z0-9%-]*)_(\d{1,12})_%1\.json$)").arg(time));
    const QRegularExpression older(
        traces ? QStringLiteral(R"(^trace-()()%1\.txt$)").arg(time)
               : QStringLiteral(R"(^([A-Za-z0-9-]+)_()%1\.json$)").arg(time));
    QList<Named> files;
    for (const QString& name : dir.entryList(QDir::Files)) {
        QRegularExpressionMatch match = current.match(name);
        const bool legacy = !match.hasMatch();
        if (legacy)
            match = older.match(name);
        const QDateTime taken = timeOfName(match.captured(3));
        if (!match.hasMatch() || !taken.isValid())
            continue;
        const QString stem = match.captured(1);
        files.append({name, legacy && !traces ? QStringLiteral("legacy:") + stem : stem,
                      match.captured(2).toLongLong(), taken});
    }
    std::ranges::sort(files, [](const Named& a, const Named& b) {
        return std::tie(a.sequence, a.time, a.name) > std::tie(b.sequence, b.time, b.name);
    });
    return files;
}

QString nameOf(const QString& prefix, qint64 sequence, const QDateTime& time,
               QLatin1StringView suffix) {
    return prefix + QStringLiteral("%1_").arg(sequence, SequenceWidth, 10, QLatin1Char('0')) +
           time.toUTC().toString(QLatin1String(TimeFormat)) + suffix;
}

// The stem older versions gave: lossy, "none" for a blank id.
QString legacyStem(const QString& sensorId) {
    QString stem = sensorId;
    for (QChar& c : stem) {
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != u'-')
            c = u'-';
    }
    return stem.isEmpty() ? QStringLiteral("none") : stem;
}

// Only a file that says it is a backup is removed, whatever its name.
bool isBackupFile(const QString& path) {
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || info.size() > MaxFileSize || !file.open(QIODevice::ReadOnly))
        return false;
    return QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("format")) ==
           QLatin1String(FormatName);
}

// Keeps per sensor the newest KeptPerSensor and all younger than KeptDays before `now`.
void pruneSnapshots(const QDir& dir, const QString& kept, const QDateTime& now) {
    const QDateTime oldest = now.addDays(-SnapshotStore::KeptDays);
    QHash<QString, int> newer;
    for (const Named& file : filesOf(dir, Kind::Snapshots)) {
        const int rank = newer[file.group]++;
        const bool young = !now.isValid() || file.time > oldest;
        if (rank < SnapshotStore::KeptPerSensor || young || file.name == kept)
            continue;
        if (const QString path = dir.filePath(file.name); isBackupFile(path))
            (void)QFile::remove(path);
    }
}

int guessedBlock(const Backup& backup, const QString& sensorId) {
    int block = backup.sensors.empty() ? sensor::ExternalBlock : backup.sensors.front().block;
    for (const SensorBackup& entry : backup.sensors) {
        if (entry.decoded.SensorId.trimmed() == sensorId)
            block = entry.block;
    }
    return block;
}

} // namespace

QString SnapshotStore::fileStem(const QString& sensorId) {
    QString stem;
    for (const char byte : sensor::trimBlanks(sensorId).toUtf8()) {
        const auto c = static_cast<unsigned char>(byte);
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-')
            stem += QLatin1Char(static_cast<char>(c));
        else
            stem += QStringLiteral("%%1").arg(c, 2, 16, QLatin1Char('0')).toUpper();
    }
    return stem;
}

std::optional<QString> SnapshotStore::sensorIdOfStem(const QString& stem) {
    QByteArray bytes;
    for (qsizetype i = 0; i < stem.size(); ++i) {
        if (stem[i] != u'%') {
            bytes += stem[i].toLatin1();
            continue;
        }
        bool ok = false;
        bytes += static_cast<char>(stem.mid(i + 1, 2).toUInt(&ok, 16));
        if (!ok || i + 2 >= stem.size())
            return std::nullopt;
        i += 2;
    }
    QString id = QString::fromUtf8(bytes);
    if (fileStem(id) != stem)
        return std::nullopt;
    return id;
}

SnapshotWrite SnapshotStore::write(const Backup& backup, const QString& sensorId, int block,
                                   const text::LanguageTable& texts) const {
    const QDir dir(directory_);
    const QString id = sensor::trimBlanks(sensorId);
    Backup snapshot = backup;
    snapshot.takenFor =
        TakenFor{block < 0 ? guessedBlock(backup, id) : block, id, backup.identification};

    // A directory that cannot be made fails the write below, which says why.
    (void)QDir().mkpath(directory_);
    const QList<Named> present = filesOf(dir, Kind::Snapshots);
    qint64 sequence = present.isEmpty() ? 1 : present.front().sequence + 1;
    SnapshotWrite result;
    do {
        result.path = dir.filePath(
            nameOf(fileStem(id) + u'_', sequence++, backup.taken, QLatin1StringView(".json")));
    } while (QFileInfo::exists(result.path));
    result.written = writeBackupFile(snapshot, result.path, &result.error, texts);
    if (result.written) {
        const ReadResult read = readBackupFile(result.path, texts);
        if (const auto* failure = std::get_if<ReadFailure>(&read)) {
            result.written = false;
            result.error = failure->message;
        }
    }
    if (!result.written) {
        // Only a file that did not read back as written, or not as a backup, can be there:
        // it never counts.
        if (QFileInfo::exists(result.path))
            (void)QFile::remove(result.path);
        return result;
    }
    pruneSnapshots(dir, QFileInfo(result.path).fileName(), backup.taken.toUTC());
    return result;
}

QList<SnapshotInfo> SnapshotStore::list(const QString& sensorId,
                                        const text::LanguageTable& texts) const {
    const QDir dir(directory_);
    const QString id = sensor::trimBlanks(sensorId);
    const QString stem = fileStem(id);
    const QString legacy = QStringLiteral("legacy:") + legacyStem(id);
    QList<SnapshotInfo> snapshots;
    for (const Named& file : filesOf(dir, Kind::Snapshots)) {
        if (file.group != stem && file.group != legacy)
            continue;
        const ReadResult read = readBackupFile(dir.filePath(file.name), texts);
        const auto* backup = std::get_if<Backup>(&read);
        if (backup == nullptr || (backup->takenFor && backup->takenFor->sensorId != id))
            continue;
        const int block = backup->takenFor ? backup->takenFor->block : guessedBlock(*backup, id);
        const SensorBackup* chosen = backup->sensor(block);
        if (chosen == nullptr)
            continue;
        snapshots.append({dir.filePath(file.name), backup->taken, block,
                          chosen->decoded.Description.trimmed(),
                          static_cast<int>(chosen->decoded.CurvePointCount), backup->identification,
                          backup->takenFor.has_value()});
    }
    return snapshots;
}

QString SnapshotStore::newTracePath(const QDateTime& now) const {
    const QDir dir(directory_);
    const QList<Named> present = filesOf(dir, Kind::Traces);
    qint64 sequence = present.isEmpty() ? 1 : present.front().sequence + 1;
    QString path;
    do {
        path = dir.filePath(
            nameOf(QStringLiteral("trace-"), sequence++, now, QLatin1StringView(".txt")));
    } while (QFileInfo::exists(path));
    return path;
}

void SnapshotStore::pruneTraces(const QString& kept) const {
    const QDir dir(directory_);
    const QString keptName = QFileInfo(kept).fileName();
    const QList<Named> traces = filesOf(dir, Kind::Traces);
    for (qsizetype i = KeptTraces; i < traces.size(); ++i) {
        if (traces[i].name != keptName)
            (void)QFile::remove(dir.filePath(traces[i].name));
    }
}

} // namespace backup
