#include "views/calibration/CurvePlot.h"

#include "views/calibration/PlotAxis.h"

#include "core/calibration/CurveEvaluation.h"
#include "core/text/LanguageTable.h"
#include "core/text/NumberText.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <span>

namespace calibration {

namespace {

constexpr int SignalAxisText = 183;
constexpr int EtalonAxisText = 184;
constexpr int LiveText = 201;
constexpr int StableText = 540;
constexpr int PointsText = 202;
constexpr int CurveText = 203;
constexpr int TerminalText = 204;
constexpr int RangesText = 205;

const QColor GridColour{228, 228, 228};
const QColor AxisColour{90, 90, 90};

// The mark of a measuring range at the plot's right edge.
QString rangeText(double range, const CurveSheet& sheet) {
    return (range >= 0.0 ? QStringLiteral("R+ ") : QStringLiteral("R- ")) +
           device::FormatNumber(range, sheet.scale.unitFormat);
}

QPen pen(const QColor& colour, double width, Qt::PenStyle style = Qt::SolidLine) {
    QPen result(colour, width, style);
    result.setCapStyle(Qt::FlatCap);
    return result;
}

struct LegendEntry {
    int text;
    QColor colour;
    Qt::PenStyle style;
    bool dot;
};
const LegendEntry Legend[] = {{PointsText, CurvePlot::PointColour, Qt::NoPen, true},
                              {CurveText, CurvePlot::CurveColour, Qt::SolidLine, false},
                              {TerminalText, CurvePlot::TerminalColour, Qt::DashLine, false},
                              {RangesText, CurvePlot::RangeColour, Qt::DotLine, false},
                              {LiveText, CurvePlot::LiveColour, Qt::NoPen, true}};

// Where each legend entry goes: its row and its offset from the left, in rows as wide as `width`.
struct LegendPlace {
    int row = 0;
    double x = 0.0;
};
// The live signal's entry, the last, only while there is one.
std::vector<LegendPlace> placeLegend(const QFontMetricsF& metrics, double width,
                                     const text::LanguageTable& texts, bool live) {
    std::vector<LegendPlace> places;
    LegendPlace next;
    for (const LegendEntry& entry : std::span(Legend).first(std::size(Legend) - (live ? 0 : 1))) {
        const double entryWidth = metrics.height() * 1.6 + metrics.averageCharWidth() +
                                  metrics.horizontalAdvance(texts.text(entry.text));
        if (next.x > 0.0 && next.x + entryWidth > width)
            next = {next.row + 1, 0.0};
        places.push_back(next);
        next.x += entryWidth + metrics.averageCharWidth() * 3;
    }
    return places;
}

void drawLegend(QPainter& painter, const QPointF& origin, double width,
                const QFontMetricsF& metrics, const text::LanguageTable& texts, bool live) {
    const double sample = metrics.height() * 1.6;
    const std::vector<LegendPlace> places = placeLegend(metrics, width, texts, live);
    for (std::size_t i = 0; i < places.size(); ++i) {
        const LegendEntry& entry = Legend[i];
        double x = origin.x() + places[i].x;
        const double y = origin.y() + (places[i].row + 0.5) * metrics.height() * 1.3;
        if (entry.dot) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(entry.colour);
            painter.drawEllipse(QPointF(x + sample / 2, y), metrics.height() / 4,
                                metrics.height() / 4);
        } else {
            painter.setPen(pen(entry.colour, 2.0, entry.style));
            painter.drawLine(QPointF(x, y), QPointF(x + sample, y));
        }
        x += sample + metrics.averageCharWidth();
        painter.setPen(Qt::black);
        painter.drawText(QPointF(x, y + metrics.ascent() / 2 - 1), texts.text(entry.text));
    }
}

// The live marker's place: on the curve, or at the edge of the plot where it lies beyond.
QPointF liveAt(const CurvePlot::Frame& frame, const CurveSheet& sheet) {
    const double value =
        sheet.table.PointCount() >= 2 ? EvaluateCurve(sheet.table, *sheet.live) : 0.0;
    const QPointF at = frame.at(*sheet.live, value);
    return {std::clamp(at.x(), frame.plot.left(), frame.plot.right()),
            std::clamp(at.y(), frame.plot.top(), frame.plot.bottom())};
}

} // namespace

QPointF CurvePlot::Frame::at(double signal, double value) const {
    return {plot.left() + (signal - signalFrom) / (signalTo - signalFrom) * plot.width(),
            plot.bottom() - (value - valueFrom) / (valueTo - valueFrom) * plot.height()};
}

CurvePlot::CurvePlot(const text::LanguageTable& texts, QWidget* parent)
    : QWidget(parent), texts_(texts) {
    setMinimumSize(fontMetrics().averageCharWidth() * 50, fontMetrics().height() * 14);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CurvePlot::setSheet(const CurveSheet& sheet) {
    sheet_ = sheet;
    update();
}

void CurvePlot::setExtent(PlotExtent extent) {
    extent_ = extent;
    update();
}

CurvePlot::Frame CurvePlot::frameFor(const QRectF& area, const CurveSheet& sheet,
                                     const QFontMetricsF& metrics, const text::LanguageTable& texts,
                                     PlotExtent extent) {
    const PlotReach reach = plotReach(sheet.table, sheet.scale, sheet.live, extent);
    const double signalLow = reach.signalLow;
    const double signalHigh = reach.signalHigh;
    double valueLow = reach.valueLow;
    double valueHigh = reach.valueHigh;
    // Headroom, so that no point and its number sit on the frame.
    const double pad = (valueHigh - valueLow) * 0.04;
    for (const PointFigures& p : sheet.figures.points) {
        valueLow = std::min(valueLow, p.etalon - pad);
        valueHigh = std::max(valueHigh, p.etalon + pad);
    }
    const double line = metrics.height();
    // A first guess of the plot's size decides the ticks, whose labels decide the margins.
    const double widest = metrics.horizontalAdvance(QStringLiteral("-00000.00"));
    const Axis values = roundAxis(valueLow, valueHigh, (area.height() - 4 * line) / (line * 2.5));
    double labelWidth = 0.0;
    for (const double v : ticks(values))
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(tickText(v, values.step)));
    double rangeLabel = 0.0;
    for (const double range : {sheet.scale.fullScale, sheet.scale.fullScaleNeg})
        rangeLabel = std::max(rangeLabel, metrics.horizontalAdvance(rangeText(range, sheet)));
    Frame frame;
    frame.plot = QRectF(area.left() + labelWidth + line * 2, area.top() + line * 2, 0.0, 0.0);
    frame.plot.setRight(area.right() - rangeLabel - line);
    const std::vector<LegendPlace> legend =
        placeLegend(metrics, area.right() - frame.plot.left(), texts, sheet.live.has_value());
    frame.plot.setBottom(area.bottom() - line * 2.6 - (legend.back().row + 1) * line * 1.3);
    const Axis signals_ = roundAxis(signalLow, signalHigh, frame.plot.width() / (widest * 1.6));
    frame.signalFrom = signals_.from;
    frame.signalTo = signals_.to;
    frame.signalStep = signals_.step;
    frame.valueFrom = values.from;
    frame.valueTo = values.to;
    frame.valueStep = values.step;
    return frame;
}

void CurvePlot::draw(QPainter& painter, const QRectF& area, const CurveSheet& sheet,
                     const text::LanguageTable& texts, PlotExtent extent) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QFontMetricsF metrics(painter.font());
    const Frame frame = frameFor(area, sheet, metrics, texts, extent);
    const QRectF& plot = frame.plot;
    const double line = metrics.height();
    painter.fillRect(area, Qt::white);

    // Grid and tick labels.
    painter.setPen(pen(GridColour, 1.0));
    for (const double s : ticks({frame.signalFrom, frame.signalTo, frame.signalStep})) {
        const double x = frame.at(s, 0).x();
        painter.setPen(pen(GridColour, 1.0));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter.setPen(Qt::black);
        const QString label = tickText(s, frame.signalStep);
        painter.drawText(QRectF(x - 50 * line, plot.bottom() + line * 0.2, 100 * line, line),
                         Qt::AlignHCenter | Qt::AlignTop, label);
    }
    for (const double v : ticks({frame.valueFrom, frame.valueTo, frame.valueStep})) {
        const double y = frame.at(0, v).y();
        painter.setPen(pen(GridColour, 1.0));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(Qt::black);
        painter.drawText(
            QRectF(area.left(), y - line / 2, plot.left() - area.left() - line * 0.4, line),
            Qt::AlignRight | Qt::AlignVCenter, tickText(v, frame.valueStep));
    }
    painter.setPen(pen(AxisColour, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    if (frame.signalFrom < 0 && frame.signalTo > 0)
        painter.drawLine(frame.at(0, frame.valueFrom), frame.at(0, frame.valueTo));
    if (frame.valueFrom < 0 && frame.valueTo > 0)
        painter.drawLine(frame.at(frame.signalFrom, 0), frame.at(frame.signalTo, 0));

    // Axis titles and legend.
    painter.setPen(Qt::black);
    painter.drawText(QRectF(plot.left(), plot.bottom() + line * 1.3, plot.width(), line),
                     Qt::AlignHCenter | Qt::AlignTop, texts.text(SignalAxisText));
    painter.drawText(QRectF(area.left() + line * 0.3, area.top() + line * 0.3, plot.width(), line),
                     Qt::AlignLeft | Qt::AlignTop, texts.text(EtalonAxisText).arg(sheet.unit));
    drawLegend(painter, QPointF(plot.left(), plot.bottom() + line * 2.6),
               area.right() - plot.left(), metrics, texts, sheet.live.has_value());

    // Measuring ranges: a dotted line across, marked at the right.
    const auto format = [&sheet](double value) {
        return device::FormatNumber(value, sheet.scale.unitFormat);
    };
    for (const double value : {sheet.scale.fullScale, sheet.scale.fullScaleNeg}) {
        if (value == 0.0)
            continue;
        const double y = frame.at(0, value).y();
        painter.setPen(pen(RangeColour, 1.5, Qt::DotLine));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(RangeColour);
        painter.drawText(QPointF(plot.right() + line * 0.3, y + metrics.ascent() / 2 - 1),
                         rangeText(value, sheet));
    }

    painter.setClipRect(plot);
    const double radius = std::max(3.0, line * 0.3);
    const CurveFigures& figures = sheet.figures;
    // Terminal lines, from the zero point to the ends of the signal axis.
    if (figures.zeroPoint > 0) {
        const double zeroSignal =
            figures.points[static_cast<std::size_t>(figures.zeroPoint - 1)].signal;
        painter.setPen(pen(TerminalColour, 1.5, Qt::DashLine));
        if (figures.positiveTerminal)
            painter.drawLine(
                frame.at(zeroSignal, figures.positiveTerminal->at(zeroSignal)),
                frame.at(frame.signalTo, figures.positiveTerminal->at(frame.signalTo)));
        if (figures.negativeTerminal)
            painter.drawLine(
                frame.at(zeroSignal, figures.negativeTerminal->at(zeroSignal)),
                frame.at(frame.signalFrom, figures.negativeTerminal->at(frame.signalFrom)));
    }
    // The instrument's curve: straight between the points, extended to ±G.
    const int count = sheet.table.PointCount();
    if (count >= 2) {
        const double g = sheet.scale.gainRange > 0.0
                             ? sheet.scale.gainRange
                             : std::max(std::fabs(frame.signalFrom), std::fabs(frame.signalTo));
        const PointFigures& first = figures.points.front();
        const PointFigures& last = figures.points.back();
        QPainterPath path(frame.at(first.signal, first.etalon));
        for (const PointFigures& p : figures.points)
            path.lineTo(frame.at(p.signal, p.etalon));
        painter.setPen(pen(CurveColour, 2.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        // Beyond the outermost points the instrument extends the end segments: dashed.
        painter.setPen(pen(CurveColour, 2.0, Qt::DashLine));
        painter.drawLine(frame.at(-g, EvaluateCurve(sheet.table, static_cast<float>(-g))),
                         frame.at(first.signal, first.etalon));
        painter.drawLine(frame.at(last.signal, last.etalon),
                         frame.at(g, EvaluateCurve(sheet.table, static_cast<float>(g))));
    }
    // The live signal: a line across, labelled with its value on the curve.
    if (sheet.live) {
        const double signal = *sheet.live;
        const double value = count >= 2 ? EvaluateCurve(sheet.table, *sheet.live) : 0.0;
        const QPointF at = liveAt(frame, sheet);
        painter.setPen(pen(LiveColour, 1.0));
        painter.drawLine(QPointF(at.x(), plot.top()), QPointF(at.x(), plot.bottom()));
        const double size = radius * 1.7;
        QString label =
            fixedNumber(signal, 3) + QStringLiteral(" mV/V = ") + format(value) + u' ' + sheet.unit;
        if (sheet.liveStable)
            label += QStringLiteral(", ") + texts.text(StableText);
        const double width = metrics.horizontalAdvance(label) + line * 0.6;
        // Above and left of the marker, where a rising curve leaves room; else right of it.
        QRectF box(0.0, at.y() - line * 1.8, width, line * 1.2);
        box.moveRight(at.x() - size * 1.5);
        if (box.left() < plot.left())
            box.moveLeft(at.x() + size * 1.5);
        // A narrow plot has room on neither side: the label stays inside, the marker on top.
        if (box.right() > plot.right())
            box.moveRight(plot.right());
        if (box.top() < plot.top())
            box.moveTop(at.y() + size * 1.5);
        painter.setPen(pen(LiveColour, 1.0));
        painter.setBrush(QColor(255, 255, 255, 230));
        painter.drawRect(box);
        painter.setPen(Qt::black);
        painter.drawText(box, Qt::AlignCenter, label);
    }
    // The points, numbered as in the list.
    for (const PointFigures& p : figures.points) {
        const QPointF at = frame.at(p.signal, p.etalon);
        painter.setPen(Qt::NoPen);
        painter.setBrush(PointColour);
        painter.drawEllipse(at, radius, radius);
        painter.setPen(PointColour);
        painter.drawText(at + QPointF(radius + 2, -radius - 2), QString::number(p.number));
    }
    // The live marker above everything.
    if (sheet.live) {
        const QPointF at = liveAt(frame, sheet);
        const double size = radius * 1.7;
        painter.setPen(pen(Qt::white, 1.5));
        painter.setBrush(LiveColour);
        painter.drawPolygon(QPolygonF({at + QPointF(0, -size), at + QPointF(size, 0),
                                       at + QPointF(0, size), at + QPointF(-size, 0)}));
    }
    painter.restore();
}

void CurvePlot::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    draw(painter, rect(), sheet_, texts_, extent_);
}

} // namespace calibration
