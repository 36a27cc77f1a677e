#pragma once

#include <memory>

namespace calibration {
class CurveEditor;
}

namespace app {

class frmOrvoCalibration;

// The curve editor on the window's curve page and table, with the live signal and the unit of
// the sensor in use; F5 captures a point on any page.
[[nodiscard]] std::unique_ptr<calibration::CurveEditor> makeCurveEditor(frmOrvoCalibration& window);

// Tab walks the controls of the page shown, then Back, Next and Cancel. The expert frames take
// the focus only while the window is wide enough to show them.
void setUpKeyboard(frmOrvoCalibration& window);

} // namespace app
