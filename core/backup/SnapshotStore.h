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
};

// How writing a snapshot went.
struct SnapshotWrite {
    bool written = false;
    QString path;  // the file, also when it could not be written
    QString error; // the reason, when not written
};

// Backup files of what the instrument held before each write, in one directory, named
// "<sensor id>_<yyyyMMdd-HHmmss-zzz>.json" (UTC). Only the newest Kept files stay.
class SnapshotStore {
public:
    static constexpr int Kept = 200;

    explicit SnapshotStore(QString directory) : directory_(std::move(directory)) {}

    [[nodiscard]] const QString& directory() const { return directory_; }
    // Writes `backup` as the snapshot of sensor `sensorId` (blanks trimmed) and removes the
    // oldest snapshots beyond Kept. A directory that cannot be made or written is reported,
    // never thrown.
    [[nodiscard]] SnapshotWrite write(const Backup& backup, const QString& sensorId) const;
    // The readable snapshots of `sensorId`, newest first; files that do not read are left out.
    [[nodiscard]] QList<SnapshotInfo> list(const QString& sensorId,
                                           const text::LanguageTable& texts) const;
    // The name part a sensor id gives: letters, digits and '-' kept, others '-'; "none" for a
    // blank id.
    [[nodiscard]] static QString fileStem(const QString& sensorId);

private:
    QString directory_;
};

} // namespace backup
