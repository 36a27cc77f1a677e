#pragma once

#include <QByteArray>
#include <QString>

// The hexadecimal codes of the protocol's frames and memories.
namespace device {

// Hexadecimal text (either case) to a number; 0 for empty text, for any character that is not
// a hexadecimal digit and for more than 7 digits.
[[nodiscard]] int HexToLong(QStringView text);
[[nodiscard]] int HexToLong(QByteArrayView text);
// Upper-case hexadecimal of v (negative values as 32-bit two's complement), zero-padded, and
// of that exactly the last `width` digits.
[[nodiscard]] QString LongToHex(int value, int width);

} // namespace device
