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

class CurvePlot;

// Each point's deviation from the terminal line of its branch in % of full scale against its
// signal, with its error bar where the sheet has one, over the tolerance band ±tolerancePercent.
// Its signal axis is the curve plot's above it, so the points stand below their places on the
// curve; alone, it reaches as far as the curve plot would. Drawn like CurvePlot onto any device.
class DeviationPlot : public QWidget {
    Q_OBJECT
public:
    static constexpr QColor WithinColour{0, 110, 0};
    static constexpr QColor OutsideColour{170, 0, 0};
    static constexpr QColor BandColour{214, 240, 214};
    static constexpr QColor BarColour{60, 60, 60};

    struct Frame {
        QRectF plot;
        double signalFrom = -1.0;
        double signalTo = 1.0;
        double signalStep = 1.0;
        double percentFrom = -1.0;
        double percentTo = 1.0;
        double percentStep = 1.0;
        [[nodiscard]] QPointF at(double signal, double percent) const;
    };

    // The curve plot's signal axis: its left and right edge in this plot's coordinates and its
    // reach.
    struct SignalAxis {
        double left = 0.0;
        double right = 0.0;
        double from = -1.0;
        double to = 1.0;
        double step = 1.0;
    };

    DeviationPlot(const text::LanguageTable& texts, QWidget* parent = nullptr);

    void setSheet(const CurveSheet& sheet);
    void setExtent(PlotExtent extent);
    // Takes the signal axis of this curve plot, a sibling in the same window.
    void alignWith(const CurvePlot& curve) { curve_ = &curve; }

    [[nodiscard]] static Frame frameFor(const QRectF& area, const CurveSheet& sheet,
                                        const QFontMetricsF& metrics, PlotExtent extent,
                                        const std::optional<SignalAxis>& above = {});
    static void draw(QPainter& painter, const QRectF& area, const CurveSheet& sheet,
                     const text::LanguageTable& texts, PlotExtent extent = PlotExtent::Fitted,
                     const std::optional<SignalAxis>& above = {});

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const text::LanguageTable& texts_;
    CurveSheet sheet_;
    PlotExtent extent_ = PlotExtent::Fitted;
    const CurvePlot* curve_ = nullptr;
};

} // namespace calibration
