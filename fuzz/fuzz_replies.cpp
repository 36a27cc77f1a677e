// Bytes on the line as the instrument's replies.
#include "core/instrument/Identify.h"
#include "core/instrument/Measurement.h"
#include "fuzz/FuzzSupport.h"
#include "tests/support/TestLink.h"

#include <cmath>

using fuzzing::check;

namespace {

// With an ordinary range, and with constants that drive the mV/V signal out of a float's range.
void measurement(const QByteArray& reply) {
    for (const auto& [zero, k] : {std::pair{32768.0F, 0.0001F}, {-3.0e38F, 3.0e38F}, {0.0F, 0.0F}})
        for (const char* format : {"######0", "##0.000", "0.000E+00"}) {
            device::LiveValues values;
            values.ActiveZero = zero;
            values.ActiveK = k;
            const auto update = device::applyMeasurementReply(reply, values, format);
            check(std::isfinite(values.DisplayValue) && std::isfinite(values.SignalDiv) &&
                  std::isfinite(values.SignalMVV));
            using Kind = device::SignalUpdate::Kind;
            check((update.kind == Kind::NoReading) == (reply.size() < 6));
            check((update.kind == Kind::Malformed) == (reply.size() >= 6 && reply.count(';') < 2));
            if (update.kind == Kind::NoReading)
                check(update.signalText == QLatin1String(device::NoSignalText));
            else if (update.kind == Kind::Malformed)
                check(values.DisplayValue == 0 && values.SignalDiv == 0 &&
                      values.StatusFlags == 0 && values.RangeFlags == 0 &&
                      values.BatteryLevel == 0);
            else
                check(update.overRange == ((values.RangeFlags & 0x80) == 0) &&
                      update.underRange == ((values.RangeFlags & 0x01) == 0) &&
                      update.instrumentError == (values.StatusFlags != 0) &&
                      update.errorList.isEmpty() == (values.StatusFlags == 0) &&
                      update.batteryText == QStringLiteral("B=%1").arg(values.BatteryLevel));
        }
}

void identify(const QByteArray& arriving) {
    // Half arrives after each request. The stale bytes in the buffer must not count.
    int requests = 0;
    fuzzing::ScriptedLine line(
        [&](const QByteArray&) {
            const qsizetype half = arriving.size() / 2;
            return ++requests == 1 ? arriving.left(half) : arriving.mid(half);
        },
        "TORAN stale ");
    fuzzing::NoWaitClock clock;
    check(device::IdentifyRequest(testsupport::link(line, clock)) == arriving.contains("TORAN"));
    check(line.frames == QList<QByteArray>({"$00@\r", "$00@\r"}));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzzing::bytesOf(data, size);
    measurement(bytes);
    identify(bytes);
    return 0;
}
