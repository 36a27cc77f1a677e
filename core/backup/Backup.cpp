#include "core/backup/Backup.h"

#include "core/instrument/OrvoLib.h"
#include "core/sensor/SensorImage.h"
#include "core/session/Session.h"
#include "core/text/LanguageTable.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <cmath>

namespace backup {

namespace {

constexpr int NoFileText = 120;
constexpr int NotJsonText = 121;
constexpr int NotBackupText = 122;
constexpr int OtherVersionText = 123;
constexpr int BadChecksumText = 124;
constexpr int BadBlockText = 125;
constexpr int FieldsDisagreeText = 126;
constexpr int NotFoundText = 134;
constexpr int NoPermissionText = 135;
constexpr int NotAFileText = 136;
constexpr int TooLargeText = 137;
constexpr int ShortWriteText = 138;
constexpr int ReadBackDiffersText = 139;

// A number as JSON; a value JSON cannot hold (not a number, infinite) as its text.
QJsonValue numberJson(double value) {
    if (std::isfinite(value))
        return value;
    return QString::number(value);
}

std::optional<double> numberOf(const QJsonValue& value) {
    if (value.isDouble())
        return value.toDouble();
    const QString text = value.toString();
    if (text == QLatin1String("nan"))
        return std::nan("");
    if (text == QLatin1String("inf"))
        return HUGE_VAL;
    if (text == QLatin1String("-inf"))
        return -HUGE_VAL;
    return std::nullopt;
}

std::optional<int> wholeOf(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != std::floor(number) || std::fabs(number) > 1e9)
        return std::nullopt;
    return static_cast<int>(number);
}

std::optional<QByteArray> rawOf(const QJsonValue& value) {
    const QString hex = value.toString();
    if (!value.isString() || hex.size() != 2 * device::orvoLib::BlockSize)
        return std::nullopt;
    // QChar::isDigit would let other scripts' digits through, which fromHex then skips.
    for (const QChar c : hex) {
        if (!(c >= u'0' && c <= u'9') && !(c.toLower() >= u'a' && c.toLower() <= u'f'))
            return std::nullopt;
    }
    return QByteArray::fromHex(hex.toLatin1());
}

ReadFailure failure(ReadError error, QString message) {
    return ReadFailure{error, std::move(message), {}};
}

QJsonObject takenForJson(const TakenFor& takenFor) {
    return QJsonObject{{QStringLiteral("block"), blockName(takenFor.block)},
                       {QStringLiteral("sensorId"), takenFor.sensorId},
                       {QStringLiteral("identification"), takenFor.identification}};
}

// The "takenFor" member: nullopt inside when absent, nullopt outside when malformed.
std::optional<std::optional<TakenFor>> takenForOf(const QJsonObject& document) {
    const QJsonValue value = document.value(QStringLiteral("takenFor"));
    if (value.isUndefined())
        return std::optional<TakenFor>();
    const QJsonObject object = value.toObject();
    const int block = blockOfName(object.value(QStringLiteral("block")).toString());
    const QJsonValue sensorId = object.value(QStringLiteral("sensorId"));
    const QJsonValue identification = object.value(QStringLiteral("identification"));
    if (block < 0 || !sensorId.isString() || !identification.isString())
        return std::nullopt;
    return std::optional<TakenFor>(TakenFor{block, sensorId.toString(), identification.toString()});
}

// Why `path` cannot be read, before it is opened; nullopt for a regular file of a sane size.
std::optional<ReadFailure> unreadable(const QFileInfo& info, const text::LanguageTable& texts) {
    const QString shown = QDir::toNativeSeparators(info.filePath());
    if (!info.exists())
        return failure(ReadError::NoFile, texts.text(NotFoundText).arg(shown));
    // A FIFO would block the open, a device would never end.
    if (!info.isFile())
        return failure(ReadError::NotAFile, texts.text(NotAFileText).arg(shown));
    if (info.size() > MaxFileSize)
        return failure(ReadError::TooLarge,
                       texts.text(TooLargeText).arg(shown).arg(info.size()).arg(MaxFileSize));
    if (!info.isReadable())
        return failure(ReadError::NoFile, texts.text(NoPermissionText).arg(shown));
    return std::nullopt;
}

} // namespace

const SensorBackup* Backup::sensor(int block) const {
    for (const SensorBackup& entry : sensors) {
        if (entry.block == block)
            return &entry;
    }
    return nullptr;
}

QString blockName(int block) {
    return block == sensor::ExternalBlock ? QStringLiteral("ext") : QStringLiteral("int");
}

int blockOfName(QStringView name) {
    if (name == u"ext")
        return sensor::ExternalBlock;
    if (name == u"int")
        return sensor::InternalBlock;
    return -1;
}

SensorBackup sensorBackup(int block, const QByteArray& raw) {
    SensorBackup entry{block, raw, {}};
    (void)sensor::DecodeSensorImage(raw, entry.decoded);
    return entry;
}

std::optional<Backup> backupOf(const session::Session& session, QDateTime taken) {
    const auto& setup = session.instrumentSetup();
    if (!setup)
        return std::nullopt;
    Backup backup;
    backup.identification = setup->Identification;
    backup.displayDigits = setup->DisplayDigits;
    backup.rangeZero = setup->RangeZero;
    backup.rangeK = setup->RangeK;
    backup.taken = std::move(taken);
    const sensor::SensorState& sensors = session.sensors();
    for (const int block : {sensor::ExternalBlock, sensor::InternalBlock}) {
        const QByteArray& raw = sensors.BlockImages[static_cast<std::size_t>(block)];
        if ((sensors.SensorMask & (1U << block)) != 0 && raw.size() == device::orvoLib::BlockSize)
            backup.sensors.push_back(sensorBackup(block, raw));
    }
    return backup;
}

QJsonObject fieldsJson(const sensor::SensorRecord& record) {
    const auto points = static_cast<qsizetype>(
        std::clamp(static_cast<int>(record.CurvePointCount), 0, sensor::MaxCurvePoints));
    QJsonArray signal;
    QJsonArray etalon;
    for (qsizetype i = 0; i < points; ++i) {
        signal.append(numberJson(record.CurveSignal[static_cast<std::size_t>(i)]));
        etalon.append(numberJson(record.CurveEtalon[static_cast<std::size_t>(i)]));
    }
    return QJsonObject{
        {QStringLiteral("GainIndex"), record.GainIndex},
        {QStringLiteral("Description"), record.Description.trimmed()},
        {QStringLiteral("Decimals"), record.Decimals},
        {QStringLiteral("UnitName"), record.UnitName.trimmed()},
        {QStringLiteral("UnitFormat"), record.UnitFormat.trimmed()},
        {QStringLiteral("SlideRychl"), record.SlideRychl},
        {QStringLiteral("Slide"), record.Slide},
        {QStringLiteral("SaveDate"), record.SaveDate.text()},
        {QStringLiteral("AuxText"), record.AuxText.text()},
        {QStringLiteral("SensorId"), record.SensorId.text()},
        {QStringLiteral("LimitFlags"), record.LimitFlags},
        {QStringLiteral("FullScaleNeg"), numberJson(record.FullScaleNeg)},
        {QStringLiteral("FullScale"), numberJson(record.FullScale)},
        {QStringLiteral("Options"), record.Options},
        {QStringLiteral("CurvePointCount"), record.CurvePointCount},
        {QStringLiteral("CurveSignal"), signal},
        {QStringLiteral("CurveEtalon"), etalon},
    };
}

QString checksumOf(QJsonObject document) {
    document.remove(QStringLiteral("sha256"));
    return QString::fromLatin1(
        QCryptographicHash::hash(QJsonDocument(document).toJson(QJsonDocument::Compact),
                                 QCryptographicHash::Sha256)
            .toHex());
}

QJsonObject toJson(const Backup& backup) {
    QJsonArray constants;
    for (int range = 0; range < device::RangeCount; ++range) {
        const auto i = static_cast<std::size_t>(range);
        constants.append(QJsonObject{{QStringLiteral("range"), device::rangeName(range)},
                                     {QStringLiteral("zero"), numberJson(backup.rangeZero[i])},
                                     {QStringLiteral("k"), numberJson(backup.rangeK[i])}});
    }
    QJsonArray sensors;
    for (const SensorBackup& entry : backup.sensors) {
        sensors.append(QJsonObject{{QStringLiteral("block"), blockName(entry.block)},
                                   {QStringLiteral("raw"), QString::fromLatin1(entry.raw.toHex())},
                                   {QStringLiteral("fields"), fieldsJson(entry.decoded)}});
    }
    QJsonObject document{
        {QStringLiteral("format"), QLatin1String(FormatName)},
        {QStringLiteral("version"), FormatVersion},
        {QStringLiteral("taken"), backup.taken.toUTC().toString(Qt::ISODateWithMs)},
        {QStringLiteral("instrument"),
         QJsonObject{{QStringLiteral("identification"), backup.identification},
                     {QStringLiteral("displayDigits"), backup.displayDigits}}},
        {QStringLiteral("systemConstants"), constants},
        {QStringLiteral("sensors"), sensors},
    };
    if (backup.takenFor)
        document.insert(QStringLiteral("takenFor"), takenForJson(*backup.takenFor));
    document.insert(QStringLiteral("sha256"), checksumOf(document));
    return document;
}

QByteArray toBytes(const Backup& backup) {
    return QJsonDocument(toJson(backup)).toJson(QJsonDocument::Indented);
}

ReadResult readBackup(const QByteArray& bytes, const text::LanguageTable& texts) {
    QJsonParseError parsed{};
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &parsed);
    if (parsed.error != QJsonParseError::NoError || !json.isObject())
        return failure(ReadError::NotJson, texts.text(NotJsonText));
    const QJsonObject document = json.object();
    const auto notBackup = [&texts](const QString& member) {
        return ReadFailure{ReadError::NotBackup, texts.text(NotBackupText).arg(member), member};
    };
    if (document.value(QStringLiteral("format")).toString() != QLatin1String(FormatName))
        return notBackup(QStringLiteral("format"));
    const QJsonValue version = document.value(QStringLiteral("version"));
    if (!version.isDouble())
        return notBackup(QStringLiteral("version"));
    if (version.toDouble() != FormatVersion)
        return failure(ReadError::OtherVersion,
                       texts.text(OtherVersionText).arg(version.toDouble()).arg(FormatVersion));
    const QJsonValue sha256 = document.value(QStringLiteral("sha256"));
    if (!sha256.isString())
        return notBackup(QStringLiteral("sha256"));
    if (sha256.toString().toLower() != checksumOf(document))
        return failure(ReadError::BadChecksum, texts.text(BadChecksumText));

    Backup backup;
    backup.taken = QDateTime::fromString(document.value(QStringLiteral("taken")).toString(),
                                         Qt::ISODateWithMs);
    if (!backup.taken.isValid())
        return notBackup(QStringLiteral("taken"));
    const QJsonObject instrument = document.value(QStringLiteral("instrument")).toObject();
    const QJsonValue identification = instrument.value(QStringLiteral("identification"));
    const auto digits = wholeOf(instrument.value(QStringLiteral("displayDigits")));
    if (!identification.isString() || !digits)
        return notBackup(QStringLiteral("instrument"));
    backup.identification = identification.toString();
    backup.displayDigits = *digits;
    const auto takenFor = takenForOf(document);
    if (!takenFor)
        return notBackup(QStringLiteral("takenFor"));
    backup.takenFor = *takenFor;

    const QJsonArray constants = document.value(QStringLiteral("systemConstants")).toArray();
    if (constants.size() != device::RangeCount)
        return notBackup(QStringLiteral("systemConstants"));
    for (int range = 0; range < device::RangeCount; ++range) {
        const QJsonObject constant = constants.at(range).toObject();
        const auto zero = numberOf(constant.value(QStringLiteral("zero")));
        const auto k = numberOf(constant.value(QStringLiteral("k")));
        if (!zero || !k)
            return notBackup(QStringLiteral("systemConstants"));
        backup.rangeZero[static_cast<std::size_t>(range)] = *zero;
        backup.rangeK[static_cast<std::size_t>(range)] = *k;
    }

    const QJsonValue sensors = document.value(QStringLiteral("sensors"));
    if (!sensors.isArray())
        return notBackup(QStringLiteral("sensors"));
    for (const QJsonValue& value : sensors.toArray()) {
        const QJsonObject entry = value.toObject();
        const int block = blockOfName(entry.value(QStringLiteral("block")).toString());
        const QJsonValue fields = entry.value(QStringLiteral("fields"));
        if (block < 0 || backup.sensor(block) != nullptr || !fields.isObject())
            return notBackup(QStringLiteral("sensors"));
        const auto raw = rawOf(entry.value(QStringLiteral("raw")));
        if (!raw)
            return failure(ReadError::BadBlock, texts.text(BadBlockText).arg(blockName(block)));
        SensorBackup sensor = sensorBackup(block, *raw);
        const QJsonObject expected = fieldsJson(sensor.decoded);
        const QJsonObject given = fields.toObject();
        QStringList names = expected.keys() + given.keys();
        for (const QString& name : names) {
            if (expected.value(name) != given.value(name))
                return failure(ReadError::FieldsDisagree,
                               texts.text(FieldsDisagreeText).arg(blockName(block), name));
        }
        backup.sensors.push_back(std::move(sensor));
    }
    std::ranges::sort(backup.sensors, {}, &SensorBackup::block);
    return backup;
}

ReadResult readBackupFile(const QString& path, const text::LanguageTable& texts) {
    if (auto refused = unreadable(QFileInfo(path), texts))
        return *std::move(refused);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(
            ReadError::NoFile,
            texts.text(NoFileText).arg(QDir::toNativeSeparators(path), file.errorString()));
    // Replaced by something else since it was looked at: still never more than the limit.
    if (file.isSequential())
        return failure(ReadError::NotAFile,
                       texts.text(NotAFileText).arg(QDir::toNativeSeparators(path)));
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (bytes.size() > MaxFileSize)
        return failure(ReadError::TooLarge, texts.text(TooLargeText)
                                                .arg(QDir::toNativeSeparators(path))
                                                .arg(bytes.size())
                                                .arg(MaxFileSize));
    return readBackup(bytes, texts);
}

bool writeBackupFile(const Backup& backup, const QString& path, QString* error,
                     const text::LanguageTable& texts) {
    return writeWholeFile(toBytes(backup), path, error, texts);
}

bool writeWholeFile(const QByteArray& bytes, const QString& path, QString* error,
                    const text::LanguageTable& texts) {
    QString reason;
    {
        // Unbuffered, so a full disk fails the write itself and not only a flush that the
        // commit does not look at; a file not committed is discarded, the old one stays.
        // A write that takes part of the bytes is tried again for the rest, which then fails
        // with the system's reason (no space left).
        QSaveFile file(path);
        qint64 done = 0;
        const bool opened = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        for (qint64 written = 1; opened && done < bytes.size() && written > 0; done += written)
            written = std::max<qint64>(file.write(bytes.mid(done)), 0);
        if (!opened) {
            reason = file.errorString();
        } else if (done != bytes.size()) {
            reason = file.error() != QFileDevice::NoError ? file.errorString()
                                                          : texts.text(ShortWriteText);
            file.cancelWriting();
        } else if (!file.commit()) {
            reason = file.errorString();
        }
    }
    if (reason.isEmpty()) {
        QFile check(path);
        if (!check.open(QIODevice::ReadOnly) || check.read(bytes.size() + 1) != bytes)
            reason = texts.text(ReadBackDiffersText);
    }
    if (!reason.isEmpty() && error != nullptr)
        *error = reason;
    return reason.isEmpty();
}

} // namespace backup
