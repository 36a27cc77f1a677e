#include "core/session/StartUp.h"
#include "core/text/LanguageFile.h"
#include "core/text/LanguageTable.h"
#include "core/text/Windows1250.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

using session::Language;

// The numbered entries of a shipped language file, by number.
QMap<int, QString> entriesOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    QMap<int, QString> entries;
    for (const QString& line : text::DecodeLanguageBytes(file.readAll()).split(u'\n'))
        if (auto entry = text::ParseLanguageLine(QStringView(line).chopped(line.endsWith(u'\r'))))
            entries.insert(entry->first, entry->second);
    return entries;
}

} // namespace

class TestLanguageFile : public QObject {
    Q_OBJECT

private slots:
    // A line is a key of 1 to 999, "=" and its text, blanks trimmed; a later line wins.
    void parsesLines() {
        const auto entry = [](const char* line) {
            const auto parsed = text::ParseLanguageLine(QString::fromLatin1(line));
            return parsed ? QString::number(parsed->first) + u'=' + parsed->second : "skipped";
        };
        for (const char* kept : {"12=Hello = world", "12= x", "12=", "1=a", "999=z"})
            QCOMPARE(entry(kept), kept);
        QCOMPARE(entry("  5=Storno  "), "5=Storno");
        QCOMPARE(entry("5 =Storno"), "5=Storno");
        for (const char* skipped : {"1000=x", "=x", "0=a", "; remark", "   "})
            QCOMPARE(entry(skipped), "skipped");
        text::LanguageTable table;
        text::ParseLanguageText(u"4=First\r\ngarbage\r\n5=Storno  \r\n4=Second\n6=last", table);
        QCOMPARE(table.text(4) + table.text(5) + table.text(6), "SecondStornolast");
    }

    // UTF-8 with a byte-order mark or non-ASCII characters, else Windows-1250.
    void decodesByContent() {
        const QString czech = QStringLiteral("9=Přetížení [%]; Další");
        QCOMPARE(text::DecodeLanguageBytes(text::toWindows1250(czech)), czech);
        QCOMPARE(text::DecodeLanguageBytes(czech.toUtf8()), czech);
        QCOMPARE(text::DecodeLanguageBytes("\xEF\xBB\xBF" + czech.toUtf8()), czech);
        QCOMPARE(text::DecodeLanguageBytes("5=\xC8" + text::toWindows1250(u"ást")),
                 QStringLiteral("5=Část"));
    }

    // A missing file, or a directory, gives no texts of its own: the original numbers stay
    // empty, the later ones fall back to the built-in Czech, and a file entry still wins.
    void loadsNothingWithoutAFile() {
        QTemporaryDir dir;
        text::LanguageTable none;
        for (const QString& path : {dir.filePath("missing.lang"), dir.path()})
            text::LoadLanguageFile(path, none);
        for (int number = text::LanguageTable::First; number <= text::LanguageTable::LastOriginal;
             ++number)
            QVERIFY(none.text(number).isEmpty());
        QCOMPARE(none.text(100), text::BuiltInText(100));
        QVERIFY(!none.text(100).isEmpty());
        none.set(100, {});
        QVERIFY(none.text(100).isEmpty());
    }

    // The shipped language file carries every built-in text word for word, and no other late one.
    void shippedFileMatchesBuiltIn() {
        const QMap<int, QString> entries = entriesOf(QStringLiteral(TORANCAL_LANGUAGE_FILE));
        QVERIFY(!entries.value(1).isEmpty());
        for (int number = text::LanguageTable::LastOriginal + 1;
             number <= text::LanguageTable::Last; ++number)
            QCOMPARE(entries.value(number), text::BuiltInText(number));
    }

    // The English file is written like the Czech one (Windows-1250, CR LF) and holds the same
    // numbers, each text with the same placeholders.
    void englishFileMatchesCzech() {
        const QString czechPath = QStringLiteral(TORANCAL_LANGUAGE_FILE);
        const QString englishPath =
            QFileInfo(czechPath).dir().filePath(session::languageFileName(Language::English));
        QFile file(englishPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.count("\r\n"), bytes.count("\n"));
        QVERIFY(text::DecodeLanguageBytes(bytes) == text::fromWindows1250(bytes));
        const QMap<int, QString> czech = entriesOf(czechPath);
        const QMap<int, QString> english = entriesOf(englishPath);
        QCOMPARE(english.keys(), czech.keys());
        const QRegularExpression placeholder(QStringLiteral("%\\d"));
        const auto placeholders = [&placeholder](const QString& text) {
            QSet<QString> found;
            for (const QRegularExpressionMatch& match : placeholder.globalMatch(text))
                found.insert(match.captured());
            return found;
        };
        for (auto entry = czech.cbegin(); entry != czech.cend(); ++entry)
            QVERIFY2(placeholders(*entry) == placeholders(english[entry.key()]),
                     qPrintable(QString::number(entry.key())));
    }

    // The command line's language, else the setting's, else the system's when the program has
    // it, else Czech; a language whose file is missing gives way to Czech. --language takes cs
    // or en, refuses any other word and is no part of the command line compared with "expert".
    void choosesTheLanguage() {
        for (const auto& [commandLine, setting, system, englishFile, chosen] :
             {std::tuple{"", "", "cs_CZ", true, "cs"},
              {"", "", "en_US", true, "en"},
              {"", "", "de_DE", true, "cs"},
              {"", "cs", "en_GB", true, "cs"},
              {"en", "cs", "cs_CZ", true, "en"},
              {"en", "en", "en_US", false, "cs"}}) {
            const Language language = session::chooseLanguage(
                {session::languageOfCode(QString::fromLatin1(commandLine)),
                 session::languageOfCode(QString::fromLatin1(setting)), QLocale(system)},
                [englishFile](Language of) { return of == Language::Czech || englishFile; });
            QCOMPARE(session::languageCode(language), chosen);
        }
        const session::CommandLine english =
            session::ReadCommandLine({"torancal", "--language", "EN", "expert"});
        QVERIFY(english.language == Language::English && english.text == "expert");
        QVERIFY(session::ReadCommandLine({"torancal", "--language=cs"}).language ==
                Language::Czech);
        QCOMPARE(session::ReadCommandLine({"torancal", "--language", "de"}).action,
                 session::CommandLine::Action::Refuse);
    }

    // The built-in code page: a character outside it is replaced.
    void codePage() {
        QCOMPARE(text::toWindows1250(u"Zł€ 日 \U0001F600"), QByteArray("Z\xB3\x80 ? ?"));
        QStringDecoder decoder("windows-1250");
        QStringEncoder encoder("windows-1250");
        if (!decoder.isValid() || !encoder.isValid())
            QSKIP("this Qt has no Windows-1250 of its own");
        QByteArray every(256, '\0');
        for (int byte = 0; byte < 256; ++byte)
            every[byte] = char(byte);
        const QString text = text::fromWindows1250(every);
        QCOMPARE(text, decoder.decode(every));
        QCOMPARE(text::toWindows1250(text), every);
        QCOMPARE(encoder.encode(text), every);
    }

    // Windows-1250 with CR LF line ends, with a text for every number some window.
    void shippedFileHasEveryTextInUse() {
        const QString binDir = qEnvironmentVariable("TORANCAL_BIN_DIR");
        if (binDir.isEmpty())
            QSKIP("TORANCAL_BIN_DIR is not set");
        QFile file(QDir(binDir).filePath(QStringLiteral("ToranCal.lang")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.count("\r\n"), bytes.count("\n"));
        QVERIFY(text::DecodeLanguageBytes(bytes) == text::fromWindows1250(bytes));
        text::LanguageTable table;
        text::LoadLanguageFile(file.fileName(), table);
        QCOMPARE(table.text(25), QStringLiteral("Smazat vše")); // "š" differs from ISO 8859-2
        const QList<int> unused{6, 7, 8, 12, 13, 17, 18, 20, 21, 26, 27, 28, 48};
        for (int number = 1; number <= 74; ++number)
            QVERIFY2(unused.contains(number) || !table.text(number).trimmed().isEmpty(),
                     qPrintable(QString::number(number)));
    }

    // Beside the executable first, else share/torancal of the installation; --version and
    // --help print, "expert" is the command line.
    void startUpFindsTheLanguageFile() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("bin") && QDir(dir.path()).mkpath("share/torancal"));
        const QString bin = dir.filePath("bin");
        QCOMPARE(session::LanguageFilePath(bin), dir.filePath("share/torancal/ToranCal.lang"));
        QVERIFY(QFile(bin + "/ToranCal.lang").open(QIODevice::WriteOnly));
        QCOMPARE(session::LanguageFilePath(bin), bin + "/ToranCal.lang");
        QCOMPARE(session::LanguageFilePath(bin, Language::English),
                 dir.filePath("share/torancal/ToranCal-en.lang"));

        using Action = session::CommandLine::Action;
        QCOMPARE(session::ReadCommandLine({"torancal", "--version"}).action, Action::Print);
        QCOMPARE(session::ReadCommandLine({"torancal", " Expert"}).text, " Expert");
    }
};

QTEST_GUILESS_MAIN(TestLanguageFile)
#include "tst_languagefile.moc"
