#pragma once

#include "core/calibration/PlotReach.h"
#include "views/calibration/CurveSheet.h"

#include <QColor>
#include <QRectF>
#include <QWidget>

class QFontMetricsF;
class QPainter;

namespace text {
class LanguageTable;
}

namespace calibration {

// The curve in the sensor's unit against mV/V: the points, the curve the instrument uses with
// its end segments extended to ±G, the terminal lines, the measuring ranges and the live signal.
// Fitted to the points and the ranges, or the whole ±G (plotReach). Drawn with QPainter onto any
// device, so the window, the report and the tests share it.
class CurvePlot : public QWidget {
    Q_OBJECT
public:
    static constexpr QColor PointColour{170, 0, 0};
    static constexpr QColor LiveColour{255, 120, 0};
    static constexpr QColor CurveColour{0, 80, 200};
    static constexpr QColor TerminalColour{0, 140, 60};
    static constexpr QColor RangeColour{140, 0, 170};

    // Where values land: the plot area and the axes' reach.
    struct Frame {
        QRectF plot;
        double signalFrom = -1.0;
        double signalTo = 1.0;
        double signalStep = 1.0;
        double valueFrom = -1.0;
        double valueTo = 1.0;
        double valueStep = 1.0;
        [[nodiscard]] QPointF at(double signal, double value) const;
    };

    CurvePlot(const text::LanguageTable& texts, QWidget* parent = nullptr);

    void setSheet(const CurveSheet& sheet);
    void setExtent(PlotExtent extent);
    [[nodiscard]] PlotExtent extent() const { return extent_; }

    [[nodiscard]] static Frame frameFor(const QRectF& area, const CurveSheet& sheet,
                                        const QFontMetricsF& metrics,
                                        const text::LanguageTable& texts,
                                        PlotExtent extent = PlotExtent::Fitted);
    // Draws the whole plot into `area` with the painter's font. A live signal beyond the plot
    // is marked at its edge.
    static void draw(QPainter& painter, const QRectF& area, const CurveSheet& sheet,
                     const text::LanguageTable& texts, PlotExtent extent = PlotExtent::Fitted);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const text::LanguageTable& texts_;
    CurveSheet sheet_;
    PlotExtent extent_ = PlotExtent::Fitted;
};

} // namespace calibration
