#include "core/text/LanguageFile.h"
#include "core/text/LanguageTable.h"
#include "core/text/Windows1250.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

class TestLanguageFile : public QObject {
    Q_OBJECT

private slots:
    // How the key's digits read is tst_encoding's (the number reading's).
    void parsesOneLine() {
        const auto entry = [](const char* line) {
            const auto parsed = text::ParseLanguageLine(QString::fromLatin1(line));
            return parsed ? QString::number(parsed->first) + u'=' + parsed->second : "skipped";
        };
        for (const char* kept : {"12=Hello = world", "12= x", "12=", "1=a", "99=z"})
            QCOMPARE(entry(kept), kept);
        QCOMPARE(entry("  5=Storno  "), "5=Storno");
        QCOMPARE(entry("5 =Storno"), "5=Storno");
        for (const char* skipped : {"100=x", "1000=x", "=x", "0=a", "; remark", "   "})
            QCOMPARE(entry(skipped), "skipped");
    }

    void laterLineWinsAndBadLinesAreSkipped() {
        text::LanguageTable table;
        text::ParseLanguageText(u"4=First\r\ngarbage\r\n=7\r\n5=Storno  \r\n4=Second\n6=last",
                                table);
        QCOMPARE(table.text(4), QStringLiteral("Second"));
        QCOMPARE(table.text(5), QStringLiteral("Storno"));
        QCOMPARE(table.text(6), QStringLiteral("last"));
        QCOMPARE(table.text(7), QString());
    }

    // UTF-8 with a byte-order mark or non-ASCII characters, else Windows-1250.
    void decodesByContent() {
        const QString czech = QStringLiteral("9=Přetížení [%]; Další");
        QCOMPARE(text::DecodeLanguageBytes(text::toWindows1250(czech)), czech);
        QCOMPARE(text::DecodeLanguageBytes(czech.toUtf8()), czech);
        QCOMPARE(text::DecodeLanguageBytes("\xEF\xBB\xBF" + czech.toUtf8()), czech);
        QCOMPARE(text::DecodeLanguageBytes("3=Zpet"), QStringLiteral("3=Zpet"));
        // A lone lead byte is not UTF-8, so the whole file is Windows-1250.
        QCOMPARE(text::DecodeLanguageBytes("5=\xC8" + text::toWindows1250(u"ást")),
                 QStringLiteral("5=Část"));
    }

    // A missing or empty file, or a directory, gives no texts.
    void loadsAFile() {
        QTemporaryDir dir;
        const auto write = [&](const QString& name, const QByteArray& bytes) {
            QFile file(dir.filePath(name));
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        };
        QVERIFY(write("ToranCal.lang", text::toWindows1250(u"; remark\r\n3=Zpět\r\n  5=Zrušit  ")));
        QVERIFY(write("empty.lang", {}));
        text::LanguageTable table;
        text::LoadLanguageFile(dir.filePath("ToranCal.lang"), table);
        QCOMPARE(table.text(3), QStringLiteral("Zpět"));
        QCOMPARE(table.text(5), QStringLiteral("Zrušit"));
        text::LanguageTable none;
        for (const QString& file :
             {dir.filePath("missing.lang"), dir.filePath("empty.lang"), dir.path()})
            text::LoadLanguageFile(file, none);
        for (int number = text::LanguageTable::First; number <= text::LanguageTable::Last; ++number)
            QVERIFY(none.text(number).isEmpty());
    }

    // The built-in code page: a character outside it is replaced; where this Qt build has the
    // system's, every byte decodes to the same character there and back to itself.
    void codePage() {
        QCOMPARE(text::toWindows1250(u"Zł€ 日 \U0001F600"), QByteArray("Z\xB3\x80 ? ?"));
        QCOMPARE(text::windows1250Byte(U'ä'), std::optional<char>('\xE4'));
        QCOMPARE(text::windows1250Byte(U'ø'), std::nullopt);
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

    // Windows-1250 with CR LF line ends, with a text for every number some window, page or
    // message of the program takes one from.
    void shippedFileHasEveryTextInUse() {
        const QString binDir = qEnvironmentVariable("TORANCAL_BIN_DIR");
        if (binDir.isEmpty())
            QSKIP("TORANCAL_BIN_DIR is not set");
        const QString path = QDir(binDir).filePath(QStringLiteral("ToranCal.lang"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.count("\r\n"), bytes.count("\n"));
        QVERIFY(text::DecodeLanguageBytes(bytes) == text::fromWindows1250(bytes));
        text::LanguageTable table;
        text::LoadLanguageFile(path, table);
        QList<int> numbers{1, 2, 3, 4, 5, 9, 10, 11, 14, 15, 16, 19, 22, 23, 24, 25, 29};
        for (int number = 30; number <= 74; ++number)
            numbers.append(number);
        numbers.removeOne(48);
        for (const int number : numbers)
            QVERIFY2(!table.text(number).trimmed().isEmpty(), qPrintable(QString::number(number)));
        QCOMPARE(table.text(25), QStringLiteral("Smazat vše")); // "š" differs from ISO 8859-2
    }
};

QTEST_GUILESS_MAIN(TestLanguageFile)
#include "tst_languagefile.moc"
