#pragma once

#include "core/instrument/Link.h"
#include "core/instrument/SerialLine.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>

// The exchanges with the instrument's setup memory and sensor blocks. Each routine returns a
// status and shows nothing; the caller tells the operator.
namespace device::orvoLib {

using device::Link;

// Results of WriteBlock besides 0 (written) and -i / -10000 - i (byte i failed).
inline constexpr int WriteBlockPortClosed = -20000;
inline constexpr int WriteBlockTooLong = -30000;
// ReadBlock results besides 1.
inline constexpr int ReadBlockTimeout = -1;
inline constexpr int ReadBlockPortClosed = -2;
inline constexpr int BlockSize = 256;

// "$" address command arguments CR, with every number as 2 hexadecimal digits.
[[nodiscard]] QByteArray frame(int device, const char* command, std::initializer_list<int> fields);

// The byte at a setup-memory address, 0..255; -1 when 4 attempts got no 3-character reply.
[[nodiscard]] int ReadByte(Link link, int device, int address, std::chrono::milliseconds timeout);
// Writes one byte and waits for its echo (sent once, waited for up to 4 times); the echoed
// byte, or -1 when no matching echo came.
int WriteByte(Link link, int device, int address, int value, std::chrono::milliseconds timeout);
// A float of the setup memory (exponent byte at the highest address); unreadable bytes enter
// as FF.
[[nodiscard]] double ReadFloat(Link link, int device, int address,
                               std::chrono::milliseconds timeout, bool fourBytes);
struct FloatRead {
    double value = 0.0;
    std::optional<int> failedAddress; // the first byte that did not answer
};
// ReadFloat that also tells which byte, if any, did not answer.
[[nodiscard]] FloatRead ReadFloatChecked(Link link, int device, int address,
                                         std::chrono::milliseconds timeout, bool fourBytes);
// 1 when every byte was written and echoed; 0 otherwise. A value the device float code
// cannot hold sends nothing and gives 0.
int WriteFloat(Link link, int device, int address, double value, std::chrono::milliseconds timeout,
               bool fourBytes);
// Reads the 256 bytes of a sensor block into `data`: 1, or ReadBlockTimeout /
// ReadBlockPortClosed (data untouched).
[[nodiscard]] int ReadBlock(Link link, QByteArray& data, int device, int block);

// Progress of a block write: the caption prefix, " (", the percentage and "%)".
using ProgressSink = std::function<void(const QString& caption)>;
// Writes the bytes of `data` from offset 0, one echoed frame per byte: 0 when all were
// written; -i when byte i (from 1) got no echo in 3 attempts; -10000 - i when its echo was
// wrong; WriteBlockPortClosed; WriteBlockTooLong for more than 256 bytes (nothing sent).
// With a progress sink the caption is refreshed at every 10th byte.
int WriteBlock(Link link, const QByteArray& data, int device, int block,
               const ProgressSink& progress = {}, const QString& captionPrefix = {});

struct BytesWrite {
    int code = 0; // as WriteBlock's, byte i being the byte at offset i - 1
    int sent = 0; // bytes whose frame went out, the failed one included
};
// Writes only the bytes of `data` that differ from `held` (what the block is known to hold;
// every byte beyond its end counts as differing), in rising offset order, with WriteBlock's
// frames, attempts and lead-in. Nothing at all is sent when no byte differs.
[[nodiscard]] BytesWrite WriteBlockBytes(Link link, const QByteArray& data, const QByteArray& held,
                                         int device, int block, const ProgressSink& progress = {},
                                         const QString& captionPrefix = {});

} // namespace device::orvoLib
