#include "core/text/LanguageTable.h"

namespace text {

QString LanguageTable::text(int number) const {
    if (number < First || number > Last)
        return {};
    return texts_[static_cast<std::size_t>(number)];
}

void LanguageTable::set(int number, QString text) {
    if (number >= First && number <= Last)
        texts_[static_cast<std::size_t>(number)] = std::move(text);
}

void LanguageTable::clear() {
    texts_.fill(QString());
}

} // namespace text
