#pragma once

#include "core/sensor/FixedText.h"

#include <QByteArray>
#include <array>
#include <cstdint>

namespace sensor {

// Curve slots of a record; a sensor block holds at most MaxCurvePoints of them.
inline constexpr std::size_t CurveSlots = 41;
inline constexpr int MinCurvePoints = 2;
inline constexpr int MaxCurvePoints = 40;

// Curve option byte this system stores: bit 7 set and bit 5 clear as the instrument requires,
// bit 6 set for 4-byte point values.
inline constexpr std::uint8_t StandardCurveOptions = 0xD0;
// Limit flags this system stores.
inline constexpr std::uint8_t StandardLimitFlags = 255;

// A sensor's settings and calibration curve as the calibrator keeps it. A default-constructed
// record is the cleared record: every number 0, every text blank.
struct SensorRecord {
    float RangeK = 0.0F;
    float RangeZero = 0.0F;
    std::int32_t Slide = 0;
    std::int32_t SlideRychl = 0;
    std::array<float, CurveSlots> CurveSignal{};
    std::array<float, CurveSlots> CurveEtalon{};
    std::int32_t CurvePointCount = 0;
    float FullScaleNeg = 0.0F;
    float FullScale = 0.0F;
    std::uint8_t LimitFlags = 0;
    std::uint8_t Options = 0;
    FixedText<32> Description;
    FixedText<6> UnitName;
    FixedText<8> UnitFormat;
    std::int32_t Decimals = 0;
    FixedText<8> SensorId;
    FixedText<6> SaveDate;
    FixedText<6> AuxText;
    std::int32_t GainIndex = 0;

    void clear() { *this = SensorRecord{}; }
    friend bool operator==(const SensorRecord&, const SensorRecord&) = default;
};

// Sensor blocks of the instrument.
inline constexpr int ExternalBlock = 0;
inline constexpr int InternalBlock = 1;

// What the calibrator knows about the instrument's sensors, held by the main window.
struct SensorState {
    // The sensor being worked on; the sensor page shows and edits it.
    SensorRecord CurrentSensor;
    // Index ExternalBlock for the external sensor, InternalBlock for the internal one.
    std::array<SensorRecord, 2> SensorRecords;
    // Bit 0: an external sensor is present; bit 1: an internal one.
    std::uint8_t SensorMask = 0;
    // The block image last read from or written to the instrument, one byte per character.
    QByteArray SensorImage;
    // The whole 256 bytes of each block as the last read-out read them; empty for a block that
    // is absent or could not be read.
    std::array<QByteArray, 2> BlockImages;

    // An external sensor that is present is the one worked on; otherwise the internal one.
    [[nodiscard]] int workingBlock() const {
        return (SensorMask & 1U) != 0 ? ExternalBlock : InternalBlock;
    }
    [[nodiscard]] bool workingOnExternal() const { return workingBlock() == ExternalBlock; }
};

} // namespace sensor
