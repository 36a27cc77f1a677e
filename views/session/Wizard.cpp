#include "views/session/Wizard.h"

#include "core/instrument/Link.h"
#include "core/instrument/SerialLine.h"
#include "core/session/PortSetting.h"
#include "core/session/Session.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "core/text/NumberText.h"
#include "views/calibration/CurvePage.h"
#include "views/instrument/PortPage.h"
#include "views/instrument/SignalPanels.h"
#include "views/instrument/StatusPanel.h"
#include "views/sensor/SensorPage.h"
#include "views/session/Presenter.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace app {

namespace {

// The limit warning stays hidden only while both of these limit flags (bits 7 and 0) are set.
constexpr std::uint8_t LimitsAsStored = 0x81;
constexpr int WaitText = 29;
constexpr int UnsavedPointsText = 100;

} // namespace

Wizard::Wizard(WindowParts parts, session::Session& session, const text::LanguageTable& texts,
               session::PortSetting& portSetting, const Presenter& presenter, QObject* parent)
    : QObject(parent), parts_(std::move(parts)), session_(session), texts_(texts),
      portSetting_(portSetting), presenter_(presenter) {
    connect(&parts_.cmdNext, &QPushButton::clicked, this, &Wizard::Next);
    connect(&parts_.cmdBack, &QPushButton::clicked, this, &Wizard::Back);
}

void Wizard::RunWizardStep(const device::Link& link) {
    switch (session_.step()) {
    case session::WizardStep::PortPage:
        ShowPortPage();
        break;
    case session::WizardStep::SensorPage:
        ConnectInstrument(link);
        break;
    case session::WizardStep::CurvePage:
        if (laterSteps_.buildCurvePage)
            laterSteps_.buildCurvePage(link);
        break;
    case session::WizardStep::Finish:
        if (laterSteps_.finish)
            laterSteps_.finish(link);
        break;
    }
}

void Wizard::Next() {
    runFromNavigation(false);
}

void Wizard::Back() {
    // Back from the curve page reads the instrument again and replaces the curve table.
    if (session_.step() == session::WizardStep::Finish && !session_.runner().busy() &&
        session_.curveDiffersFromSensor() &&
        !session_.outlets().messages.askYesNo(texts_.text(UnsavedPointsText),
                                              text::MsgIcon::Question))
        return;
    runFromNavigation(true);
}

void Wizard::runFromNavigation(bool back) {
    (void)session_.runner().run([this, back](const device::Link& link) {
        StatusPanel& status = parts_.fraSTATUS;
        status.setStatusText(texts_.text(WaitText));
        status.showStatus();
        if (back)
            session_.setStep(session::stepBack(session_.step()));
        RunWizardStep(link);
        status.hideStatus();
    });
}

void Wizard::Start() {
    session_.setStep(session::WizardStep::PortPage);
    ShowPortPage();
}

void Wizard::showPages(std::initializer_list<QWidget*> pages) {
    // Shown first, so the focus of a page being hidden can move on into the new one.
    for (QWidget* page : pages)
        page->show();
    for (QWidget* other : std::initializer_list<QWidget*>{&parts_.fraCOMM, &parts_.fraSNIMAC,
                                                          &parts_.fraCURVE, &parts_.fraDISPLAY})
        if (std::find(pages.begin(), pages.end(), other) == pages.end())
            other->hide();
    parts_.fraSTATUS.hide();
    parts_.cmdBack.setText(texts_.text(3));
    parts_.cmdNext.setText(texts_.text(4));
    parts_.cmdCancel.setText(texts_.text(5));
    parts_.cmdNext.setEnabled(true);
    parts_.cmdCancel.setEnabled(true);
}

void Wizard::ShowPortPage() {
    parts_.setWidthTwips(NormalWidthTwips);
    showPages({&parts_.fraCOMM});
    parts_.cmdBack.setEnabled(false);

    // The same ports as the start-up accepts, so a remembered COM25 is not lost here.
    const int port = portSetting_.comPort();
    const bool known =
        port >= device::SerialLine::FirstPort && port <= device::SerialLine::LastPort;
    parts_.fraCOMM.cmbPort->setCurrentIndex(known ? port - 1 : 0);
    parts_.fraCOMM.cmbPort->setFocus();
    session_.setStep(session::WizardStep::SensorPage);
}

void Wizard::ConnectInstrument(const device::Link& link) {
    parts_.setWidthTwips(NormalWidthTwips);
    const int port = parts_.fraCOMM.cmbPort->currentIndex() + 1;
    try {
        // Against a silent port the identification and the read-out take many seconds.
        const CancelOffer cancel(parts_.fraSTATUS, session_.runner().lifecycle());
        const session::ConnectOutcome connected = session_.openInstrument(link, port);
        presenter_.tell(connected, port);
        if (connected.result != session::ConnectResult::Connected)
            return;
        portSetting_.setComPort(port);
        if (session_.readOut(link) != session::ReadOutResult::Read)
            return;
    } catch (const device::CancelRequested&) {
        // Cancelled: the port page stays, without a word, and the port is let go.
        link.line.close();
        return;
    }

    showPages({&parts_.fraSNIMAC});
    parts_.cmdBack.setEnabled(true);
    parts_.fraSNIMAC.txtPopis->setFocus();
    session_.setStep(session::WizardStep::CurvePage);
    emit connected();
}

void Wizard::ShowSensorRanges() {
    const sensor::SensorRecord& sensor = session_.sensors().CurrentSensor;
    sensor::SensorPage& page = parts_.fraSNIMAC;
    session_.live().RangeFlags = sensor.LimitFlags;
    page.lblLimitWarning->setVisible((sensor.LimitFlags & LimitsAsStored) != LimitsAsStored);

    const QString unit =
        QStringLiteral(" [") + sensor::trimBlanks(page.txtJednotka->text()) + QStringLiteral("]");
    page.lblRozsahPopis->setText(texts_.text(66) + unit);
    page.lblRozsahNegPopis->setText(texts_.text(69) + unit);

    const QString& format = sensor.UnitFormat.text();
    page.txtRozsah->setText(device::FormatNumber(sensor.FullScale, format));
    page.txtRozsahNeg->setText(device::FormatNumber(sensor.FullScaleNeg, format));
    page.txtRozsah->setEnabled(true);
    page.txtRozsahNeg->setEnabled(true);
}

} // namespace app
