#include "core/text/LanguageFile.h"
#include "core/text/LanguageTable.h"
#include "core/text/Windows1250.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int Skipped = -1;

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The numbers that some window, page or message of the program takes its text from.
QList<int> numbersInUse() {
    QList<int> numbers{1, 2, 3, 4, 5, 9, 10, 11, 14, 15, 16, 19, 22, 23, 24, 25, 29};
    for (int number = 30; number <= 74; ++number)
        if (number != 48)
            numbers.append(number);
    return numbers;
}

} // namespace

class TestLanguageFile : public QObject {
    Q_OBJECT

private slots:
    void parsesOneLine_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        // How the key's digits read is tst_encoding's (the number reading's).
        QTest::newRow("further equals signs belong to the text")
            << "12=Hello = world" << 12 << "Hello = world";
        QTest::newRow("blank after the equals sign is kept") << "12= x" << 12 << " x";
        QTest::newRow("empty text") << "12=" << 12 << "";
        QTest::newRow("blanks around the line are stripped") << "  5=Storno  " << 5 << "Storno";
        QTest::newRow("blank before the equals sign") << "5 =Storno" << 5 << "Storno";
        QTest::newRow("first and last numbers") << "1=a" << 1 << "a";
        QTest::newRow("last number") << "99=z" << 99 << "z";
        QTest::newRow("tab inside the text") << "3=a\tb" << 3 << "a\tb";

        QTest::newRow("key 100 lies outside the table") << "100=x" << Skipped << "";
        QTest::newRow("equals sign at position 5") << "1000=x" << Skipped << "";
        QTest::newRow("line starts with the equals sign") << "=x" << Skipped << "";
        QTest::newRow("key 0") << "0=a" << Skipped << "";
        QTest::newRow("no equals sign") << "; remark" << Skipped << "";
        QTest::newRow("blank line") << "   " << Skipped << "";
    }

    void parsesOneLine() {
        QFETCH(QString, line);
        QFETCH(int, key);
        QFETCH(QString, text);
        const auto entry = text::ParseLanguageLine(line);
        if (key == Skipped) {
            QVERIFY(!entry.has_value());
            return;
        }
        QVERIFY(entry.has_value());
        QCOMPARE(entry->first, key);
        QCOMPARE(entry->second, text);
    }

    void laterLineWinsAndBadLinesAreSkipped() {
        text::LanguageTable table;
        text::ParseLanguageText(u"4=First\r\n"
                                u"garbage\r\n"
                                u"=7\r\n"
                                u"5=Storno  \r\n"
                                u"4=Second\n"
                                u"6=last line without a line end",
                                table);
        QCOMPARE(table.text(4), QStringLiteral("Second"));
        QCOMPARE(table.text(5), QStringLiteral("Storno"));
        QCOMPARE(table.text(6), QStringLiteral("last line without a line end"));
        QCOMPARE(table.text(7), QString());
    }

    void decodesByContent_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const QString czech = QStringLiteral("9=Přetížení [%]; Další");
        QTest::newRow("Windows-1250") << text::toWindows1250(czech) << czech;
        QTest::newRow("UTF-8 without a mark") << czech.toUtf8() << czech;
        QTest::newRow("UTF-8 with a byte-order mark")
            << QByteArray("\xEF\xBB\xBF") + czech.toUtf8() << czech;
        QTest::newRow("plain ASCII") << QByteArray("3=Zpet") << QStringLiteral("3=Zpet");
        QTest::newRow("empty") << QByteArray() << QString();
        // A lone lead byte is not UTF-8, so the whole file is Windows-1250.
        QTest::newRow("Windows-1250 that looks half like UTF-8")
            << QByteArray("5=\xC8") + text::toWindows1250(u"ást") << QStringLiteral("5=Část");
    }

    void decodesByContent() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(text::DecodeLanguageBytes(bytes), text);
    }

    void loadsAFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ToranCal.lang"));
        QVERIFY(writeFile(path, text::toWindows1250(u"; remark\r\n3=Zpět\r\n  5=Zrušit  \r\n")));
        text::LanguageTable table;
        text::LoadLanguageFile(path, table);
        QCOMPARE(table.text(3), QStringLiteral("Zpět"));
        QCOMPARE(table.text(5), QStringLiteral("Zrušit"));

        // A missing or empty file, or a directory, gives no texts.
        const QString empty = dir.filePath(QStringLiteral("empty.lang"));
        QVERIFY(writeFile(empty, {}));
        text::LanguageTable none;
        for (const QString& file :
             {dir.filePath(QStringLiteral("missing.lang")), empty, dir.path()})
            text::LoadLanguageFile(file, none);
        for (int number = text::LanguageTable::First; number <= text::LanguageTable::Last; ++number)
            QVERIFY(none.text(number).isEmpty());
    }

    // The built-in code page against the system's, where this Qt build has one: every byte
    // decodes to the same character and back to itself; a character outside it is replaced.
    void codePageAgreesWithTheSystems() {
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
        QCOMPARE(text::toWindows1250(u"Zł€ 日 \U0001F600"), QByteArray("Z\xB3\x80 ? ?"));
        QCOMPARE(text::windows1250Byte(U'ä'), std::optional<char>('\xE4'));
        QCOMPARE(text::windows1250Byte(U'ø'), std::nullopt);
    }

    void shippedFileHasEveryTextInUse() {
        const QString binDir = qEnvironmentVariable("TORANCAL_BIN_DIR");
        if (binDir.isEmpty())
            QSKIP("TORANCAL_BIN_DIR is not set");
        const QString path = QDir(binDir).filePath(QStringLiteral("ToranCal.lang"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY2(!bytes.contains("\n") || bytes.count("\r\n") == bytes.count("\n"),
                 "every line ends with CR LF");
        QVERIFY2(text::DecodeLanguageBytes(bytes) == text::fromWindows1250(bytes),
                 "the file is Windows-1250");

        text::LanguageTable table;
        text::LoadLanguageFile(path, table);
        for (const int number : numbersInUse())
            QVERIFY2(!table.text(number).trimmed().isEmpty(), qPrintable(QString::number(number)));
        QCOMPARE(table.text(3), QStringLiteral("Zpět"));
        QCOMPARE(table.text(23), QStringLiteral("Smazat bod"));
        QCOMPARE(table.text(24), QStringLiteral("Přidat bod"));
        QCOMPARE(table.text(25), QStringLiteral("Smazat vše"));
        QCOMPARE(table.text(66), QStringLiteral("Rozsah +"));
        QCOMPARE(table.text(69), QStringLiteral("Rozsah -"));
    }
};

QTEST_GUILESS_MAIN(TestLanguageFile)
#include "tst_languagefile.moc"
