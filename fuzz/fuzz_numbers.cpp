// Number texts read and written.
#include "core/text/DeviceFloat.h"
#include "core/text/HexCodes.h"
#include "core/text/NumberText.h"
#include "fuzz/FuzzSupport.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

using fuzzing::check;
using fuzzing::sameBits;

namespace {

// The leading number as a reader that knows nothing of the code under test sees it.
double reference(QString text, bool allowExponent) {
    static const QRegularExpression blank(QStringLiteral("[ \\t\\r\\n]")),
        plain(QStringLiteral("^[-+]?(\\d+\\.?\\d*|\\.\\d+)")),
        exponent(QStringLiteral("^[eEdD][-+]?\\d+"));
    text.remove(blank);
    const QRegularExpressionMatch number = plain.match(text);
    if (!number.hasMatch())
        return 0.0;
    std::string digits = number.captured().toStdString();
    const auto power = exponent.match(QStringView(text).sliced(number.capturedEnd()));
    if (allowExponent && power.hasMatch())
        digits += 'e' + power.captured().mid(1).toStdString();
    return std::strtod(digits.c_str(), nullptr);
}

// Both readers match the reference, ValDecimal also with a comma for the point.
void checkText(const QString& text) {
    check(sameBits(device::ReadNumber(text), reference(text, false)));
    const qsizetype comma = text.indexOf(u',');
    check(sameBits(device::ValDecimal(text),
                   reference(comma < 0 ? text : QString(text).replace(comma, 1, u'.'), true)));
}

// HexToLong agrees for both overloads with toInt(16) up to 7 digits, else gives 0.
void checkHexText(const QByteArray& bytes) {
    const QString text = QString::fromLatin1(bytes);
    const int value = device::HexToLong(QByteArrayView(bytes));
    const bool digitsOnly = std::all_of(bytes.begin(), bytes.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) != 0;
    });
    check(device::HexToLong(QStringView(text)) == value &&
          value == (digitsOnly && bytes.size() <= 7 ? bytes.toInt(nullptr, 16) : 0));
    const double number = device::HexToFloat(text);
    check(std::isfinite(number) && (bytes.size() == 6 || bytes.size() == 8 || number == 0.0));
    if (digitsOnly && (bytes.size() == 6 || bytes.size() == 8) &&
        device::HexToLong(QStringView(text).first(2)) != 0)
        check(device::FloatToHex(number, int(bytes.size() / 2)) == text.toUpper());
}

// Whatever isDeviceFloatEncodable accepts has a code of either width that reads back within
void checkFloatCode(double value) {
    const bool encodable = device::isDeviceFloatEncodable(value);
    for (const int width : {3, 4}) {
        const QString code = device::FloatToHex(value, width);
        const double back = device::HexToFloat(code);
        if (!encodable)
            check(std::fabs(value) < 0x1p127 || code.isEmpty());
        else if (std::fabs(value) < 0x1p-128)
            check(code.size() == 2 * width && back == 0.0);
        else
            check(code.size() == 2 * width &&
                  std::fabs(back - value) <= std::ldexp(std::fabs(value), 9 - 8 * width));
    }
}

// The fixed field is never cut.
void checkFormat(double value, const QString& pattern, const QString& decimalPoint) {
    const QString number = device::FormatNumber(value, pattern, decimalPoint);
    const QString fixed = device::FormatFixed(value, pattern, decimalPoint);
    check(fixed.endsWith(number) && fixed.size() >= pattern.size() - pattern.count(u'\\'));
    // Far out, the rounded text itself may lie beyond a double.
    if ((decimalPoint != u"." && decimalPoint != u",") || !(std::fabs(value) < 1e300))
        return;
    for (const int significant : {1, 7, 15}) {
        const double back =
            device::ValDecimal(device::GeneralNumber(value, significant, decimalPoint));
        check(std::fabs(back - value) <= std::fabs(value) * std::pow(10.0, 1 - significant));
    }
    static const QRegularExpression plain(QStringLiteral("^[#0]*0[#0]*(\\.([#0]*))?(E[-+]0+)?$"));
    const QRegularExpressionMatch shape = plain.match(pattern);
    if (!shape.hasMatch() || std::fabs(value) > 1e15 || std::fabs(value) < 1e-300)
        return;
    // Rounding to the pattern's places, after rounding to 15 significant digits.
    const double step = std::pow(10.0, -shape.capturedLength(2));
    const double allowed =
        (shape.hasCaptured(3) ? std::fabs(value) * step : step / 2) + std::fabs(value) * 1e-14;
    check(std::fabs(device::ValDecimal(number) - value) <= allowed);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzzing::bytesOf(data, size);
    checkText(QString::fromLatin1(bytes));
    checkText(QString::fromUtf8(bytes));
    checkHexText(bytes);
    checkFloatCode(device::ValDecimal(QString::fromLatin1(bytes)));
    double bits = 0.0;
    if (size >= sizeof bits) {
        std::memcpy(&bits, data, sizeof bits);
        checkFloatCode(bits);
    }

    // Patterns only for input with a line end, so that plain numbers run fast.
    const QStringList parts = QString::fromUtf8(bytes).split(u'\n');
    if (parts.size() < 2)
        return 0;
    const QString pattern = parts.value(0);
    const QString decimalPoint = parts.size() > 2 ? parts.at(2) : QStringLiteral(",");
    const double typed = device::ValDecimal(parts.value(1));
    for (const double value :
         {typed, -typed, bits, std::numeric_limits<double>::denorm_min(),
          std::numeric_limits<double>::max(), std::numeric_limits<double>::quiet_NaN()})
        checkFormat(value, pattern, decimalPoint);
    return 0;
}
