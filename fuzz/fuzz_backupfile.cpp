// The bytes of a backup file, as a restore reads them before anything is sent.
#include "core/backup/Backup.h"
#include "core/text/LanguageTable.h"
#include "fuzz/FuzzSupport.h"

using fuzzing::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const text::LanguageTable texts;
    const backup::ReadResult read = backup::readBackup(fuzzing::bytesOf(data, size), texts);
    if (const auto* failure = std::get_if<backup::ReadFailure>(&read)) {
        check(!failure->message.isEmpty());
        return 0;
    }
    // What was accepted holds whole blocks, and writes back as a file that reads the same.
    const auto& accepted = std::get<backup::Backup>(read);
    for (const backup::SensorBackup& entry : accepted.sensors)
        check(entry.raw.size() == 256);
    const backup::ReadResult again = backup::readBackup(backup::toBytes(accepted), texts);
    const auto* reread = std::get_if<backup::Backup>(&again);
    check(reread != nullptr && backup::toBytes(*reread) == backup::toBytes(accepted));
    return 0;
}
