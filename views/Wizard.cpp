#include "views/Wizard.h"

#include "core/instrument/Identify.h"
#include "core/instrument/SerialLine.h"
#include "core/session/PortSetting.h"
#include "core/text/Encoding.h"
#include "core/text/MessageService.h"
#include "views/CurvePage.h"
#include "views/InstrumentReadout.h"
#include "views/PortPage.h"
#include "views/SensorPage.h"
#include "views/SignalPanels.h"
#include "views/StatusPanel.h"
#include "views/frmOrvoCalibration.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace app {

namespace {

// The limit warning stays hidden only while both of these limit flags (bits 7 and 0) are set.
constexpr std::uint8_t LimitsAsStored = 0x81;

} // namespace

Wizard::Wizard(frmOrvoCalibration& window, InstrumentReadout& readout, QObject* parent)
    : QObject(parent), window_(window), readout_(readout) {
    connect(window.cmdNext, &QPushButton::clicked, this, &Wizard::Next);
    connect(window.cmdBack, &QPushButton::clicked, this, &Wizard::Back);
    connect(&window, &frmOrvoCalibration::firstActivated, this, &Wizard::Start);
}

void Wizard::RunWizardStep() {
    switch (window_.shellState().WizardStep) {
    case 0:
        ShowPortPage();
        break;
    case 1:
        ConnectInstrument();
        break;
    case 2:
        if (laterSteps_.buildCurvePage)
            laterSteps_.buildCurvePage();
        break;
    case 3:
        if (laterSteps_.finish)
            laterSteps_.finish();
        break;
    default:
        break;
    }
}

void Wizard::Next() {
    runFromNavigation(0);
}

void Wizard::Back() {
    runFromNavigation(-2);
}

void Wizard::runFromNavigation(int stepChange) {
    window_.runExclusive([this, stepChange] {
        StatusPanel& status = *window_.fraSTATUS;
        status.setStatusText(window_.LangText().text(29));
        status.showStatus();
        int& step = window_.shellState().WizardStep;
        step = std::max(step + stepChange, 0);
        RunWizardStep();
        status.hideStatus();
    });
}

void Wizard::Start() {
    window_.shellState().WizardStep = 0;
    RunWizardStep();
}

void Wizard::showPages(std::initializer_list<QWidget*> pages) {
    // Shown first, so the focus of a page being hidden can move on into the new one.
    for (QWidget* page : pages)
        page->show();
    for (QWidget* other : std::initializer_list<QWidget*>{window_.fraCOMM, window_.fraSNIMAC,
                                                          window_.fraCURVE, window_.fraDISPLAY})
        if (std::find(pages.begin(), pages.end(), other) == pages.end())
            other->hide();
    window_.fraSTATUS->hide();
    const text::LanguageTable& texts = window_.LangText();
    window_.cmdBack->setText(texts.text(3));
    window_.cmdNext->setText(texts.text(4));
    window_.cmdCancel->setText(texts.text(5));
    window_.cmdNext->setEnabled(true);
    window_.cmdCancel->setEnabled(true);
}

void Wizard::ShowPortPage() {
    window_.setWindowWidthTwips(frmOrvoCalibration::NormalWidthTwips);
    showPages({window_.fraCOMM});
    window_.cmdBack->setEnabled(false);

    // The same ports as the start-up accepts, so a remembered COM25 is not lost here.
    const int port = window_.services().portSetting.comPort();
    const bool known =
        port >= device::SerialLine::FirstPort && port <= device::SerialLine::LastPort;
    window_.fraCOMM->cmbPort->setCurrentIndex(known ? port - 1 : 0);
    window_.fraCOMM->cmbPort->setFocus();
    window_.shellState().WizardStep = 1;
}

void Wizard::ConnectInstrument() {
    window_.setWindowWidthTwips(frmOrvoCalibration::NormalWidthTwips);
    const Services& services = window_.services();
    device::SerialLine& line = services.line;
    if (line.isOpen())
        line.close();
    window_.tmrCasovac.stop();

    const int port = window_.fraCOMM->cmbPort->currentIndex() + 1;
    if (!line.setPortNumber(port) || line.open() != device::OpenResult::Opened) {
        services.messages.inform(window_.LangText().text(54), text::MsgIcon::Critical);
        return;
    }
    if (!device::IdentifyRequest({line, services.clock})) {
        services.messages.inform(window_.LangText().text(53), text::MsgIcon::Critical);
        return;
    }
    services.portSetting.setComPort(port);
    if (readout_.ReadFromInstrument() <= -1)
        return;

    showPages({window_.fraSNIMAC});
    window_.cmdBack->setEnabled(true);
    showSensorRanges();
    window_.fraSNIMAC->txtPopis->setFocus();
    window_.shellState().WizardStep = 2;
}

void Wizard::showSensorRanges() {
    const sensor::SensorRecord& sensor = window_.sensorState().CurrentSensor;
    sensor::SensorPage& page = *window_.fraSNIMAC;
    window_.liveValues().RangeFlags = sensor.LimitFlags;
    page.lblLimitWarning->setVisible((sensor.LimitFlags & LimitsAsStored) != LimitsAsStored);

    const text::LanguageTable& texts = window_.LangText();
    const QString unit =
        QStringLiteral(" [") + sensor::trimBlanks(page.txtJednotka->text()) + QStringLiteral("]");
    page.lblRozsahPopis->setText(texts.text(66) + unit);
    page.lblRozsahNegPopis->setText(texts.text(69) + unit);

    const QString& format = sensor.UnitFormat.text();
    page.txtRozsah->setText(device::FormatNumber(sensor.FullScale, format));
    page.txtRozsahNeg->setText(device::FormatNumber(sensor.FullScaleNeg, format));
    page.txtRozsah->setEnabled(true);
    page.txtRozsahNeg->setEnabled(true);
}

} // namespace app
