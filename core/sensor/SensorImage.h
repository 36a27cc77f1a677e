#pragma once

#include "core/sensor/SensorRecord.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <variant>

// The codec between a SensorRecord and the byte image of a sensor block: the FSN structure
// (settings, offsets 0 to 95) followed by the KRI structure (curve, from offset 96).
namespace sensor {

// Shown, with the critical icon, before the program ends when a record's curve does not fit
// into its block.
inline constexpr char CalibrationOverflowMessage[] = "Calibration overflow. Cannot continue.";

// The largest size figure a block takes.
inline constexpr int MaxSizeFigure = 255;

enum class EncodeFailure {
    // The size figure is above MaxSizeFigure: the program cannot go on
    // (CalibrationOverflowMessage).
    CalibrationOverflow,
    // A measuring range or a point value that the device float code cannot hold (not a
    // number, infinite, or too large); nothing may be written.
    UnencodableValue,
};

struct EncodedSensorImage {
    // 104 + 2b·n bytes for n points of b bytes per value; the rest of the block is not part
    // of it.
    QByteArray image;
    // 72 + 2b·n, the figure that the block limit applies to.
    int sizeFigure = 0;
};

using EncodeResult = std::variant<EncodedSensorImage, EncodeFailure>;

// The image of a record, dated `today`. Either a complete image or a failure, never a part of
// one. A negative point count counts as no points.
[[nodiscard]] EncodeResult EncodeSensorImage(const SensorRecord& record, QDate today);

// Results of DecodeSensorImage besides the point count.
inline constexpr int DecodeTooShort = -30;
inline constexpr int DecodeMissingFsn = -34;
inline constexpr int DecodeMissingKri = -32;
inline constexpr int DecodeOptionBit7Clear = -43;
inline constexpr int DecodeOptionBit5Set = -42;
inline constexpr int DecodeBadPointCount = -33;
// The shortest image that is decoded at all.
inline constexpr int MinDecodableImage = 100;

// Fills `record` from an image; the point count (2 to 40) or a negative Decode* code. An image
// that is too short leaves the record untouched; a later failure leaves the fields read so far
// and a point count of 0, and the record must not be used. Bytes beyond the end of the image
// read as 0, so points that do not fit into it come out as 0.
[[nodiscard]] int DecodeSensorImage(const QByteArray& image, SensorRecord& record);

// Result of CompareSensorImages when either image is empty.
inline constexpr int CompareEmptyImage = 999;

// 0 when the images agree apart from the save date (offsets 49 to 54), else the 1-based
// position of the first difference; CompareEmptyImage when either is empty. Past the first 49
// positions, only the length of the shorter image is compared.
[[nodiscard]] int CompareSensorImages(const QByteArray& newImage, const QByteArray& oldImage);

// The name of the record field that byte `offset` of a block image holds (as SensorRecord
// names it, "CurveSignal[2]" for a point value), or of the block's own part ("FSN", "KRI",
// "Reserved", "Unused" past the curve).
[[nodiscard]] QString SensorFieldAt(const QByteArray& image, qsizetype offset);

// A save date as the record and the image hold it: "YYMMDD".
[[nodiscard]] QString saveDateText(QDate date);

// The display pattern that a stored number of decimals stands for ("######0" for any
// number without a pattern of its own).
[[nodiscard]] QString unitFormatForDecimals(int decimals);
// The number of characters after the first "." of the pattern without its blanks; 0 when it
// has no ".".
[[nodiscard]] int decimalsOfPattern(QStringView pattern);

} // namespace sensor
