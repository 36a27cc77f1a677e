#include "core/certificate/DsiUnit.h"

#include <array>
#include <utility>

namespace certificate {

namespace {

// The units a force or weighing sensor is set up in. Matched exactly after trimming, except that
// a capital K, which no SI prefix is, is read as kilo ("KN", "KG").
constexpr std::array<std::pair<const char16_t*, const char16_t*>, 20> Units{{
    {u"g", u"\\gram"},
    {u"kg", u"\\kilogram"},
    {u"KG", u"\\kilogram"},
    {u"Kg", u"\\kilogram"},
    {u"t", u"\\tonne"},
    {u"N", u"\\newton"},
    {u"daN", u"\\deca\\newton"},
    {u"kN", u"\\kilo\\newton"},
    {u"KN", u"\\kilo\\newton"},
    {u"MN", u"\\mega\\newton"},
    {u"Nm", u"\\newton\\metre"},
    {u"kNm", u"\\kilo\\newton\\metre"},
    {u"Pa", u"\\pascal"},
    {u"kPa", u"\\kilo\\pascal"},
    {u"MPa", u"\\mega\\pascal"},
    {u"mm", u"\\milli\\metre"},
    {u"m", u"\\metre"},
    {u"%", u"\\percent"},
    {u"mV/V", u"\\milli\\volt\\per\\volt"},
    {u"\u00B0C", u"\\degreeCelsius"},
}};

} // namespace

std::optional<QString> dsiUnit(const QString& typed) {
    const QString unit = typed.trimmed();
    for (const auto& [text, dsi] : Units)
        if (unit == QStringView(text))
            return QString::fromUtf16(dsi);
    return std::nullopt;
}

} // namespace certificate
