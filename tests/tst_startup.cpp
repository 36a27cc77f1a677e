#include "app/PortPage.h"
#include "app/PortSetting.h"
#include "app/Services.h"
#include "app/StatusPanel.h"
#include "app/frmOrvoCalibration.h"
#include "calibration/CurvePage.h"
#include "calibration/PointDialog.h"
#include "calibration/SystemCalibrationFrame.h"
#include "device/SerialLine.h"
#include "device/SignalPanels.h"
#include "sensor/SensorPage.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedMessages.h"
#include "ui/WindowPlacement.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace std::chrono_literals;
using app::frmOrvoCalibration;

namespace {

// A port that is always there: counts what is opened and sent.
class CountingLine final : public device::SerialLine {
public:
    bool setPortNumber(int number) override {
        if (number < FirstPort || number > LastPort)
            return false;
        number_ = number;
        return true;
    }
    [[nodiscard]] int portNumber() const override { return number_; }
    device::OpenResult open() override {
        ++opens;
        open_ = true;
        return device::OpenResult::Opened;
    }
    void close() override { open_ = false; }
    [[nodiscard]] bool isOpen() const override { return open_; }
    bool send(const QByteArray& bytes) override {
        if (!open_)
            return false;
        sent.append(bytes);
        return true;
    }
    [[nodiscard]] int bytesWaiting() override { return 0; }
    std::optional<QByteArray> readAll() override { return QByteArray(); }

    QList<QByteArray> sent;
    int opens = 0;

private:
    int number_ = 1;
    bool open_ = false;
};

struct Harness {
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    app::PortSetting portSetting{settings};
    ui::Lifecycle lifecycle;
    testsupport::ManualClock clock{&lifecycle};
    testsupport::ScriptedMessages messages;
    CountingLine line;
    QString languageFile = dir.filePath(QStringLiteral("ToranCal.lang"));

    void writeLanguageFile(QStringView text) const {
        QFile file(languageFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringEncoder("windows-1250").encode(text));
    }

    std::unique_ptr<frmOrvoCalibration> start(const QString& commandLine = {}) {
        return std::make_unique<frmOrvoCalibration>(app::Services{
            line, clock, messages, lifecycle, portSetting, languageFile, commandLine});
    }
};

QString captionOf(const QObject* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (const auto* frame = qobject_cast<const QGroupBox*>(control))
        return frame->title();
    return QStringLiteral("<no caption>");
}

QStringList entriesOf(const QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries.append(list->itemText(i));
    return entries;
}

bool showAndActivate(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

} // namespace

class TestStartUp : public QObject {
    Q_OBJECT

private slots:
    void everyNamedControlExists() {
        Harness harness;
        const auto window = harness.start();
        const QStringList names{
            // frames and navigation
            "fraCOMM", "fraSNIMAC", "fraCURVE", "fraDISPLAY", "fraORVODISPLAY", "fraORVOSETUP",
            "fraSTATUS", "cmdBack", "cmdNext", "cmdCancel", "tmrCasovac", "frmOrvoCalibInputBox",
            // port page, status
            "lblPortPopis", "cmbPort", "cmdSCANTORAN", "lblStatus",
            // sensor page
            "Label2", "txtPopis", "Label6", "cmbFormat", "Label11_0", "Label11_1", "Label11_2",
            "Label11_3", "txtJednotka", "lblRozsahPopis", "txtRozsah", "lblRozsahNegPopis",
            "txtRozsahNeg", "Label9", "txtOverloadProc", "cmbGain", "cmbSlide", "cmbSlideRychl",
            "txtDateOfSave", "lblLimitWarning", "chkLimitsEnabled", "chkLimitsEnabledNeg",
            "txtLimit", "txtSN", "cmdAction_0", "cmdAction_1",
            // live signal and instrument display
            "lblSignal", "lblIUnit", "lblILimHI", "lblILimLO", "lblIDef", "lblIBatt", "lblIIntExt",
            "lblSignalDIV", "lblSignalDISP", "lblJednotkaDISP", "lblBAT",
            // curve page
            "lstKrivka", "lblCSig", "lblCEth", "Label3", "cmdListAction_0", "cmdListAction_1",
            "cmdListAction_2", "cmdSCAN", "mKrivkaNew", "mKrivkaBodAdd", "mKrivkaBodDelete",
            // system calibration
            "Label1_8", "Label1_9", "cmdReset", "cmdLoadDef", "cmdSKSetGain", "cmdSKSetNula",
            "cmdSKSave"};
        for (const QString& name : names)
            QVERIFY2(window->findChild<QObject*>(name) != nullptr, qPrintable(name));
        for (int i = 0; i < 8; ++i)
            for (const char* array : {"lblGx_%1", "txtskN_%1", "txtskK_%1"})
                QVERIFY2(window->findChild<QObject*>(QString::fromLatin1(array).arg(i)),
                         qPrintable(QString::fromLatin1(array).arg(i)));

        QCOMPARE(window->fraORVOSETUP->title(), QStringLiteral("Systemova Kalibrace"));
        QCOMPARE(window->fraORVOSETUP->lblGx[7]->text(), QStringLiteral("G8(128)"));
        QCOMPARE(window->fraORVOSETUP->txtskK[3]->text(), QStringLiteral("0,001544225"));
        QCOMPARE(window->fraORVOSETUP->Label1[9]->text(), QStringLiteral("k [mVV/div*x]"));
        QVERIFY(window->fraCURVE->lstKrivka->font().fixedPitch());
    }

    void languageTextsReachTheirControls_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("number");
        QTest::newRow("port instruction") << "lblPortPopis" << 1;
        QTest::newRow("search") << "cmdSCANTORAN" << 2;
        QTest::newRow("back") << "cmdBack" << 3;
        QTest::newRow("next") << "cmdNext" << 4;
        QTest::newRow("cancel") << "cmdCancel" << 5;
        QTest::newRow("description") << "Label2" << 9;
        QTest::newRow("format") << "Label6" << 10;
        QTest::newRow("unit") << "Label11_2" << 11;
        QTest::newRow("overload") << "Label9" << 14;
        QTest::newRow("limit warning") << "lblLimitWarning" << 15;
        QTest::newRow("maximum signal") << "Label11_1" << 16;
        QTest::newRow("curve frame") << "fraCURVE" << 19;
        QTest::newRow("capture") << "cmdSCAN" << 22;
        QTest::newRow("delete point") << "cmdListAction_1" << 23;
        QTest::newRow("add point") << "cmdListAction_0" << 24;
        QTest::newRow("clear points") << "cmdListAction_2" << 25;
    }

    void languageTextsReachTheirControls() {
        QFETCH(QString, control);
        QFETCH(int, number);
        Harness harness;
        QString file;
        for (int n = 1; n <= 99; ++n)
            file += QStringLiteral("%1=Text č. %1\r\n").arg(n);
        harness.writeLanguageFile(file);
        const auto window = harness.start();
        QCOMPARE(window->LangText().text(number), QStringLiteral("Text č. %1").arg(number));
        QCOMPARE(captionOf(window->findChild<QObject*>(control)),
                 QStringLiteral("Text č. %1").arg(number));
    }

    void withoutLanguageFileCaptionsAreEmpty() {
        Harness harness;
        const auto window = harness.start();
        for (const char* name :
             {"lblPortPopis", "cmdSCANTORAN", "cmdBack", "cmdNext", "cmdCancel", "Label2", "Label6",
              "Label11_2", "Label9", "lblLimitWarning", "Label11_1", "fraCURVE", "cmdSCAN",
              "cmdListAction_0", "cmdListAction_1", "cmdListAction_2"})
            QVERIFY2(captionOf(window->findChild<QObject*>(name)).isEmpty(), name);
        QVERIFY(harness.messages.shown.isEmpty());
        QCOMPARE(harness.line.opens, 0);
        // Captions that take no language text keep the layout's.
        QCOMPARE(window->fraSNIMAC->lblRozsahPopis->text(), QStringLiteral("Rozsah + [mV/V]"));
    }

    void captionCarriesTheVersion() {
        Harness harness;
        const auto window = harness.start();
        QCOMPARE(window->windowTitle(), QStringLiteral("Toran II {R-40} Kalibrator v%1.%2.%3")
                                            .arg(TORANCAL_VERSION_MAJOR)
                                            .arg(TORANCAL_VERSION_MINOR)
                                            .arg(TORANCAL_VERSION_PATCH));
    }

    void commandLineSwitchesExpertMode_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<bool>("expert");
        QTest::newRow("expert") << "expert" << true;
        QTest::newRow("upper case between blanks") << "  EXPERT  " << true;
        QTest::newRow("mixed case") << "Expert" << true;
        QTest::newRow("followed by another word") << "expert now" << false;
        QTest::newRow("longer word") << "experts" << false;
        QTest::newRow("with a dash") << "-expert" << false;
        QTest::newRow("nothing") << "" << false;
    }

    void commandLineSwitchesExpertMode() {
        QFETCH(QString, commandLine);
        QFETCH(bool, expert);
        Harness harness;
        const auto window = harness.start(commandLine);
        QCOMPARE(window->shellState().ExpertMode, expert ? 2 : 0);
        const sensor::SensorPage& page = *window->fraSNIMAC;
        for (const QWidget* slide : std::initializer_list<const QWidget*>{
                 page.Label11[0], page.Label11[3], page.cmbSlide, page.cmbSlideRychl})
            QCOMPARE(slide->isHidden(), !expert);
    }

    void rememberedPortIsSelected_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("selected");
        QTest::newRow("nothing stored") << QVariant() << "COM1";
        QTest::newRow("25") << QVariant(QStringLiteral("25")) << "COM25";
        QTest::newRow("49") << QVariant(QStringLiteral("49")) << "COM49";
        QTest::newRow("blanks around") << QVariant(QStringLiteral(" 3 ")) << "COM3";
        QTest::newRow("half rounds to even") << QVariant(QStringLiteral("4.5")) << "COM4";
        QTest::newRow("0") << QVariant(QStringLiteral("0")) << "COM1";
        QTest::newRow("50") << QVariant(QStringLiteral("50")) << "COM1";
        QTest::newRow("negative") << QVariant(QStringLiteral("-3")) << "COM1";
        QTest::newRow("text without digits") << QVariant(QStringLiteral("COM")) << "COM1";
    }

    void rememberedPortIsSelected() {
        QFETCH(QVariant, stored);
        QFETCH(QString, selected);
        Harness harness;
        if (stored.isValid())
            harness.settings.setValue(QStringLiteral("Default/ComPort"), stored);
        const auto window = harness.start();
        QCOMPARE(window->fraCOMM->cmbPort->currentText(), selected);
    }

    void portSettingIsDecimalText() {
        Harness harness;
        QCOMPARE(harness.portSetting.comPort(), 1);
        harness.portSetting.setComPort(17);
        QCOMPARE(harness.portSetting.comPort(), 17);
        QSettings reread(harness.settings.fileName(), QSettings::IniFormat);
        QCOMPARE(reread.value(QStringLiteral("Default/ComPort")).toString(), QStringLiteral("17"));
    }

    void choiceListsAreFilled() {
        Harness harness;
        const auto window = harness.start();
        const QStringList ports = entriesOf(window->fraCOMM->cmbPort);
        QCOMPARE(ports.size(), 49);
        QCOMPARE(ports.first(), QStringLiteral("COM1"));
        QCOMPARE(ports.at(9), QStringLiteral("COM10"));
        QCOMPARE(ports.last(), QStringLiteral("COM49"));
        QCOMPARE(entriesOf(window->fraSNIMAC->cmbSlide),
                 QStringList({"OFF", "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "10",
                              "12",  "15", "16", "20", "25", "30", "32", "40", "50", "64"}));
        QCOMPARE(entriesOf(window->fraSNIMAC->cmbSlideRychl),
                 QStringList({"OFF", "2", "3", "4", "5", "6", "7", "8", "9", "10", "12", "15", "20",
                              "30", "40", "50"}));
        QCOMPARE(
            entriesOf(window->fraSNIMAC->cmbGain),
            QStringList({"+/- 500.0 mV/V", "+/- 250.0 mV/V", "+/- 125.0 mV/V", "+/- 62.50 mV/V",
                         "+/- 31.25 mV/V", "+/- 15.63 mV/V", "+/-  7.81 mV/V", "+/-  3.91 mV/V"}));
    }

    void startsOnThePortPageWithNothingRunning() {
        Harness harness;
        const auto window = harness.start();
        QVERIFY(!window->fraCOMM->isHidden());
        for (const QWidget* hidden : std::initializer_list<const QWidget*>{
                 window->fraSNIMAC, window->fraCURVE, window->fraDISPLAY, window->fraSTATUS,
                 window->fraSNIMAC->lblLimitWarning, window->fraDISPLAY->lblILimHI,
                 window->fraDISPLAY->lblILimLO, window->fraDISPLAY->lblIDef,
                 window->fraDISPLAY->lblIBatt, window->fraSNIMAC->chkLimitsEnabled,
                 window->fraSNIMAC->txtSN})
            QVERIFY2(hidden->isHidden(), qPrintable(hidden->objectName()));
        QCOMPARE(window->fraSNIMAC->txtPopis->text(), QString(32, u' '));
        QCOMPARE(window->fraCURVE->lstKrivka->count(), 0);
        QVERIFY(window->fraSNIMAC->txtDateOfSave->isReadOnly());
        QVERIFY(!window->tmrCasovac.isActive());
        QCOMPARE(window->tmrCasovac.interval(), 200);
        QVERIFY(window->findChild<QWidget*>(QStringLiteral("frmOrvoCalibInputBox"))->isHidden());
        QCOMPARE(window->shellState().WizardStep, 0);
        QVERIFY(!window->shellState().activatedOnce);
        QCOMPARE(harness.line.opens, 0);
        QCOMPARE(window->width(), window->twips().px(frmOrvoCalibration::NormalWidthTwips));
        QCOMPARE(window->height(), window->twips().px(frmOrvoCalibration::HeightTwips));
    }

    void centringUsesWholeTwips_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("origin");
        QTest::newRow("even") << QSize(19200, 14400) << QSize(5326, 6630) << QPoint(6937, 3885);
        QTest::newRow("odd difference is cut")
            << QSize(19200, 14401) << QSize(5325, 6630) << QPoint(6937, 3885);
        QTest::newRow("window larger than the screen")
            << QSize(4000, 6000) << QSize(5325, 6630) << QPoint(-662, -315);
    }

    void centringUsesWholeTwips() {
        QFETCH(QSize, screen);
        QFETCH(QSize, window);
        QFETCH(QPoint, origin);
        QCOMPARE(ui::centredOriginTwips(screen, window), origin);
    }

    void expertFramesShowOnlyWhenWidened() {
        Harness harness;
        const auto window = harness.start();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        for (QWidget* frame :
             std::initializer_list<QWidget*>{window->fraORVODISPLAY, window->fraORVOSETUP}) {
            QVERIFY(frame->geometry().left() >= window->width());
            QVERIFY(frame->visibleRegion().isEmpty());
        }
        window->setWindowWidthTwips(frmOrvoCalibration::ExpertWidthTwips);
        QCOMPARE(window->windowWidthTwips(), frmOrvoCalibration::ExpertWidthTwips);
        QCOMPARE(window->width(), window->twips().px(frmOrvoCalibration::ExpertWidthTwips));
        for (QWidget* frame :
             std::initializer_list<QWidget*>{window->fraORVODISPLAY, window->fraORVOSETUP}) {
            QVERIFY(window->rect().contains(frame->geometry()));
            QVERIFY(!frame->visibleRegion().isEmpty());
        }
    }

    void ctrlRightClickOnDescriptionLabelSwitchesExpertMode_data() {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<int>("expertMode");
        QTest::newRow("Ctrl and right button")
            << Qt::RightButton << Qt::KeyboardModifiers(Qt::ControlModifier) << 2;
        QTest::newRow("right button alone") << Qt::RightButton << Qt::KeyboardModifiers() << 0;
        QTest::newRow("Ctrl and Shift")
            << Qt::RightButton << (Qt::ControlModifier | Qt::ShiftModifier) << 0;
        QTest::newRow("Ctrl and left button")
            << Qt::LeftButton << Qt::KeyboardModifiers(Qt::ControlModifier) << 0;
    }

    void ctrlRightClickOnDescriptionLabelSwitchesExpertMode() {
        QFETCH(Qt::MouseButton, button);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(int, expertMode);
        Harness harness;
        const auto window = harness.start();
        window->fraCOMM->hide();
        window->fraSNIMAC->show();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTest::mouseClick(window->fraSNIMAC->Label2, button, modifiers);
        QCOMPARE(window->shellState().ExpertMode, expertMode);
        // Nothing else changes at that moment.
        QVERIFY(window->fraSNIMAC->cmbSlide->isHidden());
        QCOMPARE(window->windowWidthTwips(), frmOrvoCalibration::NormalWidthTwips);
    }

    void navigationIsSwitchedTogether() {
        Harness harness;
        const auto window = harness.start();
        const QList<QWidget*> buttons{window->cmdBack, window->cmdNext, window->cmdCancel,
                                      window->fraCOMM->cmdSCANTORAN};
        window->DisableNavigation();
        for (const QWidget* button : buttons)
            QVERIFY(!button->isEnabled());
        window->EnableNavigation();
        for (const QWidget* button : buttons)
            QVERIFY(button->isEnabled());
    }

    void keysOfTheWindow() {
        Harness harness;
        const auto window = harness.start();
        QVERIFY(showAndActivate(*window));
        QVERIFY(window->shellState().activatedOnce);

        QSignalSpy capture(window.get(), &frmOrvoCalibration::captureRequested);
        // F5 opens the point dialog; it is cancelled here.
        QTimer::singleShot(0, &window->InputBox(), [&] { window->InputBox().reject(); });
        QTest::keyClick(window->fraCOMM->cmbPort, Qt::Key_F5);
        QCOMPARE(capture.count(), 1);

        // Enter presses the focused button, elsewhere the default button Next.
        QSignalSpy next(window->cmdNext, &QAbstractButton::clicked);
        QSignalSpy search(window->fraCOMM->cmdSCANTORAN, &QAbstractButton::clicked);
        window->fraCOMM->cmbPort->setFocus();
        QTest::keyClick(window->fraCOMM->cmbPort, Qt::Key_Return);
        QCOMPARE(next.count(), 1);
        window->fraCOMM->cmdSCANTORAN->setFocus();
        QTest::keyClick(window->fraCOMM->cmdSCANTORAN, Qt::Key_Return);
        QCOMPARE(search.count(), 1);
        QCOMPARE(next.count(), 1);
        QVERIFY(!window->hasEnded());
    }

    void firstActivationIsSignalledOnce() {
        Harness harness;
        const auto window = harness.start();
        QSignalSpy first(window.get(), &frmOrvoCalibration::firstActivated);
        QVERIFY(showAndActivate(*window));
        QCOMPARE(first.count(), 1);
        QWidget other;
        QVERIFY(showAndActivate(other));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QCOMPARE(first.count(), 1);
    }

    void cancelOrCloseEndsAtOnce_data() {
        QTest::addColumn<bool>("byCancel");
        QTest::newRow("Cancel") << true;
        QTest::newRow("closing the window") << false;
    }

    void cancelOrCloseEndsAtOnce() {
        QFETCH(bool, byCancel);
        Harness harness;
        const auto window = harness.start();
        QVERIFY(showAndActivate(*window));
        QCOMPARE(harness.line.open(), device::OpenResult::Opened);
        window->tmrCasovac.start();
        if (byCancel)
            QTest::mouseClick(window->cmdCancel, Qt::LeftButton);
        else
            QVERIFY(window->close());
        QVERIFY(window->hasEnded());
        QVERIFY(harness.lifecycle.endRequested());
        QVERIFY(!harness.line.isOpen());
        QVERIFY(!window->tmrCasovac.isActive());
        QVERIFY(!window->isVisible());
        QVERIFY(harness.messages.shown.isEmpty());
        QVERIFY(!window->runExclusive([&] { harness.line.send("$00M\r"); }));
        QVERIFY(harness.line.sent.isEmpty());
    }

    void endDuringAnExclusiveActionUnwindsIt_data() { cancelOrCloseEndsAtOnce_data(); }

    void endDuringAnExclusiveActionUnwindsIt() {
        QFETCH(bool, byCancel);
        Harness harness;
        const auto window = harness.start();
        QVERIFY(showAndActivate(*window));
        QCOMPARE(harness.line.open(), device::OpenResult::Opened);
        bool endedInsideTheWait = true;
        harness.clock.setOnDelay([&] {
            if (byCancel)
                window->cmdCancel->click();
            else
                window->close();
            endedInsideTheWait = window->hasEnded();
        });
        bool finished = false;
        const bool ran = window->runExclusive([&] {
            harness.line.send("$00@\r");
            harness.clock.delay(100ms);
            harness.line.send("$00@\r");
            finished = true;
        });
        QVERIFY(ran);
        QVERIFY(!finished);
        QVERIFY(!endedInsideTheWait);
        QCOMPARE(harness.line.sent.size(), 1);
        QVERIFY(window->hasEnded());
        QVERIFY(!window->lineBusy());
        QVERIFY(!harness.line.isOpen());
        QVERIFY(!window->isVisible());
    }

    void criticalSectionDefersTheEnd() {
        Harness harness;
        const auto window = harness.start();
        QVERIFY(showAndActivate(*window));
        QCOMPARE(harness.line.open(), device::OpenResult::Opened);
        harness.clock.setOnDelay([&] { window->close(); });
        bool endedInsideTheSection = true;
        window->runExclusive([&] {
            {
                ui::Lifecycle::CriticalSection writing(harness.lifecycle);
                harness.line.send("1");
                harness.clock.delay(100ms);
                harness.line.send("2");
                harness.clock.delay(100ms);
                harness.line.send("3");
                endedInsideTheSection = window->hasEnded() || !window->isVisible();
            }
            harness.clock.delay(100ms);
            harness.line.send("4");
        });
        QVERIFY(!endedInsideTheSection);
        QCOMPARE(harness.line.sent, QList<QByteArray>({"1", "2", "3"}));
        QVERIFY(window->hasEnded());
        QVERIFY(!harness.line.isOpen());
    }

    void secondExclusiveActionIsRefusedWhileTheLineIsHeld() {
        Harness harness;
        const auto window = harness.start();
        bool innerRan = false;
        bool innerAccepted = true;
        QVERIFY(window->runExclusive(
            [&] { innerAccepted = window->runExclusive([&] { innerRan = true; }); }));
        QVERIFY(!innerAccepted);
        QVERIFY(!innerRan);
        QVERIFY(!window->lineBusy());
        QVERIFY(!window->hasEnded());
    }
};

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"
