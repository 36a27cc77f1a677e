#pragma once

#include <QString>
#include <QStringList>

// The fixed data of the start-up: the command line word, the caption and the choice lists.
namespace session {

// True when the whole command line, stripped of blanks and lower-cased, is "expert".
[[nodiscard]] bool IsExpertCommandLine(const QString& commandLine);

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
