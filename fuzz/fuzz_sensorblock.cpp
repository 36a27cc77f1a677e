// A sensor block.
#include "core/instrument/OrvoLib.h"
#include "core/sensor/SensorImage.h"
#include "fuzz/FuzzSupport.h"
#include "tests/support/TestLink.h"

#include <algorithm>
#include <cctype>

using fuzzing::check;
using fuzzing::sameBits;

namespace {

// Decoding never reads outside the image.
void checkImage(const QByteArray& image) {
    using namespace sensor;
    SensorRecord record;
    const int decoded = DecodeSensorImage(image, record);
    check(CompareSensorImages(image, image) == (image.isEmpty() ? CompareEmptyImage : 0));
    if (image.size() < MinDecodableImage) {
        check(decoded == DecodeTooShort && record == SensorRecord{});
        return;
    }
    if (decoded < 0) {
        check(record.CurvePointCount == 0);
        return;
    }
    check(decoded >= MinCurvePoints && decoded <= MaxCurvePoints &&
          record.CurvePointCount == decoded);
    const int sizeFigure = 72 + 2 * ((record.Options & 0x40) != 0 ? 4 : 3) * decoded;
    const EncodeResult first = EncodeSensorImage(record, QDate(2025, 3, 14));
    if (const auto* failure = std::get_if<EncodeFailure>(&first)) {
        check(*failure == EncodeFailure::CalibrationOverflow && sizeFigure > MaxSizeFigure);
        return;
    }
    const auto& encoded = std::get<EncodedSensorImage>(first);
    check(encoded.sizeFigure == sizeFigure && encoded.image.size() == sizeFigure + 32);
    SensorRecord reread;
    check(DecodeSensorImage(encoded.image, reread) == decoded);
    check(reread.Options == record.Options && reread.GainIndex == record.GainIndex &&
          sameBits(reread.FullScale, record.FullScale) &&
          sameBits(reread.FullScaleNeg, record.FullScaleNeg));
    for (std::size_t i = 0; i < static_cast<std::size_t>(decoded); ++i)
        check(sameBits(reread.CurveSignal[i], record.CurveSignal[i]) &&
              sameBits(reread.CurveEtalon[i], record.CurveEtalon[i]));
    const EncodeResult second = EncodeSensorImage(reread, QDate(2025, 3, 14));
    check(std::get<EncodedSensorImage>(second).image == encoded.image);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzzing::bytesOf(data, size);
    checkImage(bytes);

    constexpr qsizetype ReplyLength = 2 * device::orvoLib::BlockSize + 1;
    QByteArray reply = bytes.left(ReplyLength).leftJustified(ReplyLength, '0');
    reply.back() = '\r';
    const QByteArray request = device::orvoLib::frame(0, "KB", {32});
    fuzzing::ScriptedLine line(
        [&](const QByteArray& frame) { return frame == request ? reply : QByteArray(); });
    fuzzing::NoWaitClock clock;
    QByteArray image;
    check(device::orvoLib::ReadBlock(testsupport::link(line, clock), image, 0, 1) == 1);
    // The hexadecimal pairs, whenever the reply is all pairs.
    const QByteArray hex = reply.left(ReplyLength - 1);
    const bool allHex = std::all_of(hex.begin(), hex.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) != 0;
    });
    check(image.size() == device::orvoLib::BlockSize &&
          (!allHex || image == QByteArray::fromHex(hex)));
    checkImage(image);
    return 0;
}
