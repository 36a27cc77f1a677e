#pragma once

#include <QObject>
#include <functional>
#include <initializer_list>

class QWidget;

namespace app {

class InstrumentReadout;
class frmOrvoCalibration;

// The wizard's steps and its Back and Next buttons. ShellState::WizardStep names the step the
// next run carries out: 0 builds the port page, 1 connects and builds the sensor page, 2 the
// curve page, 3 finishes. A step that fails leaves WizardStep and the page as they were.
class Wizard : public QObject {
    Q_OBJECT
public:
    // Steps 2 and 3. Each runs inside the exclusive action of Next or Back, with the status
    // panel showing, and sets WizardStep itself when it succeeds.
    struct LaterSteps {
        std::function<void()> buildCurvePage;
        std::function<void()> finish;
    };

    // Connects Back, Next and the window's first activation.
    Wizard(frmOrvoCalibration& window, InstrumentReadout& readout, QObject* parent = nullptr);

    void setLaterSteps(LaterSteps steps) { laterSteps_ = std::move(steps); }

    // Carries out the step named by WizardStep. Callers hold the line (see Next and Back).
    void RunWizardStep();
    // Ignored while another action holds the line.
    void Next();
    void Back();
    // The window's first activation: the port page.
    void Start();

    // Step 0.
    void ShowPortPage();
    // Step 1.
    void ConnectInstrument();

    // Shows these of the page frames (fraCOMM, fraSNIMAC, fraCURVE, fraDISPLAY) and hides the
    // others and the status panel; Next and Cancel enabled, the three captions set.
    void showPages(std::initializer_list<QWidget*> pages);

private:
    void runFromNavigation(int stepChange);
    void showSensorRanges();

    frmOrvoCalibration& window_;
    InstrumentReadout& readout_;
    LaterSteps laterSteps_;
};

} // namespace app
