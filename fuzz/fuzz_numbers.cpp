// Text read as a number: ValDecimal (typed values and the instrument's replies), ReadNumber and
// ReadWholeNumber (keys and settings).
#include "core/text/NumberText.h"
#include "fuzz/FuzzSupport.h"

#include <cmath>
#include <cstdlib>
#include <string>

using fuzzing::check;
using fuzzing::sameBits;

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// The leading number as a reader that knows nothing of the code under test sees it: blanks
// anywhere ignored, then sign, digits with at most one point and, when allowed, an exponent
// "e", "E", "d" or "D" with its sign and digits. The C library converts it.
double reference(QStringView input, bool allowExponent) {
    QString text;
    for (const QChar c : input)
        if (!isBlank(c))
            text += c;
    qsizetype i = 0;
    std::string number;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        number += static_cast<char>(text[i++].unicode());
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (isDigit(text[i])) {
            digits = true;
        } else if (text[i] == u'.' && !point) {
            point = true;
        } else {
            break;
        }
        number += static_cast<char>(text[i].unicode());
    }
    if (!digits)
        return 0.0;
    if (allowExponent && i < text.size() && QStringLiteral("eEdD").contains(text[i])) {
        std::string exponent = "e";
        qsizetype j = i + 1;
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
            exponent += static_cast<char>(text[j++].unicode());
        bool exponentDigits = false;
        for (; j < text.size() && isDigit(text[j]); ++j) {
            exponent += static_cast<char>(text[j].unicode());
            exponentDigits = true;
        }
        if (exponentDigits)
            number += exponent;
    }
    return std::strtod(number.c_str(), nullptr);
}

void checkText(const QString& text) {
    const double read = device::ReadNumber(text);
    check(sameBits(read, reference(text, false)));

    QString withPoint = text;
    if (const qsizetype comma = withPoint.indexOf(u','); comma >= 0)
        withPoint[comma] = u'.';
    const double typed = device::ValDecimal(text);
    check(sameBits(typed, reference(withPoint, true)));

    const double whole = std::nearbyint(read);
    check(device::ReadWholeNumber(text) ==
          (std::fabs(whole) < 2147483647.0 ? static_cast<int>(whole) : 0));

    // What the program writes itself reads back unchanged, with a point or a comma (Qt writes
    // a negative zero as "0").
    if (std::isfinite(typed)) {
        const QString shortest = QString::number(typed, 'g', 17);
        check(device::ValDecimal(shortest) == typed);
        check(device::ValDecimal(QString(shortest).replace(u'.', u',')) == typed);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzzing::bytesOf(data, size);
    checkText(QString::fromLatin1(bytes));
    checkText(QString::fromUtf8(bytes));
    return 0;
}
