#include "views/calibration/CurveSheet.h"

#include "core/instrument/SerialLine.h"
#include "core/sensor/SensorSettings.h"
#include "core/session/Session.h"
#include "core/session/StartUp.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "core/text/NumberText.h"
#include "views/sensor/SensorPage.h"

#include <QComboBox>
#include <QLineEdit>
#include <cmath>

namespace calibration {

namespace {

constexpr int PointText = 182;
constexpr int ReadingsText = 547;
constexpr int ReadingDeviationText = 548;
constexpr int SignalText = 183;
constexpr int EtalonText = 184;
constexpr int DeviationText = 185;
constexpr int PercentText = 186;
constexpr int DigitsText = 187;
constexpr int ResidualText = 188;
constexpr int SensitivityText = 189;
constexpr int PositiveText = 190;
constexpr int NegativeText = 191;
constexpr int LeastSquaresText = 192;
constexpr int InstrumentText = 230;
constexpr int WarningsText = 199;
constexpr int WriteAnywayText = 200;
constexpr int RepeatabilityReadingText = 576;
constexpr int RepeatabilityFsText = 577;
constexpr int ReversibilityText = 578;
constexpr int SeriesText = 579;
constexpr int ClassText = 580;
constexpr int NoClassText = 581;
constexpr int TooFewSeriesText = 582;
constexpr int SeriesCountText = 584;
// The figures in % show this many decimals.
constexpr int PercentDecimals = 3;

void appendSeriesLines(QStringList& lines, const SeriesFigures& s,
                       const text::LanguageTable& texts) {
    lines.append(texts.text(SeriesText)
                     .arg(s.risingSeries)
                     .arg(s.fallingSeries)
                     .arg(fixedNumber(s.zeroReturnFs, PercentDecimals)));
    if (s.risingSeries < 2) {
        lines.append(texts.text(TooFewSeriesText));
        return;
    }
    const QString worst = texts.text(s.orientation ? ClassText : NoClassText)
                              .arg(fixedNumber(s.worst.repeatability, PercentDecimals),
                                   fixedNumber(s.worst.interpolation, PercentDecimals),
                                   fixedNumber(s.worst.zeroReturn, PercentDecimals),
                                   fixedNumber(s.worst.reversibility, PercentDecimals));
    lines.append(s.orientation ? worst.arg(className(*s.orientation)) : worst);
}
constexpr int CreepLineText = 593;

} // namespace

CurveSheet curveSheet(const session::Session& session, const sensor::SensorPage& page,
                      const text::LanguageTable& texts) {
    const sensor::SensorRecord& sensor = session.sensors().CurrentSensor;
    const device::LiveValues& live = session.live();
    CurveSheet sheet;
    sheet.table = session.curve();
    sheet.scale.fullScale = device::ValDecimal(page.txtRozsah->text());
    sheet.scale.fullScaleNeg = device::ValDecimal(page.txtRozsahNeg->text());
    sheet.gainEntry = page.cmbGain->currentText();
    sheet.scale.gainRange = session::gainRangeLimit(sheet.gainEntry);
    sheet.scale.unitFormat = sensor::unitFormatForIndex(
        live.DisplayDigits, page.cmbFormat->currentIndex(), sensor.UnitFormat.text());
    sheet.formatEntry = page.cmbFormat->currentText();
    sheet.unit = sensor::trimBlanks(page.txtJednotka->text());
    sheet.description = sensor::trimBlanks(page.txtPopis->text());
    sheet.sensorId = sensor.SensorId.trimmed();
    sheet.instrument = texts.text(InstrumentText)
                           .arg(session.identification())
                           .arg(session.line().portNumber())
                           .arg(live.DisplayDigits);
    if (session.signalFresh()) {
        sheet.live = live.SignalMVV;
        sheet.liveStable = live.Stability.stable().has_value();
    }
    sheet.captures = session.captures();
    sheet.figures = computeCurveFigures(sheet.table, sheet.scale);
    setSeries(sheet, session.series());
    return sheet;
}

void setSeries(CurveSheet& sheet, SeriesReadings series) {
    sheet.series = std::move(series);
    sheet.seriesFigures.reset();
    sheet.errorBars.clear();
    if (sheet.series.empty())
        return;
    sheet.seriesFigures = computeSeriesFigures(sheet.series, sheet.figures);
    sheet.errorBars = repeatabilityPercentFs(*sheet.seriesFigures, sheet.figures);
    for (std::optional<double>& bar : sheet.errorBars)
        if (bar)
            *bar /= 2.0; // around the rising mean
}

bool acceptCurveWarnings(session::Session& session, const sensor::SensorPage& page) {
    const text::LanguageTable& texts = session.outlets().texts;
    const CurveSheet sheet = curveSheet(session, page, texts);
    if (sheet.figures.warnings.empty())
        return true;
    const QStringList lines = warningLines(sheet, texts);
    const QString question = texts.text(WarningsText) + QStringLiteral("\n\n") + lines.join(u'\n') +
                             QStringLiteral("\n\n") + texts.text(WriteAnywayText);
    // Warnings never refuse: Yes, the default, writes as Next did before there were warnings.
    return session.outlets().messages.show(question, text::MsgIcon::Exclamation,
                                           text::MsgButtons::YesNo,
                                           text::MsgAnswer::Yes) == text::MsgAnswer::Yes;
}

QString fixedNumber(std::optional<double> value, int decimals) {
    if (!value || !std::isfinite(*value))
        return QStringLiteral("-");
    const QString pattern =
        decimals > 0 ? QStringLiteral("0.") + QString(decimals, u'0') : QStringLiteral("0");
    // A value that rounds to zero shows no sign.
    const bool zero = std::fabs(*value) < 0.5 * std::pow(10.0, -decimals);
    return device::FormatNumber(zero ? 0.0 : *value, pattern);
}

int decimalsOf(QStringView unitFormat) {
    const qsizetype point = unitFormat.indexOf(u'.');
    return point < 0 ? 0 : static_cast<int>(std::lround(-std::log10(lastDigit(unitFormat))));
}

QStringList figureLines(const CurveSheet& sheet, const text::LanguageTable& texts) {
    const CurveFigures& f = sheet.figures;
    const int decimals = decimalsOf(sheet.scale.unitFormat) + 1;
    QStringList lines;
    lines.append(texts.text(SensitivityText)
                     .arg(fixedNumber(f.mvvPer1000Units, 4), sheet.unit,
                          fixedNumber(f.unitsPerMvV, decimals)));
    for (const auto& [branch, text] :
         {std::pair{&f.positive, PositiveText}, std::pair{&f.negative, NegativeText}}) {
        if (const std::optional<Nonlinearity>& found = *branch)
            lines.append(texts.text(text).arg(fixedNumber(found->deviation, decimals), sheet.unit,
                                              fixedNumber(found->percent, 3),
                                              QString::number(found->point)));
    }
    const auto intercept =
        f.leastSquares ? std::optional(f.leastSquares->intercept) : std::optional<double>();
    const auto slope =
        f.leastSquares ? std::optional(f.leastSquares->slope) : std::optional<double>();
    lines.append(texts.text(LeastSquaresText)
                     .arg(fixedNumber(intercept, decimals), fixedNumber(slope, decimals),
                          fixedNumber(f.rms, decimals), sheet.unit));
    if (sheet.seriesFigures)
        appendSeriesLines(lines, *sheet.seriesFigures, texts);
    if (const std::optional<CreepResult>& creep = sheet.creep)
        lines.append(creepLine(*creep, texts));
    return lines;
}

QString creepLine(const CreepResult& creep, const text::LanguageTable& texts) {
    const auto signed_ = [](double percent) {
        const QString shown = fixedNumber(percent, 3);
        return shown.startsWith(u'-') || shown == fixedNumber(0.0, 3) ? shown : u'+' + shown;
    };
    return texts.text(CreepLineText)
        .arg(QString::number(std::chrono::duration<double, std::ratio<60>>(creep.duration).count()),
             fixedNumber(creep.at30, FullSignalDecimals),
             fixedNumber(creep.end, FullSignalDecimals), signed_(creep.creepPercent),
             signed_(creep.changePercent));
}

QStringList pointHeaders(const CurveSheet& sheet, const text::LanguageTable& texts) {
    return {texts.text(PointText),
            texts.text(SignalText),
            texts.text(EtalonText).arg(sheet.unit),
            texts.text(DeviationText).arg(sheet.unit),
            texts.text(PercentText),
            texts.text(DigitsText),
            texts.text(ResidualText).arg(sheet.unit)};
}

QList<QStringList> pointRows(const CurveSheet& sheet, int signalDecimals) {
    const int decimals = decimalsOf(sheet.scale.unitFormat);
    QList<QStringList> rows;
    for (const PointFigures& p : sheet.figures.points)
        rows.append({QString::number(p.number), fixedNumber(p.signal, signalDecimals),
                     fixedNumber(p.etalon, decimals), fixedNumber(p.deviation, decimals + 1),
                     fixedNumber(p.percent, 3), fixedNumber(p.digits, 1),
                     fixedNumber(p.residual, decimals + 1)});
    return rows;
}

void appendCaptureColumns(QStringList& headers, QList<QStringList>& rows, const CurveSheet& sheet,
                          const text::LanguageTable& texts) {
    headers << texts.text(ReadingsText) << texts.text(ReadingDeviationText);
    for (qsizetype r = 0; r < rows.size() && r < std::ssize(sheet.figures.points); ++r) {
        const auto window = sheet.captures.of(
            static_cast<float>(sheet.figures.points[static_cast<std::size_t>(r)].signal));
        rows[r] << (window ? QString::number(window->readings) : QStringLiteral("-"))
                << fixedNumber(window ? std::optional(window->deviation) : std::nullopt,
                               FullSignalDecimals);
    }
}

void appendSeriesColumns(QStringList& headers, QList<QStringList>& rows, const CurveSheet& sheet,
                         const text::LanguageTable& texts) {
    if (!sheet.seriesFigures)
        return;
    headers << texts.text(RepeatabilityReadingText) << texts.text(RepeatabilityFsText)
            << texts.text(ReversibilityText);
    for (qsizetype r = 0; r < rows.size() && r < std::ssize(sheet.figures.points); ++r) {
        const LoadFigures* load =
            loadOf(*sheet.seriesFigures, sheet.figures.points[static_cast<std::size_t>(r)]);
        const auto shown = [load](std::optional<double> LoadFigures::*figure) {
            return fixedNumber(load != nullptr ? load->*figure : std::nullopt, PercentDecimals);
        };
        rows[r] << shown(&LoadFigures::repeatabilityReading) << shown(&LoadFigures::repeatabilityFs)
                << shown(&LoadFigures::reversibilityFs);
    }
}

QStringList seriesHeaders(const CurveSheet& sheet, const text::LanguageTable& texts) {
    return {texts.text(EtalonText).arg(sheet.unit),
            texts.text(SeriesCountText),
            texts.text(SignalText),
            texts.text(RepeatabilityReadingText),
            texts.text(RepeatabilityFsText),
            texts.text(ReversibilityText),
            texts.text(PercentText)};
}

QList<QStringList> seriesRows(const CurveSheet& sheet, int signalDecimals) {
    QList<QStringList> rows;
    if (!sheet.seriesFigures)
        return rows;
    const int decimals = decimalsOf(sheet.scale.unitFormat);
    for (const LoadFigures& load : sheet.seriesFigures->loads)
        rows.append({fixedNumber(load.etalon, decimals),
                     QStringLiteral("%1/%2").arg(load.risingSeries).arg(load.fallingSeries),
                     fixedNumber(load.risingMean, signalDecimals),
                     fixedNumber(load.repeatabilityReading, PercentDecimals),
                     fixedNumber(load.repeatabilityFs, PercentDecimals),
                     fixedNumber(load.reversibilityFs, PercentDecimals),
                     fixedNumber(load.interpolationFs, PercentDecimals)});
    return rows;
}

QStringList unitsOnSecondLine(QStringList headers) {
    for (QString& header : headers)
        header.replace(QStringLiteral(" ["), QStringLiteral("\n["));
    return headers;
}

QStringList warningLines(const CurveSheet& sheet, const text::LanguageTable& texts) {
    return warningTexts(sheet.figures, texts, sheet.scale.unitFormat, sheet.unit);
}

} // namespace calibration
