#include "app/InstrumentReadout.h"
#include "app/PortPage.h"
#include "app/PortSetting.h"
#include "app/Services.h"
#include "app/StatusPanel.h"
#include "app/Wizard.h"
#include "app/frmOrvoCalibration.h"
#include "calibration/CurvePage.h"
#include "calibration/CurveTable.h"
#include "calibration/PointDialog.h"
#include "calibration/SystemCalibrationFrame.h"
#include "device/Encoding.h"
#include "device/SignalPanels.h"
#include "sensor/SensorPage.h"
#include "sensor/SensorReadout.h"
#include "sim/Fault.h"
#include "sim/SensorBlock.h"
#include "sim/SimulatedLine.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/WindowRig.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using app::frmOrvoCalibration;
using sim::SimulatedLine;

namespace {

constexpr int InstrumentPort = 3;

struct Harness : testsupport::WindowRig {
    Harness() {
        writeNumberedTexts();
        line.attach(InstrumentPort);
        portSetting.setComPort(InstrumentPort);
    }

    sim::Instrument& instrument() { return line.instrument(InstrumentPort); }
    void addFault(QStringView text) { instrument().addFault(*sim::parseFault(text).fault); }

    // Builds the window and activates it, which builds the port page.
    frmOrvoCalibration& start(const QString& commandLine = {}) {
        WindowRig::start(commandLine);
        if (!activate())
            qWarning("the window did not become active");
        return *window;
    }

    void choosePort(int number) { window->fraCOMM->cmbPort->setCurrentIndex(number - 1); }
    void next() { QTest::mouseClick(window->cmdNext, Qt::LeftButton); }
    void back() { QTest::mouseClick(window->cmdBack, Qt::LeftButton); }
    [[nodiscard]] int step() const { return window->shellState().WizardStep; }
    [[nodiscard]] QString stored() const {
        QSettings reread(settings.fileName(), QSettings::IniFormat);
        return reread.value(QStringLiteral("Default/ComPort")).toString();
    }
};

// The identification of the port check, then the setup read-out byte by byte (each float from
// its highest address down), then the sensor read-out.
QList<QByteArray> connectFrames(const QList<QByteArray>& sensorFrames) {
    QList<QByteArray> frames{"$00@", "$00@", "$00@", "$00ER12"};
    QList<int> floats{0x0A, 0x0E};
    for (int range = 0; range < 8; ++range)
        floats << 0x20 + 8 * range << 0x24 + 8 * range;
    for (const int address : floats)
        for (int offset = 3; offset >= 0; --offset)
            frames.append("$00ER" + device::LongToHex(address + offset, 2).toLatin1());
    return frames + sensorFrames;
}

QColor boxColour(const QLineEdit* box) {
    return box->palette().color(QPalette::Base);
}

QColor lampColour(const QLabel* lamp) {
    return lamp->palette().color(QPalette::Window);
}

// Only this page of the four is shown, and the status panel is gone.
void verifyPage(const frmOrvoCalibration& window, const QWidget* page) {
    for (const QWidget* frame : std::initializer_list<const QWidget*>{
             window.fraCOMM, window.fraSNIMAC, window.fraCURVE, window.fraDISPLAY})
        QVERIFY2(frame->isHidden() == (frame != page), qPrintable(frame->objectName()));
    QVERIFY(window.fraSTATUS->isHidden());
}

} // namespace

class TestWizard : public QObject {
    Q_OBJECT

private slots:
    void firstActivationBuildsThePortPageOnce() {
        Harness harness;
        frmOrvoCalibration& window = harness.start();
        verifyPage(window, window.fraCOMM);
        QVERIFY(!window.cmdBack->isEnabled());
        QVERIFY(window.cmdNext->isEnabled());
        QVERIFY(window.cmdCancel->isEnabled());
        QCOMPARE(window.cmdBack->text(), QStringLiteral("T3"));
        QCOMPARE(window.cmdNext->text(), QStringLiteral("T4"));
        QCOMPARE(window.cmdCancel->text(), QStringLiteral("T5"));
        QCOMPARE(window.fraCOMM->cmbPort->currentText(), QStringLiteral("COM3"));
        QCOMPARE(harness.step(), 1);
        QVERIFY(harness.line.openedPorts().isEmpty());

        harness.choosePort(8);
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(window.fraCOMM->cmbPort->currentText(), QStringLiteral("COM8"));
        QCOMPARE(harness.step(), 1);
    }

    void rememberedPortIsSelectedOnThePortPage_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("selected");
        QTest::newRow("19") << "19"
                            << "COM19";
        QTest::newRow("25") << "25"
                            << "COM25";
        QTest::newRow("49") << "49"
                            << "COM49";
        QTest::newRow("50") << "50"
                            << "COM1";
        QTest::newRow("0") << "0"
                           << "COM1";
    }

    void rememberedPortIsSelectedOnThePortPage() {
        QFETCH(QString, stored);
        QFETCH(QString, selected);
        Harness harness;
        harness.settings.setValue(QStringLiteral("Default/ComPort"), stored);
        frmOrvoCalibration& window = harness.start();
        QCOMPARE(window.fraCOMM->cmbPort->currentText(), selected);
        // Back on the port page (enabled after a search) builds it again from the setting.
        harness.choosePort(2);
        window.cmdBack->setEnabled(true);
        harness.back();
        QCOMPARE(window.fraCOMM->cmbPort->currentText(), selected);
        QVERIFY(!window.cmdBack->isEnabled());
        QCOMPARE(harness.step(), 1);
    }

    void nextShowsTheSensorPage_data() {
        QTest::addColumn<int>("mask");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("description");
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("points");
        QTest::addColumn<QList<QByteArray>>("sensorFrames");
        QTest::newRow("both sensors: the external one")
            << 3 << ""
            << "T45 [EXT ID:53EKAB17]"
            << "kg" << QStringLiteral("Snímač EXT") << 7 << 3
            << QList<QByteArray>{"$00KQ", "$00KB20", "$00KB00"};
        QTest::newRow("internal sensor only") << 2 << ""
                                              << "T45 [INT ID:4B02MQA5]"
                                              << "N" << QStringLiteral("Interní snímač") << 6 << 2
                                              << QList<QByteArray>{"$00KQ", "$00KB20"};
        QTest::newRow("malformed presence reply")
            << 3 << "KQ short"
            << "T45 [INT ID:        ]"
            << "" << QString() << 0 << 0 << QList<QByteArray>{"$00KQ"};
    }

    void nextShowsTheSensorPage() {
        QFETCH(int, mask);
        QFETCH(QString, fault);
        QFETCH(QString, header);
        QFETCH(QString, unit);
        QFETCH(QString, description);
        QFETCH(int, range);
        QFETCH(int, points);
        QFETCH(QList<QByteArray>, sensorFrames);
        Harness harness;
        harness.instrument().setSensorMask(mask);
        if (!fault.isEmpty())
            harness.addFault(fault);
        frmOrvoCalibration& window = harness.start();
        harness.next();

        QVERIFY(harness.messages.shown.isEmpty());
        QCOMPARE(harness.instrument().frames(), connectFrames(sensorFrames));
        verifyPage(window, window.fraSNIMAC);
        QCOMPARE(harness.step(), 2);
        QVERIFY(window.cmdBack->isEnabled() && window.cmdNext->isEnabled());
        QVERIFY(window.cmdCancel->isEnabled() && window.fraCOMM->cmdSCANTORAN->isEnabled());
        QVERIFY(!window.tmrCasovac.isActive());
        QVERIFY(harness.line.isOpen());
        QCOMPARE(harness.line.portNumber(), InstrumentPort);

        const sensor::SensorPage& page = *window.fraSNIMAC;
        QCOMPARE(page.title(), header);
        const bool external = header.contains(QStringLiteral("EXT"));
        const QLabel* lamp = window.fraDISPLAY->lblIIntExt;
        QVERIFY(!lamp->isHidden());
        QCOMPARE(lamp->text(), external ? QStringLiteral("EXT") : QStringLiteral("INT"));
        QCOMPARE(lampColour(lamp), external ? QColor(0, 255, 0) : QColor(255, 255, 0));
        QCOMPARE(page.txtJednotka->text(), unit.leftJustified(6));
        QCOMPARE(window.fraORVODISPLAY->lblJednotkaDISP->text(), unit.leftJustified(6));
        QCOMPARE(page.txtPopis->text(), description.leftJustified(32));
        QCOMPARE(page.lblRozsahPopis->text(), QStringLiteral("T66 [%1]").arg(unit));
        QCOMPARE(page.lblRozsahNegPopis->text(), QStringLiteral("T69 [%1]").arg(unit));
        QVERIFY(page.txtRozsah->isEnabled() && page.txtRozsahNeg->isEnabled());
        QCOMPARE(page.cmbFormat->count(), 5);
        QCOMPARE(page.cmbGain->currentIndex(), range);
        QCOMPARE(window.curveTable().PointCount(), points);
        QCOMPARE(window.fraCURVE->lstKrivka->count(), points);
        QCOMPARE(window.fraCURVE->Label3->text(), QString::number(points));

        const calibration::SystemCalibrationFrame& boxes = *window.fraORVOSETUP;
        for (std::size_t i = 0; i < 8; ++i) {
            const QColor expected = int(i) == range ? QColor(200, 150, 50) : QColor(Qt::white);
            QCOMPARE(boxColour(boxes.txtskN[i]), expected);
            QCOMPARE(boxColour(boxes.txtskK[i]), expected);
        }
        // The active constants become those of the sensor's range, when a sensor was read.
        const auto at = static_cast<std::size_t>(range);
        if (fault.isEmpty()) {
            QCOMPARE(window.liveValues().ActiveZero,
                     float(device::ValDecimal(boxes.txtskN[at]->text())));
            QCOMPARE(window.liveValues().ActiveK,
                     float(device::ValDecimal(boxes.txtskK[at]->text())));
        }
        QCOMPARE(window.liveValues().DisplayDigits, 5);
        QCOMPARE(harness.stored(), QString::number(InstrumentPort));
    }

    void rangesAndLimitWarningFollowTheSensor_data() {
        QTest::addColumn<int>("limitFlags");
        QTest::addColumn<bool>("warning");
        QTest::newRow("all flags") << 0xFF << false;
        QTest::newRow("bits 7 and 0") << 0x81 << false;
        QTest::newRow("bit 7 only") << 0x80 << true;
        QTest::newRow("bit 0 only") << 0x01 << true;
        QTest::newRow("none") << 0x00 << true;
    }

    void rangesAndLimitWarningFollowTheSensor() {
        QFETCH(int, limitFlags);
        QFETCH(bool, warning);
        Harness harness;
        sim::SensorBlockContent sensor = sim::defaultExternalSensor();
        sensor.limitFlags = limitFlags;
        harness.instrument().setBlock(0, sim::makeSensorBlock(sensor));
        frmOrvoCalibration& window = harness.start();
        harness.next();
        QCOMPARE(harness.step(), 2);
        QCOMPARE(window.sensorState().CurrentSensor.LimitFlags, limitFlags);
        QCOMPARE(window.liveValues().RangeFlags, limitFlags);
        QCOMPARE(window.fraSNIMAC->lblLimitWarning->isHidden(), !warning);
        // The external sensor stores 2 decimals; its pattern keeps its trailing blank.
        QCOMPARE(window.sensorState().CurrentSensor.UnitFormat.text(), QStringLiteral("###0.00 "));
        QCOMPARE(window.fraSNIMAC->txtRozsah->text(), device::FormatNumber(100.0, u"###0.00 "));
        QCOMPARE(window.fraSNIMAC->txtRozsahNeg->text(), device::FormatNumber(-100.0, u"###0.00 "));
    }

    void backFromTheSensorPageKeepsThePortOpen() {
        Harness harness;
        frmOrvoCalibration& window = harness.start();
        harness.next();
        QCOMPARE(harness.step(), 2);
        const int frames = harness.instrument().frameCount();
        harness.back();
        verifyPage(window, window.fraCOMM);
        QCOMPARE(harness.step(), 1);
        QVERIFY(!window.cmdBack->isEnabled());
        QVERIFY(harness.line.isOpen());
        QCOMPARE(harness.instrument().frameCount(), frames);
        QCOMPARE(harness.line.openedPorts().size(), 2);
    }

    void backFromTheCurvePageConnectsAgain() {
        Harness harness;
        frmOrvoCalibration& window = harness.start(QStringLiteral("expert"));
        harness.next();
        QCOMPARE(harness.step(), 2);
        // As the curve page leaves the window: wide, polling, curve and display shown.
        harness.window->shellState().WizardStep = 3;
        window.setWindowWidthTwips(frmOrvoCalibration::ExpertWidthTwips);
        window.fraSNIMAC->hide();
        window.fraCURVE->show();
        window.fraDISPLAY->show();
        window.tmrCasovac.start();
        harness.instrument().clearLog();

        harness.back();
        QCOMPARE(harness.instrument().frames(), connectFrames({"$00KQ", "$00KB20", "$00KB00"}));
        QCOMPARE(harness.line.openedPorts(), QList<int>({3, 3, 3, 3}));
        verifyPage(window, window.fraSNIMAC);
        QCOMPARE(harness.step(), 2);
        QCOMPARE(window.windowWidthTwips(), frmOrvoCalibration::NormalWidthTwips);
        QVERIFY(!window.tmrCasovac.isActive());
    }

    void noInstrumentOnThePort() {
        Harness harness;
        harness.line.setPortState(6, SimulatedLine::PortState::Silent);
        frmOrvoCalibration& window = harness.start();
        harness.choosePort(6);
        window.tmrCasovac.start();
        harness.next();
        QCOMPARE(harness.messages.texts(), QStringList{"T53"});
        QCOMPARE(harness.messages.shown.first().icon, ui::MsgIcon::Critical);
        QVERIFY(!window.tmrCasovac.isActive());
        verifyPage(window, window.fraCOMM);
        QCOMPARE(harness.step(), 1);
        QVERIFY(harness.line.isOpen());
        QCOMPARE(harness.line.portNumber(), 6);
        QCOMPARE(harness.stored(), QString::number(InstrumentPort));

        harness.next();
        QCOMPARE(harness.messages.texts(), QStringList({"T53", "T53"}));
        QCOMPARE(harness.line.openedPorts(), QList<int>({6, 6}));
        QVERIFY(harness.line.isOpen());

        // The right port then connects and is remembered.
        harness.choosePort(InstrumentPort);
        harness.next();
        QCOMPARE(harness.step(), 2);
        QCOMPARE(harness.messages.shown.size(), 2);
    }

    void portThatCannotBeOpened_data() {
        QTest::addColumn<SimulatedLine::PortState>("state");
        QTest::newRow("absent") << SimulatedLine::PortState::Absent;
        QTest::newRow("in use") << SimulatedLine::PortState::InUse;
        QTest::newRow("no permission") << SimulatedLine::PortState::PermissionDenied;
    }

    void portThatCannotBeOpened() {
        QFETCH(SimulatedLine::PortState, state);
        Harness harness;
        harness.line.setPortState(9, state);
        frmOrvoCalibration& window = harness.start();
        harness.choosePort(9);
        harness.next();
        QCOMPARE(harness.messages.texts(), QStringList{"T54"});
        QCOMPARE(harness.messages.shown.first().icon, ui::MsgIcon::Critical);
        verifyPage(window, window.fraCOMM);
        QCOMPARE(harness.step(), 1);
        QVERIFY(!harness.line.isOpen());
        QVERIFY(!window.hasEnded());
        QCOMPARE(harness.stored(), QString::number(InstrumentPort));
    }

    void failedSetupReadoutKeepsThePortPage_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("identification");
        QTest::addColumn<int>("messages");
        // The digits byte answers, the first byte of the active zero never does.
        QTest::newRow("silent setup byte") << "ER none after 1" << QByteArray() << 1;
        // Enough for the port check, too short for the read-out: no message.
        QTest::newRow("short identification") << "" << QByteArray("TORAN\r") << 0;
    }

    void failedSetupReadoutKeepsThePortPage() {
        QFETCH(QString, fault);
        QFETCH(QByteArray, identification);
        QFETCH(int, messages);
        Harness harness;
        if (!fault.isEmpty())
            harness.addFault(fault);
        if (!identification.isEmpty())
            harness.instrument().setIdentification(identification);
        frmOrvoCalibration& window = harness.start();
        harness.next();
        QCOMPARE(harness.messages.shown.size(), messages);
        if (messages > 0)
            QCOMPARE(harness.messages.shown.first().icon, ui::MsgIcon::Critical);
        verifyPage(window, window.fraCOMM);
        QCOMPARE(harness.step(), 1);
        QVERIFY(!harness.instrument().frames().contains("$00KQ"));
        QCOMPARE(window.fraSNIMAC->txtPopis->text(), QString(32, u' '));
        QVERIFY(window.cmdNext->isEnabled() && window.cmdCancel->isEnabled());
    }

    void damagedSensorBlockIsReportedOnce() {
        Harness harness;
        harness.instrument().setSensorMask(2);
        QByteArray block = harness.instrument().block(1);
        block[0] = 'X';
        harness.instrument().setBlock(1, block);
        frmOrvoCalibration& window = harness.start();
        harness.next();
        QCOMPARE(harness.messages.texts(), QStringList{sensor::FsnStructureError});
        QCOMPARE(harness.messages.shown.first().icon, ui::MsgIcon::Critical);
        verifyPage(window, window.fraSNIMAC);
        QVERIFY(window.fraSNIMAC->title().startsWith(QStringLiteral("T45 [INT ID:")));
        QCOMPARE(window.fraCURVE->lstKrivka->count(), 0);
    }

    void pressesDuringAStepAreIgnored() {
        Harness harness;
        frmOrvoCalibration& window = harness.start();
        int presses = 0;
        harness.clock.setOnDelay([&] {
            if (presses++ < 3) {
                window.cmdNext->click();
                window.cmdBack->click();
            }
        });
        harness.next();
        harness.clock.setOnDelay({});
        QVERIFY(presses > 3);
        QCOMPARE(harness.instrument().frames(), connectFrames({"$00KQ", "$00KB20", "$00KB00"}));
        QCOMPARE(harness.step(), 2);
        verifyPage(window, window.fraSNIMAC);
    }

    void laterStepsRunInsideTheNavigationAction() {
        Harness harness;
        frmOrvoCalibration& window = harness.start();
        QStringList ran;
        window.wizard().setLaterSteps({[&] {
                                           ran << QStringLiteral("curve %1 %2")
                                                      .arg(window.lineBusy())
                                                      .arg(window.fraSTATUS->lblStatus->text());
                                           window.shellState().WizardStep = 3;
                                       },
                                       [&] { ran << QStringLiteral("finish"); }});
        harness.next();
        QVERIFY(ran.isEmpty());
        harness.next();
        QCOMPARE(ran, QStringList{"curve 1 T29"});
        QVERIFY(window.fraSTATUS->isHidden());
        harness.next();
        QCOMPARE(ran, QStringList({"curve 1 T29", "finish"}));
        // Back from step 3 connects again instead.
        harness.back();
        QCOMPARE(ran.size(), 2);
        QCOMPARE(harness.step(), 2);
    }

    void keyboardWalksTheWizard() {
        Harness harness;
        frmOrvoCalibration& window = harness.start();
        QCOMPARE(QApplication::focusWidget(), window.fraCOMM->cmbPort);
        const auto tabs = [&](QList<QWidget*> expected) {
            for (QWidget* next : expected) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                QCOMPARE(QApplication::focusWidget(), next);
            }
        };
        // Back is disabled on the port page.
        tabs({window.fraCOMM->cmdSCANTORAN, window.cmdNext, window.cmdCancel,
              window.fraCOMM->cmbPort});

        // Enter anywhere on the page is Next.
        QTest::keyClick(window.fraCOMM->cmbPort, Qt::Key_Return);
        QCOMPARE(harness.step(), 2);
        const sensor::SensorPage& page = *window.fraSNIMAC;
        QCOMPARE(QApplication::focusWidget(), page.txtPopis);
        tabs({page.cmbFormat, page.txtJednotka, page.txtRozsah, page.txtRozsahNeg,
              page.txtOverloadProc, page.cmbGain, page.txtDateOfSave, page.cmdAction[0],
              page.cmdAction[1], window.cmdBack, window.cmdNext, window.cmdCancel, page.txtPopis});

        // The curve page, then its buttons straight to the navigation: the expert frames are
        // out of sight at the normal width.
        window.fraSNIMAC->hide();
        window.fraCURVE->show();
        window.fraCURVE->lstKrivka->setFocus();
        const calibration::CurvePage& curve = *window.fraCURVE;
        // Delete waits for a selected point.
        tabs({curve.cmdListAction[0], curve.cmdListAction[2], curve.cmdSCAN, window.cmdBack});
        window.setWindowWidthTwips(frmOrvoCalibration::ExpertWidthTwips);
        curve.cmdSCAN->setFocus();
        tabs({window.fraORVOSETUP->txtskN[0], window.fraORVOSETUP->txtskK[0]});
    }

    void f5CapturesAPointOnAnyPage() {
        Harness harness;
        frmOrvoCalibration& window = harness.start();
        harness.next();
        QCOMPARE(window.curveTable().PointCount(), 3);
        window.liveValues().SignalMVV = 1.5F;
        calibration::frmOrvoCalibInputBox& dialog = window.InputBox();
        QTimer::singleShot(0, &dialog, [&dialog] {
            dialog.txtCalBod[1]->setText(QStringLiteral("75"));
            dialog.cmdOK[0]->click();
        });
        QTest::keyClick(window.fraSNIMAC->txtPopis, Qt::Key_F5);
        QCOMPARE(window.curveTable().PointCount(), 4);
        QCOMPARE(window.curveTable().point(3).signal, 1.5F);
        QCOMPARE(window.curveTable().point(3).etalon, 75.0F);
        QCOMPARE(window.fraCURVE->lstKrivka->count(), 4);

        // While an action holds the line, F5 opens nothing.
        bool opened = false;
        QTimer::singleShot(0, &dialog, [&dialog, &opened] {
            opened = dialog.isVisible();
            if (opened)
                dialog.reject();
        });
        QVERIFY(window.runExclusive([&] { window.captureAction->trigger(); }));
        QTest::qWait(1);
        QVERIFY(!opened);
        QCOMPARE(window.curveTable().PointCount(), 4);
    }

    void newCurveClearsTheDescriptionAndTheRecordsCurve() {
        Harness harness;
        frmOrvoCalibration& window = harness.start();
        harness.next();
        harness.messages.answer(ui::MsgAnswer::Yes);
        window.fraCURVE->mKrivkaNew->trigger();
        QCOMPARE(window.fraSNIMAC->txtPopis->text(), QString());
        QCOMPARE(window.sensorState().CurrentSensor.CurvePointCount, 0);
        QCOMPARE(window.curveTable().PointCount(), 0);
    }
};

QTEST_MAIN(TestWizard)
#include "tst_wizard.moc"
