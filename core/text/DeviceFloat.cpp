#include "core/text/DeviceFloat.h"

#include "core/text/HexCodes.h"

#include <cmath>
#include <cstdint>

namespace device {

bool isDeviceFloatEncodable(double value) {
    // Closer to 2^127 than this, the 3-byte code rounds up out of its range.
    return std::isfinite(value) && std::fabs(value) < std::ldexp(1.0 - std::ldexp(1.0, -17), 127);
}

QString FloatToHex(double value, int bytes) {
    if (bytes != 3 && bytes != 4)
        return {};
    if (!std::isfinite(value) || std::fabs(value) >= std::ldexp(1.0, 127))
        return {};
    const int mantissaBits = bytes == 3 ? 16 : 24;
    const QString zero = QString(2 * bytes, u'0');
    if (value == 0.0)
        return zero;
    const bool negative = value < 0;
    const double magnitude = std::fabs(value);
    int exponent = 0;
    std::frexp(magnitude, &exponent); // 2^(exponent-1) <= magnitude < 2^exponent
    if (exponent + 128 < 1)
        return zero;
    auto mantissa =
        static_cast<std::int64_t>(std::floor(std::ldexp(magnitude, mantissaBits - exponent) + 0.5));
    if (mantissa >= (std::int64_t{1} << mantissaBits)) {
        ++exponent;
        mantissa = std::int64_t{1} << (mantissaBits - 1);
    }
    if (exponent + 128 > 255)
        return {};
    const std::int64_t keptMask = negative ? (std::int64_t{1} << mantissaBits) - 1
                                           : (std::int64_t{1} << (mantissaBits - 1)) - 1;
    return LongToHex(exponent + 128, 2) +
           LongToHex(static_cast<int>(mantissa & keptMask), 2 * (bytes - 1));
}

double HexToFloat(QStringView text) {
    if (text.size() != 6 && text.size() != 8)
        return 0.0;
    const int exponent = HexToLong(text.mid(0, 2)) - 128;
    if (exponent < -127)
        return 0.0;
    const bool four = text.size() == 8;
    const int hiddenBit = four ? (1 << 23) : (1 << 15);
    const double scale = four ? 16777216.0 : 65536.0;
    double fraction = (HexToLong(text.mid(2)) | hiddenBit) / scale;
    if (text[2].unicode() >= u'8')
        fraction = -fraction;
    return std::ldexp(fraction, exponent);
}

} // namespace device
