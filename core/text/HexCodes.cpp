#include "core/text/HexCodes.h"

#include <cstdint>

namespace device {

namespace {

char16_t unit(QChar c) {
    return c.unicode();
}
char16_t unit(char c) {
    return static_cast<unsigned char>(c);
}

template <typename Text> int hexToLong(const Text& text) {
    if (text.size() > 7)
        return 0;
    int value = 0;
    for (const auto c : text) {
        const char16_t ch = unit(c);
        int digit = 0;
        if (ch >= '0' && ch <= '9')
            digit = ch - '0';
        else if (ch >= 'A' && ch <= 'F')
            digit = ch - 'A' + 10;
        else if (ch >= 'a' && ch <= 'f')
            digit = ch - 'a' + 10;
        else
            return 0;
        value = value * 16 + digit;
    }
    return value;
}

} // namespace

int HexToLong(QStringView text) {
    return hexToLong(text);
}
int HexToLong(QByteArrayView text) {
    return hexToLong(text);
}

QString LongToHex(int value, int width) {
    if (width <= 0)
        return {};
    const QString digits = QString::number(static_cast<std::uint32_t>(value), 16)
                               .toUpper()
                               .rightJustified(width, u'0');
    return digits.right(width);
}

} // namespace device
