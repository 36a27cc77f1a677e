#include "views/ActionWiring.h"

#include "core/calibration/CurveTable.h"
#include "core/sensor/SensorId.h"
#include "views/CurveEditor.h"
#include "views/InstrumentReadout.h"
#include "views/SensorPage.h"
#include "views/SensorPageLogic.h"
#include "views/SensorSave.h"
#include "views/StatusPanel.h"
#include "views/SystemCalibration.h"
#include "views/SystemCalibrationFrame.h"
#include "views/frmOrvoCalibration.h"

#include <QDate>
#include <QDateTime>

namespace app {

namespace {

std::function<bool(std::function<void()>)> exclusiveRunner(frmOrvoCalibration& window) {
    return
        [&window](std::function<void()> action) { return window.runExclusive(std::move(action)); };
}

} // namespace

std::unique_ptr<sensor::SensorPageLogic> makeSensorPageLogic(frmOrvoCalibration& window) {
    sensor::SensorPageLogic::Sources sources{
        [&window] { return window.liveValues().DisplayDigits; },
        [] { return QDateTime::currentDateTime(); },
        sensor::clockSeededRandom(),
    };
    auto logic = std::make_unique<sensor::SensorPageLogic>(
        *window.fraSNIMAC, window.curveTable(), window.sensorState(), window.services().messages,
        window.LangText(), std::move(sources));
    QObject::connect(logic.get(), &sensor::SensorPageLogic::curveTableChanged,
                     &window.curveEditor(), &calibration::CurveEditor::FillCurveList);
    return logic;
}

std::unique_ptr<calibration::SystemCalibration> makeSystemCalibration(frmOrvoCalibration& window) {
    const Services& services = window.services();
    calibration::SystemCalibration::Window hooks{
        exclusiveRunner(window),
        [&window] { window.DisableNavigation(); },
        [&window] { window.EnableNavigation(); },
        [&window] { window.tmrCasovac.stop(); },
        [&window] { window.tmrCasovac.start(); },
        [&window] {
            // The read-out after the save would replace the operator's points, not yet saved,
            // with the curve stored in the sensor.
            const calibration::CurveTable points = window.curveTable();
            const int read = window.instrumentReadout().ReadFromInstrument();
            window.curveTable() = points;
            window.curveEditor().FillCurveList();
            return read;
        },
    };
    return std::make_unique<calibration::SystemCalibration>(
        *window.fraORVOSETUP, window.liveValues(),
        [&window] { return window.sensorState().CurrentSensor.GainIndex; },
        device::orvoLib::Link{services.line, services.clock}, *window.fraSTATUS, services.messages,
        window.LangText(), services.lifecycle, std::move(hooks));
}

std::unique_ptr<sensor::SensorSave> makeSensorSave(frmOrvoCalibration& window) {
    const Services& services = window.services();
    sensor::SensorSave::Window hooks{
        exclusiveRunner(window),
        [&window] { window.DisableNavigation(); },
        [&window] { window.EnableNavigation(); },
        [&window] { window.tmrCasovac.stop(); },
        [&window] { window.systemCalibration().ResetInstrument(); },
        [&window] { return window.instrumentReadout().ReadFromInstrument(); },
        [&window] { window.endProgram(); },
        [] { return QDate::currentDate(); },
    };
    return std::make_unique<sensor::SensorSave>(
        *window.fraSNIMAC, window.sensorPageLogic(), window.sensorState(),
        device::orvoLib::Link{services.line, services.clock}, *window.fraSTATUS, services.messages,
        window.LangText(), services.lifecycle, std::move(hooks));
}

} // namespace app
