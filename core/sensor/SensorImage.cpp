#include "core/sensor/SensorImage.h"

#include "core/text/DeviceFloat.h"
#include "core/text/Windows1250.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>

namespace sensor {

namespace {

namespace offset {
constexpr qsizetype Fsn = 0;
constexpr qsizetype Gain = 4;
constexpr qsizetype Description = 8;
constexpr qsizetype Decimals = 40;
constexpr qsizetype Unit = 41;
constexpr qsizetype SlideRychl = 47;
constexpr qsizetype Slide = 48;
constexpr qsizetype SaveDate = 49;
constexpr qsizetype AuxText = 55;
constexpr qsizetype SensorId = 61;
constexpr qsizetype FullScaleNeg = 69;
constexpr qsizetype FullScale = 73;
constexpr qsizetype LimitFlags = 77;
constexpr qsizetype Kri = 96;
constexpr qsizetype Options = 99;
constexpr qsizetype PointCount = 100;
constexpr qsizetype Points = 104;
} // namespace offset

constexpr qsizetype DescriptionWidth = 32;
constexpr qsizetype UnitWidth = 6;
constexpr qsizetype SaveDateWidth = 6;
constexpr qsizetype AuxTextWidth = 6;
constexpr qsizetype SensorIdWidth = 8;
constexpr int ReservedAfterLimits = 18;
constexpr int SizeFigureBase = 72;
constexpr std::uint8_t StructureVersion = 1;
constexpr int HighestGain = 7;
constexpr int DefaultAveraging = 10;
constexpr float UnsetFullScale = 999999.0F;

constexpr std::uint8_t OptionRequired = 0x80;
constexpr std::uint8_t OptionFourBytes = 0x40;
constexpr std::uint8_t OptionForbidden = 0x20;

int pointValueBytes(std::uint8_t options) {
    return (options & OptionFourBytes) != 0 ? 4 : 3;
}

// Exactly `width` bytes: the text's characters, cut or filled up with blanks.
QByteArray textField(QStringView text, qsizetype width) {
    QByteArray bytes;
    bytes.reserve(width);
    for (const char32_t character : text.toUcs4()) {
        if (bytes.size() == width)
            break;
        // '?' for a character the code page lacks.
        bytes.append(text::windows1250Byte(character).value_or('?'));
    }
    return bytes.leftJustified(width, ' ');
}

// The device float code's bytes, exponent first; nothing when the value cannot be held.
std::optional<QByteArray> floatBytes(double value, int bytes) {
    const QString hex = device::FloatToHex(value, bytes);
    if (hex.size() != 2 * bytes)
        return std::nullopt;
    return QByteArray::fromHex(hex.toLatin1());
}

char byteOf(int value) {
    return static_cast<char>(static_cast<std::uint8_t>(value));
}

char clampedByte(int value) {
    return byteOf(std::clamp(value, 0, 255));
}

// The zero of the gain range as a big-endian 16-bit whole number; two zero bytes when it does
// not fit.
QByteArray rangeZeroBytes(float rangeZero) {
    const double whole = std::nearbyint(static_cast<double>(rangeZero));
    if (!(whole >= 0.0 && whole <= 65535.0))
        return QByteArray(2, '\0');
    const int value = static_cast<int>(whole);
    return QByteArray{} + byteOf(value / 256) + byteOf(value % 256);
}

// Reads an image of any length; a byte beyond its end reads as 0.
class ImageReader {
public:
    explicit ImageReader(const QByteArray& image) : image_(image) {}

    [[nodiscard]] std::uint8_t byte(qsizetype at) const {
        return at < image_.size() ? static_cast<std::uint8_t>(image_[at]) : 0;
    }
    [[nodiscard]] QByteArray bytes(qsizetype at, qsizetype count) const {
        QByteArray result(count, '\0');
        for (qsizetype i = 0; i < count; ++i)
            result[i] = static_cast<char>(byte(at + i));
        return result;
    }
    [[nodiscard]] QString text(qsizetype at, qsizetype width) const {
        return text::fromWindows1250(bytes(at, width));
    }
    [[nodiscard]] float deviceFloat(qsizetype at, int count) const {
        const QString hex = QString::fromLatin1(bytes(at, count).toHex().toUpper());
        return static_cast<float>(device::HexToFloat(hex));
    }

private:
    const QByteArray& image_;
};

std::int32_t averaging(std::uint8_t stored) {
    return stored < 1 ? DefaultAveraging : static_cast<std::int32_t>(stored);
}

} // namespace

EncodeResult EncodeSensorImage(const SensorRecord& record, QDate today) {
    const auto negativeRange = floatBytes(record.FullScaleNeg, 4);
    const auto positiveRange = floatBytes(record.FullScale, 4);
    if (!negativeRange || !positiveRange)
        return EncodeFailure::UnencodableValue;

    const int valueBytes = pointValueBytes(record.Options);
    const std::int64_t points = std::max(0, record.CurvePointCount);
    const std::int64_t sizeFigure = SizeFigureBase + points * 2 * valueBytes;
    if (sizeFigure > MaxSizeFigure)
        return EncodeFailure::CalibrationOverflow;

    QByteArray curve;
    for (std::size_t i = 0; i < static_cast<std::size_t>(points); ++i) {
        const auto signal = floatBytes(record.CurveSignal[i], valueBytes);
        const auto etalon = floatBytes(record.CurveEtalon[i], valueBytes);
        if (!signal || !etalon)
            return EncodeFailure::UnencodableValue;
        curve += *signal + *etalon;
    }

    const int gain =
        record.GainIndex >= 0 && record.GainIndex <= HighestGain ? record.GainIndex : HighestGain;
    QByteArray image = "FSN";
    image += byteOf(StructureVersion);
    image += byteOf(gain);
    image += rangeZeroBytes(record.RangeZero);
    image += '\0';
    image += textField(record.Description.trimmed(), DescriptionWidth);
    image += clampedByte(decimalsOfPattern(record.UnitFormat.text()));
    image += textField(record.UnitName.trimmed(), UnitWidth);
    image += clampedByte(record.SlideRychl);
    image += clampedByte(record.Slide);
    image += textField(saveDateText(today), SaveDateWidth);
    image += textField(record.AuxText.text(), AuxTextWidth);
    image += textField(record.SensorId.text(), SensorIdWidth);
    image += *negativeRange + *positiveRange;
    image += byteOf(StandardLimitFlags);
    image += QByteArray(ReservedAfterLimits, '\0');
    image += "KRI";
    image += byteOf(record.Options);
    image += byteOf(static_cast<int>(points));
    image += QByteArray(3, '\0');
    image += curve;
    return EncodedSensorImage{image, static_cast<int>(sizeFigure)};
}

int DecodeSensorImage(const QByteArray& image, SensorRecord& record) {
    if (image.size() < MinDecodableImage)
        return DecodeTooShort;
    const ImageReader in(image);
    record.CurvePointCount = 0;
    if (in.bytes(offset::Fsn, 3) != "FSN")
        return DecodeMissingFsn;

    record.GainIndex = in.byte(offset::Gain) & HighestGain;
    record.Description = trimBlanks(in.text(offset::Description, DescriptionWidth));
    record.Decimals = in.byte(offset::Decimals);
    record.UnitFormat = unitFormatForDecimals(record.Decimals);
    record.UnitName = trimBlanks(in.text(offset::Unit, UnitWidth));
    record.SlideRychl = averaging(in.byte(offset::SlideRychl));
    record.Slide = averaging(in.byte(offset::Slide));
    record.SaveDate = in.text(offset::SaveDate, SaveDateWidth);
    record.AuxText = in.text(offset::AuxText, AuxTextWidth);
    record.SensorId = in.text(offset::SensorId, SensorIdWidth);
    record.LimitFlags = in.byte(offset::LimitFlags);
    record.FullScaleNeg = in.deviceFloat(offset::FullScaleNeg, 4);
    record.FullScale = in.deviceFloat(offset::FullScale, 4);
    record.Options = in.byte(offset::Options);

    if (in.bytes(offset::Kri, 3) != "KRI")
        return DecodeMissingKri;
    if ((record.Options & OptionRequired) == 0)
        return DecodeOptionBit7Clear;
    if ((record.Options & OptionForbidden) != 0)
        return DecodeOptionBit5Set;
    const int points = in.byte(offset::PointCount);
    if (points < MinCurvePoints || points > MaxCurvePoints)
        return DecodeBadPointCount;

    const int valueBytes = pointValueBytes(record.Options);
    for (int i = 0; i < points; ++i) {
        const qsizetype at = offset::Points + qsizetype{2} * valueBytes * i;
        const auto slot = static_cast<std::size_t>(i);
        record.CurveSignal[slot] = in.deviceFloat(at, valueBytes);
        record.CurveEtalon[slot] = in.deviceFloat(at + valueBytes, valueBytes);
    }
    record.CurvePointCount = points;
    if (record.FullScale == 0.0F)
        record.FullScale = UnsetFullScale;
    return points;
}

int CompareSensorImages(const QByteArray& newImage, const QByteArray& oldImage) {
    if (newImage.isEmpty() || oldImage.isEmpty())
        return CompareEmptyImage;
    const auto at = [](const QByteArray& image, qsizetype i) -> std::optional<char> {
        if (i < image.size())
            return image[i];
        return std::nullopt;
    };
    // The settings ahead of the save date count even where one image has already ended.
    for (qsizetype i = 0; i < offset::SaveDate; ++i) {
        if (at(newImage, i) != at(oldImage, i))
            return static_cast<int>(i + 1);
    }
    const qsizetype shorter = std::min(newImage.size(), oldImage.size());
    for (qsizetype i = offset::AuxText; i < shorter; ++i) {
        if (newImage[i] != oldImage[i])
            return static_cast<int>(i + 1);
    }
    return 0;
}

QString SensorFieldAt(const QByteArray& image, qsizetype offset) {
    struct Field {
        qsizetype end; // one past the field's last byte
        const char* name;
    };
    static constexpr std::array<Field, 21> fields{{
        {offset::Fsn + 3, "FSN"},           {offset::Gain, "StructureVersion"},
        {offset::Gain + 1, "GainIndex"},    {offset::Gain + 3, "RangeZero"},
        {offset::Description, "Reserved"},  {offset::Decimals, "Description"},
        {offset::Unit, "Decimals"},         {offset::SlideRychl, "UnitName"},
        {offset::Slide, "SlideRychl"},      {offset::SaveDate, "Slide"},
        {offset::AuxText, "SaveDate"},      {offset::SensorId, "AuxText"},
        {offset::FullScaleNeg, "SensorId"}, {offset::FullScale, "FullScaleNeg"},
        {offset::LimitFlags, "FullScale"},  {offset::LimitFlags + 1, "LimitFlags"},
        {offset::Kri, "Reserved"},          {offset::Options, "KRI"},
        {offset::PointCount, "Options"},    {offset::PointCount + 1, "CurvePointCount"},
        {offset::Points, "Reserved"},
    }};
    for (const Field& field : fields) {
        if (offset < field.end)
            return QString::fromLatin1(field.name);
    }
    const ImageReader in(image);
    const qsizetype valueBytes = pointValueBytes(in.byte(offset::Options));
    const qsizetype point = (offset - offset::Points) / (2 * valueBytes);
    if (point >= std::min<int>(in.byte(offset::PointCount), MaxCurvePoints))
        return QStringLiteral("Unused");
    const bool etalon = (offset - offset::Points) % (2 * valueBytes) >= valueBytes;
    return QStringLiteral("%1[%2]")
        .arg(etalon ? QStringLiteral("CurveEtalon") : QStringLiteral("CurveSignal"))
        .arg(point);
}

QString saveDateText(QDate date) {
    return date.toString(QStringLiteral("yyMMdd"));
}

QString unitFormatForDecimals(int decimals) {
    switch (decimals) {
    case 1:
        return QStringLiteral("####0.0");
    case 2:
        return QStringLiteral("###0.00");
    case 3:
        return QStringLiteral("##0.000");
    case 4:
        return QStringLiteral("#0.0000");
    case 5:
        return QStringLiteral("0.00000");
    default:
        return QStringLiteral("######0");
    }
}

int decimalsOfPattern(QStringView pattern) {
    const QString trimmed = trimBlanks(pattern);
    const qsizetype point = trimmed.indexOf(u'.');
    return point < 0 ? 0 : static_cast<int>(trimmed.size() - point - 1);
}

} // namespace sensor
