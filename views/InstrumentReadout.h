#pragma once

#include "views/SensorView.h"

namespace device {
struct InstrumentSetup;
}

namespace app {

class frmOrvoCalibration;

// Reads the instrument's setup and its sensors into the window and shows the sensor in use.
// Used by the wizard's connect step, the sensor save and the system calibration's save.
class InstrumentReadout {
public:
    InstrumentReadout(frmOrvoCalibration& window, calibration::CurveEditor& curveEditor);

    // The polling stops, the setup memory is read, then the sensors are read and shown. 1 when
    // the setup was read (whatever the sensors gave), else ReadTORAN's negative status; the
    // operator has been told why. Runs inside the caller's exclusive action.
    [[nodiscard]] int ReadFromInstrument();
    void UpdateCalibration() { view_.UpdateCalibration(); }
    [[nodiscard]] sensor::SensorView& sensorView() { return view_; }

private:
    void applySetup(const device::InstrumentSetup& setup);

    frmOrvoCalibration& window_;
    sensor::SensorView view_;
};

} // namespace app
