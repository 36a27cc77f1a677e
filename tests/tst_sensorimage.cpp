#include "core/sensor/SensorId.h"
#include "core/sensor/SensorImage.h"

#include <QTest>
#include <cmath>

using namespace sensor;

namespace {

const QDate Today(2024, 5, 31);
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

} // namespace

class SensorImageTest : public QObject {
    Q_OBJECT

private slots:
    void workedImageRoundTrip() {
        QByteArray image = encode(twoPointRecord());
        // The settings (FSN) from offset 0, the curve (KRI) from 96.
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

    // The size figure is 72 + 2b·n (the image 32 bytes longer) up to 255, else -1.
    void encodeResult() {
        const auto figure = [](int options, int points, Change change = nullptr) {
            SensorRecord record = twoPointRecord();
            record.Options = static_cast<std::uint8_t>(options);
            record.CurvePointCount = points;
            if (change != nullptr)
                change(record);
            const auto result = EncodeSensorImage(record, Today);
            if (const auto* failure = std::get_if<EncodeFailure>(&result))
                return *failure == EncodeFailure::CalibrationOverflow ? -1 : -2;
            const auto& encoded = std::get<EncodedSensorImage>(result);
            return encoded.image.size() == encoded.sizeFigure + 32 ? encoded.sizeFigure : 0;
        };
        QCOMPARE(figure(0xD0, 22), 248);
        QCOMPARE(figure(0xD0, 23), -1);
        QCOMPARE(figure(0x80, 30), 252);
        QCOMPARE(figure(0x80, 31), -1);
        QCOMPARE(figure(0xD0, 2, [](SensorRecord& r) { r.FullScale = std::nanf(""); }), -2);
        QCOMPARE(figure(0xD0, 2, [](SensorRecord& r) { r.CurveSignal[1] = INFINITY; }), -2);
        const Change nearTop = [](SensorRecord& r) { r.CurveEtalon[1] = 0x1p127F - 0x1p103F; };
        QCOMPARE(figure(0xD0, 2, nearTop), 88);
        QCOMPARE(figure(0x80, 2, nearTop), -2);
    }

    // A failure after the length check leaves a point count of 0.
    void decode() {
        const QByteArray good = encode(twoPointRecord());
        const auto code = [](const QByteArray& image) {
            SensorRecord record;
            record.CurvePointCount = 7;
            const int result = DecodeSensorImage(image, record);
            const int count = result == DecodeTooShort ? 7 : std::max(result, 0);
            return record.CurvePointCount == count ? result : 999;
        };
        QCOMPARE(code(good.left(99)), DecodeTooShort);
        QCOMPARE(code(setByte(good, 2, 'X')), DecodeMissingFsn);
        QCOMPARE(code(setByte(good, 98, ' ')), DecodeMissingKri);
        QCOMPARE(code(setByte(good, 99, 0x70)), DecodeOptionBit7Clear);
        QCOMPARE(code(setByte(good, 99, 0xF0)), DecodeOptionBit5Set);
        QCOMPARE(code(setByte(good, 100, 1)), DecodeBadPointCount);
        QCOMPARE(code(setByte(good, 100, 41)), DecodeBadPointCount);
        QCOMPARE(code(good.left(100)), DecodeBadPointCount);
        SensorRecord record = twoPointRecord();
        SensorRecord decoded;
        record.CurvePointCount = 22;
        for (std::size_t i = 0; i < 22; ++i)
            record.CurveEtalon[i] = static_cast<float>(i + 1);
        QCOMPARE(DecodeSensorImage(setByte(encode(record), 100, 40).left(256), decoded), 40);
        QCOMPARE(decoded.CurveEtalon[18], 19.0F); // the last point inside the block
        for (std::size_t i = 19; i < 40; ++i)
            QCOMPARE(decoded.CurveEtalon[i], 0.0F);
    }

    // The range zero as a 16-bit number, 0 outside it.
    void numberFields() {
        SensorRecord record = twoPointRecord();
        record.RangeZero = 300.4F;
        QCOMPARE(encode(record).mid(5, 2), QByteArray("\x01\x2C"));
        record.RangeZero = 70000.0F;
        record.GainIndex = 9;
        record.FullScale = 0.0F;
        record.Slide = 0;
        const QByteArray image = encode(record);
        QCOMPARE(image.mid(4, 3), QByteArray("\x07\x00\x00", 3));
        QCOMPARE(DecodeSensorImage(setByte(image, 4, 0x0D), record), 2);
        QCOMPARE(record.GainIndex, 5);
        QCOMPARE(record.FullScale, 999999.0F);
        QCOMPARE(record.Slide, 10);
    }

    // 0 when equal apart from the save date, else the 1-based position of the first difference.
    void compare() {
        const QByteArray image = encode(twoPointRecord());
        QCOMPARE(CompareSensorImages(image, QByteArray(image).replace(49, 6, "991231")), 0);
        QCOMPARE(CompareSensorImages(image, setByte(image, 100, 3)), 101);
        QCOMPARE(CompareSensorImages(image, image + QByteArray(136, 'x')), 0);
        QCOMPARE(CompareSensorImages(image.left(20), image.left(30)), 21);
        QCOMPARE(CompareSensorImages(QByteArray(), image), CompareEmptyImage);
    }

    // The id from the time, a hint and a tail; a stored id is kept when it fits, else replaced.
    void sensorId() {
        const auto random = [] { return 0.0; };
        const QDateTime now({2024, 5, 7}, {0, 0, 0});
        QCOMPARE(MakeSensorId({{2031, 12, 31}, {23, 59, 59}}, u"K", 17, random), "FC31ZWK7");
        QCOMPARE(CheckSensorId("09:;<?@Z", now, random), "09:;<?@Z");
        QCOMPARE(CheckSensorId("2a15ab3x", now, random), "8507AAA5");
    }
};

QTEST_GUILESS_MAIN(SensorImageTest)
#include "tst_sensorimage.moc"
