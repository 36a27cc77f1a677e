#include "views/WindowWiring.h"

#include "views/CurveEditor.h"
#include "views/CurvePage.h"
#include "views/PortPage.h"
#include "views/SensorPage.h"
#include "views/SystemCalibrationFrame.h"
#include "views/frmOrvoCalibration.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <vector>

namespace app {

namespace {

// The expert frames lie right of the normal width; while the window is narrower they are
// out of sight, and Tab must not stop in them.
class ExpertFocusFilter : public QObject {
public:
    explicit ExpertFocusFilter(frmOrvoCalibration& window) : QObject(&window), window_(window) {
        window.installEventFilter(this);
        update();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &window_ && event->type() == QEvent::Resize)
            update();
        return QObject::eventFilter(watched, event);
    }

private:
    void update() {
        const bool inSight = window_.windowWidthTwips() >= frmOrvoCalibration::ExpertWidthTwips;
        const auto policy = inSight ? Qt::StrongFocus : Qt::NoFocus;
        for (QWidget* control : window_.fraORVOSETUP->findChildren<QWidget*>())
            if (qobject_cast<QLineEdit*>(control) != nullptr ||
                qobject_cast<QPushButton*>(control) != nullptr)
                control->setFocusPolicy(policy);
    }

    frmOrvoCalibration& window_;
};

void chainTabOrder(const std::vector<QWidget*>& order) {
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

} // namespace

std::unique_ptr<calibration::CurveEditor> makeCurveEditor(frmOrvoCalibration& window) {
    calibration::CurveEditor::Sources sources{
        [&window]() -> std::optional<float> {
            const device::LiveValues& live = window.liveValues();
            return live.SignalStale ? std::nullopt : std::optional(live.SignalMVV);
        },
        [&window] { return window.sensorState().CurrentSensor.UnitFormat.text(); },
        [&window] { return window.sensorState().CurrentSensor.UnitName.text(); },
        [&window] {
            window.fraSNIMAC->txtPopis->clear();
            window.sensorState().CurrentSensor.CurvePointCount = 0;
        },
    };
    auto editor = std::make_unique<calibration::CurveEditor>(
        *window.fraCURVE, window.curveTable(), window.InputBox(), window.services().messages,
        window.LangText(), std::move(sources));
    // A point captured while a save or a read-out runs could miss the sensor being written.
    QObject::connect(&window, &frmOrvoCalibration::captureRequested, editor.get(),
                     [&window, editor = editor.get()] {
                         if (!window.lineBusy())
                             editor->CaptureSignalPoint();
                     });
    return editor;
}

void setUpKeyboard(frmOrvoCalibration& window) {
    const sensor::SensorPage& sensorPage = *window.fraSNIMAC;
    const calibration::CurvePage& curvePage = *window.fraCURVE;
    const calibration::SystemCalibrationFrame& expert = *window.fraORVOSETUP;

    std::vector<QWidget*> order{
        window.fraCOMM->cmbPort,  window.fraCOMM->cmdSCANTORAN, sensorPage.txtPopis,
        sensorPage.cmbFormat,     sensorPage.txtJednotka,       sensorPage.txtRozsah,
        sensorPage.txtRozsahNeg,  sensorPage.txtOverloadProc,   sensorPage.cmbGain,
        sensorPage.txtDateOfSave, sensorPage.cmbSlide,          sensorPage.cmbSlideRychl,
        sensorPage.cmdAction[0],  sensorPage.cmdAction[1],      curvePage.lstKrivka};
    for (QPushButton* button : curvePage.cmdListAction)
        order.push_back(button);
    order.push_back(curvePage.cmdSCAN);
    for (std::size_t i = 0; i < calibration::SystemCalibrationFrame::Ranges; ++i) {
        order.push_back(expert.txtskN[i]);
        order.push_back(expert.txtskK[i]);
    }
    for (QPushButton* button : {expert.cmdSKSetNula, expert.cmdSKSetGain, expert.cmdLoadDef,
                                expert.cmdSKSave, expert.cmdReset})
        order.push_back(button);
    for (QPushButton* button : {window.cmdBack, window.cmdNext, window.cmdCancel})
        order.push_back(button);
    chainTabOrder(order);

    window.cmdNext->setDefault(true);
    new ExpertFocusFilter(window);
}

} // namespace app
