#include "core/sensor/SensorId.h"
#include "core/sensor/SensorImage.h"

#include <QTest>
#include <cmath>

using namespace sensor;

namespace {

const QDate Today(2024, 5, 31);
constexpr int Overflow = -1;
constexpr int Unencodable = -2;
using Change = void (*)(SensorRecord&);

SensorRecord twoPointRecord() {
    SensorRecord record;
    record.FullScaleNeg = -100.0F;
    record.FullScale = 100.0F;
    record.Options = StandardCurveOptions;
    record.CurvePointCount = 2;
    record.CurveSignal[1] = 2.0F;
    record.CurveEtalon[1] = 100.0F;
    record.Description = u"  Měřicí čidlo žluté";
    record.UnitName = QString::fromUtf8("😀中 Ω");
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
    void workedImageRoundTrip() {
        QByteArray image = encode(twoPointRecord());
        // The settings (FSN) from offset 0, the curve (KRI) from 96. The texts are in
        // Windows-1250, "?" for a character outside it, and lose their leading blanks.
        QCOMPARE(
            image.toHex(),
            QByteArray(
                "46534e01030000004decf86963ed20e869646c6f209e6c7574e92020202020202020202020202020"
                "023f3f203f20200110323430353331202020202020324131354142335887c8000087480000ff0000"
                "00000000000000000000000000000000"
                "4b5249d00200000000000000000000008200000087480000"));
        image.replace(55, 6, QByteArray("\x00\x81\xFFx\x9E ", 6));
        SensorRecord decoded;
        QCOMPARE(DecodeSensorImage(image, decoded), 2);
        QCOMPARE(decoded.Description.trimmed(), "Měřicí čidlo žluté");
        QCOMPARE(decoded.SensorId.text(), "2A15AB3X");
        QCOMPARE(decoded.UnitFormat.text(), "###0.00 ");
        QCOMPARE(decoded.SaveDate.text(), "240531");
        QCOMPARE(encode(decoded), image);
    }

    // The size figure is 72 + 2b·n (the image 32 bytes longer) up to 255; a value without a
    // device float code is refused, in the width the options ask for.
    void encodeResult() {
        const auto figure = [](
                                int options, int points, Change change = [](SensorRecord&) {}) {
            SensorRecord record = twoPointRecord();
            record.Options = static_cast<std::uint8_t>(options);
            record.CurvePointCount = points;
            change(record);
            const auto result = EncodeSensorImage(record, Today);
            if (const auto* failure = std::get_if<EncodeFailure>(&result))
                return *failure == EncodeFailure::CalibrationOverflow ? Overflow : Unencodable;
            const auto& encoded = std::get<EncodedSensorImage>(result);
            return encoded.image.size() == encoded.sizeFigure + 32 ? encoded.sizeFigure : 0;
        };
        QCOMPARE(figure(0xD0, -1), 72);
        QCOMPARE(figure(0xD0, 10), 152);
        QCOMPARE(figure(0xD0, 23), Overflow);
        QCOMPARE(figure(0x80, 30), 252);
        QCOMPARE(figure(0x80, 31), Overflow);
        QCOMPARE(figure(0xD0, 2, [](SensorRecord& r) { r.FullScale = std::nanf(""); }),
                 Unencodable);
        QCOMPARE(figure(0xD0, 2, [](SensorRecord& r) { r.FullScaleNeg = -0x1p127F; }), Unencodable);
        QCOMPARE(figure(0xD0, 2, [](SensorRecord& r) { r.CurveSignal[1] = INFINITY; }),
                 Unencodable);
        const Change nearTop = [](SensorRecord& r) { r.CurveEtalon[1] = 0x1p127F - 0x1p103F; };
        QCOMPARE(figure(0xD0, 2, nearTop), 88);
        QCOMPARE(figure(0x80, 2, nearTop), Unencodable);
    }

    // A failure after the length check leaves a point count of 0.
    void decodeCodes() {
        const QByteArray good = encode(twoPointRecord());
        const auto decode = [](const QByteArray& image) {
            SensorRecord record;
            record.CurvePointCount = 7;
            const int code = DecodeSensorImage(image, record);
            const int count = code == DecodeTooShort ? 7 : std::max(code, 0);
            return record.CurvePointCount == count ? code : 999;
        };
        QCOMPARE(decode(good.left(99)), DecodeTooShort);
        QCOMPARE(decode(setByte(good, 2, 'X')), DecodeMissingFsn);
        QCOMPARE(decode(setByte(good, 98, ' ')), DecodeMissingKri);
        QCOMPARE(decode(setByte(good, 99, 0x70)), DecodeOptionBit7Clear);
        QCOMPARE(decode(setByte(good, 99, 0xF0)), DecodeOptionBit5Set);
        QCOMPARE(decode(setByte(good, 100, 1)), DecodeBadPointCount);
        QCOMPARE(decode(setByte(good, 100, 41)), DecodeBadPointCount);
        QCOMPARE(decode(good.left(100)), DecodeBadPointCount);
    }

    // Points beyond the end of the image read as 0.
    void pointsBeyondTheImage() {
        SensorRecord record = twoPointRecord();
        SensorRecord decoded;
        QCOMPARE(DecodeSensorImage(encode(record).left(103), decoded), 2);
        QCOMPARE(decoded.CurveEtalon[1], 0.0F);
        record.CurvePointCount = 22;
        for (std::size_t i = 0; i < 22; ++i)
            record.CurveEtalon[i] = static_cast<float>(i + 1);
        QCOMPARE(DecodeSensorImage(setByte(encode(record), 100, 40).left(256), decoded), 40);
        QCOMPARE(decoded.CurveEtalon[18], 19.0F); // the last point inside the block
        for (std::size_t i = 19; i < 40; ++i)
            QCOMPARE(decoded.CurveEtalon[i], 0.0F);
    }

    // Fixed-width texts are padded with blanks or cut; a character cut in half goes whole.
    void fixedWidthTexts() {
        QCOMPARE(FixedText<6>(u"kg").text(), "kg    ");
        QCOMPARE(FixedText<32>(QString(40, u'x')).text(), QString(32, u'x'));
        QCOMPARE(FixedText<32>(QString(31, u'x') + QString::fromUtf8("😀")).text(),
                 QString(31, u'x') + u' ');
    }

    // The number of decimals is stored, and the pattern read back is the one it stands for.
    void decimals() {
        const auto stored = [](const QString& pattern) {
            SensorRecord record = twoPointRecord();
            record.UnitFormat = pattern;
            const QByteArray image = encode(record);
            if (DecodeSensorImage(image, record) != 2 || record.Decimals != image[40])
                return QString();
            return QStringLiteral("%1 %2").arg(record.Decimals).arg(record.UnitFormat.trimmed());
        };
        QCOMPARE(stored("####0"), "0 ######0");
        QCOMPARE(stored(" #0.0000"), "4 #0.0000");
        QCOMPARE(stored("0.000000"), "6 ######0");
    }

    // The range zero as a 16-bit number; an unset gain, full scale and slide read as defaults.
    void numberFields() {
        const auto zeroBytes = [](float rangeZero) {
            SensorRecord record = twoPointRecord();
            record.RangeZero = rangeZero;
            return encode(record).mid(5, 2);
        };
        QCOMPARE(zeroBytes(300.4F), QByteArray("\x01\x2C"));
        QCOMPARE(zeroBytes(2.5F), QByteArray("\x00\x02", 2));
        QCOMPARE(zeroBytes(65535.0F), QByteArray("\xFF\xFF"));
        QCOMPARE(zeroBytes(-3.0F), QByteArray(2, '\0'));
        QCOMPARE(zeroBytes(70000.0F), QByteArray(2, '\0'));
        SensorRecord record = twoPointRecord();
        record.GainIndex = 9;
        record.FullScale = 0.0F;
        record.Slide = 0;
        const QByteArray image = encode(record);
        QCOMPARE(static_cast<int>(image[4]), 7);
        QCOMPARE(DecodeSensorImage(setByte(image, 4, 0x0D), record), 2);
        QCOMPARE(record.GainIndex, 5);
        QCOMPARE(record.FullScale, 999999.0F);
        QCOMPARE(record.Slide, 10);
        QCOMPARE(record.SlideRychl, 1);
    }

    void compare() {
        const QByteArray image = encode(twoPointRecord());
        QCOMPARE(CompareSensorImages(image, QByteArray(image).replace(49, 6, "991231")), 0);
        QCOMPARE(CompareSensorImages(image, setByte(image, 8, 'X')), 9);
        QCOMPARE(CompareSensorImages(image, setByte(image, 100, 3)), 101);
        QCOMPARE(CompareSensorImages(image, image + QByteArray(136, 'x')), 0);
        QCOMPARE(CompareSensorImages(image.left(20), image.left(30)), 21);
        QCOMPARE(CompareSensorImages(QByteArray(), image), CompareEmptyImage);
        QCOMPARE(CompareSensorImages(image, QByteArray()), CompareEmptyImage);
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
