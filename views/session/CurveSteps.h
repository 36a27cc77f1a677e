#pragma once

#include "views/common/WindowParts.h"

#include <QString>
#include <functional>
#include <utility>

namespace calibration {
class CurveEditor;
}
namespace device {
class Link;
}
namespace sensor {
class SensorPageLogic;
}
namespace session {
class SensorSave;
class Session;
} // namespace session
namespace text {
class LanguageTable;
}

namespace app {

class Wizard;

// The wizard's last two steps: the curve page with the live signal, and the final step that
// checks the measuring ranges against the curve, writes the sensor, resets the instrument and
// ends the program. Both run inside Next's exclusive action.
class CurveSteps {
public:
    // What the steps work with besides the window's parts.
    struct Actions {
        Wizard& wizard;
        sensor::SensorPageLogic& pageLogic;
        session::SensorSave& sensorSave;
        calibration::CurveEditor& curveEditor;
    };

    // Hands the two steps to the wizard.
    CurveSteps(WindowParts parts, session::Session& session, const text::LanguageTable& texts,
               Actions actions);

    // From the sensor page to the curve page; a sensor write that failed keeps the sensor page.
    void BuildCurvePage(const device::Link& link);
    // The program ends only when the sensor was written and read back equal; otherwise the curve
    // page comes back as it was, the live signal runs again and Next can be pressed once more.
    void Finish(const device::Link& link);
    // Offered beside OK in the message that the sensor was saved: opens the as-left check, whose
    // closing then ends the program. Without it the message has OK alone.
    void setAsLeftCheck(std::function<void()> open) { asLeftCheck_ = std::move(open); }

private:
    // False, after a message, when a measuring range lies beyond what the curve gives at the
    // ends of the gain range.
    [[nodiscard]] bool rangesWithinCurve();
    [[nodiscard]] QString rangeMessage(int text, float limit) const;
    // The curve and display frames with Back, Next and Cancel usable.
    void showCurvePage();
    // Every page hidden and the navigation disabled while the sensor is written.
    void lockWhileSaving();

    WindowParts parts_;
    session::Session& session_;
    const text::LanguageTable& texts_;
    Actions actions_;
    std::function<void()> asLeftCheck_;
};

} // namespace app
