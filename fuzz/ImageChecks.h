#pragma once

#include "core/sensor/SensorImage.h"
#include "fuzz/FuzzSupport.h"

#include <QDate>

// What must hold for any sensor block image, however damaged: decoding never reads outside
// it, and a record that decodes can be written back (or is refused with a reason) and reads
// back as the same curve.
namespace fuzzing {

[[nodiscard]] inline bool sameCurve(const sensor::SensorRecord& a, const sensor::SensorRecord& b) {
    if (a.CurvePointCount != b.CurvePointCount || a.Options != b.Options)
        return false;
    for (std::size_t i = 0; i < static_cast<std::size_t>(a.CurvePointCount); ++i)
        if (!sameBits(a.CurveSignal[i], b.CurveSignal[i]) ||
            !sameBits(a.CurveEtalon[i], b.CurveEtalon[i]))
            return false;
    return sameBits(a.FullScale, b.FullScale) && sameBits(a.FullScaleNeg, b.FullScaleNeg) &&
           a.GainIndex == b.GainIndex;
}

inline void checkSensorImage(const QByteArray& image) {
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

    const QDate saved(2025, 3, 14);
    const EncodeResult first = EncodeSensorImage(record, saved);
    const int valueBytes = (record.Options & 0x40) != 0 ? 4 : 3;
    const int sizeFigure = 72 + 2 * valueBytes * decoded;
    if (const auto* failure = std::get_if<EncodeFailure>(&first)) {
        // Every value read from a block has a device float code, so only the size can fail.
        check(*failure == EncodeFailure::CalibrationOverflow && sizeFigure > MaxSizeFigure);
        return;
    }
    const auto& encoded = std::get<EncodedSensorImage>(first);
    check(sizeFigure <= MaxSizeFigure && encoded.sizeFigure == sizeFigure);
    check(encoded.image.size() == 104 + 2 * valueBytes * decoded);
    const int difference = CompareSensorImages(encoded.image, image);
    check(difference >= 0 && difference <= encoded.image.size());

    SensorRecord reread;
    check(DecodeSensorImage(encoded.image, reread) == decoded);
    check(sameCurve(record, reread));
    // A second save of what was read back writes the same bytes.
    const EncodeResult second = EncodeSensorImage(reread, saved);
    const auto* again = std::get_if<EncodedSensorImage>(&second);
    check(again != nullptr && again->image == encoded.image);
    check(CompareSensorImages(again->image, encoded.image) == 0);
}

} // namespace fuzzing
