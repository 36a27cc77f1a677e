#include "core/instrument/OrvoLib.h"

#include "core/instrument/Clock.h"
#include "core/instrument/Timing.h"
#include "core/text/DeviceFloat.h"
#include "core/text/HexCodes.h"
#include "core/text/NumberText.h"

#include <QList>
#include <algorithm>

namespace device::orvoLib {

namespace {

constexpr int ShortReply = 3;
constexpr int BlockReply = 2 * BlockSize + 1;

int pollsFor(std::chrono::milliseconds timeout) {
    return static_cast<int>(timeout / timing::PollStep);
}

// The instrument ends every reply with a carriage return, which no reply carries inside it.
constexpr char LineEnd = '\r';

// Waits until exactly `expected` characters wait, for allowedPolls + 1 poll steps at most, and
// takes them: the reply, or nullopt when none came in time (a reply too long or too short, or a
// read that failed). On a line that tells of arrivals a reply ending in the line end is taken at
// once, as nothing can continue it; one ending otherwise is taken only when no further character
// followed within timing::ReplySettle, so a reply one character too long still fails at the
// deadline. A line that cannot tell has its count looked at once per poll step.
std::optional<QByteArray> waitForReply(Link link, int expected, int allowedPolls) {
    const auto complete = [&] { return link.line.bytesWaiting() == expected; };
    const auto more = [&] { return link.line.bytesWaiting() > 0; };
    const WakeSource* arrivals = link.line.arrivals();
    const auto deadline = link.now() + (allowedPolls + 1) * timing::PollStep;
    const auto left = [&] { return deadline - link.now(); };
    if (!link.waitFor(left(), complete, arrivals))
        return std::nullopt;
    std::optional<QByteArray> reply = link.line.readAll();
    if (!reply)
        return std::nullopt;
    if (reply->size() == expected &&
        (arrivals == nullptr || reply->endsWith(LineEnd) ||
         !link.waitFor(std::min<std::chrono::milliseconds>(timing::ReplySettle, left()), more,
                       arrivals)))
        return reply;
    // Too long: the reply and what followed it count as no reply at the deadline, as they did
    // while they waited in the buffer; the caller discards what is left.
    const auto never = [] { return false; };
    if (left().count() > 0)
        (void)link.waitFor(left(), never, arrivals);
    return std::nullopt;
}

void discardInput(Link link) {
    (void)link.line.readAll();
}

// Writes the byte at `offset` of a sensor block and checks its echo: 0, -(offset + 1) when no
// echo came in BlockWriteAttempts, -10000 - (offset + 1) when the echo was wrong.
int writeBlockByte(Link link, int device, int block, int offset, char value) {
    const int byte = static_cast<unsigned char>(value);
    const QByteArray request = frame(device, "KW", {block * 32, offset, byte});
    std::optional<QByteArray> echo;
    for (int attempt = 1; attempt <= timing::BlockWriteAttempts && !echo; ++attempt) {
        discardInput(link);
        link.line.send(request);
        echo = waitForReply(link, ShortReply, timing::BlockWritePolls);
    }
    if (!echo)
        return -(offset + 1);
    if (HexToLong(QByteArrayView(*echo).first(2)) != byte)
        return -10000 - (offset + 1);
    return 0;
}

} // namespace

QByteArray frame(int device, const char* command, std::initializer_list<int> fields) {
    QByteArray text = "$" + LongToHex(device, 2).toLatin1() + command;
    for (const int field : fields)
        text += LongToHex(field, 2).toLatin1();
    text += '\r';
    return text;
}

int ReadByte(Link link, int device, int address, std::chrono::milliseconds timeout) {
    const QByteArray request = frame(device, "ER", {address});
    for (int failures = 0; failures < timing::ByteAttempts;) {
        link.line.send(request);
        if (const auto reply = waitForReply(link, ShortReply, pollsFor(timeout)))
            return HexToLong(QByteArrayView(*reply).first(2));
        ++failures;
        discardInput(link);
    }
    return -1;
}

int WriteByte(Link link, int device, int address, int value, std::chrono::milliseconds timeout) {
    link.line.send(frame(device, "EW", {address, value}));
    for (int failures = 0; failures < timing::ByteAttempts;) {
        if (const auto reply = waitForReply(link, ShortReply, pollsFor(timeout));
            reply && HexToLong(QByteArrayView(*reply).first(2)) == value)
            return value;
        ++failures;
        link.delay(timing::PollStep);
        discardInput(link);
    }
    return -1;
}

double ReadFloat(Link link, int device, int address, std::chrono::milliseconds timeout,
                 bool fourBytes) {
    return ReadFloatChecked(link, device, address, timeout, fourBytes).value;
}

FloatRead ReadFloatChecked(Link link, int device, int address, std::chrono::milliseconds timeout,
                           bool fourBytes) {
    const int count = fourBytes ? 4 : 3;
    FloatRead result;
    QString text;
    for (int offset = count - 1; offset >= 0; --offset) {
        const int byte = ReadByte(link, device, address + offset, timeout);
        if (byte < 0 && !result.failedAddress)
            result.failedAddress = address + offset;
        text += byte < 0 ? QStringLiteral("FF") : LongToHex(byte, 2);
    }
    result.value = HexToFloat(text);
    return result;
}

int WriteFloat(Link link, int device, int address, double value, std::chrono::milliseconds timeout,
               bool fourBytes) {
    discardInput(link);
    const int count = fourBytes ? 4 : 3;
    const QString text = FloatToHex(value, count);
    if (text.isEmpty())
        return 0;
    bool allWritten = true;
    for (int pair = 0; pair < count; ++pair) {
        const int byte = HexToLong(QStringView(text).mid(2 * pair, 2));
        if (WriteByte(link, device, address + count - 1 - pair, byte, timeout) < 0)
            allWritten = false;
    }
    return allWritten ? 1 : 0;
}

int ReadBlock(Link link, QByteArray& data, int device, int block) {
    if (!link.line.isOpen())
        return ReadBlockPortClosed;
    discardInput(link);
    link.line.send(frame(device, "KB", {block * 32}));
    const auto reply = waitForReply(link, BlockReply, timing::BlockReadPolls);
    if (!reply)
        return ReadBlockTimeout;
    QByteArray bytes(BlockSize, '\0');
    for (int i = 0; i < BlockSize; ++i)
        bytes[i] = static_cast<char>(HexToLong(QByteArrayView(*reply).sliced(2 * i, 2)));
    data = bytes;
    return 1;
}

int WriteBlock(Link link, const QByteArray& data, int device, int block,
               const ProgressSink& progress, const QString& captionPrefix) {
    if (!link.line.isOpen())
        return WriteBlockPortClosed;
    if (data.size() > BlockSize)
        return WriteBlockTooLong;
    link.delay(timing::BlockWriteLeadIn);
    const auto n = static_cast<int>(data.size());
    for (int i = 1; i <= n; ++i) {
        if (i % 10 == 0 && progress)
            progress(captionPrefix + QStringLiteral(" (") + FormatNumber(i * 100 / n, u"##0") +
                     QStringLiteral("%)"));
        if (const int failed = writeBlockByte(link, device, block, i - 1, data[i - 1]); failed != 0)
            return failed;
    }
    return 0;
}

BytesWrite WriteBlockBytes(Link link, const QByteArray& data, const QByteArray& held, int device,
                           int block, const ProgressSink& progress, const QString& captionPrefix) {
    BytesWrite result;
    if (!link.line.isOpen()) {
        result.code = WriteBlockPortClosed;
        return result;
    }
    if (data.size() > BlockSize) {
        result.code = WriteBlockTooLong;
        return result;
    }
    QList<int> offsets;
    for (int i = 0; i < data.size(); ++i) {
        if (i >= held.size() || data[i] != held[i])
            offsets.append(i);
    }
    if (offsets.isEmpty())
        return result;
    link.delay(timing::BlockWriteLeadIn);
    const auto n = static_cast<int>(offsets.size());
    for (int k = 1; k <= n; ++k) {
        if (k % 10 == 0 && progress)
            progress(captionPrefix + QStringLiteral(" (") + FormatNumber(k * 100 / n, u"##0") +
                     QStringLiteral("%)"));
        const int offset = offsets[k - 1];
        ++result.sent;
        if (const int failed = writeBlockByte(link, device, block, offset, data[offset]);
            failed != 0) {
            result.code = failed;
            return result;
        }
    }
    return result;
}

} // namespace device::orvoLib
