#include "views/session/WindowWiring.h"

#include "views/calibration/CurvePage.h"
#include "views/instrument/PortPage.h"
#include "views/instrument/SystemCalibrationFrame.h"
#include "views/sensor/SensorPage.h"

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
    ExpertFocusFilter(QWidget& canvas, const WindowParts& parts)
        : QObject(&canvas), canvas_(canvas), parts_(parts) {
        canvas.installEventFilter(this);
        update();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &canvas_ && event->type() == QEvent::Resize)
            update();
        return QObject::eventFilter(watched, event);
    }

private:
    void update() {
        const bool inSight = parts_.widthTwips() >= ExpertWidthTwips;
        const auto policy = inSight ? Qt::StrongFocus : Qt::NoFocus;
        for (QWidget* control : parts_.fraORVOSETUP.findChildren<QWidget*>())
            if (qobject_cast<QLineEdit*>(control) != nullptr ||
                qobject_cast<QPushButton*>(control) != nullptr)
                control->setFocusPolicy(policy);
    }

    QWidget& canvas_;
    WindowParts parts_;
};

void chainTabOrder(const std::vector<QWidget*>& order) {
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

} // namespace

void setUpKeyboard(QWidget& canvas, const WindowParts& parts) {
    const sensor::SensorPage& sensorPage = parts.fraSNIMAC;
    const calibration::CurvePage& curvePage = parts.fraCURVE;
    const calibration::SystemCalibrationFrame& expert = parts.fraORVOSETUP;

    std::vector<QWidget*> order{
        parts.fraCOMM.cmbPort,    parts.fraCOMM.cmdSCANTORAN, sensorPage.txtPopis,
        sensorPage.cmbFormat,     sensorPage.txtJednotka,     sensorPage.txtRozsah,
        sensorPage.txtRozsahNeg,  sensorPage.txtOverloadProc, sensorPage.cmbGain,
        sensorPage.txtDateOfSave, sensorPage.cmbSlide,        sensorPage.cmbSlideRychl,
        sensorPage.cmdAction[0],  sensorPage.cmdAction[1],    curvePage.lstKrivka};
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
    for (QPushButton* button : {&parts.cmdBack, &parts.cmdNext, &parts.cmdCancel})
        order.push_back(button);
    chainTabOrder(order);

    parts.cmdNext.setDefault(true);
    new ExpertFocusFilter(canvas, parts);
}

} // namespace app
