#include "views/CurveSteps.h"

#include "core/calibration/CurveEvaluation.h"
#include "core/text/Encoding.h"
#include "core/text/MessageService.h"
#include "views/CurveEditor.h"
#include "views/CurvePage.h"
#include "views/PortPage.h"
#include "views/SensorPage.h"
#include "views/SensorPageLogic.h"
#include "views/SensorSave.h"
#include "views/SignalPanels.h"
#include "views/StatusPanel.h"
#include "views/SystemCalibration.h"
#include "views/Wizard.h"
#include "views/frmOrvoCalibration.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <utility>

namespace app {

namespace {

constexpr int GainRangeChangedText = 55;
constexpr int SavedText = 56;
constexpr int PositiveRangeText = 73;
constexpr int NegativeRangeText = 74;
constexpr int CancelWhileSavingText = 68;

} // namespace

double gainRangeLimit(const QString& entry) {
    return device::ReadNumber(QStringView(entry).mid(std::max<qsizetype>(entry.indexOf(u' '), 0)));
}

CurveSteps::CurveSteps(frmOrvoCalibration& window) : window_(window) {
    window.wizard().setLaterSteps({[this] { BuildCurvePage(); }, [this] { Finish(); }});
}

void CurveSteps::BuildCurvePage() {
    const sensor::SensorPage& page = *window_.fraSNIMAC;
    if (window_.sensorState().CurrentSensor.GainIndex != page.cmbGain->currentIndex() &&
        !window_.services().messages.askYesNo(window_.LangText().text(GainRangeChangedText),
                                              text::MsgIcon::Question))
        return;
    if (!window_.sensorPageLogic().ValidateSensorPage())
        return;
    // Unchanged settings are not written again; a failed write has been reported and the
    // operator still goes on to the curve.
    (void)window_.sensorSave().SaveSensor(true);

    window_.setWindowWidthTwips(window_.shellState().expert()
                                    ? frmOrvoCalibration::ExpertWidthTwips
                                    : frmOrvoCalibration::NormalWidthTwips);
    showCurvePage();
    window_.fraCURVE->lblCEth->setText(QStringLiteral("Etalon [") +
                                       sensor::trimBlanks(page.txtJednotka->text()) + u']');
    window_.shellState().WizardStep = 3;
    window_.tmrCasovac.start();
}

void CurveSteps::Finish() {
    if (!rangesWithinCurve())
        return;
    lockWhileSaving();
    const calibration::CurveTable points = window_.curveTable();
    const int saved = window_.sensorSave().SaveSensor(false);
    if (saved == sensor::SaveWritten) {
        window_.systemCalibration().ResetInstrument();
        // The save and the reset gave the buttons back; the program ends without them.
        lockWhileSaving();
        window_.services().messages.inform(window_.LangText().text(SavedText),
                                           text::MsgIcon::Information);
        window_.endProgram();
        return;
    }
    if (window_.services().lifecycle.endRequested())
        return;
    // The sensor was not written: the operator may mend the cause and finish again. A read-out
    // after a write that did not read back may have replaced the points in the table.
    window_.curveTable() = points;
    window_.curveEditor().FillCurveList();
    showCurvePage();
    window_.tmrCasovac.start();
}

bool CurveSteps::rangesWithinCurve() {
    const double gainRange = gainRangeLimit(window_.fraSNIMAC->cmbGain->currentText());
    float upper = calibration::EvaluateCurve(window_.curveTable(), static_cast<float>(gainRange));
    float lower = calibration::EvaluateCurve(window_.curveTable(), static_cast<float>(-gainRange));
    if (upper < lower)
        std::swap(upper, lower);

    // The ranges as the save is about to store them. The record holds them only once a copy of
    // the page succeeded; when leaving the sensor page could not copy it (a new curve of fewer
    // than two points), it still holds the ranges read from the instrument.
    const sensor::SensorPage& page = *window_.fraSNIMAC;
    const auto fullScale = device::toSingle(device::ValDecimal(page.txtRozsah->text()));
    const auto fullScaleNeg = device::toSingle(device::ValDecimal(page.txtRozsahNeg->text()));
    text::MessageService& messages = window_.services().messages;
    if (fullScale > upper) {
        messages.inform(rangeMessage(PositiveRangeText, upper), text::MsgIcon::None);
        return false;
    }
    if (fullScaleNeg < lower) {
        messages.inform(rangeMessage(NegativeRangeText, lower), text::MsgIcon::None);
        return false;
    }
    return true;
}

QString CurveSteps::rangeMessage(int text, float limit) const {
    const sensor::SensorRecord& sensor = window_.sensorState().CurrentSensor;
    return window_.LangText().text(text) + u' ' +
           device::FormatNumber(limit, sensor.UnitFormat.text()) + sensor.UnitName.text();
}

void CurveSteps::showCurvePage() {
    window_.wizard().showPages({window_.fraCURVE, window_.fraDISPLAY});
    window_.cmdBack->setEnabled(true);
}

void CurveSteps::lockWhileSaving() {
    for (QWidget* frame :
         std::initializer_list<QWidget*>{window_.fraCOMM, window_.fraCURVE, window_.fraDISPLAY,
                                         window_.fraSTATUS, window_.fraSNIMAC})
        frame->hide();
    const text::LanguageTable& texts = window_.LangText();
    window_.cmdBack->setText(texts.text(3));
    window_.cmdNext->setText(texts.text(4));
    window_.cmdCancel->setText(texts.text(CancelWhileSavingText));
    for (QPushButton* button : {window_.cmdBack, window_.cmdNext, window_.cmdCancel})
        button->setEnabled(false);
}

} // namespace app
