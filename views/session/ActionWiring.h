#pragma once

#include "views/common/WindowParts.h"

#include <memory>

namespace calibration {
class CurveEditor;
class frmOrvoCalibInputBox;
} // namespace calibration
namespace sensor {
class SensorPageLogic;
}
namespace session {
class SensorSave;
class Session;
class SystemCalibration;
} // namespace session
namespace text {
class LanguageTable;
}

namespace app {

// The curve editor on the curve page and the session's curve table, with the live signal and
// the unit of the sensor in use.
[[nodiscard]] std::unique_ptr<calibration::CurveEditor>
makeCurveEditor(const WindowParts& parts, session::Session& session,
                calibration::frmOrvoCalibInputBox& dialog, const text::LanguageTable& texts);

// The checks and the copy of the sensor page; a reordered curve table is listed again.
[[nodiscard]] std::unique_ptr<sensor::SensorPageLogic>
makeSensorPageLogic(const WindowParts& parts, session::Session& session,
                    const text::LanguageTable& texts, calibration::CurveEditor& curveEditor);

// The system calibration on the session's constants; the expert frame's boxes show and edit
// them, its buttons run it (the write and RESET as instrument actions).
[[nodiscard]] std::unique_ptr<session::SystemCalibration>
makeSystemCalibration(const WindowParts& parts, session::Session& session);

// The sensor save of the wizard and of the page's Save button, which runs it as an instrument
// action.
[[nodiscard]] std::unique_ptr<session::SensorSave>
makeSensorSave(const WindowParts& parts, session::Session& session,
               sensor::SensorPageLogic& pageLogic);

} // namespace app
