#pragma once

#include <cstdint>

namespace device {

// The live measurement as the polling timer last read it, and the constants of the active
// range that turn raw divisions into mV/V.
struct LiveValues {
    float DisplayValue = 0.0F;
    float SignalDiv = 0.0F;
    float SignalMVV = 0.0F;
    std::uint8_t StatusFlags = 0;
    std::uint8_t RangeFlags = 0;
    std::uint8_t BatteryLevel = 0;
    float ActiveZero = 0.0F;
    float ActiveK = 0.0F;
    int DisplayDigits = 4;
    // No reading has come since the live signal found the line lost or closed: the values above
    // are the last ones read, not the instrument's present ones.
    bool SignalStale = false;
};

} // namespace device
