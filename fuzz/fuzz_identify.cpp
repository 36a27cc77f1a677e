// What arrives after "$00@" (the identification must find "TORAN" in it, and only in it), and
// the same bytes as the reply to the sensor presence query "$00KQ".
#include "core/instrument/Identify.h"
#include "core/instrument/OrvoLib.h"
#include "core/sensor/SensorReadout.h"
#include "core/text/LanguageTable.h"
#include "fuzz/FuzzSupport.h"
#include "sim/SensorBlock.h"
#include "tests/support/FakeStatusPanel.h"
#include "tests/support/ScriptedMessages.h"

using fuzzing::check;

namespace {

void identify(const QByteArray& arriving) {
    // Half arrives after each request. The stale bytes in the buffer must not count.
    const qsizetype half = arriving.size() / 2;
    int requests = 0;
    fuzzing::ScriptedLine line(
        [&](const QByteArray&) {
            ++requests;
            return requests == 1 ? arriving.left(half) : arriving.mid(half);
        },
        "TORAN stale ");
    fuzzing::NoWaitClock clock;
    const bool identified = device::IdentifyRequest({line, clock});
    check(identified == arriving.contains("TORAN"));
    check(line.frames() == QList<QByteArray>({"$00@\r", "$00@\r"}));
}

QByteArray blockReply(const QByteArray& block) {
    return block.toHex().toUpper() + '\r';
}

void presence(const QByteArray& reply) {
    const QByteArray external = blockReply(sim::makeSensorBlock(sim::defaultExternalSensor()));
    const QByteArray internal = blockReply(sim::makeSensorBlock(sim::defaultInternalSensor()));
    const QByteArray externalRequest = device::orvoLib::frame(0, "KB", {0});
    const QByteArray internalRequest = device::orvoLib::frame(0, "KB", {32});
    fuzzing::ScriptedLine line([&](const QByteArray& frame) {
        if (frame == "$00KQ\r")
            return reply;
        if (frame == externalRequest)
            return external;
        if (frame == internalRequest)
            return internal;
        return QByteArray();
    });
    fuzzing::NoWaitClock clock;
    testsupport::FakeStatusPanel status;
    testsupport::ScriptedMessages messages;
    text::LanguageTable texts;
    sensor::RangeBoxTexts boxes;
    boxes.zero.fill(QStringLiteral("32768"));
    boxes.k.fill(QStringLiteral("0,001"));
    sensor::SensorState sensors;
    device::LiveValues live;
    sensor::ReadSensors({line, clock}, status, messages, texts, boxes, sensors, live);

    // Only the blocks the mask names are read, the internal one first; both read cleanly.
    QList<QByteArray> expected = {"$00KQ\r"};
    if (sensors.SensorMask & (1U << sensor::InternalBlock))
        expected.append(internalRequest);
    if (sensors.SensorMask & (1U << sensor::ExternalBlock))
        expected.append(externalRequest);
    check(line.frames() == expected);
    check(messages.shown.isEmpty());
    check(!status.visible);
    if (reply.size() != 3)
        check(sensors.SensorMask == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzzing::bytesOf(data, size);
    identify(bytes);
    presence(bytes);
    return 0;
}
