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
        // Backup, snapshots, restore and the serial trace: 120..179
        // The curve window, its figures, warnings and report: 180..239
        // clang-format off
        BuiltIn{180, u"Graf kalibrační křivky"},
        BuiltIn{181, u"&Graf křivky"},
        BuiltIn{182, u"Bod"},
        BuiltIn{183, u"Signál [mV/V]"},
        BuiltIn{184, u"Etalon [%1]"},
        BuiltIn{185, u"Odchylka [%1]"},
        BuiltIn{186, u"Odchylka [% FS]"},
        BuiltIn{187, u"Odchylka [dílky]"},
        BuiltIn{188, u"Reziduum [%1]"},
        BuiltIn{189, u"Citlivost: %1 mV/V na 1000 %2, tj. %3 %2 na 1 mV/V"},
        BuiltIn{190, u"Největší nelinearita kladné větve: %1 %2 (%3 % FS) v bodě %4"},
        BuiltIn{191, u"Největší nelinearita záporné větve: %1 %2 (%3 % FS) v bodě %4"},
        BuiltIn{192, u"Přímka nejmenších čtverců: etalon = %1 + %2 × signál, RMS reziduí %3 %4"},
        BuiltIn{193, u"Křivka nemá žádné varování."},
        BuiltIn{194, u"Bod %1: etalon zde mění směr, křivka není monotónní."},
        BuiltIn{195, u"Bod %1: leží %2 %3 mimo přímku ostatních bodů, daleko víc než ostatní body. Není etalon chybně zadaný?"},
        BuiltIn{196, u"Body %1 a %2: signály jsou blíže než 1 % rozpětí signálu."},
        BuiltIn{197, u"Kladný rozsah %1 %2 sahá o více než 10 % za nejvyšší bod křivky (bod %3: %4 %2)."},
        BuiltIn{198, u"Záporný rozsah %1 %2 sahá o více než 10 % za nejnižší bod křivky (bod %3: %4 %2)."},
        BuiltIn{199, u"Křivka má tato varování:"},
        BuiltIn{200, u"Přesto křivku zapsat do snímače?"},
        BuiltIn{201, u"Živý signál"},
        BuiltIn{202, u"Kalibrační body"},
        BuiltIn{203, u"Křivka přístroje"},
        BuiltIn{204, u"Koncové přímky"},
        BuiltIn{205, u"Měřicí rozsahy"},
        BuiltIn{206, u"Protokol PDF..."},
        BuiltIn{207, u"Tabulka CSV..."},
        BuiltIn{208, u"Export kalibračního protokolu"},
        BuiltIn{209, u"Jméno pracovníka"},
        BuiltIn{210, u"Referenční etalon (normál)"},
        BuiltIn{211, u"Kalibrační protokol snímače"},
        BuiltIn{212, u"Přístroj"},
        BuiltIn{214, u"Popis"},
        BuiltIn{215, u"ID snímače"},
        BuiltIn{216, u"Jednotka"},
        BuiltIn{217, u"Formát"},
        BuiltIn{218, u"Kladný rozsah"},
        BuiltIn{219, u"Záporný rozsah"},
        BuiltIn{220, u"Maximální signál snímače"},
        BuiltIn{221, u"Datum a čas"},
        BuiltIn{222, u"Pracovník"},
        BuiltIn{223, u"Referenční etalon"},
        BuiltIn{224, u"Ukazatele křivky"},
        BuiltIn{225, u"Varování"},
        BuiltIn{226, u"Podpis"},
        BuiltIn{227, u"Protokol se nepodařilo uložit do souboru %1"},
        BuiltIn{228, u"Dokument PDF (*.pdf)"},
        BuiltIn{229, u"Tabulka CSV (*.csv)"},
        BuiltIn{230, u"%1, port COM%2, displej s %3 místy"},
        // clang-format on
        // Ports and their errors: 240..299
    };
    static_assert(std::ranges::is_sorted(texts, {}, &BuiltIn::number));
    const auto found = std::ranges::lower_bound(texts, number, {}, &BuiltIn::number);
    if (found == texts.end() || found->number != number)
        return {};
    return QString::fromUtf16(found->text.data(), static_cast<qsizetype>(found->text.size()));
}

} // namespace text
