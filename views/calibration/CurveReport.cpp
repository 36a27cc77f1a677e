#include "views/calibration/CurveReport.h"

#include "core/session/StartUp.h"
#include "core/text/LanguageTable.h"
#include "core/text/NumberText.h"
#include "views/calibration/CurvePlot.h"

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

constexpr int PdfResolution = 300;
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
    return {
        {texts.text(InstrumentText), sheet.instrument},
        {texts.text(DescriptionText), sheet.description},
        {texts.text(SensorIdText), sheet.sensorId},
        {texts.text(UnitText), sheet.unit},
        {texts.text(FormatText), sheet.formatEntry},
        {texts.text(PositiveRangeText), value(sheet.scale.fullScale)},
        {texts.text(NegativeRangeText), value(sheet.scale.fullScaleNeg)},
        {texts.text(GainText),
         QString(sheet.gainEntry).replace(QStringLiteral("+/-"), QStringLiteral("±")).simplified()},
        {texts.text(WhenText), when.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))},
        {texts.text(OperatorText), signer.name},
        {texts.text(ReferenceText), signer.reference}};
}

QString csvField(QString text) {
    if (text.contains(u';') || text.contains(u'"') || text.contains(u'\n'))
        return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
    return text;
}

// Writes down an A4 page in millimetres, starting a new page when the next block does not fit.
class PdfPage {
public:
    PdfPage(QPdfWriter& writer, QPainter& painter) : writer_(writer), painter_(painter) {}

    [[nodiscard]] double px(double mm) const { return mm * PdfResolution / 25.4; }
    [[nodiscard]] double left() const { return px(Margin); }
    [[nodiscard]] double width() const { return px(210 - 2 * Margin); }
    [[nodiscard]] double& y() { return y_; }

    void font(double points, bool bold = false) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setStyleHint(QFont::SansSerif);
        font.setPointSizeF(points);
        font.setBold(bold);
        painter_.setFont(font);
    }
    [[nodiscard]] double line() const { return painter_.fontMetrics().height() * 1.15; }
    [[nodiscard]] bool fits(double height) const { return y_ + height <= px(297 - Margin - 4); }
    void need(double height) {
        if (fits(height))
            return;
        finishPage();
        writer_.newPage();
        y_ = px(Margin);
    }
    // The foot of the page: the program and the page's number.
    void finishPage() {
        ++pages_;
        painter_.save();
        font(7);
        painter_.setPen(Qt::darkGray);
        const QRectF foot(left(), px(297 - Margin + 2), width(), line());
        painter_.drawText(foot, Qt::AlignLeft | Qt::AlignVCenter, session::WindowCaption());
        painter_.drawText(foot, Qt::AlignRight | Qt::AlignVCenter, QString::number(pages_));
        painter_.restore();
    }
    void text(double x, double width, const QString& text, int flags = Qt::AlignLeft) {
        painter_.drawText(QRectF(x, y_, width, line()), flags | Qt::AlignVCenter, text);
    }
    [[nodiscard]] double heightOf(double width, const QString& text) const {
        const QRectF bounds =
            painter_.boundingRect(QRectF(0, 0, width, px(200)), Qt::TextWordWrap, text);
        return std::max(line(), bounds.height());
    }
    // Wrapped text in a column from the current line down; returns its height, one line at
    // least, so that a long typed text is shown whole rather than cut at the column's edge.
    double wrapped(double x, double width, const QString& text) {
        const double height = heightOf(width, text);
        painter_.drawText(QRectF(x, y_, width, height), Qt::TextWordWrap | Qt::AlignVCenter, text);
        return height;
    }
    // Wrapped text across the page.
    void paragraph(const QString& text) {
        const QRectF bounds =
            painter_.boundingRect(QRectF(left(), y_, width(), px(200)), Qt::TextWordWrap, text);
        need(bounds.height());
        painter_.drawText(QRectF(left(), y_, width(), bounds.height()), Qt::TextWordWrap, text);
        y_ += bounds.height() + px(0.8);
    }
    void rule(double thickness = 0.2) {
        painter_.setPen(QPen(Qt::black, px(thickness)));
        painter_.drawLine(QPointF(left(), y_), QPointF(left() + width(), y_));
    }

    static constexpr double Margin = 16.0;

private:
    QPdfWriter& writer_;
    QPainter& painter_;
    double y_ = px(Margin);
    int pages_ = 0;
};

void pdfTable(PdfPage& page, QPainter& painter, const QStringList& headers,
              const QList<QStringList>& rows) {
    const double column = page.width() / static_cast<double>(headers.size());
    const double pad = page.px(1.0);
    page.font(8, true);
    double headerHeight = 0.0;
    for (const QString& header : headers)
        headerHeight =
            std::max(headerHeight, painter
                                       .boundingRect(QRectF(0, 0, column - 2 * pad, page.px(30)),
                                                     Qt::TextWordWrap | Qt::AlignRight, header)
                                       .height());
    page.need(headerHeight + page.line() * 2);
    painter.fillRect(QRectF(page.left(), page.y(), page.width(), headerHeight + pad * 2),
                     QColor(235, 235, 235));
    for (int c = 0; c < headers.size(); ++c)
        painter.drawText(
            QRectF(page.left() + c * column + pad, page.y() + pad, column - 2 * pad, headerHeight),
            Qt::TextWordWrap | Qt::AlignRight | Qt::AlignBottom, headers[c]);
    page.y() += headerHeight + pad * 2;
    page.rule(0.3);
    page.font(9);
    for (const QStringList& row : rows) {
        page.need(page.line());
        for (int c = 0; c < row.size(); ++c)
            page.text(page.left() + c * column + pad, column - 2 * pad, row[c], Qt::AlignRight);
        page.y() += page.line();
    }
    page.rule(0.3);
    page.y() += page.px(3);
}

} // namespace

bool writePdfReport(const QString& path, const CurveSheet& sheet, const ReportSigner& signer,
                    const QDateTime& when, const text::LanguageTable& texts) {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(PdfResolution);
    writer.setTitle(texts.text(ReportTitleText) + QStringLiteral(" - ") + sheet.description);
    writer.setCreator(session::WindowCaption());
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    PdfPage page(writer, painter);

    page.font(16, true);
    page.text(page.left(), page.width(), texts.text(ReportTitleText));
    page.y() += page.px(9);
    page.rule(0.5);
    page.y() += page.px(2);

    page.font(10);
    const double keyWidth = page.px(64);
    for (const auto& [key, value] : identification(sheet, signer, when, texts, true)) {
        page.font(9.5, true);
        page.text(page.left(), keyWidth, key);
        page.font(9.5);
        page.y() += page.wrapped(page.left() + keyWidth, page.width() - keyWidth, value);
    }
    page.y() += page.px(3);

    // The plot, in screen units so that its lines and letters keep their proportions.
    const double plotHeight = page.px(74);
    page.need(plotHeight);
    painter.save();
    const double scale = PdfResolution / ScreenDpi;
    painter.translate(page.left(), page.y());
    painter.scale(scale, scale);
    QFont plotFont(QStringLiteral("DejaVu Sans"));
    plotFont.setPointSizeF(7.5 / scale);
    painter.setFont(plotFont);
    // The report shows the curve; the live signal of the moment of export is no part of it.
    CurveSheet still = sheet;
    still.live.reset();
    CurvePlot::draw(painter, QRectF(0, 0, page.width() / scale, plotHeight / scale), still, texts);
    painter.restore();
    painter.setPen(QPen(Qt::black, page.px(0.2)));
    painter.drawRect(QRectF(page.left(), page.y(), page.width(), plotHeight));
    page.y() += plotHeight + page.px(4);

    page.font(11, true);
    page.need(page.line() * 3);
    page.text(page.left(), page.width(), texts.text(PointsText));
    page.y() += page.line();
    pdfTable(page, painter, unitsOnSecondLine(pointHeaders(sheet, texts)), pointRows(sheet));

    page.font(11, true);
    page.need(page.line() * 5);
    page.text(page.left(), page.width(), texts.text(FiguresText));
    page.y() += page.line();
    page.font(9);
    for (const QString& line : figureLines(sheet, texts))
        page.paragraph(line);
    page.y() += page.px(2);

    page.font(11, true);
    page.need(page.line() * 2);
    page.text(page.left(), page.width(), texts.text(WarningsText));
    page.y() += page.line();
    page.font(9);
    const QStringList warnings = warningLines(sheet, texts);
    for (const QString& line :
         warnings.isEmpty() ? QStringList{texts.text(NoWarningText)} : warnings)
        page.paragraph(QStringLiteral("\u2022 ") + line);

    page.font(10);
    const double half = page.width() / 2;
    const QString signedBy = texts.text(OperatorText) + QStringLiteral(": ") + signer.name;
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
    QTextStream out(&device);
    out.setEncoding(QStringConverter::Utf8);
    out.setGenerateByteOrderMark(true);
    const auto row = [&out](const QStringList& fields) {
        QStringList quoted;
        for (const QString& field : fields)
            quoted.append(csvField(field));
        out << quoted.join(u';') << "\r\n";
    };
    row({texts.text(ReportTitleText)});
    for (const auto& [key, value] : identification(sheet, signer, when, texts, false))
        row({key, value});
    row({});
    row({texts.text(PointsText)});
    row(pointHeaders(sheet, texts));
    for (const QStringList& points : pointRows(sheet, FullSignalDecimals))
        row(points);
    row({});
    row({texts.text(FiguresText)});
    for (const QString& line : figureLines(sheet, texts))
        row({line});
    row({});
    row({texts.text(WarningsText)});
    for (const QString& line : warningLines(sheet, texts))
        row({line});
}

} // namespace calibration
