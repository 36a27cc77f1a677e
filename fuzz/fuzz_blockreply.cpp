// A 513-character reply to "$00KB" (two hexadecimal characters per byte and CR, or anything
// else the line delivers) through ReadBlock, and the 256 bytes it makes through the decoder.
#include "core/instrument/OrvoLib.h"
#include "fuzz/ImageChecks.h"

#include <algorithm>

using fuzzing::check;

namespace {

constexpr qsizetype ReplyLength = 2 * device::orvoLib::BlockSize + 1;

bool allHexDigits(QByteArrayView text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Every input is made a reply of the full length, so each one reaches the conversion.
    QByteArray reply = fuzzing::bytesOf(data, size).left(ReplyLength);
    reply = reply.leftJustified(ReplyLength, '0');
    reply.back() = '\r';

    const QByteArray request = device::orvoLib::frame(0, "KB", {32});
    fuzzing::ScriptedLine line(
        [&](const QByteArray& frame) { return frame == request ? reply : QByteArray(); });
    fuzzing::NoWaitClock clock;
    QByteArray image;
    check(device::orvoLib::ReadBlock({line, clock}, image, 0, 1) == 1);
    check(image.size() == device::orvoLib::BlockSize);
    const QByteArrayView hex = QByteArrayView(reply).first(ReplyLength - 1);
    if (allHexDigits(hex))
        check(image == QByteArray::fromHex(hex.toByteArray()));
    fuzzing::checkSensorImage(image);
    return 0;
}
