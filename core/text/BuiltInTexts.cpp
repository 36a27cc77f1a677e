#include "core/text/LanguageTable.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace text {

namespace {

struct BuiltIn {
    int number;
    std::u16string_view text;
};

} // namespace

// The same texts stand in lang/ToranCal.lang; keep both in step. Sorted by number.
QString BuiltInText(int number) {
    static constexpr std::array texts{
        // Operator safety: 100..119
        BuiltIn{100, u"Body kalibrační křivky, které nejsou uložené ve snímači, se ztratí. Opravdu "
                     u"se chcete vrátit?"},
        BuiltIn{101,
                u"Kalibrační křivka je prázdná. Naměřte body tlačítkem /Zachytit/ (F5) nebo "
                u"je zadejte tlačítkem /Přidat bod/ a křivku uložte do snímače tlačítkem /Další/."},
        BuiltIn{102,
                u"přístroj neodpověděl. Zkontrolujte kabel, napájení přístroje a volbu portu."},
        BuiltIn{103, u"přístroj odpověděl neúplně. Zkontrolujte kabel a připojení přístroje."},
        // Backup, snapshots, restore and the serial trace: 120..179
        // The curve window, its figures, warnings and report: 180..239
        // Ports and their errors: 240..299
    };
    static_assert(std::ranges::is_sorted(texts, {}, &BuiltIn::number));
    const auto found = std::ranges::lower_bound(texts, number, {}, &BuiltIn::number);
    if (found == texts.end() || found->number != number)
        return {};
    return QString::fromUtf16(found->text.data(), static_cast<qsizetype>(found->text.size()));
}

} // namespace text
