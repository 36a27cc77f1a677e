#include "core/text/DeviceFloat.h"
#include "core/text/HexCodes.h"
#include "core/text/NumberText.h"

#include <QTest>
#include <cmath>
#include <limits>

using namespace device;

namespace {

const QString Refused;
// Just below 2^127, in 16 and in 30 bits: the 3-byte code holds the first, nothing the second.
const double LargestShortCode = std::ldexp(1.0 - std::ldexp(1.0, -16), 127);
const double RoundsOutOfEveryCode = std::ldexp(1.0 - std::ldexp(1.0, -30), 127);

} // namespace

class EncodingTest : public QObject {
    Q_OBJECT

private slots:
    void hexTexts() {
        // Both overloads, or -1 when they differ.
        const auto hex = [](const char* text) {
            const int value = HexToLong(QByteArrayView(text));
            return HexToLong(QStringView(QString::fromLatin1(text))) == value ? value : -1;
        };
        QCOMPARE(hex("ff"), 255);
        QCOMPARE(hex("7FFFFFF"), 134217727);
        for (const char* bad : {"", "1G", "3:", "1 2", "FFFFFFFF"})
            QCOMPARE(hex(bad), 0);
        QCOMPARE(LongToHex(256, 2), "00");
        QCOMPARE(LongToHex(10, 4), "000A");
        QCOMPARE(LongToHex(-2, 8), "FFFFFFFE");
        QCOMPARE(HexToFloat(u"00ABCD"), 0.0);
        QCOMPARE(HexToFloat(u"81000"), 0.0);
        QCOMPARE(HexToFloat(u"81c000"), -1.5);
        QCOMPARE(HexToFloat(u"FFFFFFFF"), -std::ldexp(1.0 - std::ldexp(1.0, -24), 127));
    }

    // Each code reads back within the rounding of its width, and a value has a code exactly
    // when isDeviceFloatEncodable says so.
    void floatCode_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<QString>("code");
        const auto row = [](const char* name, double value, int bytes, const QString& code) {
            QTest::newRow(name) << value << bytes << code;
        };
        row("zero", 0.0, 3, "000000");
        row("minus 12.5", -12.5, 3, "84C800");
        row("minus three quarters", -0.75, 3, "80C000");
        row("hundred", 100.0, 4, "87480000");
        row("32768", 32768.0, 4, "90000000");
        row("rounds up to 8", 7.99999, 3, "840000");
        row("just below 8", static_cast<double>(7.9999994F), 4, "837FFFFF");
        row("just below 32768", -32767.99, 4, "8FFFFFFB");
        row("tiny", 3e-30, 4, "1E736390");
        row("huge", -1e37, 4, "FBF0BDC2");
        row("below 2^-128", std::ldexp(1.0, -130), 4, "00000000");
        row("largest 3-byte code", LargestShortCode, 3, "FF7FFF");
        row("largest 3-byte code, 4 bytes", -LargestShortCode, 4, "FFFFFF00");
        row("rounds out to 2^127", RoundsOutOfEveryCode, 4, Refused);
        row("2^127", std::ldexp(1.0, 127), 4, Refused);
        row("infinity", -HUGE_VAL, 3, Refused);
        row("NaN", std::nan(""), 4, Refused);
    }
    void floatCode() {
        QFETCH(double, value);
        QFETCH(int, bytes);
        QFETCH(QString, code);
        QCOMPARE(FloatToHex(value, bytes), code);
        QCOMPARE(isDeviceFloatEncodable(value), !code.isEmpty());
        if (!code.isEmpty())
            QVERIFY(std::fabs(HexToFloat(code) - value) <=
                    std::ldexp(std::fabs(value), 8 - 8 * bytes) + std::ldexp(1.0, -128));
    }

    // ValDecimal and ReadWholeNumber of the same texts: only the first reads a comma or an
    // exponent.
    void numberReading_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("decimal");
        QTest::addColumn<int>("whole");
        const auto row = [](const char* name, const QString& text, double decimal, int whole) {
            QTest::newRow(name) << text << decimal << whole;
        };
        row("comma", "3,14", 3.14, 3);
        row("blanks inside", " - 1 2.5", -12.5, -12);
        row("half to even", "3.5", 3.5, 4);
        row("exponent", "1e3", 1000.0, 1);
        row("bare exponent letter", "2e", 2.0, 2);
        row("leading point", ".5", 0.5, 0);
        row("sign only", "-", 0.0, 0);
        row("beyond an int", "99999999999", 99999999999.0, 0);
        row("beyond a double", "1e999", HUGE_VAL, 1);
        row("400 digits", QString(400, u'1'), HUGE_VAL, 0);
        row("400 digits, exponent", QString(400, u'9') + "e-10", HUGE_VAL, 0);
        row("tiny with 400 digits", "0," + QString(400, u'0') + u'1', 0.0, 0);
    }
    void numberReading() {
        QFETCH(QString, text);
        QFETCH(double, decimal);
        QFETCH(int, whole);
        QCOMPARE(ValDecimal(text), decimal);
        QCOMPARE(ReadWholeNumber(text), whole);
    }

    void beyondTheRanges() {
        QCOMPARE(ReadNumber(u'-' + QString(400, u'9')), -HUGE_VAL);
        QCOMPARE(toSingle(-1e39), -std::numeric_limits<float>::infinity());
        QCOMPARE(toSingle(1.5), 1.5F);
        QCOMPARE(FloatToHex(1.0, 5), Refused);
    }

    // FormatFixed right-aligns in the pattern's width (a backslash takes none), never cutting.
    void formatNumber_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, double value, const QString& pattern,
                            const char* text) { QTest::newRow(name) << value << pattern << text; };
        row("wider than the field", 12345.678, "###0.000", "12345,678");
        row("whole divisions", 32770.4, "####0", "32770");
        row("trailing blanks kept", 1234.567, "##0.00  ", "1234,57  ");
        row("half away from zero", 2.675, "0.00", "2,68");
        row("negative", -12.3456, "##0.00", "-12,35");
        row("negative rounds to zero", -0.0001, "###0.000", "0,000");
        row("scientific carry", 9.999996, "0.00000 E-0", "1,00000 E1");
        row("scientific smallest double", 4.9406564584124654e-324, "0.000E-00", "4,941E-324");
        row("scientific wide mantissa", 1e-300, QString(20, u'0') + "E+0",
            "10000000000000000000E-319");
        row("escaped literal", 5.0, "0\\%", "5%");
        row("optional decimals", 1.5, "0.##", "1,5");
        row("no integer digit", 0.5, "#.00", ",50");
    }
    void formatNumber() {
        QFETCH(double, value);
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QCOMPARE(FormatNumber(value, pattern, u","), text);
        QCOMPARE(FormatFixed(value, pattern, u","),
                 text.rightJustified(pattern.size() - pattern.count(u'\\')));
    }

    void generalNumber() {
        QCOMPARE(GeneralNumber(32768.0, 15, u","), "32768");
        QCOMPARE(GeneralNumber(-0.0015, 15, u","), "-0,0015");
        QCOMPARE(GeneralNumber(0.00001, 15, u","), "1E-05");
        QCOMPARE(GeneralNumber(1e15, 15, u","), "1E+15");
        QCOMPARE(GeneralNumber(123456789012345.0, 15, u","), "123456789012345");
        QCOMPARE(GeneralNumber(static_cast<double>(0.1F), 7, u","), "0,1");
        QCOMPARE(GeneralNumber(0.0, 7, u","), "0");
    }
};

QTEST_GUILESS_MAIN(EncodingTest)
#include "tst_encoding.moc"
