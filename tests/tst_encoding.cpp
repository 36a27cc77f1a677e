#include "core/text/DeviceFloat.h"
#include "core/text/HexCodes.h"
#include "core/text/NumberText.h"

#include <QTest>
#include <cmath>
#include <limits>

using namespace device;

class EncodingTest : public QObject {
    Q_OBJECT

private slots:
    void hexToLong_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("upper") << "FF" << 255;
        QTest::newRow("lower") << "ff" << 255;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("letter beyond F") << "1G" << 0;
        QTest::newRow("colon after 9") << "3:" << 0;
        QTest::newRow("seven digits") << "7FFFFFF" << 134217727;
        QTest::newRow("eight digits refused") << "FFFFFFFF" << 0;
        QTest::newRow("blank inside") << "1 2" << 0;
    }
    void hexToLong() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(HexToLong(QStringView(text)), value);
        QCOMPARE(HexToLong(QByteArrayView(text.toLatin1())), value);
    }

    void longToHex() {
        QCOMPARE(LongToHex(255, 2), "FF");
        QCOMPARE(LongToHex(256, 2), "00"); // wraps
        QCOMPARE(LongToHex(-1, 2), "FF");
        QCOMPARE(LongToHex(10, 4), "000A");
        QCOMPARE(LongToHex(-2, 8), "FFFFFFFE");
    }

    void floatCode_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<QString>("code");
        QTest::newRow("zero 3") << 0.0 << 3 << "000000";
        QTest::newRow("one 3") << 1.0 << 3 << "810000";
        QTest::newRow("one 4") << 1.0 << 4 << "81000000";
        QTest::newRow("minus one") << -1.0 << 3 << "818000";
        QTest::newRow("three quarters") << 0.75 << 3 << "804000";
        QTest::newRow("minus three quarters") << -0.75 << 3 << "80C000";
        QTest::newRow("minus 12.5") << -12.5 << 3 << "84C800";
        QTest::newRow("hundred") << 100.0 << 4 << "87480000";
        QTest::newRow("minus hundred") << -100.0 << 4 << "87C80000";
        QTest::newRow("two") << 2.0 << 4 << "82000000";
        QTest::newRow("rounds up to 8") << 7.99999 << 3 << "840000";
        QTest::newRow("32768") << 32768.0 << 4 << "90000000";
    }
    void floatCode() {
        QFETCH(double, value);
        QFETCH(int, bytes);
        QFETCH(QString, code);
        QCOMPARE(FloatToHex(value, bytes), code);
        if (value != 7.99999)
            QCOMPARE(HexToFloat(code), value);
    }

    void floatCodeRoundTripsWithoutDoubling_data() {
        QTest::addColumn<double>("value");
        QTest::newRow("just below 8") << static_cast<double>(7.9999994F);
        QTest::newRow("just below 32768") << 32767.99;
        QTest::newRow("just below 1") << static_cast<double>(0.99999994F);
        QTest::newRow("k of range 0") << 0.0152704;
        QTest::newRow("k of range 7") << 0.0001193;
        QTest::newRow("tiny") << 3e-30;
        QTest::newRow("huge") << 1e37;
    }
    void floatCodeRoundTripsWithoutDoubling() {
        QFETCH(double, value);
        for (const double v : {value, -value}) {
            const double back = HexToFloat(FloatToHex(v, 4));
            QVERIFY2(std::fabs(back - v) <= std::fabs(v) * 1e-7,
                     qPrintable(QStringLiteral("%1 -> %2").arg(v).arg(back)));
        }
    }

    void floatCodeRefusesWhatItCannotHold() {
        QCOMPARE(FloatToHex(std::nan(""), 4), QString());
        QCOMPARE(FloatToHex(HUGE_VAL, 4), QString());
        QCOMPARE(FloatToHex(-HUGE_VAL, 3), QString());
        QCOMPARE(FloatToHex(std::ldexp(1.0, 127), 4), QString());
        QCOMPARE(FloatToHex(1e39, 4), QString());
        QVERIFY(!FloatToHex(std::ldexp(0.99, 127), 4).isEmpty());
        QCOMPARE(FloatToHex(std::ldexp(1.0, -130), 4), QString("00000000"));
        QCOMPARE(FloatToHex(1.0, 5), QString());
        // Just below 2^127 rounding carries out of the code, so such a value is not encodable.
        const double below = std::ldexp(1.0 - std::ldexp(1.0, -30), 127);
        QVERIFY(!isDeviceFloatEncodable(below));
        QCOMPARE(FloatToHex(below, 4), QString());
        const double largestShortCode = std::ldexp(1.0 - std::ldexp(1.0, -16), 127);
        QVERIFY(isDeviceFloatEncodable(largestShortCode));
        QCOMPARE(FloatToHex(largestShortCode, 3), QString("FF7FFF"));
        QCOMPARE(FloatToHex(-largestShortCode, 4), QString("FFFFFF00"));
    }

    void hexToFloatOddTexts() {
        QCOMPARE(HexToFloat(u"00ABCD"), 0.0);
        QCOMPARE(HexToFloat(u"81000"), 0.0);
        QCOMPARE(HexToFloat(u"81c000"), -1.5); // lower-case sign digit counts too
        QCOMPARE(HexToFloat(u"FFFFFFFF"), -std::ldexp(1.0 - std::ldexp(1.0, -24), 127));
    }

    void valDecimal_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("comma") << "3,14" << 3.14;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("first comma only") << "1,2,3" << 1.2;
        QTest::newRow("unit after") << "12,5 kg" << 12.5;
        QTest::newRow("blanks inside") << " - 1 2.5" << -12.5;
        QTest::newRow("exponent") << "1.5E3" << 1500.0;
        QTest::newRow("bare exponent letter") << "2e" << 2.0;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("sign only") << "-" << 0.0;
        QTest::newRow("negative zero") << "-0" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("more digits than a double holds") << QString(400, u'1') << HUGE_VAL;
        QTest::newRow("too many digits for the exponent")
            << QString(400, u'9') + "e-10" << HUGE_VAL;
        QTest::newRow("tiny with many digits") << "0," + QString(400, u'0') + u'1' << 0.0;
    }
    void valDecimal() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(ValDecimal(text), value);
    }

    void readWholeNumberRoundsHalvesToEven() {
        QCOMPARE(ReadWholeNumber(u"07"), 7);
        QCOMPARE(ReadWholeNumber(u"7a"), 7);
        QCOMPARE(ReadWholeNumber(u"x"), 0);
        QCOMPARE(ReadWholeNumber(u"1 2"), 12);
        QCOMPARE(ReadWholeNumber(u"2.5"), 2);
        QCOMPARE(ReadWholeNumber(u"3.5"), 4);
        QCOMPARE(ReadWholeNumber(u"1e3"), 1); // no exponent in this reading
        QCOMPARE(ReadWholeNumber(u"99999999999"), 0);
        QVERIFY(std::isinf(ValDecimal(u"1e999")));
        // Typed numbers beyond the float range become infinities, never undefined conversions.
        QCOMPARE(toSingle(1e39), std::numeric_limits<float>::infinity());
        QCOMPARE(toSingle(-1e39), -std::numeric_limits<float>::infinity());
        QCOMPARE(toSingle(1.5), 1.5F);
        QCOMPARE(ReadNumber(u'-' + QString(400, u'9')), -HUGE_VAL);
    }

    void formatNumber_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, double value, const QString& pattern,
                            const char* text) { QTest::newRow(name) << value << pattern << text; };
        row("float signal", static_cast<double>(0.198F), "###0.000", "0.198");
        row("half away from zero", 2.675, "0.00", "2.68");
        row("negative", -12.3456, "##0.00", "-12.35");
        row("negative rounds to zero", -0.0001, "###0.000", "0.000");
        row("whole divisions", 32770.4, "####0", "32770");
        row("trailing blanks kept", 10.0, "##0.00  ", "10.00  ");
        row("scientific", 0.00015441567, "0.00000 E-0", "1.54416 E-4");
        row("scientific carry", 9.999996, "0.00000 E-0", "1.00000 E1");
        row("scientific big", 32768.0, "0.00000 E-0", "3.27680 E4");
        row("scientific smallest double", 4.9406564584124654e-324, "0.000E-00", "4.941E-324");
        row("scientific wide mantissa", 1e-300, QString(20, u'0') + "E+0",
            "10000000000000000000E-319");
        row("escaped literal", 5.0, "0\\%", "5%");
        row("optional decimals", 1.5, "0.##", "1.5");
        row("no integer digit", 0.5, "#.00", ".50");
    }
    void formatNumber() {
        QFETCH(double, value);
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QCOMPARE(FormatNumber(value, pattern, u"."), text);
    }

    void formatFixedNeverCutsDigits() {
        QCOMPARE(FormatFixed(1.5, u"###0.000", u"."), QString("   1.500"));
        QCOMPARE(FormatFixed(1.5, u"###0.000", u","), QString("   1,500"));
        QCOMPARE(FormatFixed(1.5, u"####0.00000", u"."), QString("    1.50000"));
        QCOMPARE(FormatFixed(12345.678, u"###0.000", u"."), QString("12345.678"));
        QCOMPARE(FormatFixed(1234.567, u"##0.00  ", u"."), QString("1234.57  "));
        QCOMPARE(FormatFixed(5.0, u"0\\%", u".").size(), 2);
    }

    void generalNumber_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("digits");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 32768.0 << 15 << "32768";
        QTest::newRow("fraction") << 0.0015 << 15 << "0.0015";
        QTest::newRow("small") << 0.00001 << 15 << "1E-05";
        QTest::newRow("float widened, 7 digits") << static_cast<double>(0.1F) << 7 << "0.1";
        QTest::newRow("negative") << -2.5 << 7 << "-2.5";
        QTest::newRow("large") << 1e15 << 15 << "1E+15";
        QTest::newRow("fifteen digits") << 123456789012345.0 << 15 << "123456789012345";
        QTest::newRow("zero") << 0.0 << 7 << "0";
    }
    void generalNumber() {
        QFETCH(double, value);
        QFETCH(int, digits);
        QFETCH(QString, text);
        QCOMPARE(GeneralNumber(value, digits, u"."), text);
    }
};

QTEST_GUILESS_MAIN(EncodingTest)
#include "tst_encoding.moc"
