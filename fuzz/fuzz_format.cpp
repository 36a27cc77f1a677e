// Number patterns and values for FormatNumber, FormatFixed and GeneralNumber. The input is
// "pattern LF value LF decimal point"; the value is also taken as the bits of a double.
#include "core/text/NumberText.h"
#include "fuzz/FuzzSupport.h"

#include <QRegularExpression>
#include <QStringList>
#include <cmath>
#include <cstring>
#include <limits>

using fuzzing::check;

namespace {

struct PatternShape {
    int fractionDigits = 0;
    bool scientific = false;
};

// Plain patterns whose output must read back as the value: digit placeholders, an optional
// point with placeholders, an optional exponent.
std::optional<PatternShape> plainShape(const QString& pattern) {
    static const QRegularExpression plain(QStringLiteral("^[#0]*0[#0]*(\\.([#0]*))?(E[-+]0+)?$"));
    const QRegularExpressionMatch match = plain.match(pattern);
    if (!match.hasMatch())
        return std::nullopt;
    return PatternShape{static_cast<int>(match.capturedLength(2)), match.hasCaptured(3)};
}

void checkValue(double value, const QString& pattern, const QString& decimalPoint) {
    const QString number = device::FormatNumber(value, pattern, decimalPoint);
    const QString fixed = device::FormatFixed(value, pattern, decimalPoint);
    check(fixed.endsWith(number));
    check(fixed.size() >= pattern.size() - pattern.count(u'\\'));

    const bool readable = decimalPoint == u"." || decimalPoint == u",";
    // Far out, the rounded text itself may lie beyond a double.
    if (!readable || !(std::fabs(value) < 1e300))
        return;
    for (const int significant : {1, 7, 15}) {
        const double back =
            device::ValDecimal(device::GeneralNumber(value, significant, decimalPoint));
        check(std::fabs(back - value) <= std::fabs(value) * std::pow(10.0, 1 - significant));
    }
    const auto shape = plainShape(pattern);
    if (!shape || std::fabs(value) > 1e15 || std::fabs(value) < 1e-300)
        return;
    const double back = device::ValDecimal(number);
    const double step = std::pow(10.0, -shape->fractionDigits);
    // Rounding to the pattern's places, after rounding to 15 significant digits.
    const double allowed =
        (shape->scientific ? std::fabs(value) * step : step / 2) + std::fabs(value) * 1e-14;
    check(std::fabs(back - value) <= allowed);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QStringList parts = QString::fromUtf8(fuzzing::bytesOf(data, size)).split(u'\n');
    const QString pattern = parts.value(0);
    const QString valueText = parts.value(1);
    const QString decimalPoint = parts.size() > 2 ? parts.at(2) : QStringLiteral(",");

    const double typed = device::ValDecimal(valueText);
    checkValue(typed, pattern, decimalPoint);
    checkValue(-typed, pattern, decimalPoint);
    const QByteArray raw = valueText.toUtf8();
    if (raw.size() >= static_cast<qsizetype>(sizeof(double))) {
        double bits = 0.0;
        std::memcpy(&bits, raw.constData(), sizeof bits);
        checkValue(bits, pattern, decimalPoint);
    }
    for (const double edge :
         {std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::max(),
          std::numeric_limits<double>::quiet_NaN()})
        checkValue(edge, pattern, decimalPoint);
    return 0;
}
