// A measurement reply ("display;raw;SSRRBB" CR) as the polling timer hands it over, whatever
// the line delivered.
#include "core/instrument/Measurement.h"
#include "fuzz/FuzzSupport.h"

#include <array>
#include <cmath>

using fuzzing::check;

namespace {

// The display patterns a sensor can carry, and one with an exponent.
constexpr std::array<const char16_t*, 7> UnitFormats = {
    u"######0", u"####0.0", u"###0.00", u"##0.000", u"#0.0000", u"0.00000", u"0.000E+00",
};

struct RangeConstants {
    float zero;
    float k;
};
// An ordinary range, and constants that drive the mV/V signal out of a float's range.
constexpr std::array<RangeConstants, 3> Ranges = {{
    {32768.0F, 0.0001F},
    {-3.0e38F, 3.0e38F},
    {0.0F, 0.0F},
}};

bool same(const device::LiveValues& a, const device::LiveValues& b) {
    return fuzzing::sameBits(a.DisplayValue, b.DisplayValue) &&
           fuzzing::sameBits(a.SignalDiv, b.SignalDiv) &&
           fuzzing::sameBits(a.SignalMVV, b.SignalMVV) && a.StatusFlags == b.StatusFlags &&
           a.RangeFlags == b.RangeFlags && a.BatteryLevel == b.BatteryLevel;
}

bool finite(const device::LiveValues& values) {
    return std::isfinite(values.DisplayValue) && std::isfinite(values.SignalDiv) &&
           std::isfinite(values.SignalMVV);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray reply = fuzzing::bytesOf(data, size);
    for (const RangeConstants& range : Ranges) {
        device::LiveValues values;
        values.ActiveZero = range.zero;
        values.ActiveK = range.k;
        for (const char16_t* format : UnitFormats) {
            const device::LiveValues before = values;
            const device::SignalUpdate update =
                device::applyMeasurementReply(reply, values, QString::fromUtf16(format));
            // The panels never get an infinity or a NaN to show.
            check(finite(values));
            switch (update.kind) {
            case device::SignalUpdate::Kind::NoReading:
                check(reply.size() < 6 && update.signalText == QLatin1String(device::NoSignalText));
                break;
            case device::SignalUpdate::Kind::Malformed:
                check(reply.size() >= 6 && reply.count(';') < 2);
                check(same(before, values));
                break;
            case device::SignalUpdate::Kind::Reading:
                check(reply.count(';') >= 2);
                check(update.overRange == ((values.RangeFlags & 0x80) == 0));
                check(update.underRange == ((values.RangeFlags & 0x01) == 0));
                check(update.instrumentError == (values.StatusFlags != 0));
                check(update.errorList.isEmpty() == (values.StatusFlags == 0));
                check(!update.signalText.isEmpty() && !update.divisionsText.isEmpty() &&
                      !update.displayText.isEmpty());
                check(update.batteryText == QStringLiteral("B=%1").arg(values.BatteryLevel));
                break;
            }
        }
    }
    return 0;
}
