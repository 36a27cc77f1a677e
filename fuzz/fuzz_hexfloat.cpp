// Hexadecimal text from the instrument (HexToLong, HexToFloat) and the device float code of
// any double (FloatToHex), which must read back as the value it encodes.
#include "core/text/DeviceFloat.h"
#include "core/text/HexCodes.h"
#include "core/text/NumberText.h"
#include "fuzz/FuzzSupport.h"

#include <QByteArrayView>
#include <algorithm>
#include <cmath>
#include <cstring>

using fuzzing::check;

namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

void checkHexText(const QByteArray& bytes) {
    const QString text = QString::fromLatin1(bytes);
    const int value = device::HexToLong(QByteArrayView(bytes));
    check(device::HexToLong(QStringView(text)) == value);
    const bool digitsOnly = std::all_of(bytes.begin(), bytes.end(), isHexDigit);
    if (digitsOnly && bytes.size() <= 7)
        check(value == bytes.toInt(nullptr, 16) || bytes.isEmpty());
    else
        check(value == 0);

    const double number = device::HexToFloat(text);
    check(std::isfinite(number));
    if (bytes.size() != 6 && bytes.size() != 8) {
        check(number == 0.0);
        return;
    }
    // A code read from the instrument is written back as the same code.
    if (digitsOnly && device::HexToLong(QStringView(text).first(2)) != 0) {
        const auto width = static_cast<int>(bytes.size() / 2);
        check(device::FloatToHex(number, width) == text.toUpper());
    }
}

void checkRoundTrip(double value) {
    if (!device::isDeviceFloatEncodable(value)) {
        if (!(std::fabs(value) < std::ldexp(1.0, 127)))
            check(device::FloatToHex(value, 3).isEmpty() && device::FloatToHex(value, 4).isEmpty());
        return;
    }
    for (const int width : {3, 4}) {
        const QString code = device::FloatToHex(value, width);
        check(code.size() == 2 * width);
        const double back = device::HexToFloat(code);
        // Magnitudes below 2^-128 have only the code of 0.
        if (std::fabs(value) < std::ldexp(1.0, -128)) {
            check(back == 0.0);
            continue;
        }
        const double tolerance = std::ldexp(std::fabs(value), width == 4 ? -23 : -15);
        check(std::fabs(back - value) <= tolerance);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzzing::bytesOf(data, size);
    checkHexText(bytes);
    // The same input as the bits of a double, and as a number typed in text.
    if (size >= sizeof(double)) {
        double bits = 0.0;
        std::memcpy(&bits, data, sizeof bits);
        checkRoundTrip(bits);
    }
    checkRoundTrip(device::ValDecimal(QString::fromLatin1(bytes)));
    return 0;
}
