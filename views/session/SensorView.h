#pragma once

#include "core/sensor/SensorRecord.h"

#include <QStringList>

namespace calibration {
class CurveEditor;
class CurvePage;
class SystemCalibrationFrame;
} // namespace calibration
namespace device {
class InstrumentDisplayFrame;
class SignalDisplayFrame;
} // namespace device
namespace text {
class LanguageTable;
}

namespace sensor {

class SensorPage;

// Which entry of a choice list shows a stored setting.
// cmbFormat: entry `decimals`, or the last entry when the list is shorter.
[[nodiscard]] int formatEntryIndex(int entryCount, int decimals);
// cmbGain: entry `gainIndex` for one of the 8 ranges, else the first.
[[nodiscard]] int gainEntryIndex(int gainIndex);
// cmbSlide: the first entry whose number is at least `slide`; "OFF" below 2 and above the list.
[[nodiscard]] int slideEntryIndex(const QStringList& entries, int slide);
// cmbSlideRychl: the entry whose number is exactly `slideRychl`; "OFF" when none is.
[[nodiscard]] int slideRychlEntryIndex(const QStringList& entries, int slideRychl);

// Shows the sensor in use: the sensor page, its unit and marks in the displays, its curve in
// the curve table and list, and the system calibration boxes of its gain range.
class SensorView {
public:
    static constexpr int MarkedRangeRed = 200;
    static constexpr int MarkedRangeGreen = 150;
    static constexpr int MarkedRangeBlue = 50;

    struct Controls {
        SensorPage& page;
        calibration::CurvePage& curvePage;
        device::SignalDisplayFrame& signalDisplay;
        device::InstrumentDisplayFrame& instrumentDisplay;
        calibration::SystemCalibrationFrame& rangeBoxes;
        calibration::CurveEditor& curveEditor;
    };

    SensorView(Controls controls, const SensorState& sensors, const text::LanguageTable& texts);

    // Shows CurrentSensor on the page and rebuilds the curve list from the curve table.
    void ShowSensor();
    // Every system calibration box white, then the two of `gainIndex` in the marking colour.
    void MarkSensorRange(int gainIndex);

private:
    void showHeader();
    void selectSettings();

    Controls controls_;
    const SensorState& sensors_;
    const text::LanguageTable& texts_;
};

} // namespace sensor
