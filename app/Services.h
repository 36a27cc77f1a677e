#pragma once

#include <QString>

namespace device {
class SerialLine;
}
namespace ui {
class Clock;
class Lifecycle;
class MessageService;
} // namespace ui

namespace app {

class PortSetting;

// What the main window gets from outside: the real ones in the program, fakes in the tests.
struct Services {
    device::SerialLine& line;
    ui::Clock& clock;
    ui::MessageService& messages;
    ui::Lifecycle& lifecycle;
    PortSetting& portSetting;
    QString languageFilePath;
    // The program's arguments joined by blanks.
    QString commandLine;
};

} // namespace app
