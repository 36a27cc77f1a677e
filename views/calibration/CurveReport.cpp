#include "views/calibration/CurveReport.h"

#include "core/session/StartUp.h"
#include "core/text/LanguageTable.h"
#include "core/text/NumberText.h"
#include "views/calibration/CertificateContent.h"
#include "views/calibration/CurvePlot.h"
#include "views/calibration/DeviationPlot.h"
#include "views/calibration/PdfPage.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextStream>
#include <algorithm>
#include <utility>
#include <vector>

namespace calibration {

namespace {

constexpr int ReportTitleText = 211;
constexpr int InstrumentText = 212;
constexpr int DescriptionText = 214;
constexpr int SensorIdText = 215;
constexpr int UnitText = 216;
constexpr int FormatText = 217;
constexpr int PositiveRangeText = 218;
constexpr int NegativeRangeText = 219;
constexpr int GainText = 220;
constexpr int WhenText = 221;
constexpr int OperatorText = 222;
constexpr int ReferenceText = 223;
constexpr int FiguresText = 224;
constexpr int WarningsText = 225;
constexpr int SignatureText = 226;
constexpr int NoWarningText = 193;
constexpr int PointsText = 202;
constexpr int SeriesText = 583;

// Plot coordinates are those of a 96-dpi screen, so its lines keep their weight on paper.
constexpr double ScreenDpi = 96.0;

using Field = std::pair<QString, QString>;

// The ranges with their unit on paper; in the CSV bare numbers, which a spreadsheet reads.
std::vector<Field> identification(const CurveSheet& sheet, const ReportSigner& signer,
                                  const QDateTime& when, const text::LanguageTable& texts,
                                  bool withUnit) {
    const auto value = [&sheet, withUnit](double number) {
        return device::FormatNumber(number, sheet.scale.unitFormat) +
               (withUnit ? u' ' + sheet.unit : QString());
    };
    std::vector<Field> fields{
        {texts.text(InstrumentText), sheet.instrument},
        {texts.text(DescriptionText), sheet.description},
        {texts.text(SensorIdText), sheet.sensorId},
        {texts.text(UnitText), sheet.unit},
        {texts.text(FormatText), sheet.formatEntry},
        {texts.text(PositiveRangeText), value(sheet.scale.fullScale)},
        {texts.text(NegativeRangeText), value(sheet.scale.fullScaleNeg)},
        {texts.text(GainText), QString(sheet.gainEntry)
                                   .replace(QStringLiteral("+/-"), QStringLiteral("±"))
                                   .simplified()}};
    // A certificate states when, by whom and against which standard among its own fields.
    if (!sheet.certificate)
        fields.insert(fields.end(),
                      {{texts.text(WhenText), when.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))},
                       {texts.text(OperatorText), signer.name},
                       {texts.text(ReferenceText), signer.reference}});
    return fields;
}

std::optional<CertificateContent> certificateOf(const CurveSheet& sheet,
                                                const text::LanguageTable& texts) {
    if (!sheet.certificate)
        return std::nullopt;
    return certificateContent(*sheet.certificate, sheet.scale.unitFormat, texts);
}

QString csvField(QString text) {
    if (text.contains(u';') || text.contains(u'"') || text.contains(u'\n'))
        return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
    return text;
}

// The plot and the deviation plot under it on one signal axis, fitted to the points, in screen
// units so that their lines and letters keep their proportions.
void drawPlots(PdfPage& page, const CurveSheet& sheet, double curveMm, double deviationMm,
               const text::LanguageTable& texts) {
    QPainter& painter = page.painter();
    const double scale = PdfPage::Resolution / ScreenDpi;
    QFont plotFont(QStringLiteral("DejaVu Sans"));
    plotFont.setPointSizeF(7.5 / scale);
    // The report shows the curve; the live signal of the moment of export is no part of it.
    CurveSheet still = sheet;
    still.live.reset();
    // A certificate's band is the tolerance it states.
    if (sheet.certificate)
        still.tolerancePercent = sheet.certificate->tolerancePercentFs;
    std::optional<DeviationPlot::SignalAxis> axis;
    for (const double heightMm : {curveMm, deviationMm}) {
        const double plotHeight = page.px(heightMm);
        page.need(plotHeight);
        painter.save();
        painter.translate(page.left(), page.y());
        painter.scale(scale, scale);
        painter.setFont(plotFont);
        const QRectF area(0, 0, page.width() / scale, plotHeight / scale);
        if (!axis) {
            CurvePlot::draw(painter, area, still, texts);
            const CurvePlot::Frame frame =
                CurvePlot::frameFor(area, still, QFontMetricsF(painter.font()), texts);
            axis = DeviationPlot::SignalAxis{frame.plot.left(), frame.plot.right(),
                                             frame.signalFrom, frame.signalTo, frame.signalStep};
        } else {
            DeviationPlot::draw(painter, area, still, texts, PlotExtent::Fitted, axis);
        }
        painter.restore();
        painter.setPen(QPen(Qt::black, page.px(0.2)));
        painter.drawRect(QRectF(page.left(), page.y(), page.width(), plotHeight));
        page.y() += plotHeight + page.px(heightMm == deviationMm ? 4 : 2);
    }
}

void heading(PdfPage& page, const QString& text, int linesWithIt) {
    page.font(11, true);
    page.need(page.line() * linesWithIt);
    page.text(page.left(), page.width(), text);
    page.y() += page.line();
}

// A check with its title and verdict on one page where they fit together.
void drawCheck(PdfPage& page, const CertificateCheck& check) {
    page.font(9);
    const double lines = check.rows.isEmpty() ? 3.0 : static_cast<double>(check.rows.size()) + 6;
    page.need(std::min(page.line() * lines, page.px(297 - 3 * PdfPage::Margin)));
    heading(page, check.title, 2);
    if (!check.rows.isEmpty())
        page.table(unitsOnSecondLine(check.headers), check.rows, true);
    page.font(9.5, true);
    const bool shaded = check.outcome != certificate::Verdict::NotChecked;
    page.painter().setPen(!shaded                                       ? QColor(Qt::black)
                          : check.outcome == certificate::Verdict::Pass ? QColor(0, 110, 0)
                                                                        : QColor(170, 0, 0));
    page.paragraph(check.verdict);
    page.painter().setPen(Qt::black);
    page.y() += page.px(2);
}

} // namespace

bool writePdfReport(const QString& path, const CurveSheet& sheet, const ReportSigner& signer,
                    const QDateTime& when, const text::LanguageTable& texts) {
    const std::optional<CertificateContent> certificate = certificateOf(sheet, texts);
    const QString title = certificate ? certificate->title : texts.text(ReportTitleText);
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(PdfPage::Resolution);
    writer.setTitle(title + QStringLiteral(" - ") +
                    (certificate ? sheet.certificate->certificateNumber : sheet.description));
    writer.setCreator(session::WindowCaption());
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    PdfPage page(writer, painter);

    page.font(16, true);
    page.text(page.left(), page.width(), title);
    if (certificate) {
        page.font(13, true);
        page.text(page.left(), page.width(), sheet.certificate->certificateNumber, Qt::AlignRight);
    }
    page.y() += page.px(9);
    page.rule(0.5);
    page.y() += page.px(2);

    if (certificate) {
        page.fields(certificate->fields, 2, 45);
        page.y() += page.px(1.5);
        page.rule(0.2);
        page.y() += page.px(1.5);
        page.fields(identification(sheet, signer, when, texts, true), 2, 45);
    } else {
        const double keyWidth = page.px(64);
        for (const auto& [key, value] : identification(sheet, signer, when, texts, true)) {
            page.font(9.5, true);
            page.text(page.left(), keyWidth, key);
            page.font(9.5);
            page.y() += page.wrapped(page.left() + keyWidth, page.width() - keyWidth, value);
        }
    }
    page.y() += page.px(3);
    drawPlots(page, sheet, certificate ? 48 : 56, certificate ? 24 : 28, texts);

    heading(page, texts.text(PointsText), 3);
    page.table(unitsOnSecondLine(pointHeaders(sheet, texts)), pointRows(sheet));
    if (sheet.seriesFigures) {
        heading(page, texts.text(SeriesText), 3);
        page.table(unitsOnSecondLine(seriesHeaders(sheet, texts)), seriesRows(sheet));
    }

    heading(page, texts.text(FiguresText), 5);
    page.font(9);
    for (const QString& line : figureLines(sheet, texts))
        page.paragraph(line);
    page.y() += page.px(2);

    heading(page, texts.text(WarningsText), 2);
    page.font(9);
    const QStringList warnings = warningLines(sheet, texts);
    for (const QString& line :
         warnings.isEmpty() ? QStringList{texts.text(NoWarningText)} : warnings)
        page.paragraph(QStringLiteral("\u2022 ") + line);
    if (certificate) {
        page.y() += page.px(2);
        for (const CertificateCheck& check : certificate->checks)
            drawCheck(page, check);
    }

    page.font(10);
    const double half = page.width() / 2;
    // A certificate is signed by the operator on record.
    const QString signedBy = texts.text(OperatorText) + QStringLiteral(": ") +
                             (certificate ? certificate->signedBy : signer.name);
    const double signatureHeight = page.heightOf(half - page.px(4), signedBy);
    // The signature keeps its page when a narrower gap lets it: alone on a page of its own it
    // would not say what it signs.
    page.y() += page.fits(page.px(8) + signatureHeight) ? page.px(8) : page.px(3);
    page.need(signatureHeight);
    page.text(page.left() + half, half,
              texts.text(SignatureText) + QStringLiteral(": ______________________"));
    page.y() += page.wrapped(page.left(), half - page.px(4), signedBy);
    page.y() += page.line();
    page.finishPage();
    return painter.end();
}

void writeCsvReport(QIODevice& device, const CurveSheet& sheet, const ReportSigner& signer,
                    const QDateTime& when, const text::LanguageTable& texts) {
    const std::optional<CertificateContent> certificate = certificateOf(sheet, texts);
    QTextStream out(&device);
    out.setEncoding(QStringConverter::Utf8);
    out.setGenerateByteOrderMark(true);
    const auto row = [&out](const QStringList& fields) {
        QStringList quoted;
        for (const QString& field : fields)
            quoted.append(csvField(field));
        out << quoted.join(u';') << "\r\n";
    };
    row({certificate ? certificate->title : texts.text(ReportTitleText)});
    if (certificate)
        for (const auto& [key, value] : certificate->fields)
            row({key, value});
    for (const auto& [key, value] : identification(sheet, signer, when, texts, false))
        row({key, value});
    row({});
    row({texts.text(PointsText)});
    row(pointHeaders(sheet, texts));
    for (const QStringList& points : pointRows(sheet, FullSignalDecimals))
        row(points);
    if (sheet.seriesFigures) {
        row({});
        row({texts.text(SeriesText)});
        row(seriesHeaders(sheet, texts));
        for (const QStringList& loads : seriesRows(sheet, FullSignalDecimals))
            row(loads);
    }
    row({});
    row({texts.text(FiguresText)});
    for (const QString& line : figureLines(sheet, texts))
        row({line});
    row({});
    row({texts.text(WarningsText)});
    for (const QString& line : warningLines(sheet, texts))
        row({line});
    if (!certificate)
        return;
    for (const CertificateCheck& check : certificate->checks) {
        row({});
        row({check.title});
        if (!check.rows.isEmpty())
            row(check.headers);
        for (const QStringList& cells : check.rows)
            row(cells);
        row({check.verdict});
    }
}

} // namespace calibration
