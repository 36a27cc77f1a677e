#include "core/backup/SnapshotStore.h"

#include "core/sensor/FixedText.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <functional>
#include <utility>

namespace backup {

namespace {

constexpr char TimeFormat[] = "yyyyMMdd-HHmmss-zzz";
constexpr QLatin1StringView Suffix(".json");

// The time part of a snapshot's file name, which sorts as the time does; empty for another file.
QString timePart(const QString& fileName) {
    const qsizetype separator = fileName.lastIndexOf(u'_');
    const qsizetype length = QLatin1String(TimeFormat).size();
    if (separator < 0 || !fileName.endsWith(Suffix) ||
        fileName.size() != separator + 1 + length + Suffix.size())
        return {};
    const QString time = fileName.mid(separator + 1, length);
    for (qsizetype i = 0; i < length; ++i) {
        if (TimeFormat[i] == '-' ? time[i] != u'-' : !time[i].isDigit())
            return {};
    }
    return time;
}

// The snapshots among `names`, newest first.
QStringList newestFirst(const QStringList& names) {
    QList<std::pair<QString, QString>> keyed;
    for (const QString& name : names) {
        if (QString time = timePart(name); !time.isEmpty())
            keyed.append({std::move(time), name});
    }
    std::ranges::sort(keyed, std::greater<>());
    QStringList sorted;
    for (const auto& entry : keyed)
        sorted.append(entry.second);
    return sorted;
}

} // namespace

QString SnapshotStore::fileStem(const QString& sensorId) {
    QString stem = sensor::trimBlanks(sensorId);
    for (QChar& c : stem) {
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != u'-')
            c = u'-';
    }
    return stem.isEmpty() ? QStringLiteral("none") : stem;
}

SnapshotWrite SnapshotStore::write(const Backup& backup, const QString& sensorId) const {
    const QDir dir(directory_);
    QDateTime time = backup.taken.toUTC();
    SnapshotWrite result;
    do {
        result.path = dir.filePath(fileStem(sensorId) + u'_' +
                                   time.toString(QLatin1String(TimeFormat)) + Suffix);
        time = time.addMSecs(1);
    } while (QFileInfo::exists(result.path));
    // A directory that cannot be made fails the write below, which says why.
    (void)QDir().mkpath(directory_);
    result.written = writeBackupFile(backup, result.path, &result.error);
    if (!result.written)
        return result;

    const QStringList snapshots =
        newestFirst(dir.entryList({QStringLiteral("*_*.json")}, QDir::Files));
    for (qsizetype i = Kept; i < snapshots.size(); ++i)
        (void)QFile::remove(dir.filePath(snapshots[i]));
    return result;
}

QList<SnapshotInfo> SnapshotStore::list(const QString& sensorId,
                                        const text::LanguageTable& texts) const {
    const QDir dir(directory_);
    const QString stem = fileStem(sensorId);
    QList<SnapshotInfo> snapshots;
    for (const QString& name :
         newestFirst(dir.entryList({stem + QStringLiteral("_*.json")}, QDir::Files))) {
        if (name.lastIndexOf(u'_') != stem.size())
            continue;
        const ReadResult read = readBackupFile(dir.filePath(name), texts);
        const auto* backup = std::get_if<Backup>(&read);
        if (backup == nullptr || backup->sensors.empty())
            continue;
        const SensorBackup* chosen = &backup->sensors.front();
        for (const SensorBackup& entry : backup->sensors) {
            if (entry.decoded.SensorId.trimmed() == sensor::trimBlanks(sensorId))
                chosen = &entry;
        }
        snapshots.append({dir.filePath(name), backup->taken, chosen->block,
                          chosen->decoded.Description.trimmed(),
                          static_cast<int>(chosen->decoded.CurvePointCount)});
    }
    return snapshots;
}

} // namespace backup
