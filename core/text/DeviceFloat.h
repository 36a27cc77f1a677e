#pragma once

#include <QString>

namespace device {

// The instrument's own floating-point code as 6 (3 bytes) or 8 (4 bytes) hexadecimal digits:
// exponent byte e + 128, then a sign-and-magnitude mantissa with a hidden leading bit.
// Empty text when the value cannot be held (NaN, infinity, a magnitude of 2^127 or more, or
// one that rounds up to 2^127 in that many bytes); magnitudes below 2^-128 give the code of 0.
[[nodiscard]] QString FloatToHex(double value, int bytes);
// 0 for any text that is not 6 or 8 characters long.
[[nodiscard]] double HexToFloat(QStringView text);
// True when FloatToHex can encode the value in either width.
[[nodiscard]] bool isDeviceFloatEncodable(double value);

} // namespace device
