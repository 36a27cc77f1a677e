// The bytes of a language file, as the start-up reads them into the language table.
#include "core/text/LanguageFile.h"
#include "core/text/LanguageTable.h"
#include "fuzz/FuzzSupport.h"

#include <map>

using fuzzing::check;

namespace {

// The entries line by line, later lines winning, as the table must end up.
std::map<int, QString> entriesOf(const QString& text) {
    std::map<int, QString> entries;
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (const auto entry = text::ParseLanguageLine(line))
            entries[entry->first] = entry->second;
    }
    return entries;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzzing::bytesOf(data, size);
    const QString text = text::DecodeLanguageBytes(bytes);
    if (!bytes.startsWith("\xEF\xBB\xBF") && QString::fromUtf8(bytes).toUtf8() == bytes)
        check(text == QString::fromUtf8(bytes));

    text::LanguageTable table;
    text::ParseLanguageText(text, table);
    const std::map<int, QString> entries = entriesOf(text);
    for (int key = text::LanguageTable::First; key <= text::LanguageTable::Last; ++key) {
        const auto entry = entries.find(key);
        check(table.text(key) ==
              (entry == entries.end() ? text::LanguageTable().text(key) : entry->second));
        check(!table.text(key).contains(u'\n'));
    }
    check(table.text(0).isEmpty() && table.text(text::LanguageTable::Last + 1).isEmpty());

    // An entry written back as "key=text" reads as the same entry.
    for (const auto& [key, value] : entries) {
        const auto again = text::ParseLanguageLine(QString::number(key) + u'=' + value);
        check(again && again->first == key && again->second == value);
    }
    return 0;
}
