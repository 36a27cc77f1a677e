#include "core/text/LanguageTable.h"

#include <algorithm>
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
    // A plain array: deducing std::array's size from this many elements exceeds clang's
    // limit on fold expressions.
    static constexpr BuiltIn texts[]{
        // Operator safety: 100..119
        BuiltIn{100, u"Body kalibrační křivky, které nejsou uložené ve snímači, se ztratí. Opravdu "
                     u"se chcete vrátit?"},
        BuiltIn{101,
                u"Kalibrační křivka je prázdná. Naměřte body tlačítkem /Zachytit/ (F5) nebo "
                u"je zadejte tlačítkem /Přidat bod/ a křivku uložte do snímače tlačítkem /Další/."},
        BuiltIn{102,
                u"přístroj neodpověděl. Zkontrolujte kabel, napájení přístroje a volbu portu."},
        BuiltIn{103, u"přístroj odpověděl neúplně. Zkontrolujte kabel a připojení přístroje."},
        BuiltIn{104, u"Snímač „%1“ (ID %2) nebyl změněn, přístroj v něm má dosavadní údaje. "
                     u"Zkontrolujte připojení a uložte snímač znovu."},
        BuiltIn{105, u"Snímač „%1“ (ID %2) byl zapsán jen zčásti, jeho údaje v přístroji nejsou "
                     u"platné. Zkontrolujte připojení a uložte snímač znovu, nebo obnovte zálohu "
                     u"pořízenou před zápisem (F7)."},
        BuiltIn{106, u"Snímač „%1“ (ID %2) byl zapsán, ale nepodařilo se jej přečíst zpět, "
                     u"zápis proto není ověřen. Načtěte přístroj znovu a zkontrolujte údaje "
                     u"snímače; pokud nesouhlasí, uložte snímač znovu nebo obnovte zálohu "
                     u"pořízenou před zápisem (F7)."},
        BuiltIn{107, u"Snímač „%1“ (ID %2) po zápisu neobsahuje uložené údaje. Zkontrolujte "
                     u"připojení a uložte snímač znovu, nebo obnovte zálohu pořízenou před "
                     u"zápisem (F7)."},
        BuiltIn{108, u"Údaje snímače obsahují příliš velké číslo, které snímač nemůže uložit. "
                     u"Snímač nebyl uložen."},
        BuiltIn{109, u"Hodnotu „%1“ v poli %2 nelze zapsat do přístroje, číslo je příliš velké. "
                     u"Nic nebylo zapsáno."},
        BuiltIn{110, u"Přístroj nepotvrdil zápis konstant %1. Po resetu jsou zobrazeny konstanty, "
                     u"které přístroj skutečně obsahuje."},
        BuiltIn{111,
                u"Signál se neliší od nuly rozsahu, konstantu k nelze určit. Přiveďte na vstup "
                u"signál 2 mV/V."},
        // Backup, snapshots, restore and the serial trace: 120..179
        BuiltIn{120, u"Soubor %1 nelze otevřít (%2)."},
        BuiltIn{121, u"Soubor není platný JSON."},
        BuiltIn{122, u"Soubor není záloha ToranCal (chybí nebo je chybná položka „%1“)."},
        BuiltIn{123, u"Záloha má verzi %1; program čte jen verzi %2."},
        BuiltIn{124, u"Kontrolní součet zálohy nesouhlasí; soubor byl změněn nebo poškozen."},
        BuiltIn{125, u"Blok snímače %1 v záloze nemá 256 bajtů v šestnáctkovém zápisu."},
        BuiltIn{126, u"Údaje snímače %1 v záloze neodpovídají jeho bloku (položka %2)."},
        BuiltIn{130, u"Předchozí obsah přístroje je uložen v záloze %1."},
        BuiltIn{131, u"Záznam komunikace je uložen v souboru %1."},
        BuiltIn{132,
                u"Zálohy snímače nelze ukládat do adresáře %1 (%2). Program pokračuje bez záloh."},
        BuiltIn{133, u"Záznam komunikace se nepodařilo uložit do souboru %1 (%2)."},
        BuiltIn{134, u"Soubor %1 neexistuje."},
        BuiltIn{135, u"Soubor %1 nelze otevřít: program nemá oprávnění jej číst."},
        BuiltIn{136, u"%1 není obyčejný soubor (je to adresář, zařízení nebo roura); nečte se."},
        BuiltIn{137, u"Soubor %1 má %2 bajtů; záloha může mít nejvýše %3 bajtů."},
        BuiltIn{138, u"soubor se nepodařilo zapsat celý"},
        BuiltIn{139, u"zapsaný soubor se při kontrole nepřečetl tak, jak byl zapsán"},
        BuiltIn{140, u"Obnovit ze zálohy…"},
        BuiltIn{141, u"Obnovit snímač ze zálohy"},
        BuiltIn{142, u"Datum"},
        BuiltIn{143, u"Popis"},
        BuiltIn{144, u"Bodů"},
        BuiltIn{145, u"Pro snímač %1 nejsou uloženy žádné zálohy."},
        BuiltIn{
            146,
            u"Zapsat do snímače zálohu z %1 (%2, bodů: %3)? Současný obsah snímače se přepíše."},
        BuiltIn{
            147,
            u"Snímač byl obnoven ze zálohy; po novém načtení souhlasí se zálohou bajt po bajtu."},
        BuiltIn{148, u"Snímač byl zapsán, ale po novém načtení se od zálohy liší v %1 bajtech "
                     u"(první: blok %2, bajt %3, položka %4)."},
        BuiltIn{149, u"Zápis zálohy do snímače se nezdařil [%1]."},
        BuiltIn{150, u"Záloha byla zapsána, ale snímač se nepodařilo znovu načíst."},
        BuiltIn{151, u"Zálohu nelze použít: %1"},
        BuiltIn{152, u"Záloha pochází z jiného přístroje (%1), připojen je %2."},
        BuiltIn{153, u"Přístroj nemá snímač v bloku %1."},
        BuiltIn{154, u"Záloha patří snímači s ID %1, v přístroji je snímač s ID %2."},
        BuiltIn{155, u"Záloha byla pořízena pro blok %1, obnovuje se blok %2."},
        BuiltIn{156, u"Přesto zálohu do snímače zapsat?"},
        BuiltIn{157, u"Zálohu současného obsahu snímače se nepodařilo uložit. Zapsat do snímače "
                     u"přesto, bez zálohy?"},
        BuiltIn{
            158,
            u"Snímač %1 byl zapsán, ale nepodařilo se jej znovu načíst: zápis není ověřen. Načtěte "
            u"přístroj znovu (Zpět a Další); pokud se snímač od zálohy liší, obnovte zálohu %2."},
        BuiltIn{159, u"Snímač už obsahuje tuto zálohu; nic se nezapisovalo."},
        BuiltIn{160, u"(žádná záloha nebyla uložena)"},
        BuiltIn{161, u"Blok snímače %1 zůstal zapsán jen zčásti: obnovení ze zálohy zahájené %2 "
                     u"bylo přerušeno. Předchozí obsah snímače drží záloha %3; obnovte ji (F7), "
                     u"nebo snímač zapište znovu."},
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
        // Live signal and system constants: 300..319
        BuiltIn{300, u"Pole %1 rozsahu %2 neobsahuje číslo: „%3“. Opravte ho; do přístroje "
                     u"nebylo nic zapsáno."},
        BuiltIn{301, u"Přístroj neodpovídá: měřený signál není aktuální, nic nebylo převzato. "
                     u"Zkontrolujte kabel a napájení přístroje a počkejte, až se signál znovu "
                     u"objeví."},
        BuiltIn{302, u"Přístroj neodpovídá – signál není aktuální"},
        // Feedback on long work, exports and keys: 340..369
        BuiltIn{340, u"Přerušit (Esc)"},
        BuiltIn{341, u"Hledání přístroje Toran R-40: port COM%1 (%2 z %3)..."},
        BuiltIn{342, u"Přístroj na portu COM%1 neodpověděl při čtení své paměti nastavení "
                     u"(adresa %2). Zkontrolujte připojení a zkuste to znovu."},
        BuiltIn{343, u"Soubor byl uložen: %1"},
        BuiltIn{344, u"Klávesy"},
        BuiltIn{345, u"tento přehled kláves"},
        BuiltIn{346, u"zachytit bod kalibrační křivky z živého signálu"},
        BuiltIn{347, u"graf kalibrační křivky"},
        BuiltIn{348, u"obnovit snímač ze zálohy (stránka snímače)"},
        BuiltIn{349, u"odstranit vybraný bod křivky"},
        BuiltIn{350, u"uložit záznam komunikace"},
        BuiltIn{351, u"v seznamu bodů: smazat vybraný bod"},
        BuiltIn{352, u"v seznamu bodů: upravit vybraný bod"},
        BuiltIn{353, u"přerušit vyhledávání portu nebo připojování"},
        BuiltIn{354, u"Paměť snímače (%1) v přístroji na portu COM%2 se nepodařilo přečíst. "
                     u"Údaje snímače nejsou k dispozici; zkontrolujte připojení a načtěte "
                     u"přístroj znovu."},
        // Calibration records: 400..449
        BuiltIn{400, u"Databázi záznamů %1 používá jiný program (je zamčená): %2"},
        BuiltIn{401, u"Do databáze záznamů %1 nelze zapisovat: %2"},
        BuiltIn{402, u"Databáze záznamů %1 je poškozená: %2"},
        BuiltIn{403, u"Databázi záznamů %1 zapsala novější verze programu (verze schématu %2). "
                     u"Použijte novější program."},
        BuiltIn{404, u"Databázi záznamů %1 nelze otevřít: %2"},
        BuiltIn{405, u"Kalibrace se do té doby ukládají do souborů ve složce %1 a do databáze se "
                     u"převezmou, až ji bude možné použít."},
        BuiltIn{406, u"Kalibraci nelze zaznamenat: laboratoř vyžaduje %1."},
        BuiltIn{407, u"pracovníka"},
        BuiltIn{408, u"etalon"},
        BuiltIn{409, u"podmínky (teplotu a vlhkost)"},
        BuiltIn{
            410,
            u"Záznam byl uložen do souboru %1 a do databáze se převezme, až ji bude možné použít."},
        BuiltIn{411, u"Záznam se nepodařilo uložit: %1"},
        BuiltIn{412,
                u"Předčíslí čísel certifikátů nelze změnit, když už databáze obsahuje kalibrace."},
        BuiltIn{413, u"Opravovaný záznam %1 v databázi není."},
        BuiltIn{414, u"Údaje kalibrace…"},
        BuiltIn{415, u"Údaje kalibrace"},
        BuiltIn{416, u"Pracovník"},
        BuiltIn{417, u"Etalon"},
        BuiltIn{418, u"Teplota [°C]"},
        BuiltIn{419, u"Vlhkost [%]"},
        BuiltIn{420, u"(neuveden)"},
        BuiltIn{421, u"Nový etalon"},
        BuiltIn{422, u"Název"},
        BuiltIn{423, u"Výrobní číslo"},
        BuiltIn{424, u"Číslo kalibračního listu"},
        BuiltIn{425, u"Kalibrován dne"},
        BuiltIn{426, u"Platný do"},
        BuiltIn{427, u"Přidat etalon"},
        BuiltIn{428, u"Teplota musí být číslo od -60 do 100 °C a vlhkost od 0 do 100 %; do té doby "
                     u"se neuvádějí."},
        BuiltIn{429, u"Laboratoř vyžaduje: %1."},
        BuiltIn{430, u"Etalon %1 (výr. č. %2) má kalibraci platnou do %3; ta již uplynula."},
        BuiltIn{431, u"údaje kalibrace: pracovník, etalon a podmínky"},
        BuiltIn{432, u"kontrola po kalibraci doplněna k záznamu"},
        BuiltIn{433, u"Kontrolu po kalibraci se nepodařilo připojit k záznamu kalibrace: %1"},
        BuiltIn{434, u"Etalon potřebuje název a datum platnosti, které není před datem kalibrace."},
        // The calibration certificate: 435..449
        BuiltIn{435, u"Kalibrační list"},
        BuiltIn{436, u"Číslo kalibračního listu"},
        BuiltIn{437, u"neuvedeno"},
        BuiltIn{438, u"Kalibrace provedena"},
        BuiltIn{439, u"Kalibrační list etalonu"},
        BuiltIn{440, u"Etalon platný do"},
        BuiltIn{441, u"Teplota okolí"},
        BuiltIn{442, u"Relativní vlhkost"},
        BuiltIn{443, u"Příští kalibrace do"},
        BuiltIn{444, u"Zobrazeno [%1]"},
        BuiltIn{445, u"Chyba [%1]"},
        BuiltIn{446, u"V toleranci"},
        BuiltIn{447, u"Kontrola nebyla provedena."},
        // The recorder of the calibrations: 450..479
        BuiltIn{450, u"Záznamy kalibrací nyní nelze ukládat do databáze. Kalibrovat můžete dál."},
        BuiltIn{451, u"Snímač je uložen, ale kalibraci se nepodařilo zaznamenat."},
        BuiltIn{452, u"Server databáze záznamů %1 není dostupný: %2"},
        BuiltIn{470, u"neodesláno – číslo bude přiděleno při odeslání na server (záznam %1)"},
        BuiltIn{471, u"%1 záznamů čeká na odeslání na server"},
        BuiltIn{472, u"neodesláno"},
        BuiltIn{473, u"Databáze záznamů"},
        BuiltIn{474, u"Jen tento počítač"},
        BuiltIn{475, u"Server laboratoře (adresa):"},
        BuiltIn{476, u"Vyzkoušet spojení"},
        BuiltIn{477, u"Adresa nesmí obsahovat heslo. Heslo se bere ze souboru ~/.pgpass nebo z "
                     u"proměnné PGPASSWORD."},
        BuiltIn{478, u"Spojení funguje."},
        BuiltIn{479, u"Změna platí po příštím spuštění programu."},
        BuiltIn{480, u"Kontrola před kalibrací…"},
        BuiltIn{481, u"Kontrola po kalibraci…"},
        BuiltIn{482, u"Kontrola před kalibrací"},
        BuiltIn{483, u"Kontrola po kalibraci"},
        BuiltIn{484, u"Etalon"},
        BuiltIn{485, u"Zobrazeno"},
        BuiltIn{486, u"Chyba"},
        BuiltIn{487, u"Chyba [% FS]"},
        BuiltIn{488, u"Chyba [digit]"},
        BuiltIn{489, u"Zachytit (F5)"},
        BuiltIn{490, u"Smazat bod"},
        BuiltIn{491, u"Tolerance [% FS]"},
        BuiltIn{492, u"Výsledek: vyhovuje"},
        BuiltIn{493, u"Výsledek: nevyhovuje"},
        BuiltIn{494, u"Výsledek: zatím žádný bod"},
        BuiltIn{495, u"Zadejte hodnotu etalonu."},
        BuiltIn{496, u"kontrola před kalibrací (na stránce křivky)"},
        BuiltIn{497, u"Tolerance musí být kladné číslo."},
        // History window: 510..539
        BuiltIn{510, u"Historie kalibrací"},
        BuiltIn{511, u"Snímač"},
        BuiltIn{512, u"Datum"},
        BuiltIn{513, u"Číslo certifikátu"},
        BuiltIn{514, u"Pracovník"},
        BuiltIn{515, u"Etalon"},
        BuiltIn{516, u"Před kalibrací"},
        BuiltIn{517, u"Po kalibraci"},
        BuiltIn{518, u"Platnost do"},
        BuiltIn{519, u"Poznámka"},
        BuiltIn{520, u"opraveno"},
        BuiltIn{521, u"staženo"},
        BuiltIn{522, u"vyhovuje"},
        BuiltIn{523, u"nevyhovuje"},
        BuiltIn{524, u"nezkoušeno"},
        BuiltIn{525, u"Body"},
        BuiltIn{526, u"Údaje křivky"},
        BuiltIn{527, u"Kontroly"},
        BuiltIn{528, u"Porovnání"},
        BuiltIn{529, u"Porovnat vybrané"},
        BuiltIn{530, u"Protokol PDF…"},
        BuiltIn{531, u"Kontrola před kalibrací (%1)"},
        BuiltIn{532, u"Kontrola po kalibraci (%1)"},
        BuiltIn{533, u"etalon %1 %2, zobrazeno %3 %2, chyba %4 %2 = %5 % FS"},
        BuiltIn{534, u"tolerance ±%1 % FS"},
        BuiltIn{535, u"%1 proti %2: citlivost %3 % FS, nula %4 % FS"},
        BuiltIn{536, u"Zaškrtněte alespoň dvě kalibrace s body křivky."},
        BuiltIn{537, u"obnovení"},
        BuiltIn{538, u"záloha"},
        BuiltIn{540, u"stabilní"},
        BuiltIn{541, u"Čekám na ustálení signálu, ještě %1 s (Esc ruší)"},
        BuiltIn{542, u"Signál se za %1 s neustálil. Převzít neustálenou hodnotu ?"},
        BuiltIn{543, u"Ustálení signálu..."},
        BuiltIn{544, u"Pásmo ustálení (číslice displeje):"},
        BuiltIn{545, u"Doba ustálení (s):"},
        BuiltIn{546, u"Automatické zachycení bodu"},
        BuiltIn{547, u"čtení"},
        BuiltIn{548, u"odch. [mV/V]"},
        // Repeated loading series: 570..584
        BuiltIn{570, u"Řady zatěžování..."},
        BuiltIn{571, u"Počet řad:"},
        BuiltIn{572, u"Také odlehčování"},
        BuiltIn{573, u"Řada %1, zatěžování"},
        BuiltIn{574, u"Řada %1, odlehčování"},
        BuiltIn{575, u"Zatížení %1 %2 ještě nemá zatěžovací odečet; odlehčovací odečet patří k "
                     u"zatížení, které už bylo zatěžováno."},
        BuiltIn{576, u"opak. [% odečtu]"},
        BuiltIn{577, u"opak. [% FS]"},
        BuiltIn{578, u"reverz. [% FS]"},
        BuiltIn{579, u"Opakované řady: %1 zatěžovací, %2 odlehčovací; návrat nuly f0 %3 % FS"},
        BuiltIn{580, u"Pouze pro orientaci, nejde o certifikaci: nejhorší hodnoty (b' %1 %, fc %2 "
                     u"%, f0 %3 %, v %4 %) jsou v mezích třídy %5 podle ISO 376."},
        BuiltIn{581, u"Pouze pro orientaci, nejde o certifikaci: nejhorší hodnoty (b' %1 %, fc %2 "
                     u"%, f0 %3 %, v %4 %) překračují meze třídy 2 podle ISO 376."},
        BuiltIn{582, u"Třída podle ISO 376 pro orientaci: potřebuje alespoň 2 zatěžovací řady."},
        BuiltIn{583, u"Opakované řady"},
        BuiltIn{584, u"řady [z/o]"},
        BuiltIn{585, u"Tečení..."},
        BuiltIn{586, u"Zkouška tečení"},
        BuiltIn{587, u"Doba (min):"},
        BuiltIn{588, u"Spustit"},
        BuiltIn{589, u"Zbývá %1"},
        BuiltIn{590, u"Čtení na začátku:"},
        BuiltIn{591, u"Čtení po 30 s:"},
        BuiltIn{592, u"Čtení na konci:"},
        BuiltIn{593, u"Tečení za %1 min: %2 mV/V po 30 s, %3 mV/V na konci, tečení %4 %, změna od "
                     u"začátku %5 %"},
        BuiltIn{594, u"Signál není ustálený nebo nenese zatížení. Zatěžte snímač, vyčkejte na "
                     u"ustálení a spusťte zkoušku znovu."},
        BuiltIn{595, u"Zkouška tečení skončila: signál klesl k nule."},
        BuiltIn{596, u"Zkouška tečení přerušena."},
        BuiltIn{597, u"Celý rozsah ±G (Ctrl+G)"},
        // Language and fixed window captions: 600..623
        BuiltIn{600, u"Jazyk"},
        BuiltIn{601, u"Jazyk programu se změní při příštím spuštění."},
        BuiltIn{602, u"Snímač (Interní)"},
        BuiltIn{603, u"Poslední uložení"},
        BuiltIn{604, u"Zavřít"},
        BuiltIn{605, u"Uložit"},
        BuiltIn{606, u"&Storno"},
        BuiltIn{607, u"Editace kalibračního bodu"},
        BuiltIn{608, u"&Nová křivka"},
        BuiltIn{609, u"&Přidat nový bod"},
        BuiltIn{610, u"&Odstranit bod"},
        BuiltIn{611, u"Přidat bod kalibrační křivky"},
        BuiltIn{612, u"Odstranit vybraný bod kalibrační křivky"},
        BuiltIn{613, u"Odstranit všechny body kalibrační křivky"},
        BuiltIn{614, u"Již bylo dosaženo maximálního počtu kalibračních bodů - nelze přidat další"},
        BuiltIn{615, u"Chcete opravdu přidat novou kalibrační křivku ?"},
        BuiltIn{616, u"%1 je příliš velké číslo, snímač jej nemůže uložit. Opravte rozsah."},
        BuiltIn{617,
                u"Některé sériové porty nešlo otevřít pro nedostatek oprávnění; přidejte uživatele "
                u"do skupiny \"%1\" (sudo usermod -aG %1 $USER) a znovu se přihlaste."},
        BuiltIn{618, u"Některé sériové porty odmítly přístup; zavřete programy, které je mohou "
                     u"používat, nebo požádejte správce počítače o oprávnění."},
        BuiltIn{619, u"Zápis"},
        BuiltIn{620, u"Systemova Kalibrace"},
        BuiltIn{621, u"Nula [div]"},
        BuiltIn{622, u"Počet dílků převodníku odpovídající zkratovanému vstupu"},
        BuiltIn{623, u"Násobící konstanta v uživatelských jednotkách/dílek"},
    };
    static_assert(std::ranges::is_sorted(texts, {}, &BuiltIn::number));
    const auto found = std::ranges::lower_bound(texts, number, {}, &BuiltIn::number);
    if (found == std::ranges::end(texts) || found->number != number)
        return {};
    return QString::fromUtf16(found->text.data(), static_cast<qsizetype>(found->text.size()));
}

} // namespace text
