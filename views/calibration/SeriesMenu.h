#pragma once

#include "core/calibration/Series.h"

#include <QObject>
#include <array>

class QAction;
class QActionGroup;

namespace text {
class LanguageTable;
}

namespace calibration {

class CurveEditor;
class CurvePage;

// Repeated loading series in the curve list's context menu: the plan (how many series, whether
// falling too) and, while the plan repeats, which series and direction the next captured point
// belongs to. With the plan of one rising series the menu shows only the plan's entry and a
// capture is a point as always.
class SeriesMenu : public QObject {
    Q_OBJECT
public:
    // Gives the editor the readings and the step of each capture.
    SeriesMenu(CurvePage& page, CurveEditor& editor, SeriesReadings& readings,
               const text::LanguageTable& texts, QObject* parent = nullptr);

    [[nodiscard]] const SeriesPlan& plan() const { return plan_; }
    // Shows the steps of the plan and starts again at series 1 rising.
    void setPlan(const SeriesPlan& plan);
    // The step of the next capture; nothing while the plan is a single rising series.
    [[nodiscard]] std::optional<SeriesStep> step() const;
    void setStep(const SeriesStep& step);

    QAction* const mSeriesPlan;

private:
    void askPlan();
    [[nodiscard]] QAction* stepAction(const SeriesStep& step) const;

    CurvePage& page_;
    const text::LanguageTable& texts_;
    SeriesPlan plan_;
    QActionGroup* const steps_;
    // Series 1 rising, series 1 falling, series 2 rising, ...
    std::array<QAction*, 2 * SeriesPlan::MaxSeries> stepActions_{};
};

} // namespace calibration
