#pragma once

#include "core/calibration/CurveFigures.h"
#include "core/calibration/Series.h"
#include "core/instrument/Stability.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace text {
class LanguageTable;
class MessageService;
} // namespace text

namespace calibration {

class CurvePage;
class PointCaptures;
class CurveTable;
class frmOrvoCalibInputBox;

// The actions of the curve page: capture a point from the live signal, add, edit, delete and
// clear points, start a new curve. The table stays sorted and is checked for duplicates after
// every change; the list shows it.
class CurveEditor : public QObject {
    Q_OBJECT
public:
    // What the editor reads from the rest of the window.
    struct Sources {
        // The live signal in mV/V; nullopt unless a fresh reading is there (device::readingFresh).
        std::function<std::optional<float>()> liveSignal;
        std::function<QString()> unitFormat; // the sensor's 8-character number pattern
        std::function<QString()> unitName;   // the sensor's 6-character unit
        std::function<void()> startNewCurve; // clears the record's curve
        std::function<int()> port;           // the instrument's port number, for the refusal
    };

    static constexpr int TableFullText = 614;
    // What to do next, shown once a new curve has been started.
    static constexpr int NewCurveNoticeText = 101;
    static constexpr int NewCurveQuestionText = 615;

    CurveEditor(CurvePage& page, CurveTable& table, frmOrvoCalibInputBox& dialog,
                text::MessageService& messages, const text::LanguageTable& texts, Sources sources,
                QObject* parent = nullptr);

    // The sensor's ranges and format, which the list's warning marks are judged against; without
    // it only the unit format counts.
    void setCurveScale(std::function<CurveScale()> scale) { scale_ = std::move(scale); }
    // What a capture must pass first; false: no capture.
    void setCaptureGate(std::function<bool()> gate) { captureGate_ = std::move(gate); }

    // A capture waits for a stable signal and takes the mean of its window.
    struct Stability {
        // The stable window of the live signal now, if it is stable.
        std::function<std::optional<device::SignalWindow>()> stable;
        // Called instead of the dialog while the signal is not stable yet.
        std::function<void()> waitForStable;
        // Where each captured point's window is kept.
        PointCaptures& captures;
    };
    void setStability(Stability stability) { stability_.emplace(std::move(stability)); }

    // Repeated loading series: while step gives the series and direction of the next capture, a
    // captured point is noted there and the curve holds its load's rising mean; without a step
    // (a single rising series) a capture is a point as always.
    struct Series {
        SeriesReadings& readings;
        std::function<std::optional<SeriesStep>()> step;
    };
    void setSeries(Series series) { series_.emplace(std::move(series)); }
    // The next capture takes a load the curve may hold already: any step but series 1 rising.
    [[nodiscard]] bool repeatsLoads() const;

    // F5 and "Zachytit": refused without a fresh reading; with a stable signal (or without a
    // stability rule) the dialog opens at once, otherwise the wait for stability starts.
    void CaptureSignalPoint();
    // Offers the window's mean in the point dialog; the point keeps the window when the operator
    // confirms the signal as offered.
    void captureWindow(const device::SignalWindow& window);
    void AddCurvePoint();
    void EditCurvePoint();
    void DeleteCurvePoint();
    void ClearCurvePoints();
    void NewCurve();
    // Rebuilds the list from the table and the enabled state of the delete and clear buttons.
    // A row with a mistake (curveRowMarks) shows an icon, and the reasons as its tooltip.
    void FillCurveList();

signals:
    // The list shows the table anew: after every change of the points.
    void curveListFilled();

private:
    // Stores a confirmed dialog point as a new point, sorted in, and selects it.
    void storeNewPoint();
    // Notes a confirmed captured point as a reading of the step and puts its load into the curve.
    void storeSeriesReading(const SeriesStep& step, const device::SignalWindow& window);
    void selectSignal(float signal);
    // After a point was entered or edited: tells the operator once when it duplicates another.
    void reportDuplicateOf(float signal, float etalon);
    void markRows();
    void updateDeleteButton();
    [[nodiscard]] int selectedRow() const;

    CurvePage& page_;
    CurveTable& table_;
    frmOrvoCalibInputBox& dialog_;
    text::MessageService& messages_;
    const text::LanguageTable& texts_;
    Sources sources_;
    std::function<CurveScale()> scale_;
    std::function<bool()> captureGate_;
    std::optional<Stability> stability_;
    std::optional<Series> series_;
};

} // namespace calibration
