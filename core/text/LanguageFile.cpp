#include "core/text/LanguageFile.h"

#include "core/text/LanguageTable.h"
#include "core/text/NumberText.h"
#include "core/text/Windows1250.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>

namespace text {

namespace {

constexpr QByteArrayView Utf8Bom("\xEF\xBB\xBF");
constexpr qsizetype FirstKeyEnd = 1; // "=" at position 2, counted from 1
constexpr qsizetype LastKeyEnd = 3;  // "=" at position 4

bool isAscii(const QByteArray& bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char byte) { return static_cast<unsigned char>(byte) < 0x80; });
}

QStringView stripBlanks(QStringView text) {
    while (!text.isEmpty() && text.front() == u' ')
        text = text.mid(1);
    while (!text.isEmpty() && text.back() == u' ')
        text.chop(1);
    return text;
}

} // namespace

QString DecodeLanguageBytes(const QByteArray& bytes) {
    if (bytes.startsWith(Utf8Bom)) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        return utf8.decode(QByteArrayView(bytes).sliced(Utf8Bom.size()));
    }
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return text::fromWindows1250(bytes);
}

std::optional<std::pair<int, QString>> ParseLanguageLine(QStringView line) {
    const QStringView stripped = stripBlanks(line);
    const qsizetype equals = stripped.indexOf(u'=');
    if (equals < FirstKeyEnd || equals > LastKeyEnd)
        return std::nullopt;
    const int key = device::ReadWholeNumber(stripped.left(equals));
    if (key < text::LanguageTable::First || key > text::LanguageTable::Last)
        return std::nullopt;
    return std::make_pair(key, stripped.mid(equals + 1).toString());
}

void ParseLanguageText(QStringView text, text::LanguageTable& table) {
    for (QStringView line : text.tokenize(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (auto entry = ParseLanguageLine(line))
            table.set(entry->first, std::move(entry->second));
    }
}

void LoadLanguageFile(const QString& path, text::LanguageTable& table) {
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return;
    ParseLanguageText(DecodeLanguageBytes(file.readAll()), table);
}

} // namespace text
