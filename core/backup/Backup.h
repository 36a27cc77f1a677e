#pragma once

#include "core/instrument/SetupReadout.h"
#include "core/sensor/SensorRecord.h"
#include "core/text/LanguageTable.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <array>
#include <optional>
#include <variant>
#include <vector>

namespace session {
class Session;
}

// The backup file: what an instrument held at one moment, as versioned JSON
// ("format": "torancal-backup", "version": 1).
namespace backup {

inline constexpr char FormatName[] = "torancal-backup";
inline constexpr int FormatVersion = 1;
// The largest file the reader accepts: a backup of both blocks is a few KB.
inline constexpr qint64 MaxFileSize = 1024 * 1024;

// One sensor block: the raw bytes and what they decode to.
struct SensorBackup {
    int block = sensor::ExternalBlock;
    QByteArray raw;               // exactly 256 bytes
    sensor::SensorRecord decoded; // as DecodeSensorImage fills it from `raw`
    friend bool operator==(const SensorBackup&, const SensorBackup&) = default;
};

// What a snapshot was taken for: the block about to be written, its sensor id (blanks trimmed;
// empty for a blank id) and the instrument's identification. The file's "takenFor" member; a
// plain backup and a snapshot of an older version have none.
struct TakenFor {
    int block = sensor::ExternalBlock;
    QString sensorId;
    QString identification;
    friend bool operator==(const TakenFor&, const TakenFor&) = default;
};

struct Backup {
    QString identification;
    int displayDigits = 4;
    std::array<double, device::RangeCount> rangeZero{};
    std::array<double, device::RangeCount> rangeK{};
    std::vector<SensorBackup> sensors; // the blocks present, in rising block order
    QDateTime taken;                   // kept to the millisecond
    std::optional<TakenFor> takenFor;

    // The sensor of `block`; nullptr when the backup has none.
    [[nodiscard]] const SensorBackup* sensor(int block) const;
    friend bool operator==(const Backup&, const Backup&) = default;
};

// "ext" / "int", as the file and the command line name the blocks; -1 for another name.
[[nodiscard]] QString blockName(int block);
[[nodiscard]] int blockOfName(QStringView name);

// A sensor entry for `raw`, its fields decoded from it.
[[nodiscard]] SensorBackup sensorBackup(int block, const QByteArray& raw);
// What the session's last read-out read: the setup and every block it could read. Nullopt
// before a read-out.
[[nodiscard]] std::optional<Backup> backupOf(const session::Session& session, QDateTime taken);

// The decoded fields as the file holds them, under the names of SensorRecord.
[[nodiscard]] QJsonObject fieldsJson(const sensor::SensorRecord& record);
// The hexadecimal SHA-256 over the compact JSON of `document` without its "sha256" member.
[[nodiscard]] QString checksumOf(QJsonObject document);

[[nodiscard]] QJsonObject toJson(const Backup& backup);
[[nodiscard]] QByteArray toBytes(const Backup& backup);

// Why a file was refused.
enum class ReadError {
    NoFile,         // the file cannot be opened (not found, no permission, ...)
    NotAFile,       // a directory, device or pipe: refused before it is opened
    TooLarge,       // larger than MaxFileSize
    NotJson,        // not a JSON object
    NotBackup,      // JSON, but not this format, or a member missing or of the wrong kind
    OtherVersion,   // this format in another version
    BadChecksum,    // the content does not match its SHA-256
    BadBlock,       // a block that is not 256 bytes of hexadecimal
    FieldsDisagree, // the decoded fields differ from what the raw block decodes to
};

struct ReadFailure {
    ReadError error = ReadError::NotJson;
    QString message; // for the operator, from the texts
    QString member;  // NotBackup: the member missing or of the wrong kind ("sha256", ...)
};

using ReadResult = std::variant<Backup, ReadFailure>;

// Reads and checks a backup; every refusal names its reason. Only a regular file of at most
// MaxFileSize bytes is read.
[[nodiscard]] ReadResult readBackupFile(const QString& path, const text::LanguageTable& texts);
[[nodiscard]] ReadResult readBackup(const QByteArray& bytes, const text::LanguageTable& texts);
// Writes the file whole or not at all: every write and the commit are checked and the file is
// read back and compared. A failed write leaves an existing file as it was and returns false
// with the reason in `error`.
bool writeBackupFile(const Backup& backup, const QString& path, QString* error = nullptr,
                     const text::LanguageTable& texts = {});
// Writes `bytes` into `path` the same way: whole, checked, read back, or not at all.
bool writeWholeFile(const QByteArray& bytes, const QString& path, QString* error = nullptr,
                    const text::LanguageTable& texts = {});

} // namespace backup
