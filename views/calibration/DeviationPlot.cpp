#include "views/calibration/DeviationPlot.h"

#include "core/text/LanguageTable.h"
#include "views/calibration/CurvePlot.h"
#include "views/calibration/PlotAxis.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace calibration {

namespace {

constexpr int SignalAxisText = 183;
constexpr int PercentAxisText = 186;
constexpr int ToleranceText = 534;

const QColor GridColour{228, 228, 228};
const QColor AxisColour{90, 90, 90};
const QColor JoinColour{150, 150, 150};

std::optional<double> errorBar(const CurveSheet& sheet, std::size_t point) {
    return point < sheet.errorBars.size() ? sheet.errorBars[point] : std::nullopt;
}

QString toleranceLabel(const CurveSheet& sheet, const text::LanguageTable& texts) {
    return texts.text(ToleranceText).arg(fixedNumber(sheet.tolerancePercent, 3));
}

} // namespace

QPointF DeviationPlot::Frame::at(double signal, double percent) const {
    return {plot.left() + (signal - signalFrom) / (signalTo - signalFrom) * plot.width(),
            plot.bottom() - (percent - percentFrom) / (percentTo - percentFrom) * plot.height()};
}

DeviationPlot::DeviationPlot(const text::LanguageTable& texts, QWidget* parent)
    : QWidget(parent), texts_(texts) {
    setMinimumSize(fontMetrics().averageCharWidth() * 50, fontMetrics().height() * 7);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void DeviationPlot::setSheet(const CurveSheet& sheet) {
    sheet_ = sheet;
    update();
}

void DeviationPlot::setExtent(PlotExtent extent) {
    extent_ = extent;
    update();
}

DeviationPlot::Frame DeviationPlot::frameFor(const QRectF& area, const CurveSheet& sheet,
                                             const QFontMetricsF& metrics, PlotExtent extent,
                                             const std::optional<SignalAxis>& above) {
    const PlotReach reach = plotReach(sheet.table, sheet.scale, sheet.live, extent);
    const double tolerance = std::fabs(sheet.tolerancePercent);
    double low = -tolerance;
    double high = tolerance;
    for (std::size_t i = 0; i < sheet.figures.points.size(); ++i) {
        if (const std::optional<double> percent = sheet.figures.points[i].percent) {
            const double bar = std::fabs(errorBar(sheet, i).value_or(0.0));
            low = std::min(low, *percent - bar);
            high = std::max(high, *percent + bar);
        }
    }
    const double pad = (high - low) * 0.08;
    const double line = metrics.height();
    Frame frame;
    const Axis percents = roundAxis(low - pad, high + pad, (area.height() - 4 * line) / (line * 2));
    double labelWidth = 0.0;
    for (const double v : ticks(percents))
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(tickText(v, percents.step)));
    frame.plot = QRectF(QPointF(area.left() + labelWidth + line * 2, area.top() + line * 1.6),
                        QPointF(area.right() - line, area.bottom() - line * 2.6));
    if (above) {
        frame.plot.setLeft(above->left);
        frame.plot.setRight(above->right);
        frame.signalFrom = above->from;
        frame.signalTo = above->to;
        frame.signalStep = above->step;
    } else {
        const double widest = metrics.horizontalAdvance(QStringLiteral("-00000.00"));
        const Axis signals_ =
            roundAxis(reach.signalLow, reach.signalHigh, frame.plot.width() / (widest * 1.6));
        frame.signalFrom = signals_.from;
        frame.signalTo = signals_.to;
        frame.signalStep = signals_.step;
    }
    frame.percentFrom = percents.from;
    frame.percentTo = percents.to;
    frame.percentStep = percents.step;
    return frame;
}

void DeviationPlot::draw(QPainter& painter, const QRectF& area, const CurveSheet& sheet,
                         const text::LanguageTable& texts, PlotExtent extent,
                         const std::optional<SignalAxis>& above) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QFontMetricsF metrics(painter.font());
    const Frame frame = frameFor(area, sheet, metrics, extent, above);
    const QRectF& plot = frame.plot;
    const double line = metrics.height();
    painter.fillRect(area, Qt::white);

    // The tolerance band under everything.
    const double tolerance = std::fabs(sheet.tolerancePercent);
    painter.fillRect(
        QRectF(frame.at(frame.signalFrom, tolerance), frame.at(frame.signalTo, -tolerance)),
        BandColour);

    for (const double s : ticks({frame.signalFrom, frame.signalTo, frame.signalStep})) {
        const double x = frame.at(s, 0).x();
        painter.setPen(QPen(GridColour, 1.0));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x - 50 * line, plot.bottom() + line * 0.2, 100 * line, line),
                         Qt::AlignHCenter | Qt::AlignTop, tickText(s, frame.signalStep));
    }
    for (const double v : ticks({frame.percentFrom, frame.percentTo, frame.percentStep})) {
        const double y = frame.at(0, v).y();
        painter.setPen(QPen(GridColour, 1.0));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(Qt::black);
        painter.drawText(
            QRectF(area.left(), y - line / 2, plot.left() - area.left() - line * 0.4, line),
            Qt::AlignRight | Qt::AlignVCenter, tickText(v, frame.percentStep));
    }
    painter.setPen(QPen(AxisColour, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    painter.drawLine(frame.at(frame.signalFrom, 0), frame.at(frame.signalTo, 0));

    painter.setPen(Qt::black);
    painter.drawText(QRectF(plot.left(), plot.bottom() + line * 1.3, plot.width(), line),
                     Qt::AlignHCenter | Qt::AlignTop, texts.text(SignalAxisText));
    painter.drawText(QRectF(area.left() + line * 0.3, area.top() + line * 0.2, plot.width(), line),
                     Qt::AlignLeft | Qt::AlignTop, texts.text(PercentAxisText));
    // The band's legend at the top right.
    const QString band = toleranceLabel(sheet, texts);
    const double bandWidth = metrics.horizontalAdvance(band);
    const QRectF sample(plot.right() - bandWidth - line * 2.2, area.top() + line * 0.3, line * 1.6,
                        line * 0.8);
    painter.fillRect(sample, BandColour);
    painter.drawText(QRectF(sample.right() + line * 0.4, area.top() + line * 0.2, bandWidth, line),
                     Qt::AlignLeft | Qt::AlignTop, band);

    painter.setClipRect(plot.adjusted(-line, -line, line, line));
    const std::vector<PointFigures>& points = sheet.figures.points;
    // Each branch's points joined in the order of their signals.
    for (const bool negative : {false, true}) {
        QPainterPath path;
        for (const PointFigures& p : points) {
            if (!p.percent || (p.negativeBranch != negative))
                continue;
            const QPointF at = frame.at(p.signal, *p.percent);
            if (path.elementCount() == 0)
                path.moveTo(at);
            else
                path.lineTo(at);
        }
        painter.setPen(QPen(JoinColour, 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
    const double radius = std::max(3.0, line * 0.3);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const PointFigures& p = points[i];
        if (!p.percent)
            continue;
        const QPointF at = frame.at(p.signal, *p.percent);
        if (const std::optional<double> bar = errorBar(sheet, i)) {
            const QPointF top = frame.at(p.signal, *p.percent + std::fabs(*bar));
            const QPointF bottom = frame.at(p.signal, *p.percent - std::fabs(*bar));
            painter.setPen(QPen(BarColour, 1.5));
            painter.drawLine(top, bottom);
            for (const QPointF& end : {top, bottom})
                painter.drawLine(end - QPointF(radius, 0), end + QPointF(radius, 0));
        }
        const QColor colour =
            std::fabs(*p.percent) <= tolerance + 1e-12 ? WithinColour : OutsideColour;
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(at, radius, radius);
        painter.setPen(colour);
        painter.drawText(at + QPointF(radius + 2, -radius - 2), QString::number(p.number));
    }
    painter.restore();
}

void DeviationPlot::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    std::optional<SignalAxis> above;
    if (curve_ != nullptr) {
        const CurvePlot::Frame curve = CurvePlot::frameFor(
            curve_->rect(), sheet_, QFontMetricsF(curve_->font()), texts_, extent_);
        const auto x = [this](double curveX) {
            return mapFrom(window(), curve_->mapTo(window(), QPointF(curveX, 0.0))).x();
        };
        above = SignalAxis{x(curve.plot.left()), x(curve.plot.right()), curve.signalFrom,
                           curve.signalTo, curve.signalStep};
    }
    draw(painter, rect(), sheet_, texts_, extent_, above);
}

} // namespace calibration
