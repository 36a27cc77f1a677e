#pragma once

#include "core/instrument/SerialTrace.h"
#include "core/records/Checks.h"
#include "core/session/Session.h"
#include "core/text/LanguageTable.h"
#include "views/common/Twips.h"
#include "views/common/WindowParts.h"
#include "views/session/Presenter.h"
#include "views/session/Services.h"

#include <QTimer>
#include <QWidget>
#include <memory>

class QAction;
class QPushButton;

namespace backup {
class SnapshotKeeper;
}
namespace records {
class CalibrationRecorder;
}
namespace calibration {
class CurveEditor;
class CurvePage;
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
class SensorView;
} // namespace sensor
namespace session {
class SensorSave;
class SystemCalibration;
} // namespace session

namespace app {

class CurveSteps;
class PortPage;
class RestoreAction;
class StatusPanel;
class Wizard;

// The main window: a wizard of pages over one page area with Back, Next and Cancel below, and
// the expert frames right of the normal width. It shows the session, whose state and actions
// it wires to the controls; it holds no state of its own beyond what the widgets need.
class frmOrvoCalibration : public QWidget {
    Q_OBJECT

    // Declared first: the frames are placed with it, in the layout's font, while they are built.
    ui::Twips twips_;
    // The frames and buttons lie on the canvas, at the layout's size, inside a scroll area that
    // fills the window; where the screen is smaller, the window shrinks to it and scrolls.
    QWidget* const canvas_;

public:
    static constexpr int NormalWidthTwips = app::NormalWidthTwips;
    static constexpr int ExpertWidthTwips = app::ExpertWidthTwips;
    static constexpr int HeightTwips = 6630;
    static constexpr int ExpertFramesLeftTwips = app::ExpertFramesLeftTwips;

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
    [[nodiscard]] const text::LanguageTable& LangText() const { return langText_; }
    // The last as-found and as-left check of this run, for the calibration on record.
    [[nodiscard]] const records::CheckResults& checkResults() const { return checkResults_; }
    [[nodiscard]] session::Session& session() { return *session_; }
    [[nodiscard]] const session::Session& session() const { return *session_; }
    [[nodiscard]] WindowParts parts();
    // What the ticks of tmrCasovac run.
    [[nodiscard]] device::LiveSignal& liveSignal() { return *liveSignal_; }
    // The calibration-point dialog, created hidden at start-up; it lives as long as the window.
    [[nodiscard]] calibration::frmOrvoCalibInputBox& InputBox() { return *inputBox_; }
    [[nodiscard]] calibration::CurveEditor& curveEditor() { return *curveEditor_; }
    [[nodiscard]] sensor::SensorView& sensorView() { return *sensorView_; }
    [[nodiscard]] Wizard& wizard() { return *wizard_; }
    [[nodiscard]] sensor::SensorPageLogic& sensorPageLogic() { return *pageLogic_; }
    [[nodiscard]] session::SensorSave& sensorSave() { return *sensorSave_; }
    [[nodiscard]] session::SystemCalibration& systemCalibration() { return *systemCalibration_; }
    // The frames sent and the replies received, the last SerialTrace::Capacity of them.
    [[nodiscard]] const device::SerialTrace& trace() const { return trace_; }
    // The snapshots and the restore; nullptr when the services give no snapshot directory.
    [[nodiscard]] RestoreAction* restoreAction() { return restoreAction_; }

    void ApplyLanguageTexts();
    void CenterWindow();
    // Back, Next, Cancel and the port search together, around longer exchanges.
    void DisableNavigation();
    void EnableNavigation();
    // The layout's width in twips; ExpertWidthTwips reveals the expert frames. The window takes
    // the layout's size where its screen has room, else the room there is, and stays on it.
    void setWindowWidthTwips(int widthTwips);
    [[nodiscard]] int windowWidthTwips() const { return widthTwips_; }

    [[nodiscard]] bool lineBusy() const { return session_->runner().busy(); }
    // Ends the program at once: at the end of the running action, if there is one.
    void endProgram() { session_->runner().requestEnd(); }
    [[nodiscard]] bool hasEnded() const { return session_->runner().hasEnded(); }

public slots:
    // Tick of tmrCasovac.
    void PollSignal();

signals:
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
    // The window at the canvas's size, or smaller where its screen is, and wholly on the screen.
    void fitOnScreen();
    void wireSession();
    // The controls and keys that open a modal window take no input while an action runs.
    void guardModalTriggers();
    void addRecorder();
    // The runner has ended the program: the dialog and the window close.
    void closeAtEnd();

    Services services_;
    text::LanguageTable langText_;
    device::SerialTrace trace_;
    // The services' line as the session and the live signal use it: every frame is traced.
    device::TracingLine tracedLine_;
    std::unique_ptr<session::Session> session_;
    std::unique_ptr<backup::SnapshotKeeper> snapshotKeeper_;
    // Puts the calibrations on record when the program has a store; it passes the write watch's
    // calls on to snapshotKeeper_, so it goes first.
    std::unique_ptr<records::CalibrationRecorder> recorder_;
    RestoreAction* restoreAction_ = nullptr;
    Presenter presenter_;
    std::unique_ptr<device::LiveSignal> liveSignal_;
    calibration::frmOrvoCalibInputBox* inputBox_ = nullptr;
    std::unique_ptr<calibration::CurveEditor> curveEditor_;
    std::unique_ptr<sensor::SensorView> sensorView_;
    std::unique_ptr<sensor::SensorPageLogic> pageLogic_;
    std::unique_ptr<session::SystemCalibration> systemCalibration_;
    std::unique_ptr<session::SensorSave> sensorSave_;
    std::unique_ptr<Wizard> wizard_;
    std::unique_ptr<CurveSteps> curveSteps_;
    records::CheckResults checkResults_;
    records::ToleranceSetting tolerance_;
    int widthTwips_ = NormalWidthTwips;
    // The wizard starts on the window's first activation only.
    bool activatedOnce_ = false;
};

} // namespace app
