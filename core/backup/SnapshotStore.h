#pragma once

#include "core/backup/Backup.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace backup {

// A snapshot as the restore list shows it.
struct SnapshotInfo {
    QString path;
    QDateTime taken;
    int block = sensor::ExternalBlock; // the block of the sensor it was taken for
    QString description;
    int pointCount = 0;
    QString identification;     // of the instrument it was taken from
    bool blockRecorded = false; // the file names its block; false: guessed by the sensor id
};

// How writing a snapshot went.
struct SnapshotWrite {
    bool written = false;
    QString path;  // the file, also when it could not be written
    QString error; // the reason, when not written
};

// Backup files of what the instrument held before each write, in one directory, named
// "<sensor id>_<sequence>_<yyyyMMdd-HHmmss-zzz>.json" (UTC): the id encoded so that no two ids
// share a name, the sequence one above the highest in the directory, so a clock set wrong
// cannot reorder them. Names of older versions ("<id>_<time>.json") sort before. Each sensor
// id keeps its newest KeptPerSensor snapshots and every one younger than KeptDays; the newest
// KeptTraces serial traces ("trace-<sequence>_<time>.txt") stay. Other files are left alone.
class SnapshotStore {
public:
    static constexpr int KeptPerSensor = 50;
    static constexpr int KeptDays = 90;
    static constexpr int KeptTraces = 50;

    explicit SnapshotStore(QString directory) : directory_(std::move(directory)) {}

    [[nodiscard]] const QString& directory() const { return directory_; }
    // Writes `backup` as the snapshot taken for sensor `sensorId` (blanks trimmed) in `block`
    // (-1: the block holding that id, else the first), recording both and the identification
    // in the file, reads it back, and then prunes the older snapshots (by `backup.taken` as the
    // time now), never this one. A directory that cannot be made or written, or a file that
    // does not read back as written, is reported, never thrown.
    [[nodiscard]] SnapshotWrite write(const Backup& backup, const QString& sensorId, int block = -1,
                                      const text::LanguageTable& texts = {}) const;
    // The readable snapshots of `sensorId`, newest first; files that do not read are left out.
    [[nodiscard]] QList<SnapshotInfo> list(const QString& sensorId,
                                           const text::LanguageTable& texts) const;

    // The path for a new serial trace, one above the highest trace sequence present.
    [[nodiscard]] QString newTracePath(const QDateTime& now) const;
    // Removes the traces beyond the newest KeptTraces, never `kept`.
    void pruneTraces(const QString& kept) const;

    // The name part of a sensor id (blanks trimmed): 'A'-'Z', '0'-'9' and '-' as they are,
    // every other byte of its UTF-8 as "%XX", so names differ also where letter case does not
    // count; empty for a blank id, which no other id gives.
    [[nodiscard]] static QString fileStem(const QString& sensorId);
    // The sensor id of a stem; nullopt for a text that fileStem does not give.
    [[nodiscard]] static std::optional<QString> sensorIdOfStem(const QString& stem);

private:
    QString directory_;
};

} // namespace backup
