#pragma once

#include "views/common/WindowParts.h"

#include <QObject>
#include <functional>
#include <initializer_list>

class QWidget;

namespace device {
class Link;
}
namespace session {
class PortSetting;
class Session;
} // namespace session
namespace text {
class LanguageTable;
}

namespace app {

class Presenter;

// The wizard's steps and its Back and Next buttons. The session's WizardStep names the step
// the next run carries out. A step that fails leaves the step and the page as they were.
class Wizard : public QObject {
    Q_OBJECT
public:
    // The curve page and the final step. Each runs inside the action of Next or Back, with the
    // status panel showing, and moves the session's step itself when it succeeds.
    struct LaterSteps {
        std::function<void(const device::Link&)> buildCurvePage;
        std::function<void(const device::Link&)> finish;
    };

    // Connects Back and Next.
    Wizard(WindowParts parts, session::Session& session, const text::LanguageTable& texts,
           session::PortSetting& portSetting, const Presenter& presenter,
           QObject* parent = nullptr);

    void setLaterSteps(LaterSteps steps) { laterSteps_ = std::move(steps); }

    // Carries out the step the session names.
    void RunWizardStep(const device::Link& link);
    // Ignored while another action holds the line.
    void Next();
    void Back();
    // The window's first activation: the port page.
    void Start();

    void ShowPortPage();
    void ConnectInstrument(const device::Link& link);

    // Shows these of the page frames (fraCOMM, fraSNIMAC, fraCURVE, fraDISPLAY) and hides the
    // others and the status panel; Next and Cancel enabled, the three captions set.
    void showPages(std::initializer_list<QWidget*> pages);
    // The sensor page's ranges, their captions and the limit warning from the sensor in use, as
    // every read-out left it (connect, restore, Back, the constants' save).
    void ShowSensorRanges();

signals:
    // A connect read the instrument and showed the sensor page.
    void connected();

private:
    void runFromNavigation(bool back);

    WindowParts parts_;
    session::Session& session_;
    const text::LanguageTable& texts_;
    session::PortSetting& portSetting_;
    const Presenter& presenter_;
    LaterSteps laterSteps_;
};

} // namespace app
