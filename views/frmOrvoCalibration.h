#pragma once

#include "core/calibration/CurveTable.h"
#include "core/instrument/ExchangeGuard.h"
#include "core/instrument/Lifecycle.h"
#include "core/instrument/LiveValues.h"
#include "core/sensor/SensorRecord.h"
#include "core/text/LanguageTable.h"
#include "views/Services.h"
#include "views/ShellState.h"
#include "views/Twips.h"

#include <QTimer>
#include <QWidget>
#include <memory>
#include <utility>

class QAction;
class QPushButton;

namespace calibration {
class CurveEditor;
class CurvePage;
class SystemCalibration;
class SystemCalibrationFrame;
class frmOrvoCalibInputBox;
} // namespace calibration
namespace device {
class InstrumentDisplayFrame;
class LiveSignal;
class SignalDisplayFrame;
} // namespace device
namespace sensor {
class SensorPage;
class SensorPageLogic;
class SensorSave;
} // namespace sensor

namespace app {

class CurveSteps;
class InstrumentReadout;
class PortPage;
class StatusPanel;
class Wizard;

// The main window: a wizard of pages over one page area with Back, Next and Cancel below, and
// the expert frames right of the normal width. It owns the state that outlives an action and
// wires the controls to the objects that do the work.
class frmOrvoCalibration : public QWidget {
    Q_OBJECT

    // Declared first: the frames are placed with it, in the layout's font, while they are built.
    ui::Twips twips_;

public:
    static constexpr int NormalWidthTwips = 5325;
    static constexpr int ExpertWidthTwips = 9225;
    static constexpr int HeightTwips = 6630;
    // Left edge of fraORVODISPLAY and fraORVOSETUP: beyond the normal width.
    static constexpr int ExpertFramesLeftTwips = 5520;

    // Runs the start-up: command line, caption, language file and texts, choice lists and the
    // remembered port. Opens no port.
    explicit frmOrvoCalibration(const Services& services, QWidget* parent = nullptr);
    ~frmOrvoCalibration() override;

    PortPage* const fraCOMM;
    sensor::SensorPage* const fraSNIMAC;
    calibration::CurvePage* const fraCURVE;
    device::SignalDisplayFrame* const fraDISPLAY;
    device::InstrumentDisplayFrame* const fraORVODISPLAY;
    calibration::SystemCalibrationFrame* const fraORVOSETUP;
    StatusPanel* const fraSTATUS;
    QPushButton* const cmdBack;
    QPushButton* const cmdNext;
    QPushButton* const cmdCancel;
    // F5 anywhere in the window: capture a calibration point.
    QAction* const captureAction;
    // The live signal's polling timer: 200 ms, stopped until the curve page starts it.
    QTimer tmrCasovac{this};

    [[nodiscard]] const Services& services() const { return services_; }
    [[nodiscard]] const ui::Twips& twips() const { return twips_; }
    [[nodiscard]] ShellState& shellState() { return shell_; }
    [[nodiscard]] const ShellState& shellState() const { return shell_; }
    [[nodiscard]] const text::LanguageTable& LangText() const { return langText_; }
    [[nodiscard]] device::LiveValues& liveValues() { return live_; }
    [[nodiscard]] const device::LiveValues& liveValues() const { return live_; }
    // What the ticks of tmrCasovac run.
    [[nodiscard]] device::LiveSignal& liveSignal() { return *liveSignal_; }
    [[nodiscard]] sensor::SensorState& sensorState() { return sensors_; }
    [[nodiscard]] const sensor::SensorState& sensorState() const { return sensors_; }
    [[nodiscard]] calibration::CurveTable& curveTable() { return curve_; }
    [[nodiscard]] const calibration::CurveTable& curveTable() const { return curve_; }
    // The calibration-point dialog, created hidden at start-up; it lives as long as the window.
    [[nodiscard]] calibration::frmOrvoCalibInputBox& InputBox() { return *inputBox_; }
    // The actions of the curve page, the setup and sensor read-out, and the wizard's steps.
    [[nodiscard]] calibration::CurveEditor& curveEditor() { return *curveEditor_; }
    [[nodiscard]] InstrumentReadout& instrumentReadout() { return *readout_; }
    [[nodiscard]] Wizard& wizard() { return *wizard_; }
    // The sensor page's checks and copy, the sensor save, and the system calibration.
    [[nodiscard]] sensor::SensorPageLogic& sensorPageLogic() { return *pageLogic_; }
    [[nodiscard]] sensor::SensorSave& sensorSave() { return *sensorSave_; }
    [[nodiscard]] calibration::SystemCalibration& systemCalibration() {
        return *systemCalibration_;
    }

    void ApplyLanguageTexts();
    void CenterWindow();
    // Back, Next, Cancel and the port search together, around longer exchanges.
    void DisableNavigation();
    void EnableNavigation();
    // The client width in twips; ExpertWidthTwips reveals the expert frames.
    void setWindowWidthTwips(int widthTwips);
    [[nodiscard]] int windowWidthTwips() const { return widthTwips_; }

    // Runs an action that talks to the instrument, holding the line for its whole run; does
    // nothing (false) when another action holds it or the program has ended. An end asked for
    // during the action unwinds it at its next wait, and the end is finished here.
    template <class Action> bool runExclusive(Action&& action);
    [[nodiscard]] bool lineBusy() const { return lineOwnership_.busy(); }

    // Ends the program at once: at the end of the running exclusive action, if there is one.
    void endProgram();
    [[nodiscard]] bool hasEnded() const { return ended_; }

public slots:
    // Tick of tmrCasovac.
    void PollSignal();

signals:
    // F5 was pressed.
    void captureRequested();
    // The window became active for the first time; the wizard starts here.
    void firstActivated();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void runStartUp();
    void startOnFirstActivation();
    void placeFrames();
    void finishEnd();
    // Stops the timer, closes the port and the dialog.
    void releaseResources();

    Services services_;
    ShellState shell_;
    text::LanguageTable langText_;
    device::LiveValues live_;
    sensor::SensorState sensors_;
    calibration::CurveTable curve_;
    device::LineOwnership lineOwnership_;
    std::unique_ptr<device::LiveSignal> liveSignal_;
    calibration::frmOrvoCalibInputBox* inputBox_ = nullptr;
    std::unique_ptr<calibration::CurveEditor> curveEditor_;
    std::unique_ptr<InstrumentReadout> readout_;
    std::unique_ptr<Wizard> wizard_;
    std::unique_ptr<sensor::SensorPageLogic> pageLogic_;
    std::unique_ptr<calibration::SystemCalibration> systemCalibration_;
    std::unique_ptr<sensor::SensorSave> sensorSave_;
    std::unique_ptr<CurveSteps> curveSteps_;
    int widthTwips_ = NormalWidthTwips;
    bool ended_ = false;
};

template <class Action> bool frmOrvoCalibration::runExclusive(Action&& action) {
    if (ended_)
        return false;
    {
        device::ExchangeGuard guard(lineOwnership_);
        if (!guard)
            return false;
        try {
            std::forward<Action>(action)();
        } catch (const device::EndRequested&) {
            // The operator ended the program during a wait; nothing more is sent.
        }
    }
    if (services_.lifecycle.endRequested())
        finishEnd();
    return true;
}

} // namespace app
