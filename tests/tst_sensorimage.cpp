#include "core/sensor/SensorId.h"
#include "core/sensor/SensorImage.h"

#include <QTest>
#include <cmath>
#include <limits>

using namespace sensor;

namespace {

const QDate Today(2024, 5, 31);

SensorRecord twoPointRecord() {
    SensorRecord record;
    record.FullScaleNeg = -100.0F;
    record.FullScale = 100.0F;
    record.Options = StandardCurveOptions;
    record.CurvePointCount = 2;
    record.CurveSignal[1] = 2.0F;
    record.CurveEtalon[1] = 100.0F;
    record.Description = u"Měřicí čidlo žluté";
    record.UnitName = u"kg";
    record.UnitFormat = u"##0.00";
    record.SensorId = u"2A15AB3X";
    record.Slide = 16;
    record.SlideRychl = 1;
    record.GainIndex = 3;
    return record;
}

QByteArray encode(const SensorRecord& record) {
    const auto result = EncodeSensorImage(record, Today);
    const auto* encoded = std::get_if<EncodedSensorImage>(&result);
    return encoded != nullptr ? encoded->image : QByteArray();
}

QByteArray setByte(QByteArray image, qsizetype at, int value) {
    image[at] = static_cast<char>(value);
    return image;
}

RandomSource sequence(QList<double> values) {
    return [values, next = qsizetype{0}]() mutable { return values.at(next++ % values.size()); };
}

} // namespace

class SensorImageTest : public QObject {
    Q_OBJECT

private slots:
    void workedBytes() {
        const auto result = EncodeSensorImage(twoPointRecord(), Today);
        QVERIFY(std::holds_alternative<EncodedSensorImage>(result));
        const auto& [image, sizeFigure] = std::get<EncodedSensorImage>(result);
        QCOMPARE(sizeFigure, 88);
        QCOMPARE(image.size(), 120);
        QCOMPARE(image.left(5), QByteArray("FSN\x01\x03"));
        QCOMPARE(image.mid(49, 6), QByteArray("240531"));
        QCOMPARE(image.mid(69, 9).toHex(' '), QByteArray("87 c8 00 00 87 48 00 00 ff"));
        QCOMPARE(image.mid(96).toHex(' '), QByteArray("4b 52 49 d0 02 00 00 00 00 00 00 00 00 00 "
                                                      "00 00 82 00 00 00 87 48 00 00"));
    }

    void sizeFigure_data() {
        QTest::addColumn<int>("options");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("figure"); // 0: overflow
        QTest::newRow("10 of 4 bytes") << 0xD0 << 10 << 152;
        QTest::newRow("23 of 4 bytes") << 0xD0 << 23 << 0;
        QTest::newRow("30 of 3 bytes") << 0x80 << 30 << 252;
        QTest::newRow("31 of 3 bytes") << 0x80 << 31 << 0;
        QTest::newRow("negative count") << 0xD0 << -1 << 72;
    }
    void sizeFigure() {
        QFETCH(int, options);
        QFETCH(int, points);
        QFETCH(int, figure);
        SensorRecord record = twoPointRecord();
        record.Options = static_cast<std::uint8_t>(options);
        record.CurvePointCount = points;
        const auto result = EncodeSensorImage(record, Today);
        if (figure == 0) {
            QCOMPARE(std::get<EncodeFailure>(result), EncodeFailure::CalibrationOverflow);
            return;
        }
        const auto& encoded = std::get<EncodedSensorImage>(result);
        QCOMPARE(encoded.sizeFigure, figure);
        QCOMPARE(encoded.image.size(), figure + 32);
    }

    void unencodableValueRefused() {
        const float huge = std::ldexp(1.0F, 127);
        SensorRecord record;
        const auto refused = [&record] {
            const auto result = EncodeSensorImage(record, Today);
            const auto* failure = std::get_if<EncodeFailure>(&result);
            return failure != nullptr && *failure == EncodeFailure::UnencodableValue;
        };
        record = twoPointRecord();
        record.FullScale = std::numeric_limits<float>::quiet_NaN();
        QVERIFY(refused());
        record = twoPointRecord();
        record.FullScaleNeg = -huge;
        QVERIFY(refused());
        record = twoPointRecord();
        record.CurveSignal[1] = std::numeric_limits<float>::infinity();
        QVERIFY(refused());
        // Exact in 4 bytes, but rounds up to 2^127 in 3.
        record = twoPointRecord();
        record.CurveEtalon[1] = huge - 0x1p103F;
        QVERIFY(!refused());
        record.Options = 0x80;
        QVERIFY(refused());
    }

    void decodeCodes_data() {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<int>("code");
        const QByteArray good = encode(twoPointRecord());
        QTest::newRow("99 bytes") << good.left(99) << DecodeTooShort;
        QTest::newRow("no FSN") << setByte(good, 2, 'X') << DecodeMissingFsn;
        QTest::newRow("no KRI") << setByte(good, 98, ' ') << DecodeMissingKri;
        QTest::newRow("options 0x70") << setByte(good, 99, 0x70) << DecodeOptionBit7Clear;
        QTest::newRow("options 0xF0") << setByte(good, 99, 0xF0) << DecodeOptionBit5Set;
        QTest::newRow("1 point") << setByte(good, 100, 1) << DecodeBadPointCount;
        QTest::newRow("41 points") << setByte(good, 100, 41) << DecodeBadPointCount;
        QTest::newRow("ends before the count") << good.left(100) << DecodeBadPointCount;
        QTest::newRow("ends before the points") << good.left(103) << 2;
    }
    void decodeCodes() {
        QFETCH(QByteArray, image);
        QFETCH(int, code);
        SensorRecord record;
        record.CurvePointCount = 7;
        QCOMPARE(DecodeSensorImage(image, record), code);
        QCOMPARE(record.CurvePointCount, code == DecodeTooShort ? 7 : std::max(code, 0));
        if (code == 2)
            QCOMPARE(record.CurveEtalon[1], 0.0F);
    }

    void fortyPointsOfABlock() {
        SensorRecord record = twoPointRecord();
        record.CurvePointCount = 22;
        for (std::size_t i = 0; i < 22; ++i)
            record.CurveEtalon[i] = static_cast<float>(i + 1);
        const QByteArray block = setByte(encode(record), 100, 40).left(256);
        SensorRecord decoded;
        QCOMPARE(DecodeSensorImage(block, decoded), 40);
        QCOMPARE(decoded.CurveEtalon[18], 19.0F); // the last point inside the block
        for (std::size_t i = 19; i < 40; ++i)
            QCOMPARE(decoded.CurveEtalon[i], 0.0F);
    }

    void roundTripKeepsEveryByte() {
        QByteArray image = encode(twoPointRecord());
        QCOMPARE(image.mid(8, 18).toHex(' '),
                 QByteArray("4d ec f8 69 63 ed 20 e8 69 64 6c 6f 20 9e 6c 75 74 e9"));
        image.replace(55, 6, QByteArray("\x00\x81\xFFx\x9E ", 6));
        SensorRecord decoded;
        QCOMPARE(DecodeSensorImage(image, decoded), 2);
        QCOMPARE(decoded.Description.trimmed(), "Měřicí čidlo žluté");
        QCOMPARE(decoded.SensorId.text(), "2A15AB3X");
        QCOMPARE(decoded.UnitFormat.text(), "###0.00 ");
        QCOMPARE(decoded.SaveDate.text(), "240531");
        QCOMPARE(encode(decoded), image);
    }

    void fixedWidthTexts() {
        SensorRecord record = twoPointRecord();
        QCOMPARE(record.UnitName.text(), "kg    ");
        QCOMPARE(SensorRecord().AuxText.text(), "      ");
        record.Description = QString(40, u'x');
        QCOMPARE(record.Description.text(), QString(32, u'x'));
        record.Description = QString(31, u'x') + QString::fromUtf8("😀");
        QCOMPARE(record.Description.text(), QString(31, u'x') + u' ');
        record.Description = u"  abc ";
        record.UnitName = QString::fromUtf8("😀中 Ω");
        QByteArray image = encode(record);
        QCOMPARE(image.mid(8, 32), QByteArray("abc").leftJustified(32, ' '));
        QCOMPARE(image.mid(41, 6), QByteArray("?? ?  "));
        QCOMPARE(DecodeSensorImage(image, record), 2);
        QCOMPARE(record.Description.text(), QStringLiteral("abc").leftJustified(32));
    }

    void decimals_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("decoded");
        QTest::newRow("4-digit 2") << "##0.00" << 2 << "###0.00";
        QTest::newRow("4-digit 0") << "####0" << 0 << "######0";
        QTest::newRow("three") << "##0.000" << 3 << "##0.000";
        QTest::newRow("5-digit 4") << "#0.0000" << 4 << "#0.0000";
        QTest::newRow("blanks around") << " ####0.0" << 1 << "####0.0";
        QTest::newRow("five") << "0.00000" << 5 << "0.00000";
        QTest::newRow("six") << "0.000000" << 6 << "######0";
    }
    void decimals() {
        QFETCH(QString, pattern);
        QFETCH(int, decimals);
        QFETCH(QString, decoded);
        SensorRecord record = twoPointRecord();
        record.UnitFormat = pattern;
        const QByteArray image = encode(record);
        QCOMPARE(static_cast<int>(image[40]), decimals);
        QCOMPARE(DecodeSensorImage(image, record), 2);
        QCOMPARE(record.Decimals, decimals);
        QCOMPARE(record.UnitFormat.trimmed(), decoded);
    }

    void numberFields_data() {
        QTest::addColumn<float>("rangeZero");
        QTest::addColumn<QByteArray>("zeroBytes");
        QTest::newRow("300.4") << 300.4F << QByteArray("\x01\x2C");
        QTest::newRow("2.5 to even") << 2.5F << QByteArray("\x00\x02", 2);
        QTest::newRow("65535") << 65535.0F << QByteArray("\xFF\xFF");
        QTest::newRow("-3") << -3.0F << QByteArray(2, '\0');
        QTest::newRow("70000") << 70000.0F << QByteArray(2, '\0');
    }
    void numberFields() {
        QFETCH(float, rangeZero);
        QFETCH(QByteArray, zeroBytes);
        SensorRecord record = twoPointRecord();
        record.RangeZero = rangeZero;
        record.GainIndex = 9;
        record.FullScale = 0.0F;
        record.Slide = 0;
        QByteArray image = encode(record);
        QCOMPARE(image.mid(5, 2), zeroBytes);
        QCOMPARE(static_cast<int>(image[4]), 7);
        QCOMPARE(DecodeSensorImage(setByte(image, 4, 0x0D), record), 2);
        QCOMPARE(record.GainIndex, 5);
        QCOMPARE(record.FullScale, 999999.0F);
        QCOMPARE(record.Slide, 10);
        QCOMPARE(record.SlideRychl, 1);
    }

    void compare() {
        const QByteArray image = encode(twoPointRecord());
        const QByteArray otherDate = QByteArray(image).replace(49, 6, "991231");
        QCOMPARE(CompareSensorImages(image, otherDate), 0);
        QCOMPARE(CompareSensorImages(image, setByte(image, 8, 'X')), 9);
        QCOMPARE(CompareSensorImages(image, setByte(image, 100, 3)), 101);
        QCOMPARE(CompareSensorImages(image, image + QByteArray(136, 'x')), 0);
        QCOMPARE(CompareSensorImages(image.left(20), image.left(30)), 21);
        QCOMPARE(CompareSensorImages(QByteArray(), image), CompareEmptyImage);
        QCOMPARE(CompareSensorImages(image, QByteArray()), 999);
    }

    void sensorId() {
        const auto id = [](QDateTime time, QStringView hint, int tail) {
            return MakeSensorId(time, hint, tail, sequence({0.0, 0.99}));
        };
        QCOMPARE(id({{2024, 5, 7}, {0, 0, 0}}, u"", 0), "8507AAAY");
        QCOMPARE(id({{2031, 12, 31}, {23, 59, 59}}, u"K", 17), "FC31ZWK7");
        QCOMPARE(id({{2000, 10, 1}, {12, 30, 30}}, u"", 3), "0A01NMA3");
        // A stored id is kept when it fits, else replaced by a new one.
        const QDateTime now({2024, 5, 7}, {0, 0, 0});
        for (const QString stored : {"2A15AB3X", "09:;<?@Z"})
            QCOMPARE(CheckSensorId(stored, now, sequence({0.0})), stored);
        for (const QString stored : {"2a15ab3x", "2A15AB3", "~0000000", "        "})
            QCOMPARE(CheckSensorId(stored, now, sequence({0.0})), "8507AAA5");
    }
};

QTEST_GUILESS_MAIN(SensorImageTest)
#include "tst_sensorimage.moc"
