#include "views/calibration/CertificateContent.h"

#include "core/text/LanguageTable.h"
#include "views/calibration/CurveSheet.h"

#include <cmath>

namespace calibration {

namespace {

constexpr int TitleText = 435;
constexpr int NumberText = 436;
constexpr int NotStatedText = 437;
constexpr int NotUploadedText = 470;
constexpr int PeriodText = 438;
constexpr int StandardCertificateText = 439;
constexpr int StandardDueText = 440;
constexpr int TemperatureText = 441;
constexpr int HumidityText = 442;
constexpr int NextDueText = 443;
constexpr int DisplayedText = 444;
constexpr int ErrorText = 445;
constexpr int WithinText = 446;
constexpr int NotMadeText = 447;
constexpr int OperatorText = 222;
constexpr int StandardText = 223;
constexpr int EtalonText = 184;
constexpr int AsFoundText = 482;
constexpr int AsLeftText = 483;
constexpr int PercentText = 487;
constexpr int DigitsText = 488;
constexpr int ToleranceText = 491;
constexpr int PassVerdictText = 492;
constexpr int FailVerdictText = 493;
constexpr int PassText = 522;
constexpr int FailText = 523;

QString dayText(const std::optional<QDate>& day) {
    return day && day->isValid() ? day->toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

// Start and end in local time; the end's date only when it is another day.
QString periodText(const QDateTime& start, const QDateTime& end) {
    const QString dateTime = QStringLiteral("dd.MM.yyyy HH:mm");
    if (!start.isValid())
        return end.isValid() ? end.toLocalTime().toString(dateTime) : QString();
    const QDateTime from = start.toLocalTime();
    const QDateTime to = end.isValid() ? end.toLocalTime() : from;
    return from.toString(dateTime) + QStringLiteral(" – ") +
           to.toString(from.date() == to.date() ? QStringLiteral("HH:mm") : dateTime);
}

QString standardText(const certificate::ReferenceStandard& standard) {
    if (standard.name.isEmpty() || standard.serialNumber.isEmpty())
        return standard.name;
    return standard.name + QStringLiteral(" (") + standard.serialNumber + u')';
}

CertificateCheck checkOf(int title, const certificate::Check& check, const QString& unit,
                         int decimals, const text::LanguageTable& texts) {
    CertificateCheck shown{texts.text(title),
                           {texts.text(EtalonText).arg(unit), texts.text(DisplayedText).arg(unit),
                            texts.text(ErrorText).arg(unit), texts.text(PercentText),
                            texts.text(DigitsText), texts.text(WithinText)},
                           {},
                           {}};
    const double digit = std::pow(10.0, -decimals);
    for (const certificate::CheckPoint& p : check.points)
        shown.rows.append({fixedNumber(p.etalon, decimals), fixedNumber(p.displayed, decimals),
                           fixedNumber(p.error, decimals), fixedNumber(p.errorPercentFs, 3),
                           fixedNumber(p.error / digit, 1),
                           texts.text(p.withinTolerance ? PassText : FailText)});
    shown.outcome = check.points.empty() ? certificate::Verdict::NotChecked : check.verdict;
    switch (shown.outcome) {
    case certificate::Verdict::Pass:
        shown.verdict = texts.text(PassVerdictText);
        break;
    case certificate::Verdict::Fail:
        shown.verdict = texts.text(FailVerdictText);
        break;
    case certificate::Verdict::NotChecked:
        shown.verdict = texts.text(NotMadeText);
        break;
    }
    return shown;
}

} // namespace

CertificateContent certificateContent(const certificate::CertificateData& data,
                                      QStringView unitFormat, const text::LanguageTable& texts) {
    const QString notStated = texts.text(NotStatedText);
    const auto stated = [&notStated](const QString& value) {
        return value.trimmed().isEmpty() ? notStated : value;
    };
    const auto measured = [&notStated](const std::optional<double>& value, const QString& unit) {
        return value ? fixedNumber(*value, 1) + u' ' + unit : notStated;
    };
    const bool standardStated = !data.standard.name.trimmed().isEmpty();
    CertificateContent content;
    content.title = texts.text(TitleText);
    content.signedBy = stated(data.operatorName);
    content.fields = {
        // A record made while the laboratory's server was away gets its number at upload.
        {texts.text(NumberText),
         data.certificateNumber.trimmed().isEmpty() && !data.uuid.isNull()
             ? texts.text(NotUploadedText).arg(data.uuid.toString(QUuid::WithoutBraces))
             : stated(data.certificateNumber)},
        {texts.text(PeriodText), stated(periodText(data.start, data.end))},
        {texts.text(OperatorText), content.signedBy},
        {texts.text(StandardText), stated(standardText(data.standard))},
        {texts.text(StandardCertificateText),
         standardStated ? stated(data.standard.certificateNumber) : notStated},
        {texts.text(StandardDueText),
         standardStated ? stated(dayText(data.standard.dueDate)) : notStated},
        {texts.text(TemperatureText), measured(data.temperature, QStringLiteral("°C"))},
        {texts.text(HumidityText), measured(data.humidity, QStringLiteral("%"))},
        {texts.text(ToleranceText), QStringLiteral("± ") + fixedNumber(data.tolerancePercentFs, 3)},
        {texts.text(NextDueText), stated(dayText(data.dueDate))}};
    const int decimals = decimalsOf(unitFormat);
    content.checks = {checkOf(AsFoundText, data.asFound, data.unit, decimals, texts),
                      checkOf(AsLeftText, data.asLeft, data.unit, decimals, texts)};
    return content;
}

} // namespace calibration
