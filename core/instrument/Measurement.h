#pragma once

#include "core/instrument/LiveValues.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace device {

// What one reply to "$00M" changes on the live-signal panels.
struct SignalUpdate {
    enum class Kind {
        NoReading, // fewer than 6 characters: the signal shows "-----", nothing else changes
        Malformed, // no two ";": nothing changes
        Reading,   // the values and every display below are refreshed
    };
    Kind kind = Kind::NoReading;
    bool overRange = false;  // lblILimHI shown
    bool underRange = false; // lblILimLO shown
    bool instrumentError = false;
    bool lowBattery = false;
    QString errorList; // the texts of the set error bits, for lblIDef's tooltip
    QString signalText;
    QString divisionsText;
    QString displayText;
    QString batteryText;
    // No reading came within the last two polls: the panels show that the values are old.
    bool signalLost = false;
    // The recent readings are stable (device::StabilityWatch).
    bool stable = false;
};

inline constexpr auto NoSignalText = "-----";
// Batteries at this level or above are fine.
inline constexpr int BatteryLow = 127;

// The texts of the instrument's error bits E50..E57, joined in bit order.
[[nodiscard]] QString instrumentErrorTexts(std::uint8_t statusFlags);

// Parses a measurement reply ("display;raw;SSRRBB" and the line end) into `values` and tells
// what the panels show. unitFormat is the sensor's number pattern for the display value.
[[nodiscard]] SignalUpdate applyMeasurementReply(const QByteArray& reply, LiveValues& values,
                                                 const QString& unitFormat);

} // namespace device
