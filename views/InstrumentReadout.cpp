#include "views/InstrumentReadout.h"

#include "core/instrument/Clock.h"
#include "core/instrument/SetupReadout.h"
#include "core/instrument/Timing.h"
#include "core/sensor/SensorReadout.h"
#include "views/SensorPage.h"
#include "views/StatusPanel.h"
#include "views/SystemCalibrationFrame.h"
#include "views/frmOrvoCalibration.h"

#include <QComboBox>
#include <QLineEdit>

namespace app {

namespace {

// Navigation stays disabled for the whole read-out, also when it is cut short.
class NavigationLock {
public:
    explicit NavigationLock(frmOrvoCalibration& window) : window_(window) {
        window_.DisableNavigation();
    }
    ~NavigationLock() { window_.EnableNavigation(); }
    NavigationLock(const NavigationLock&) = delete;
    NavigationLock& operator=(const NavigationLock&) = delete;

private:
    frmOrvoCalibration& window_;
};

} // namespace

InstrumentReadout::InstrumentReadout(frmOrvoCalibration& window,
                                     calibration::CurveEditor& curveEditor)
    : window_(window), view_({*window.fraSNIMAC, *window.fraCURVE, *window.fraDISPLAY,
                              *window.fraORVODISPLAY, *window.fraORVOSETUP, curveEditor},
                             window.sensorState(), window.curveTable(), window.LangText()) {}

int InstrumentReadout::ReadFromInstrument() {
    const NavigationLock locked(window_);
    window_.tmrCasovac.stop();
    const Services& services = window_.services();
    const device::orvoLib::Link link{services.line, services.clock};
    link.clock.delay(device::timing::QuietLine);

    device::InstrumentSetup setup;
    const int status =
        device::ReadTORAN(link, *window_.fraSTATUS, services.messages, window_.LangText(), setup);
    if (status < 0)
        return status;
    applySetup(setup);

    if (link.line.isOpen()) {
        sensor::ReadSensors(link, *window_.fraSTATUS, services.messages, window_.LangText(),
                            view_.rangeBoxTexts(), window_.sensorState(), window_.liveValues());
        view_.MarkSensorRange(window_.sensorState().CurrentSensor.GainIndex);
    }
    UpdateCalibration();
    return device::SetupRead;
}

void InstrumentReadout::applySetup(const device::InstrumentSetup& setup) {
    device::LiveValues& live = window_.liveValues();
    live.DisplayDigits = setup.DisplayDigits;
    live.ActiveZero = setup.ActiveZero;
    live.ActiveK = setup.ActiveK;

    QComboBox& formats = *window_.fraSNIMAC->cmbFormat;
    formats.clear();
    formats.addItems(device::displayFormats(setup.DisplayDigits));

    calibration::SystemCalibrationFrame& boxes = *window_.fraORVOSETUP;
    for (std::size_t i = 0; i < calibration::SystemCalibrationFrame::Ranges; ++i) {
        boxes.txtskN[i]->setText(device::rangeZeroText(setup.RangeZero[i]));
        boxes.txtskK[i]->setText(device::rangeKText(setup.RangeK[i]));
    }
}

} // namespace app
