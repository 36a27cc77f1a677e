#include "views/records/HistoryPlot.h"

#include "views/calibration/CurvePlot.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>

namespace app {

HistoryPlot::HistoryPlot(const text::LanguageTable& texts, QWidget* parent)
    : QWidget(parent), texts_(texts) {
    setMinimumSize(360, 260);
}

void HistoryPlot::setCurves(std::vector<Curve> curves) {
    curves_ = std::move(curves);
    update();
}

QColor HistoryPlot::colourOf(std::size_t index) {
    // Apart from the points' red, the terminal lines' green and the ranges' purple.
    static constexpr std::array<QColor, 5> Colours{calibration::CurvePlot::CurveColour,
                                                   QColor(235, 120, 0), QColor(0, 160, 170),
                                                   QColor(130, 90, 40), QColor(90, 90, 90)};
    return Colours[index % Colours.size()];
}

void HistoryPlot::draw(QPainter& painter, const QRectF& area, const std::vector<Curve>& curves,
                       const text::LanguageTable& texts) {
    if (curves.empty()) {
        painter.fillRect(area, Qt::white);
        return;
    }
    // The oldest as the curve window draws it; the others in its frame, which reaches to the
    // ends of the gain range and past the measuring ranges: a curve of the same sensor fits.
    const calibration::CurveSheet& first = curves.front().sheet;
    calibration::CurvePlot::draw(painter, area, first, texts);
    const QFontMetricsF metrics(painter.font());
    const calibration::CurvePlot::Frame frame =
        calibration::CurvePlot::frameFor(area, first, metrics, texts);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setClipRect(frame.plot);
    const double line = metrics.height();
    for (std::size_t i = 1; i < curves.size(); ++i) {
        const auto& points = curves[i].sheet.figures.points;
        if (points.empty())
            continue;
        QPainterPath path(frame.at(points.front().signal, points.front().etalon));
        for (const calibration::PointFigures& p : points)
            path.lineTo(frame.at(p.signal, p.etalon));
        painter.setPen(QPen(colourOf(i), 2.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        painter.setBrush(colourOf(i));
        for (const calibration::PointFigures& p : points)
            painter.drawEllipse(frame.at(p.signal, p.etalon), line * 0.2, line * 0.2);
    }
    painter.setClipping(false);
    // The legend: a box in the plot's upper left corner.
    double width = 0.0;
    for (const Curve& curve : curves)
        width = std::max(width, metrics.horizontalAdvance(curve.name));
    const QRectF box(frame.plot.left() + line * 0.5, frame.plot.top() + line * 0.5,
                     width + line * 2.6, line * (static_cast<double>(curves.size()) + 0.6));
    painter.setPen(QPen(Qt::gray, 1.0));
    painter.setBrush(QColor(255, 255, 255, 235));
    painter.drawRect(box);
    for (std::size_t i = 0; i < curves.size(); ++i) {
        const double y = box.top() + line * (0.8 + static_cast<double>(i));
        painter.setPen(QPen(colourOf(i), 2.5));
        painter.drawLine(QPointF(box.left() + line * 0.3, y), QPointF(box.left() + line * 1.6, y));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(box.left() + line * 2.0, y - line / 2, width + line, line),
                         Qt::AlignLeft | Qt::AlignVCenter, curves[i].name);
    }
    painter.restore();
}

void HistoryPlot::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    draw(painter, QRectF(rect()), curves_, texts_);
}

} // namespace app
