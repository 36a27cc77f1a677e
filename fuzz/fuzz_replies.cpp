// Bytes on the line as the instrument's replies: to "$00M" as the polling timer hands it over,
// after "$00@" (the identification must find "TORAN" in it, and only in it), and to the sensor
// presence query "$00KQ".
#include "core/instrument/Identify.h"
#include "core/instrument/Measurement.h"
#include "core/instrument/OrvoLib.h"
#include "core/sensor/SensorReadout.h"
#include "core/text/LanguageTable.h"
#include "fuzz/FuzzSupport.h"
#include "sim/SensorBlock.h"
#include "tests/support/FakeStatusPanel.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestLink.h"

#include <cmath>

using fuzzing::check;

namespace {

void measurement(const QByteArray& reply) {
    // An ordinary range, and constants that drive the mV/V signal out of a float's range.
    for (const auto& [zero, k] : {std::pair{32768.0F, 0.0001F}, {-3.0e38F, 3.0e38F}, {0.0F, 0.0F}})
        for (const char* format : {"######0", "##0.000", "0.000E+00"}) {
            device::LiveValues values;
            values.ActiveZero = zero;
            values.ActiveK = k;
            const auto update = device::applyMeasurementReply(reply, values, format);
            // The panels never get an infinity or a NaN to show.
            check(std::isfinite(values.DisplayValue) && std::isfinite(values.SignalDiv) &&
                  std::isfinite(values.SignalMVV));
            switch (update.kind) {
            case device::SignalUpdate::Kind::NoReading:
                check(reply.size() < 6 && update.signalText == QLatin1String(device::NoSignalText));
                break;
            case device::SignalUpdate::Kind::Malformed:
                check(reply.size() >= 6 && reply.count(';') < 2);
                // Nothing changes.
                check(values.DisplayValue == 0 && values.SignalDiv == 0 && values.SignalMVV == 0 &&
                      values.StatusFlags == 0 && values.RangeFlags == 0 &&
                      values.BatteryLevel == 0);
                break;
            case device::SignalUpdate::Kind::Reading:
                check(reply.count(';') >= 2);
                check(update.overRange == ((values.RangeFlags & 0x80) == 0) &&
                      update.underRange == ((values.RangeFlags & 0x01) == 0) &&
                      update.instrumentError == (values.StatusFlags != 0) &&
                      update.errorList.isEmpty() == (values.StatusFlags == 0));
                check(!update.signalText.isEmpty() && !update.divisionsText.isEmpty() &&
                      !update.displayText.isEmpty());
                check(update.batteryText == QStringLiteral("B=%1").arg(values.BatteryLevel));
                break;
            }
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

// Only the blocks the mask names are read, the internal one first; both read cleanly.
void presence(const QByteArray& reply) {
    const QByteArray externalRequest = device::orvoLib::frame(0, "KB", {0});
    const QByteArray internalRequest = device::orvoLib::frame(0, "KB", {32});
    fuzzing::ScriptedLine line([&](const QByteArray& frame) {
        if (frame == "$00KQ\r")
            return reply;
        const bool external = frame == externalRequest;
        if (!external && frame != internalRequest)
            return QByteArray();
        return sim::makeSensorBlock(external ? sim::defaultExternalSensor()
                                             : sim::defaultInternalSensor())
                   .toHex()
                   .toUpper() +
               '\r';
    });
    fuzzing::NoWaitClock clock;
    testsupport::FakeStatusPanel status;
    testsupport::ScriptedMessages messages;
    device::SystemConstants boxes;
    boxes.zero.fill(QStringLiteral("32768"));
    boxes.k.fill(QStringLiteral("0,001"));
    sensor::SensorState sensors;
    device::LiveValues live;
    sensor::ReadSensors(testsupport::link(line, clock), status, messages, text::LanguageTable(),
                        boxes, sensors, live);
    QList<QByteArray> expected = {"$00KQ\r"};
    if (sensors.SensorMask & (1U << sensor::InternalBlock))
        expected.append(internalRequest);
    if (sensors.SensorMask & (1U << sensor::ExternalBlock))
        expected.append(externalRequest);
    check(line.frames == expected && messages.shown.isEmpty() && !status.visible);
    check(reply.size() == 3 || sensors.SensorMask == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzzing::bytesOf(data, size);
    measurement(bytes);
    identify(bytes);
    presence(bytes);
    return 0;
}
