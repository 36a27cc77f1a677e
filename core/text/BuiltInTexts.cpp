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
        BuiltIn{240, u"Zařízení neexistuje. Zkontrolujte, zda je převodník připojený "
                     u"a zda jste vybrali správný port."},
        BuiltIn{241, u"Nemáte oprávnění zařízení otevřít."},
        BuiltIn{242, u"Přidejte se do skupiny, která ho vlastní, příkazem:"},
        BuiltIn{243, u"Změna platí až po novém přihlášení: odhlaste se a znovu se přihlaste."},
        BuiltIn{244, u"Port používá jiný program."},
        BuiltIn{245, u"Drží ho program"},
        BuiltIn{246, u"Ukončete ho a zkuste to znovu."},
        BuiltIn{247, u"Zařízení zmizelo hned po otevření. Obvykle si ho přivlastní "
                     u"ModemManager nebo brltty; ověřte to příkazy:"},
    };
    static_assert(std::ranges::is_sorted(texts, {}, &BuiltIn::number));
    const auto found = std::ranges::lower_bound(texts, number, {}, &BuiltIn::number);
    if (found == texts.end() || found->number != number)
        return {};
    return QString::fromUtf16(found->text.data(), static_cast<qsizetype>(found->text.size()));
}

} // namespace text
