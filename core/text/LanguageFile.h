#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>
#include <utility>

namespace text {
class LanguageTable;
}

namespace text {

// The text of a language file: UTF-8 when it starts with the UTF-8 byte-order mark or is valid
// UTF-8 with non-ASCII characters, else Windows-1250 (the code page the file is written in).
[[nodiscard]] QString DecodeLanguageBytes(const QByteArray& bytes);

// One line of the file (without its line end) as an entry: the line is stripped of blanks;
// its first "=" must stand at position 2, 3 or 4; the key before it is read as a number,
// rounded half to even, and must be 1..99; the text is everything after the "=".
[[nodiscard]] std::optional<std::pair<int, QString>> ParseLanguageLine(QStringView line);

// Every entry of the text, lines ending in CR LF or LF; later lines win.
void ParseLanguageText(QStringView text, text::LanguageTable& table);

// Fills the table from the file. A missing or unreadable file leaves it as it is, silently.
void LoadLanguageFile(const QString& path, text::LanguageTable& table);

} // namespace text
