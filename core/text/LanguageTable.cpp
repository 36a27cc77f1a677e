#include "core/text/LanguageTable.h"

namespace text {

QString LanguageTable::text(int number) const {
    if (number < First || number > Last)
        return {};
    if (const auto found = texts_.constFind(number); found != texts_.cend())
        return *found;
    return number > LastOriginal ? BuiltInText(number) : QString();
}

void LanguageTable::set(int number, QString text) {
    if (number >= First && number <= Last)
        texts_.insert(number, std::move(text));
}

void LanguageTable::clear() {
    texts_.clear();
}

} // namespace text
