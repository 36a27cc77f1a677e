#pragma once

#include "views/calibration/CurveSheet.h"

#include <QColor>
#include <QString>
#include <QWidget>
#include <vector>

class QPainter;

namespace text {
class LanguageTable;
}

namespace app {

// Several recorded curves on one plot: the first (the oldest chosen) drawn as the curve window
// draws a curve, the others over it as lines of their own colours, with a legend of their names.
class HistoryPlot : public QWidget {
    Q_OBJECT
public:
    struct Curve {
        QString name; // certificate number and date
        calibration::CurveSheet sheet;
    };

    explicit HistoryPlot(const text::LanguageTable& texts, QWidget* parent = nullptr);

    void setCurves(std::vector<Curve> curves);
    [[nodiscard]] const std::vector<Curve>& curves() const { return curves_; }
    // The colour of the curve at `index`; the first is the curve window's own.
    [[nodiscard]] static QColor colourOf(std::size_t index);

    static void draw(QPainter& painter, const QRectF& area, const std::vector<Curve>& curves,
                     const text::LanguageTable& texts);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const text::LanguageTable& texts_;
    std::vector<Curve> curves_;
};

} // namespace app
