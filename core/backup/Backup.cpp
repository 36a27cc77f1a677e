#include "core/backup/Backup.h"

#include "core/instrument/OrvoLib.h"
#include "core/sensor/SensorImage.h"
#include "core/session/Session.h"
#include "core/text/LanguageTable.h"

#include <QCryptographicHash>
#include <QFile>
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
    return ReadFailure{error, std::move(message)};
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
        return failure(ReadError::NotBackup, texts.text(NotBackupText).arg(member));
    };
    if (document.value(QStringLiteral("format")).toString() != QLatin1String(FormatName))
        return notBackup(QStringLiteral("format"));
    const QJsonValue version = document.value(QStringLiteral("version"));
    if (!version.isDouble())
        return notBackup(QStringLiteral("version"));
    if (version.toDouble() != FormatVersion)
        return failure(ReadError::OtherVersion,
                       texts.text(OtherVersionText).arg(version.toDouble()).arg(FormatVersion));
    if (document.value(QStringLiteral("sha256")).toString().toLower() != checksumOf(document))
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(ReadError::NoFile, texts.text(NoFileText).arg(path, file.errorString()));
    return readBackup(file.readAll(), texts);
}

bool writeBackupFile(const Backup& backup, const QString& path, QString* error) {
    QSaveFile file(path);
    const bool written =
        file.open(QIODevice::WriteOnly) && file.write(toBytes(backup)) >= 0 && file.commit();
    if (!written && error != nullptr)
        *error = file.errorString();
    return written;
}

} // namespace backup
