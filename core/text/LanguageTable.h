#pragma once

#include <QString>
#include <array>

namespace text {

// The 99 numbered texts of the language file. A number the file does not supply is empty.
class LanguageTable {
public:
    static constexpr int First = 1;
    static constexpr int Last = 99;

    [[nodiscard]] QString text(int number) const;
    void set(int number, QString text);
    void clear();

private:
    std::array<QString, Last + 1> texts_{};
};

} // namespace text
