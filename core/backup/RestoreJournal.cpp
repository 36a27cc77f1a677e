#include "core/backup/RestoreJournal.h"

#include "core/backup/Backup.h"
#include "core/session/Session.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace backup {

namespace {

constexpr qint64 LargestEntry = 4096;

} // namespace

QString RestoreJournal::path(const QString& identification, int block) const {
    const QByteArray hash =
        QCryptographicHash::hash(identification.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QDir(directory_)
        .filePath(QStringLiteral("restore-%1-%2.journal")
                      .arg(blockName(block), QString::fromLatin1(hash.left(16))));
}

bool RestoreJournal::begin(const JournalEntry& entry) const {
    if (!QDir().mkpath(directory_))
        return false;
    const QJsonObject json{
        {QStringLiteral("block"), blockName(entry.block)},
        {QStringLiteral("identification"), entry.identification},
        {QStringLiteral("snapshot"), entry.snapshot},
        {QStringLiteral("target"), QString::fromLatin1(entry.target.toHex().toUpper())},
        {QStringLiteral("before"), QString::fromLatin1(entry.before.toHex().toUpper())},
        {QStringLiteral("started"), entry.started.toUTC().toString(Qt::ISODateWithMs)}};
    QSaveFile file(path(entry.identification, entry.block));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = QJsonDocument(json).toJson();
    return file.write(bytes) == bytes.size() && file.commit();
}

void RestoreJournal::end(const QString& identification, int block) const {
    (void)QFile::remove(path(identification, block));
}

std::optional<JournalEntry> RestoreJournal::interrupted(const session::Session& session,
                                                        int block) const {
    const QString identification = session.identification();
    QFile file(path(identification, block));
    if (file.size() > LargestEntry || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject json = QJsonDocument::fromJson(file.read(LargestEntry)).object();
    file.close();
    JournalEntry entry;
    entry.block = block;
    entry.identification = identification;
    entry.snapshot = json.value(QStringLiteral("snapshot")).toString();
    entry.target = QByteArray::fromHex(json.value(QStringLiteral("target")).toString().toLatin1());
    entry.before = QByteArray::fromHex(json.value(QStringLiteral("before")).toString().toLatin1());
    entry.started =
        QDateTime::fromString(json.value(QStringLiteral("started")).toString(), Qt::ISODateWithMs);
    const QByteArray& held = session.sensors().BlockImages[static_cast<std::size_t>(block)];
    if (held.isEmpty())
        return entry;
    if (held == entry.target || held == entry.before) {
        end(identification, block);
        return std::nullopt;
    }
    return entry;
}

} // namespace backup
