#include "core/text/NumberText.h"

#include <QLocale>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace device {

namespace {

QString localeDecimalPoint() {
    return QLocale().decimalPoint();
}

// Digits of a number read from text, kept as characters for std::from_chars.
struct LeadingNumber {
    std::string text;
    bool hasDigits = false;
};

LeadingNumber leadingNumber(QStringView input, bool allowExponent) {
    std::string compact;
    compact.reserve(static_cast<std::size_t>(input.size()));
    for (const QChar c : input) {
        if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n')
            continue;
        compact.push_back(c.unicode() < 128 ? static_cast<char>(c.unicode()) : '\x7f');
    }
    LeadingNumber result;
    std::size_t i = 0;
    if (i < compact.size() && (compact[i] == '+' || compact[i] == '-')) {
        if (compact[i] == '-')
            result.text.push_back('-');
        ++i;
    }
    bool point = false;
    for (; i < compact.size(); ++i) {
        const char c = compact[i];
        if (c >= '0' && c <= '9') {
            result.text.push_back(c);
            result.hasDigits = true;
        } else if (c == '.' && !point) {
            point = true;
            result.text.push_back(c);
        } else {
            break;
        }
    }
    if (!result.hasDigits || !allowExponent || i >= compact.size())
        return result;
    const char e = compact[i];
    if (e != 'e' && e != 'E' && e != 'd' && e != 'D')
        return result;
    std::string exponent = "e";
    std::size_t j = i + 1;
    if (j < compact.size() && (compact[j] == '+' || compact[j] == '-'))
        exponent.push_back(compact[j++]);
    bool exponentDigits = false;
    for (; j < compact.size() && compact[j] >= '0' && compact[j] <= '9'; ++j) {
        exponent.push_back(compact[j]);
        exponentDigits = true;
    }
    if (exponentDigits)
        result.text += exponent;
    return result;
}

// The power of ten of the first significant digit of an unsigned number text
// ("digits[.digits][e[+-]digits]"), the exponent saturated far beyond any double. Its sign
// tells a number too large for a double from one too small, whatever the count of digits.
long long decimalExponent(const std::string& text) {
    constexpr long long saturated = 1'000'000'000;
    const auto ePos = text.find('e');
    long long exponent = 0;
    if (ePos != std::string::npos) {
        std::size_t i = ePos + 1;
        const bool negative = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            ++i;
        for (; i < text.size(); ++i)
            exponent = std::min(saturated, exponent * 10 + (text[i] - '0'));
        if (negative)
            exponent = -exponent;
    }
    const std::string mantissa = text.substr(0, ePos);
    const auto point = mantissa.find('.');
    const auto integerDigits =
        static_cast<long long>(point == std::string::npos ? mantissa.size() : point);
    const auto first = mantissa.find_first_not_of("0.");
    if (first == std::string::npos)
        return 0;
    const auto position = static_cast<long long>(first);
    return exponent +
           (position < integerDigits ? integerDigits - position - 1 : integerDigits - position);
}

double parse(const LeadingNumber& number) {
    if (!number.hasDigits)
        return 0.0;
    std::string text = number.text;
    // from_chars wants a digit before a lone point (".5"), and reads "5." fine.
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.erase(0, 1);
    if (!text.empty() && text.front() == '.')
        text.insert(0, "0");
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // Too large gives infinity; too small is zero.
        value = decimalExponent(text) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

// A finite non-negative value divided by 10^shift, as decimal digits rounded half away from
// zero at `decimals` places, working on its 15 significant digits. The shift moves the decimal
// point in the digits, so no scaled value can underflow or overflow on the way. Returns integer
// and fraction digit strings.
struct Decimal {
    std::string integer;
    std::string fraction;
};

Decimal roundDecimal(double magnitude, int decimals, int shift = 0) {
    // std::to_chars, unlike snprintf, ignores the process's C locale (Qt sets the desktop's),
    // so the point is always '.'.
    char buffer[64] = {};
    (void)std::to_chars(buffer, buffer + sizeof buffer - 1, magnitude,
                        std::chars_format::scientific, 14);
    // buffer: d.dddddddddddddde[+-]xx
    std::string digits;
    digits.push_back(buffer[0]);
    digits.append(buffer + 2, 14);
    const int exponent = std::atoi(std::strchr(buffer, 'e') + 1) - shift;
    // digits represent 0.d1d2... x 10^(exponent + 1)
    int pointPos = exponent + 1; // number of digits before the decimal point
    if (pointPos < 0) {
        digits.insert(0, static_cast<std::size_t>(-pointPos), '0');
        pointPos = 0;
    }
    if (static_cast<int>(digits.size()) < pointPos + decimals + 1)
        digits.append(static_cast<std::size_t>(pointPos + decimals + 1) - digits.size(), '0');
    const std::size_t keep = static_cast<std::size_t>(pointPos + decimals);
    const bool roundUp = digits[keep] >= '5';
    digits.resize(keep);
    if (roundUp) {
        int k = static_cast<int>(keep) - 1;
        for (; k >= 0; --k) {
            if (digits[static_cast<std::size_t>(k)] == '9') {
                digits[static_cast<std::size_t>(k)] = '0';
            } else {
                ++digits[static_cast<std::size_t>(k)];
                break;
            }
        }
        if (k < 0) {
            digits.insert(0, "1");
            ++pointPos;
        }
    }
    Decimal result;
    result.integer = digits.substr(0, static_cast<std::size_t>(pointPos));
    result.fraction = digits.substr(static_cast<std::size_t>(pointPos));
    const auto firstNonZero = result.integer.find_first_not_of('0');
    result.integer =
        firstNonZero == std::string::npos ? std::string() : result.integer.substr(firstNonZero);
    return result;
}

struct Pattern {
    QString prefix;
    QString suffix;
    int integerMinimum = 0;
    int fractionMaximum = 0;
    int fractionMinimum = 0;
    bool hasPoint = false;
    bool scientific = false;
    bool exponentPlus = false;
    int exponentMinimum = 0;
    QString exponentLetter;
    QString beforeExponent;
};

Pattern parsePattern(QStringView text) {
    Pattern pattern;
    bool seenDigit = false;
    bool inFraction = false;
    QString pendingLiteral;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\') {
            if (i + 1 < text.size())
                pendingLiteral += text[++i];
            continue;
        }
        if ((c == u'E' || c == u'e') && i + 1 < text.size() &&
            (text[i + 1] == u'-' || text[i + 1] == u'+')) {
            pattern.scientific = true;
            pattern.exponentLetter = c;
            pattern.exponentPlus = text[i + 1] == u'+';
            pattern.beforeExponent = pendingLiteral;
            pendingLiteral.clear();
            for (i += 2; i < text.size() && (text[i] == u'0' || text[i] == u'#'); ++i) {
                if (text[i] == u'0')
                    ++pattern.exponentMinimum;
            }
            pattern.suffix = text.mid(i).toString();
            return pattern;
        }
        if (c == u'0' || c == u'#') {
            if (!seenDigit) {
                pattern.prefix = pendingLiteral;
                seenDigit = true;
            }
            pendingLiteral.clear();
            if (inFraction) {
                ++pattern.fractionMaximum;
                if (c == u'0')
                    pattern.fractionMinimum = pattern.fractionMaximum;
            } else if (c == u'0') {
                ++pattern.integerMinimum;
            }
            continue;
        }
        if (c == u'.' && !inFraction) {
            if (!seenDigit) {
                pattern.prefix = pendingLiteral;
                seenDigit = true;
                pendingLiteral.clear();
            }
            inFraction = true;
            pattern.hasPoint = true;
            continue;
        }
        pendingLiteral += c;
    }
    if (seenDigit)
        pattern.suffix = pendingLiteral;
    else
        pattern.prefix = pendingLiteral;
    return pattern;
}

QString mantissaText(const Decimal& decimal, const Pattern& pattern, QStringView decimalPoint) {
    QString integer = QString::fromStdString(decimal.integer);
    while (integer.size() < pattern.integerMinimum)
        integer.prepend(u'0');
    std::string fraction = decimal.fraction;
    while (static_cast<int>(fraction.size()) > pattern.fractionMinimum && !fraction.empty() &&
           fraction.back() == '0')
        fraction.pop_back();
    QString text = integer;
    if (pattern.hasPoint)
        text += decimalPoint.toString() + QString::fromStdString(fraction);
    return text;
}

bool allZero(const Decimal& decimal) {
    return decimal.integer.find_first_not_of('0') == std::string::npos &&
           decimal.fraction.find_first_not_of('0') == std::string::npos;
}

} // namespace

double ValDecimal(QStringView text) {
    QString normalised = text.toString();
    const qsizetype comma = normalised.indexOf(u',');
    if (comma >= 0)
        normalised[comma] = u'.';
    return parse(leadingNumber(normalised, true));
}

float toSingle(double value) {
    constexpr double largest = std::numeric_limits<float>::max();
    if (value > largest)
        return std::numeric_limits<float>::infinity();
    if (value < -largest)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

double ReadNumber(QStringView text) {
    return parse(leadingNumber(text, false));
}

int ReadWholeNumber(QStringView text) {
    const double value = std::nearbyint(ReadNumber(text));
    if (!(std::fabs(value) < 2147483647.0))
        return 0;
    return static_cast<int>(value);
}

QString FormatNumber(double value, QStringView patternText, QStringView decimalPoint) {
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("NaN")
                                 : (value > 0 ? QStringLiteral("Inf") : QStringLiteral("-Inf"));
    const Pattern pattern = parsePattern(patternText);
    const bool negative = value < 0;
    const double magnitude = std::fabs(value);
    QString exponentText;
    int exponent = 0;
    if (pattern.scientific) {
        const int integerDigits = std::max(1, pattern.integerMinimum);
        if (magnitude != 0.0) {
            exponent = static_cast<int>(std::floor(std::log10(magnitude))) - (integerDigits - 1);
            const Decimal probe = roundDecimal(magnitude, pattern.fractionMaximum, exponent);
            if (static_cast<int>(probe.integer.size()) > integerDigits)
                ++exponent; // rounding carried into a new digit: 9.999995 -> 1.00000 E+1
        }
        QString digits = QString::number(std::abs(exponent));
        while (digits.size() < pattern.exponentMinimum)
            digits.prepend(u'0');
        const QString sign = exponent < 0
                                 ? QStringLiteral("-")
                                 : (pattern.exponentPlus ? QStringLiteral("+") : QString());
        exponentText = pattern.beforeExponent + pattern.exponentLetter + sign + digits;
    }
    const Decimal decimal = roundDecimal(magnitude, pattern.fractionMaximum, exponent);
    const QString sign = negative && !allZero(decimal) ? QStringLiteral("-") : QString();
    return pattern.prefix + sign + mantissaText(decimal, pattern, decimalPoint) + exponentText +
           pattern.suffix;
}

QString FormatNumber(double value, QStringView pattern) {
    return FormatNumber(value, pattern, localeDecimalPoint());
}

QString FormatFixed(double value, QStringView pattern, QStringView decimalPoint) {
    const auto width = pattern.size() - pattern.count(u'\\');
    return FormatNumber(value, pattern, decimalPoint).rightJustified(width, u' ');
}

QString FormatFixed(double value, QStringView pattern) {
    return FormatFixed(value, pattern, localeDecimalPoint());
}

QString GeneralNumber(double value, int significant, QStringView decimalPoint) {
    if (value == 0.0)
        return QStringLiteral("0");
    if (!std::isfinite(value))
        return FormatNumber(value, u"0", decimalPoint);
    char buffer[64] = {};
    (void)std::to_chars(buffer, buffer + sizeof buffer - 1, value, std::chars_format::scientific,
                        significant - 1);
    const std::string text = buffer;
    const auto ePos = text.find('e');
    std::string mantissa = text.substr(0, ePos);
    const int exponent = std::atoi(text.c_str() + ePos + 1);
    const bool negative = mantissa.front() == '-';
    if (negative)
        mantissa.erase(0, 1);
    std::string digits;
    for (const char c : mantissa)
        if (c != '.')
            digits.push_back(c);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    QString result;
    if (exponent < -4 || exponent >= significant) {
        result = QString::fromStdString(digits.substr(0, 1));
        if (digits.size() > 1)
            result += decimalPoint.toString() + QString::fromStdString(digits.substr(1));
        result += QStringLiteral("E%1%2")
                      .arg(QChar(exponent < 0 ? u'-' : u'+'))
                      .arg(std::abs(exponent), 2, 10, QChar(u'0'));
    } else if (exponent < 0) {
        result = QStringLiteral("0") + decimalPoint.toString() + QString(-exponent - 1, u'0') +
                 QString::fromStdString(digits);
    } else {
        const auto integerDigits = static_cast<std::size_t>(exponent + 1);
        if (digits.size() <= integerDigits) {
            result = QString::fromStdString(digits) +
                     QString(static_cast<qsizetype>(integerDigits - digits.size()), u'0');
        } else {
            result = QString::fromStdString(digits.substr(0, integerDigits)) +
                     decimalPoint.toString() + QString::fromStdString(digits.substr(integerDigits));
        }
    }
    return negative ? u'-' + result : result;
}

QString GeneralNumber(double value, int significant) {
    return GeneralNumber(value, significant, localeDecimalPoint());
}

} // namespace device
