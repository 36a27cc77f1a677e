#include "views/session/CurveSteps.h"

#include "core/sensor/SensorSettings.h"
#include "core/session/SensorSave.h"
#include "core/session/Session.h"
#include "core/session/StartUp.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "core/text/NumberText.h"
#include "views/calibration/CurveEditor.h"
#include "views/calibration/CurvePage.h"
#include "views/calibration/CurveSheet.h"
#include "views/instrument/PortPage.h"
#include "views/instrument/SignalPanels.h"
#include "views/instrument/StatusPanel.h"
#include "views/sensor/SensorPage.h"
#include "views/sensor/SensorPageLogic.h"
#include "views/session/Wizard.h"

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
constexpr int AsLeftCheckButtonText = 481;
constexpr int EtalonText = 484;

} // namespace

CurveSteps::CurveSteps(WindowParts parts, session::Session& session,
                       const text::LanguageTable& texts, Actions actions)
    : parts_(std::move(parts)), session_(session), texts_(texts), actions_(actions) {
    actions_.wizard.setLaterSteps({[this](const device::Link& link) { BuildCurvePage(link); },
                                   [this](const device::Link& link) { Finish(link); }});
}

void CurveSteps::BuildCurvePage(const device::Link& link) {
    const sensor::SensorPage& page = parts_.fraSNIMAC;
    text::MessageService& messages = session_.outlets().messages;
    if (session_.sensors().CurrentSensor.GainIndex != page.cmbGain->currentIndex() &&
        !messages.askYesNo(texts_.text(GainRangeChangedText), text::MsgIcon::Question))
        return;
    if (!actions_.pageLogic.ValidateSensorPage())
        return;
    // Unchanged settings are not written again, and a page that could not be copied (a new
    // curve of fewer than two points) still goes on to the curve. A write that failed keeps the
    // page as the operator left it, and Next tries again.
    const sensor::PageEntries entries = actions_.pageLogic.entries();
    if (session::saveFailed(actions_.sensorSave.SaveSensor(link, true))) {
        actions_.pageLogic.restoreEntries(entries);
        return;
    }

    parts_.setWidthTwips(session_.expert() ? ExpertWidthTwips : NormalWidthTwips);
    showCurvePage();
    parts_.fraCURVE.lblCEth->setText(texts_.text(EtalonText) + QStringLiteral(" [") +
                                     sensor::trimBlanks(page.txtJednotka->text()) + u']');
    session_.setStep(session::WizardStep::Finish);
    session_.runner().startPolling();
}

void CurveSteps::Finish(const device::Link& link) {
    if (!rangesWithinCurve() || !calibration::acceptCurveWarnings(session_, parts_.fraSNIMAC))
        return;
    lockWhileSaving();
    const sensor::PageEntries entries = actions_.pageLogic.entries();
    const session::SaveResult saved = actions_.sensorSave.SaveSensor(link, false);
    if (saved == session::SaveResult::Verified) {
        session_.resetInstrument(link);
        // The save and the reset gave the buttons back; the program ends without them.
        lockWhileSaving();
        text::MessageService& messages = session_.outlets().messages;
        if (asLeftCheck_ && messages.offer(texts_.text(SavedText), text::MsgIcon::Information,
                                           texts_.text(AsLeftCheckButtonText))) {
            asLeftCheck_();
            return;
        }
        if (!asLeftCheck_)
            messages.inform(texts_.text(SavedText), text::MsgIcon::Information);
        session_.runner().requestEnd();
        return;
    }
    if (session_.runner().lifecycle().endRequested())
        return;
    // The sensor is not known to be saved: the operator may mend the cause and finish again,
    // with the points (kept by the save) and the sensor page as they were.
    actions_.pageLogic.restoreEntries(entries);
    showCurvePage();
    session_.runner().startPolling();
}

bool CurveSteps::rangesWithinCurve() {
    // The ranges as the save is about to store them. The record holds them only once a copy of
    // the page succeeded; when leaving the sensor page could not copy it (a new curve of fewer
    // than two points), it still holds the ranges read from the instrument.
    const auto beyond =
        sensor::rangeBeyondCurve(actions_.pageLogic.settings(), session_.curve(),
                                 session::gainRangeLimit(parts_.fraSNIMAC.cmbGain->currentText()));
    if (!beyond)
        return true;
    session_.outlets().messages.inform(
        rangeMessage(beyond->positive ? PositiveRangeText : NegativeRangeText, beyond->limit),
        text::MsgIcon::None);
    return false;
}

QString CurveSteps::rangeMessage(int text, float limit) const {
    const sensor::SensorRecord& sensor = session_.sensors().CurrentSensor;
    return texts_.text(text) + u' ' + device::FormatNumber(limit, sensor.UnitFormat.text()) +
           sensor.UnitName.text();
}

void CurveSteps::showCurvePage() {
    actions_.wizard.showPages({&parts_.fraCURVE, &parts_.fraDISPLAY});
    parts_.cmdBack.setEnabled(true);
}

void CurveSteps::lockWhileSaving() {
    for (QWidget* frame :
         std::initializer_list<QWidget*>{&parts_.fraCOMM, &parts_.fraCURVE, &parts_.fraDISPLAY,
                                         &parts_.fraSTATUS, &parts_.fraSNIMAC})
        frame->hide();
    parts_.cmdBack.setText(texts_.text(3));
    parts_.cmdNext.setText(texts_.text(4));
    parts_.cmdCancel.setText(texts_.text(CancelWhileSavingText));
    for (QPushButton* button : {&parts_.cmdBack, &parts_.cmdNext, &parts_.cmdCancel})
        button->setEnabled(false);
}

} // namespace app
