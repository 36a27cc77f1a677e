#pragma once

#include <QString>

namespace sim {

class Instrument;

// One command line of toran-sim's standard input and the one line it answers (empty for an
// empty command line).
struct ConsoleAnswer {
    QString line;
    bool quit = false;
};

[[nodiscard]] ConsoleAnswer runConsoleCommand(Instrument& instrument, QStringView commandLine);
// The commands, on one line.
[[nodiscard]] QString consoleHelp();

} // namespace sim
