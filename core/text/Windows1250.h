#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

namespace text {

// Windows-1250, the code page of the language file and of the texts stored in the instrument.
// Built in, so that those texts do not depend on the codecs a Qt build happens to carry: a Qt
// without ICU has no Windows-1250 and would turn every Czech letter into '?'. The five bytes
// the code page leaves undefined stand for the C1 controls of the same number, as on Windows.
[[nodiscard]] QString fromWindows1250(QByteArrayView bytes);
// The code page's byte for one character; nullopt when it has none.
[[nodiscard]] std::optional<char> windows1250Byte(char32_t character);
// One byte per character; `replacement` for a character the code page lacks.
[[nodiscard]] QByteArray toWindows1250(QStringView text, char replacement = '?');

} // namespace text
