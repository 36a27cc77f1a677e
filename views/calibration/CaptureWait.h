#pragma once

#include "core/calibration/StableCapture.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <optional>

class QAction;
class QSettings;
class QWidget;

namespace app {
class StatusPanel;
}
namespace device {
class Clock;
class LiveSignal;
struct SignalUpdate;
} // namespace device
namespace session {
class Session;
}
namespace text {
class LanguageTable;
}

namespace calibration {

class CurveEditor;
class CurvePage;

// A capture on an unstable signal waits for stability, showing a countdown on the status panel
// whose cancel button (and Esc) ends the wait; past MaxWait it asks whether to take the unstable
// reading. With automatic capture on, a stable new load opens the point dialog by itself.
// The stability setting is offered in the curve list's context menu and kept in the settings.
class CaptureWait : public QObject {
    Q_OBJECT
public:
    static constexpr auto MaxWait = std::chrono::seconds(10);

    struct Parts {
        CurvePage& page;
        CurveEditor& editor;
        app::StatusPanel& status;
        session::Session& session;
        device::LiveSignal& liveSignal;
        const device::Clock& clock;
        const text::LanguageTable& texts;
        QSettings& settings;
    };

    explicit CaptureWait(Parts parts, QObject* parent = nullptr);

    [[nodiscard]] bool waiting() const { return since_.has_value(); }
    [[nodiscard]] const StabilitySetting& setting() const { return setting_; }
    void setSetting(const StabilitySetting& setting);

    // Offered in the curve list's context menu.
    QAction* const mStability;
    QAction* const mAutoCapture;

private:
    void startWaiting();
    void follow(const device::SignalUpdate& update);
    void checkDeadline();
    void stopWaiting();
    void showCountdown();
    // The dialog opens after the tick that brought the reading has finished.
    void captureLater(const device::SignalWindow& window);
    void askSetting();

    Parts parts_;
    StabilitySetting setting_;
    AutoCaptureTrigger trigger_;
    std::optional<std::chrono::milliseconds> since_;
    QTimer countdown_;
    bool capturing_ = false;
};

} // namespace calibration
