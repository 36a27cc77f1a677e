#pragma once

#include <functional>

class QPushButton;

namespace calibration {
class CurvePage;
class SystemCalibrationFrame;
} // namespace calibration
namespace device {
class InstrumentDisplayFrame;
class SignalDisplayFrame;
} // namespace device
namespace sensor {
class SensorPage;
}

namespace app {

class PortPage;
class StatusPanel;

// The frames and buttons of the main window that the wizard and the actions show, hide and
// fill, and the window's width: what they need of the window, and no more.
struct WindowParts {
    PortPage& fraCOMM;
    sensor::SensorPage& fraSNIMAC;
    calibration::CurvePage& fraCURVE;
    device::SignalDisplayFrame& fraDISPLAY;
    device::InstrumentDisplayFrame& fraORVODISPLAY;
    calibration::SystemCalibrationFrame& fraORVOSETUP;
    StatusPanel& fraSTATUS;
    QPushButton& cmdBack;
    QPushButton& cmdNext;
    QPushButton& cmdCancel;
    // The client width in twips; the expert width reveals the expert frames.
    std::function<void(int widthTwips)> setWidthTwips;
    std::function<int()> widthTwips;
};

// The window's widths in twips, and where the expert frames begin.
inline constexpr int NormalWidthTwips = 5325;
inline constexpr int ExpertWidthTwips = 9225;
inline constexpr int ExpertFramesLeftTwips = 5520;

} // namespace app
