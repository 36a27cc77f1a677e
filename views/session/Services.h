#pragma once

#include "core/session/Language.h"

#include <QString>
#include <functional>

namespace device {
class Clock;
class Lifecycle;
class SerialLine;
} // namespace device
namespace text {
class MessageService;
}

namespace session {
class PortSetting;
class LanguageSetting;
} // namespace session
namespace records {
class RecordKeeper;
class LabRecords;
} // namespace records

namespace app {

// What the main window gets from outside: the real ones in the program, fakes in the tests.
struct Services {
    device::SerialLine& line;
    device::Clock& clock;
    text::MessageService& messages;
    device::Lifecycle& lifecycle;
    session::PortSetting& portSetting;
    QString languageFilePath;
    // The program's arguments joined by blanks.
    QString commandLine;
    // Where the snapshots before each write and the serial traces go; empty for none (and no
    // restore).
    QString snapshotDirectory;
    // Where the calibrations are put on record; nullptr for none. Not owned.
    records::RecordKeeper* records = nullptr;
    // Where the operator's choice of language is kept; nullptr for no choice in the window.
    session::LanguageSetting* languageSetting = nullptr;
    // The language the program runs in (its language file is languageFilePath).
    session::Language language = session::Language::Czech;
    // The same records when a laboratory's server keeps them: uploaded while the window lives.
    records::LabRecords* lab = nullptr;
    // Empty when a records server at the address can be used, else why not; none: no choice of
    // records database in the window.
    std::function<QString(const QString& address)> testDatabase = {};
};

} // namespace app
