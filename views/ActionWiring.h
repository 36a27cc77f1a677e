#pragma once

#include <memory>

namespace calibration {
class SystemCalibration;
}
namespace sensor {
class SensorPageLogic;
class SensorSave;
} // namespace sensor

namespace app {

class frmOrvoCalibration;

// The checks and the copy of the sensor page; a reordered curve table is listed again.
[[nodiscard]] std::unique_ptr<sensor::SensorPageLogic>
makeSensorPageLogic(frmOrvoCalibration& window);

// The system calibration of the expert frame, on the sensor's gain range, the window's line and
// status panel; its buttons that talk to the instrument take the line first.
[[nodiscard]] std::unique_ptr<calibration::SystemCalibration>
makeSystemCalibration(frmOrvoCalibration& window);

// The sensor save of the wizard and of the page's Save button; it resets the instrument as the
// system calibration does and reads it again through the window's read-out.
[[nodiscard]] std::unique_ptr<sensor::SensorSave> makeSensorSave(frmOrvoCalibration& window);

} // namespace app
