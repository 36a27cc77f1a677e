#pragma once

#include "core/instrument/Stability.h"
#include "core/instrument/Timing.h"

#include <chrono>
#include <cstdint>
#include <optional>

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
    // The polling timer runs, and since when (the clock's time).
    bool Polling = false;
    std::chrono::milliseconds PollingSince{0};
    // When the values above were last read from a reply (the clock's time); nullopt when none
    // came since the polling last started or since the line was found lost.
    std::optional<std::chrono::milliseconds> ReadingTime;
    // The signals of the recent readings, without a gap, and whether they are stable.
    StabilityWatch Stability;
};

// A reading stays the instrument's present value for this many polls: one lost reply is borne.
inline constexpr auto FreshReadingAge = 2 * timing::PollInterval;

// The values are the instrument's present ones: the polling runs and a reading arrived within
// the last two polls. Only such a reading may become a point or a constant.
[[nodiscard]] inline bool readingFresh(const LiveValues& values, std::chrono::milliseconds now) {
    return values.Polling && values.ReadingTime && now - *values.ReadingTime < FreshReadingAge;
}

// The panels say that no signal comes: the polling runs and two polls since it started, or since
// the last reading, brought none. (The first tick after a start finds nothing by design.)
[[nodiscard]] inline bool signalLost(const LiveValues& values, std::chrono::milliseconds now) {
    if (!values.Polling || readingFresh(values, now))
        return false;
    const auto since = values.ReadingTime && *values.ReadingTime > values.PollingSince
                           ? *values.ReadingTime
                           : values.PollingSince;
    return now - since >= FreshReadingAge;
}

} // namespace device
