#pragma once

#include "core/session/Language.h"

#include <QString>
#include <QStringList>
#include <optional>

// The fixed data of the start-up: the command line word, the caption and the choice lists.
namespace session {

// True when the whole command line, stripped of blanks and lower-cased, is "expert".
[[nodiscard]] bool IsExpertCommandLine(const QString& commandLine);

// The program's arguments as read: --help and --version are answered with a text to print, a
// --language that names no language of the program with a complaint; otherwise the arguments
// joined by blanks, without --language and its word, are the command line that the window
// compares with "expert". Other options (the toolkit's own, "-style fusion") are left to the
// toolkit.
struct CommandLine {
    enum class Action { Run, Print, Refuse };
    Action action = Action::Run;
    // Run: the command line; Print: the help or the version; Refuse: why.
    QString text;
    // Run: the language --language asked for.
    std::optional<Language> language;
};
[[nodiscard]] CommandLine ReadCommandLine(const QStringList& arguments);

// The language's file: beside the executable, else in share/torancal of the installation,
// found from the executable's directory so that an installation can move.
[[nodiscard]] QString LanguageFilePath(const QString& executableDirectory,
                                       Language language = Language::Czech);

// "Toran II {R-40} Kalibrator v" and the program's major.minor.patch version.
[[nodiscard]] QString WindowCaption();

// Sliding average over n readings ("OFF" is no averaging).
[[nodiscard]] QStringList SlideEntries();
[[nodiscard]] QStringList SlideRychlEntries();
// The 8 gain ranges; the index is the gain range used throughout the program.
[[nodiscard]] QStringList GainEntries();
// The gain range of a GainEntries entry in mV/V: the number from the entry's first blank on
// ("+/- 500.0 mV/V" gives 500).
[[nodiscard]] double gainRangeLimit(const QString& entry);

} // namespace session
