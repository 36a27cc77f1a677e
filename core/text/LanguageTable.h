#pragma once

#include <QHash>
#include <QString>

namespace text {

// The numbered texts of the language file. Numbers 1..99 are the original set: one the file does
// not supply is empty. Numbers from 100 up came later: one the file does not supply is the Czech
// text built into the program, so an older language file still shows every message.
class LanguageTable {
public:
    static constexpr int First = 1;
    static constexpr int LastOriginal = 99;
    static constexpr int Last = 999;

    [[nodiscard]] QString text(int number) const;
    void set(int number, QString text);
    void clear();

private:
    QHash<int, QString> texts_;
};

// The built-in Czech text of a number from 100 up; empty for a number that has none.
[[nodiscard]] QString BuiltInText(int number);

} // namespace text
