#include "core/backup/SnapshotStore.h"
#include "core/records/RecordJson.h"
#include "core/records/RecordStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QUuid>

namespace records {

ImportReport RecordStore::importSnapshotFiles(const QString& directory) {
    ImportReport report;
    const QDir dir(directory);
    for (const QFileInfo& info :
         dir.entryInfoList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly) || file.size() > backup::MaxFileSize) {
            ++report.unreadable;
            continue;
        }
        const QString sha256 = QString::fromLatin1(
            QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
        QSqlQuery known = prepared(Sql::ImportedFileExists);
        known.bindValue(QStringLiteral(":sha256"), sha256);
        if (number(known).value_or(0) > 0) {
            ++report.known;
            continue;
        }
        const backup::ReadResult read = backup::readBackupFile(info.filePath(), texts_);
        const auto* content = std::get_if<backup::Backup>(&read);
        if (content == nullptr || content->sensors.empty()) {
            ++report.unreadable;
            continue;
        }
        Snapshot snapshot{QUuid::createUuid().toString(QUuid::WithoutBraces),
                          SnapshotReason::BeforeWrite,
                          {},
                          content->sensors.front().block,
                          *content};
        if (content->takenFor) {
            snapshot.sensorId = content->takenFor->sensorId;
            snapshot.block = content->takenFor->block;
        } else {
            snapshot.sensorId =
                backup::SnapshotStore::sensorIdOfStem(info.completeBaseName().section(u'_', 0, 0))
                    .value_or(QString());
        }
        snapshot.content.takenFor =
            backup::TakenFor{snapshot.block, snapshot.sensorId, content->identification};
        const bool done = transaction([&] {
            if (!insertSnapshot(snapshot))
                return false;
            QSqlQuery insert = prepared(Sql::InsertImportedFile);
            insert.bindValue(QStringLiteral(":sha256"), sha256);
            insert.bindValue(QStringLiteral(":path"), info.absoluteFilePath());
            insert.bindValue(QStringLiteral(":snapshot"), snapshot.uuid);
            insert.bindValue(QStringLiteral(":at"), isoTime(QDateTime::currentDateTimeUtc()));
            return exec(insert);
        });
        if (done)
            ++report.imported;
        else
            ++report.unreadable;
    }
    return report;
}

} // namespace records
