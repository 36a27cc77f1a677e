#include "views/session/frmOrvoCalibration.h"

#include "core/backup/SnapshotKeeper.h"
#include "core/instrument/LiveSignal.h"
#include "core/instrument/SerialLine.h"
#include "core/instrument/Timing.h"
#include "core/records/CalibrationRecorder.h"
#include "core/sensor/SensorRecord.h"
#include "core/session/PortSetting.h"
#include "core/session/SensorSave.h"
#include "core/session/StartUp.h"
#include "core/session/SystemCalibration.h"
#include "core/text/LanguageFile.h"
#include "core/text/MessageService.h"
#include "views/backup/RestoreAction.h"
#include "views/calibration/CaptureWait.h"
#include "views/calibration/CurveEditor.h"
#include "views/calibration/CurvePage.h"
#include "views/calibration/CurveWindow.h"
#include "views/calibration/PointDialog.h"
#include "views/calibration/SeriesMenu.h"
#include "views/common/ActionGuard.h"
#include "views/common/Controls.h"
#include "views/common/WindowPlacement.h"
#include "views/instrument/PortPage.h"
#include "views/instrument/PortSearchAction.h"
#include "views/instrument/SignalPanels.h"
#include "views/instrument/StatusPanel.h"
#include "views/instrument/SystemCalibrationFrame.h"
#include "views/records/CheckWindow.h"
#include "views/records/DatabaseDialog.h"
#include "views/records/HistoryWindow.h"
#include "views/records/LabDetailsWindow.h"
#include "views/records/RecordedCertificate.h"
#include "views/sensor/SensorPage.h"
#include "views/sensor/SensorPageLogic.h"
#include "views/session/ActionWiring.h"
#include "views/session/CurveSteps.h"
#include "views/session/KeysWindow.h"
#include "views/session/SensorView.h"
#include "views/session/WindowWiring.h"
#include "views/session/Wizard.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <vector>

namespace app {

namespace {

constexpr int RecordsUnusableText = 450;

// The page area above the navigation buttons, shared by the pages.
constexpr int PageLeft = 120;
constexpr int PageTop = 60;
constexpr int PageWidth = 5085;
constexpr int PageHeight = 5880;
constexpr int CurveHeight = 4020;
constexpr int DisplayTop = 4140;
constexpr int ExpertFrameWidth = 3585;
constexpr int StatusTop = 2580;
constexpr int NavigationTop = 6060;
constexpr int NavigationWidth = 1155;
constexpr int NavigationHeight = 405;

// The twip coordinates of the layout were chosen for an 8-point font; the frames' large
// displays scale from it.
constexpr int LayoutFontPoints = 8;
constexpr int CancelText = 340;

ui::Twips useLayoutFont(QWidget& window) {
    QFont font = window.font();
    font.setPointSize(LayoutFontPoints);
    window.setFont(font);
    return ui::Twips::forWidget(window);
}

QWidget* makeCanvas(QWidget& window) {
    auto* scroller = new QScrollArea(&window);
    scroller->setObjectName(QStringLiteral("scroller"));
    scroller->setFrameShape(QFrame::NoFrame);
    auto* canvas = new QWidget;
    canvas->setObjectName(QStringLiteral("canvas"));
    scroller->setWidget(canvas);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroller);
    return canvas;
}

// Captioned with the language texts at start-up.
QPushButton* makeButton(QWidget* parent, const QString& name) {
    return ui::makeControl<QPushButton>(parent, name);
}

} // namespace

frmOrvoCalibration::frmOrvoCalibration(const Services& services, QWidget* parent)
    : QWidget(parent), twips_(useLayoutFont(*this)), canvas_(makeCanvas(*this)),
      fraCOMM(new PortPage(canvas_, twips_)), fraSNIMAC(new sensor::SensorPage(canvas_, twips_)),
      fraCURVE(new calibration::CurvePage(canvas_, twips_)),
      fraDISPLAY(new device::SignalDisplayFrame(canvas_, twips_)),
      fraORVODISPLAY(new device::InstrumentDisplayFrame(canvas_, twips_)),
      fraORVOSETUP(new calibration::SystemCalibrationFrame(canvas_, twips_)),
      fraSTATUS(new StatusPanel(canvas_, twips_)),
      cmdBack(makeButton(canvas_, QStringLiteral("cmdBack"))),
      cmdNext(makeButton(canvas_, QStringLiteral("cmdNext"))),
      cmdCancel(makeButton(canvas_, QStringLiteral("cmdCancel"))),
      captureAction(
          ui::makeAction(*this, QStringLiteral("captureAction"), QKeySequence(Qt::Key_F5))),
      services_(services), tracedLine_(services.line, trace_),
      session_(std::make_unique<session::Session>(
          tracedLine_, services.clock, services.lifecycle,
          session::Session::Outlets{services.messages, *fraSTATUS, langText_})),
      presenter_(services.messages, langText_),
      tolerance_(services.portSetting.store(), services.records) {
    setObjectName(QStringLiteral("frmOrvoCalibration"));
    // The size is fixed: a maximise button would do nothing.
    setWindowFlags((windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                    Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                    Qt::WindowCloseButtonHint) &
                   ~Qt::WindowMaximizeButtonHint);
    placeFrames();

    tmrCasovac.setObjectName(QStringLiteral("tmrCasovac"));
    tmrCasovac.setInterval(device::timing::PollInterval);
    connect(&tmrCasovac, &QTimer::timeout, this, &frmOrvoCalibration::PollSignal);
    liveSignal_ = std::make_unique<device::LiveSignal>(
        tracedLine_, services_.messages, langText_, session_->live(), services_.clock,
        [this] { return session_->sensors().CurrentSensor.UnitFormat.text(); });
    connect(liveSignal_.get(), &device::LiveSignal::updated, this,
            [this](const device::SignalUpdate& update) {
                device::showSignalUpdate(*fraDISPLAY, *fraORVODISPLAY, update, langText_);
            });
    connect(fraCOMM->cmbPort, &PortList::aboutToDropDown, this,
            [this] { fraCOMM->cmbPort->setEntries(services_.line.portEntries()); });
    connect(fraCOMM->cmdSCANTORAN, &QPushButton::clicked, this,
            [this] { runPortSearch(*session_, *fraCOMM, *fraSTATUS, langText_); });
    connect(cmdCancel, &QPushButton::clicked, this, &frmOrvoCalibration::endProgram);
    connect(fraSNIMAC, &sensor::SensorPage::expertModeRequested, this,
            [this] { session_->setExpert(true); });

    runStartUp();

    const WindowParts windowParts = parts();
    curveEditor_ = makeCurveEditor(windowParts, *session_, *inputBox_, langText_);
    // A point captured while a save or a read-out runs could miss the sensor being written.
    connect(captureAction, &QAction::triggered, this, [this] {
        if (!lineBusy())
            curveEditor_->CaptureSignalPoint();
    });
    sensorView_ = std::make_unique<sensor::SensorView>(
        sensor::SensorView::Controls{*fraSNIMAC, *fraCURVE, *fraDISPLAY, *fraORVODISPLAY,
                                     *fraORVOSETUP, *curveEditor_},
        session_->sensors(), langText_);
    pageLogic_ = makeSensorPageLogic(windowParts, *session_, langText_, *curveEditor_);
    systemCalibration_ = makeSystemCalibration(windowParts, *session_);
    sensorSave_ = makeSensorSave(windowParts, *session_, *pageLogic_);
    wizard_ = std::make_unique<Wizard>(windowParts, *session_, langText_, services_.portSetting,
                                       presenter_);
    connect(this, &frmOrvoCalibration::firstActivated, wizard_.get(), &Wizard::Start);
    curveSteps_ = std::make_unique<CurveSteps>(
        windowParts, *session_, langText_,
        CurveSteps::Actions{*wizard_, *pageLogic_, *sensorSave_, *curveEditor_});
    calibration::addCurveWindow(
        *this, windowParts,
        {*session_, *liveSignal_, *curveEditor_, services_.clock, services_.portSetting.store(),
         langText_,
         [this](
             const calibration::CurveSheet& sheet) -> std::optional<certificate::CertificateData> {
             if (!recorder_ || !recorder_->lastRecord())
                 return std::nullopt;
             return recordedCertificate(*services_.records, *recorder_->lastRecord(), sheet);
         },
         [this](const QString& sensorId) { return tolerance_.percentFor(sensorId); }});
    new calibration::CaptureWait({*fraCURVE, *curveEditor_, *fraSTATUS, *session_, *liveSignal_,
                                  services_.clock, langText_, services_.portSetting.store()},
                                 this);
    new calibration::SeriesMenu(*fraCURVE, *curveEditor_, session_->series(), langText_, this);
    addKeysWindow(*this, langText_,
                  {services_.languageSetting, services_.language, &services_.messages});
    curveSteps_->setAsLeftCheck(addCheckWindows(
        *this, windowParts, {*session_, services_.clock, langText_, checkResults_, tolerance_}));
    wireSession();
    setUpKeyboard(*canvas_, windowParts);
    if (!services_.snapshotDirectory.isEmpty()) {
        snapshotKeeper_ = std::make_unique<backup::SnapshotKeeper>(
            *session_, backup::SnapshotStore(services_.snapshotDirectory), trace_);
        session_->setWriteWatch(snapshotKeeper_.get());
        restoreAction_ = new RestoreAction(
            {*this, *fraSNIMAC, *session_, *snapshotKeeper_, langText_, services_.messages});
        connect(wizard_.get(), &Wizard::connected, restoreAction_,
                &RestoreAction::WarnOfHalfWritten);
    }
    addRecorder();
    guardModalTriggers();
}

void frmOrvoCalibration::addRecorder() {
    records::RecordKeeper* store = services_.records;
    if (store == nullptr)
        return;
    recorder_ =
        std::make_unique<records::CalibrationRecorder>(*session_, *store, snapshotKeeper_.get());
    recorder_->setChecks(&checkResults_);
    curveEditor_->setCaptureGate(addLabDetailsWindow(
        *this, {*store, langText_, services_.messages}, services_.portSetting.store(),
        [this](const records::CalibrationDetails& d) { recorder_->setDetails(d); }));
    addHistoryWindow(*this, *store, langText_, services_.messages, [this] {
        return session_->instrumentSetup() ? session_->sensors().CurrentSensor.SensorId.trimmed()
                                           : QString();
    });
    if (services_.testDatabase)
        addDatabaseDialog(*this, services_.portSetting.store(), langText_, services_.testDatabase);
    if (services_.lab != nullptr)
        keepUploading(*this, *services_.lab, langText_);
    if (store->status().usable())
        return;
    // Said once, when the window is first up; the store keeps the records aside meanwhile.
    connect(
        this, &frmOrvoCalibration::firstActivated, this,
        [this, store] {
            services_.messages.inform(langText_.text(RecordsUnusableText) + QStringLiteral("\n\n") +
                                          store->status().message,
                                      text::MsgIcon::Exclamation);
        },
        static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
}

void frmOrvoCalibration::guardModalTriggers() {
    new ActionGuard(*this, *session_);
    std::vector<QObject*> triggers{captureAction,           fraCURVE->lstKrivka,
                                   fraCURVE->cmdSCAN,       fraCURVE->mKrivkaNew,
                                   fraCURVE->mKrivkaBodAdd, fraCURVE->mKrivkaBodDelete};
    for (QPushButton* button : fraCURVE->cmdListAction)
        triggers.push_back(button);
    if (restoreAction_ != nullptr) {
        triggers.push_back(restoreAction_->mObnovit);
        triggers.push_back(restoreAction_->saveTraceAction);
    }
    for (QObject* trigger : triggers)
        ui::opensModalWindow(*trigger);
}

void frmOrvoCalibration::wireSession() {
    session::ActionRunner& runner = session_->runner();
    connect(&runner, &session::ActionRunner::pollingWanted, this,
            [this](bool running) { running ? tmrCasovac.start() : tmrCasovac.stop(); });
    connect(&runner, &session::ActionRunner::navigationEnabled, this,
            [this](bool enabled) { enabled ? EnableNavigation() : DisableNavigation(); });
    connect(&runner, &session::ActionRunner::ended, this, &frmOrvoCalibration::closeAtEnd);
    connect(session_.get(), &session::Session::setupRead, this, [this] {
        fraSNIMAC->cmbFormat->clear();
        fraSNIMAC->cmbFormat->addItems(device::displayFormats(session_->live().DisplayDigits));
    });
    connect(session_.get(), &session::Session::sensorsRead, this,
            [this](int gainIndex) { sensorView_->MarkSensorRange(gainIndex); });
    connect(session_.get(), &session::Session::sensorChanged, this, [this] {
        sensorView_->ShowSensor();
        wizard_->ShowSensorRanges();
    });
}

WindowParts frmOrvoCalibration::parts() {
    return {*fraCOMM,
            *fraSNIMAC,
            *fraCURVE,
            *fraDISPLAY,
            *fraORVODISPLAY,
            *fraORVOSETUP,
            *fraSTATUS,
            *cmdBack,
            *cmdNext,
            *cmdCancel,
            [this](int widthTwips) { setWindowWidthTwips(widthTwips); },
            [this] { return widthTwips_; }};
}

frmOrvoCalibration::~frmOrvoCalibration() {
    session_->setWriteWatch(nullptr);
}

void frmOrvoCalibration::placeFrames() {
    for (QWidget* page : std::initializer_list<QWidget*>{fraCOMM, fraSNIMAC})
        twips_.place(*page, PageLeft, PageTop, PageWidth, PageHeight);
    twips_.place(*fraCURVE, PageLeft, PageTop, PageWidth, CurveHeight);
    twips_.place(*fraDISPLAY, PageLeft, DisplayTop, PageWidth, PageHeight + PageTop - DisplayTop);
    twips_.place(*fraORVODISPLAY, ExpertFramesLeftTwips, PageTop, ExpertFrameWidth, 1560);
    twips_.place(*fraORVOSETUP, ExpertFramesLeftTwips, 1740, ExpertFrameWidth, 4680);
    // Clear of the port search button above it, which it would otherwise half cover.
    twips_.place(*fraSTATUS, PageLeft, StatusTop, PageWidth, 1080);

    fraCOMM->setObjectName(QStringLiteral("fraCOMM"));
    fraSNIMAC->setObjectName(QStringLiteral("fraSNIMAC"));
    fraCURVE->setObjectName(QStringLiteral("fraCURVE"));
    fraDISPLAY->setObjectName(QStringLiteral("fraDISPLAY"));
    fraORVODISPLAY->setObjectName(QStringLiteral("fraORVODISPLAY"));
    fraORVOSETUP->setObjectName(QStringLiteral("fraORVOSETUP"));
    fraSTATUS->setObjectName(QStringLiteral("fraSTATUS"));

    // Until the wizard builds the first page, the window shows the port page.
    for (QWidget* hidden :
         std::initializer_list<QWidget*>{fraSNIMAC, fraCURVE, fraDISPLAY, fraSTATUS})
        hidden->hide();
    fraSTATUS->raise();

    twips_.place(*cmdBack, 1500, NavigationTop, NavigationWidth, NavigationHeight);
    twips_.place(*cmdNext, 2715, NavigationTop, NavigationWidth, NavigationHeight);
    twips_.place(*cmdCancel, 4050, NavigationTop, NavigationWidth, NavigationHeight);
    cmdNext->setDefault(true);
}

void frmOrvoCalibration::runStartUp() {
    activatedOnce_ = false;
    CenterWindow();
    setWindowWidthTwips(NormalWidthTwips);

    session_->setExpert(false);
    if (session::IsExpertCommandLine(services_.commandLine)) {
        fraSNIMAC->setSlideControlsVisible(true);
        session_->setExpert(true);
    }

    setWindowTitle(session::WindowCaption());
    text::LoadLanguageFile(services_.languageFilePath, langText_);
    ApplyLanguageTexts();
    CenterWindow();

    fraCOMM->cmbPort->setEntries(services_.line.portEntries());
    const int port = services_.portSetting.comPort();
    const bool known =
        port >= device::SerialLine::FirstPort && port <= device::SerialLine::LastPort;
    fraCOMM->cmbPort->setCurrentIndex(known ? port - 1 : 0);

    inputBox_ = new calibration::frmOrvoCalibInputBox(this);
    inputBox_->setObjectName(QStringLiteral("frmOrvoCalibInputBox"));
    inputBox_->applyTexts(langText_);
    inputBox_->keepClearOf(fraCURVE->lstKrivka);

    fraSNIMAC->txtPopis->setText(sensor::SensorRecord{}.Description.text());

    fraSNIMAC->cmbSlide->addItems(session::SlideEntries());
    fraSNIMAC->cmbSlideRychl->addItems(session::SlideRychlEntries());
    fraSNIMAC->cmbGain->addItems(session::GainEntries());

    fraCURVE->lstKrivka->clear();
}

void frmOrvoCalibration::ApplyLanguageTexts() {
    fraCOMM->lblPortPopis->setText(langText_.text(1));
    fraCOMM->cmdSCANTORAN->setText(langText_.text(2));
    cmdBack->setText(langText_.text(3));
    cmdNext->setText(langText_.text(4));
    cmdCancel->setText(langText_.text(5));
    fraSNIMAC->Label2->setText(langText_.text(9));
    fraSNIMAC->Label6->setText(langText_.text(10));
    fraSNIMAC->Label11[2]->setText(langText_.text(11));
    fraSNIMAC->Label9->setText(langText_.text(14));
    fraSNIMAC->lblLimitWarning->setText(langText_.text(15));
    fraSNIMAC->Label11[1]->setText(langText_.text(16));
    fraCURVE->setTitle(langText_.text(19));
    fraCURVE->cmdSCAN->setText(langText_.text(22));
    fraCURVE->cmdListAction[1]->setText(langText_.text(23));
    fraCURVE->cmdListAction[0]->setText(langText_.text(24));
    fraCURVE->cmdListAction[2]->setText(langText_.text(25));
    fraSTATUS->cmdStatusCancel->setText(langText_.text(CancelText));
    fraSNIMAC->applyTexts(langText_);
    fraCURVE->applyTexts(langText_);
    fraORVOSETUP->applyTexts(langText_);
}

void frmOrvoCalibration::CenterWindow() {
    ui::CenterWindow(*this);
    fitOnScreen();
}

void frmOrvoCalibration::DisableNavigation() {
    for (QPushButton* button : {cmdBack, cmdNext, cmdCancel, fraCOMM->cmdSCANTORAN})
        button->setEnabled(false);
}

void frmOrvoCalibration::EnableNavigation() {
    for (QPushButton* button : {cmdBack, cmdNext, cmdCancel, fraCOMM->cmdSCANTORAN})
        button->setEnabled(true);
}

void frmOrvoCalibration::setWindowWidthTwips(int widthTwips) {
    widthTwips_ = widthTwips;
    canvas_->setFixedSize(twips_.px(widthTwips), twips_.px(HeightTwips));
    fitOnScreen();
}

void frmOrvoCalibration::fitOnScreen() {
    const QScreen* shown = screen();
    if (shown == nullptr) {
        setFixedSize(canvas_->size());
        return;
    }
    // The frame the desktop adds around the window, as far as it is known.
    const QSize frame = frameGeometry().size() - size();
    const QRect fitted =
        ui::fittedFrame(shown->availableGeometry(), QRect(pos(), canvas_->size() + frame));
    setFixedSize(fitted.size() - frame);
    if (fitted.topLeft() != pos())
        move(fitted.topLeft());
}

void frmOrvoCalibration::PollSignal() {
    if (services_.lifecycle.endRequested() || session_->runner().busy())
        return;
    liveSignal_->tick();
}

void frmOrvoCalibration::closeAtEnd() {
    if (inputBox_ != nullptr)
        inputBox_->close();
    close();
    QCoreApplication::quit();
}

void frmOrvoCalibration::closeEvent(QCloseEvent* event) {
    // Closing the window ends the program; while an action runs, the window closes when it
    // has unwound.
    if (!session_->runner().hasEnded())
        session_->runner().requestEnd();
    if (session_->runner().hasEnded())
        event->accept();
    else
        event->ignore();
}

void frmOrvoCalibration::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        startOnFirstActivation();
}

void frmOrvoCalibration::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Some desktops show a new window without activating it; the wizard starts all the same.
    if (!activatedOnce_)
        QTimer::singleShot(0, this, &frmOrvoCalibration::startOnFirstActivation);
}

void frmOrvoCalibration::startOnFirstActivation() {
    if (activatedOnce_)
        return;
    activatedOnce_ = true;
    emit firstActivated();
}

void frmOrvoCalibration::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // Enter presses the focused button, else the default button Next. On the curve page
        // Next ends the calibration and writes the sensor, so there Enter reaches it only when
        // it has the focus itself; Enter in the curve list edits the selected point.
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        if (focused == nullptr && session_->step() == session::WizardStep::Finish) {
            if (focusWidget() == fraCURVE->lstKrivka && !lineBusy())
                curveEditor_->EditCurvePoint();
            return;
        }
        QPushButton* target = focused != nullptr ? focused : cmdNext;
        if (target->isEnabled() && target->isVisible()) {
            target->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

} // namespace app
