#include "core/calibration/CurveTable.h"
#include "core/sensor/SensorReadout.h"
#include "core/text/HexCodes.h"
#include "core/text/NumberText.h"
#include "sim/Fault.h"
#include "sim/SensorBlock.h"
#include "tests/support/WindowRig.h"
#include "views/CurvePage.h"
#include "views/PointDialog.h"
#include "views/PortPage.h"
#include "views/SensorPage.h"
#include "views/SignalPanels.h"
#include "views/StatusPanel.h"
#include "views/SystemCalibrationFrame.h"
#include "views/Wizard.h"
#include "views/frmOrvoCalibration.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using app::frmOrvoCalibration;
using PortState = sim::SimulatedLine::PortState;

namespace {

constexpr int InstrumentPort = 3;
const QString PortKey = QStringLiteral("Default/ComPort");

struct Harness : testsupport::InstrumentRig {
    Harness() : InstrumentRig(InstrumentPort) {}

    // Builds the window and activates it, which builds the port page.
    frmOrvoCalibration& start(const QString& commandLine = {}) { return startActive(commandLine); }

    void choosePort(int number) { window->fraCOMM->cmbPort->setCurrentIndex(number - 1); }
    [[nodiscard]] QString selectedPort() const { return window->fraCOMM->cmbPort->currentText(); }
    [[nodiscard]] int step() const { return static_cast<int>(window->session().step()); }
    [[nodiscard]] QString stored() const {
        return QSettings(settings.fileName(), QSettings::IniFormat).value(PortKey).toString();
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

const QList<QByteArray> BothSensors{"$00KQ", "$00KB20", "$00KB00"};

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
        QVERIFY(window.cmdNext->isEnabled() && window.cmdCancel->isEnabled());
        QCOMPARE(harness.selectedPort(), QStringLiteral("COM3"));
        QCOMPARE(harness.step(), 1);
        QVERIFY(harness.line.openedPorts().isEmpty());

        harness.choosePort(8);
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(harness.selectedPort(), QStringLiteral("COM8"));
        QCOMPARE(harness.step(), 1);
    }

    // The parsing of the stored text is the number reading's own (see tst_encoding).
    void rememberedPortIsSelected_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("selected");
        QTest::newRow("nothing stored") << QString() << "COM1";
        for (const char* outside : {"0", "-3", "50"})
            QTest::newRow(outside) << outside << "COM1";
        QTest::newRow("25") << "25"
                            << "COM25";
        QTest::newRow("49") << "49"
                            << "COM49";
    }

    // At the start-up, and each time the port page is built (here by Back, enabled as after a
    // search): the setting wins over the operator's last choice.
    void rememberedPortIsSelected() {
        QFETCH(QString, stored);
        QFETCH(QString, selected);
        Harness harness;
        if (stored.isNull())
            harness.settings.remove(PortKey);
        else
            harness.settings.setValue(PortKey, stored);
        harness.WindowRig::start();
        QCOMPARE(harness.selectedPort(), selected);
        QVERIFY(harness.activate());
        harness.choosePort(2);
        harness.window->cmdBack->setEnabled(true);
        harness.back();
        QCOMPARE(harness.selectedPort(), selected);
        QVERIFY(!harness.window->cmdBack->isEnabled());
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
            << "kg" << QStringLiteral("Snímač EXT") << 7 << 3 << BothSensors;
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
            harness.instrument().addFault(*sim::parseFault(fault).fault);
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
        QCOMPARE(harness.stored(), QString::number(InstrumentPort));

        const sensor::SensorPage& page = *window.fraSNIMAC;
        QCOMPARE(page.title(), header);
        const bool external = header.contains(QStringLiteral("EXT"));
        const QLabel* lamp = window.fraDISPLAY->lblIIntExt;
        QVERIFY(!lamp->isHidden());
        QCOMPARE(lamp->text(), external ? QStringLiteral("EXT") : QStringLiteral("INT"));
        QCOMPARE(lamp->palette().color(QPalette::Window),
                 external ? QColor(0, 255, 0) : QColor(255, 255, 0));
        QCOMPARE(page.txtJednotka->text(), unit.leftJustified(6));
        QCOMPARE(window.fraORVODISPLAY->lblJednotkaDISP->text(), unit.leftJustified(6));
        QCOMPARE(page.txtPopis->text(), description.leftJustified(32));
        QCOMPARE(page.lblRozsahPopis->text(), QStringLiteral("T66 [%1]").arg(unit));
        QCOMPARE(page.lblRozsahNegPopis->text(), QStringLiteral("T69 [%1]").arg(unit));
        QVERIFY(page.txtRozsah->isEnabled() && page.txtRozsahNeg->isEnabled());
        // The instrument's 5 display digits give 5 formats.
        QCOMPARE(page.cmbFormat->count(), 5);
        QCOMPARE(page.cmbGain->currentIndex(), range);
        QCOMPARE(window.session().curve().PointCount(), points);

        // The sensor's range is marked, and its constants become the active ones when a sensor
        // was read.
        const calibration::SystemCalibrationFrame& boxes = *window.fraORVOSETUP;
        const auto at = static_cast<std::size_t>(range);
        QCOMPARE(boxes.txtskN[at]->palette().color(QPalette::Base), QColor(200, 150, 50));
        if (fault.isEmpty()) {
            QCOMPARE(window.session().live().ActiveZero,
                     float(device::ValDecimal(boxes.txtskN[at]->text())));
            QCOMPARE(window.session().live().ActiveK,
                     float(device::ValDecimal(boxes.txtskK[at]->text())));
        }
    }

    void rangesAndLimitWarningFollowTheSensor_data() {
        QTest::addColumn<int>("limitFlags");
        QTest::addColumn<bool>("warning");
        QTest::newRow("all flags") << 0xFF << false;
        QTest::newRow("bits 7 and 0") << 0x81 << false;
        QTest::newRow("bit 7 only") << 0x80 << true;
        QTest::newRow("bit 0 only") << 0x01 << true;
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
        QCOMPARE(window.session().sensors().CurrentSensor.LimitFlags, limitFlags);
        QCOMPARE(window.session().live().RangeFlags, limitFlags);
        QCOMPARE(window.fraSNIMAC->lblLimitWarning->isHidden(), !warning);
        // The external sensor stores 2 decimals; its pattern keeps its trailing blank.
        QCOMPARE(window.session().sensors().CurrentSensor.UnitFormat.text(),
                 QStringLiteral("###0.00 "));
        QCOMPARE(window.fraSNIMAC->txtRozsah->text(), device::FormatNumber(100.0, u"###0.00 "));
        QCOMPARE(window.fraSNIMAC->txtRozsahNeg->text(), device::FormatNumber(-100.0, u"###0.00 "));
    }

    // Back to the port page keeps the port open and sends nothing; Back from the curve page
    // connects again.
    void backFromTheSensorAndTheCurvePage() {
        Harness harness;
        frmOrvoCalibration& window = harness.start(QStringLiteral("expert"));
        harness.next();
        const int frames = harness.instrument().frameCount();
        harness.back();
        verifyPage(window, window.fraCOMM);
        QCOMPARE(harness.step(), 1);
        QVERIFY(!window.cmdBack->isEnabled());
        QVERIFY(harness.line.isOpen());
        QCOMPARE(harness.instrument().frameCount(), frames);
        // Each connect opens the port twice.
        QCOMPARE(harness.line.openedPorts().size(), 2);

        harness.next();
        QCOMPARE(harness.step(), 2);
        // As the curve page leaves the window: wide, polling, curve and display shown.
        window.session().setStep(session::WizardStep::Finish);
        window.setWindowWidthTwips(frmOrvoCalibration::ExpertWidthTwips);
        window.fraSNIMAC->hide();
        window.fraCURVE->show();
        window.fraDISPLAY->show();
        window.tmrCasovac.start();
        harness.instrument().clearLog();

        harness.back();
        QCOMPARE(harness.instrument().frames(), connectFrames(BothSensors));
        QCOMPARE(harness.line.openedPorts(), QList<int>(6, InstrumentPort));
        verifyPage(window, window.fraSNIMAC);
        QCOMPARE(harness.step(), 2);
        QCOMPARE(window.windowWidthTwips(), frmOrvoCalibration::NormalWidthTwips);
        QVERIFY(!window.tmrCasovac.isActive());
    }

    void connectFailureKeepsThePortPage_data() {
        QTest::addColumn<PortState>("state");
        QTest::addColumn<QString>("message");
        QTest::newRow("no instrument") << PortState::Silent << "T53";
        QTest::newRow("absent") << PortState::Absent << "T54";
        QTest::newRow("in use") << PortState::InUse << "T54";
    }

    void connectFailureKeepsThePortPage() {
        QFETCH(PortState, state);
        QFETCH(QString, message);
        Harness harness;
        harness.line.setPortState(6, state);
        frmOrvoCalibration& window = harness.start();
        harness.choosePort(6);
        window.tmrCasovac.start();
        harness.next();
        QCOMPARE(harness.messages.texts(), QStringList{message});
        QCOMPARE(harness.messages.shown.first().icon, text::MsgIcon::Critical);
        QVERIFY(!window.tmrCasovac.isActive());
        verifyPage(window, window.fraCOMM);
        QCOMPARE(harness.step(), 1);
        QVERIFY(!window.hasEnded());
        // A port that opened stays open; one that did not is closed.
        QCOMPARE(harness.line.isOpen(), state == PortState::Silent);
        // The failed port is not remembered; the right one then connects.
        QCOMPARE(harness.stored(), QString::number(InstrumentPort));
        harness.choosePort(InstrumentPort);
        harness.next();
        QCOMPARE(harness.step(), 2);
        QCOMPARE(harness.messages.shown.size(), 1);
    }

    // An identification long enough for the port check but too short for the read-out: no
    // message (the read-out's own), no sensor read, the port page stays.
    void failedSetupReadoutKeepsThePortPage() {
        Harness harness;
        harness.instrument().setIdentification("TORAN\r");
        frmOrvoCalibration& window = harness.start();
        harness.next();
        QVERIFY(harness.messages.shown.isEmpty());
        verifyPage(window, window.fraCOMM);
        QCOMPARE(harness.step(), 1);
        QVERIFY(!harness.instrument().frames().contains("$00KQ"));
        QCOMPARE(window.fraSNIMAC->txtPopis->text(), QString(32, u' '));
        QVERIFY(window.cmdNext->isEnabled() && window.cmdCancel->isEnabled());
    }

    // The only sensor's block is damaged: said once, and the sensor page shows it without a
    // curve.
    void damagedSensorBlockIsReportedOnce() {
        Harness harness;
        harness.instrument().setSensorMask(2);
        QByteArray block = harness.instrument().block(1);
        block[0] = 'X';
        harness.instrument().setBlock(1, block);
        frmOrvoCalibration& window = harness.start();
        harness.next();
        QCOMPARE(harness.messages.texts(), QStringList{sensor::FsnStructureError});
        QCOMPARE(harness.messages.shown.first().icon, text::MsgIcon::Critical);
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
        QCOMPARE(harness.instrument().frames(), connectFrames(BothSensors));
        QCOMPARE(harness.step(), 2);
        verifyPage(window, window.fraSNIMAC);
    }

    void laterStepsRunInsideTheNavigationAction() {
        Harness harness;
        frmOrvoCalibration& window = harness.start();
        QStringList ran;
        window.wizard().setLaterSteps(
            {[&](const device::Link&) {
                 ran << QStringLiteral("curve %1 %2")
                            .arg(window.lineBusy())
                            .arg(window.fraSTATUS->lblStatus->text());
                 window.session().setStep(session::WizardStep::Finish);
             },
             [&](const device::Link&) { ran << QStringLiteral("finish"); }});
        harness.next();
        QVERIFY(ran.isEmpty());
        harness.next();
        QCOMPARE(ran, QStringList{"curve 1 T29"});
        QVERIFY(window.fraSTATUS->isHidden());
        harness.next();
        QCOMPARE(ran, QStringList({"curve 1 T29", "finish"}));
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

        // Enter presses the focused button, else Next.
        window.fraCOMM->cmdSCANTORAN->setFocus();
        QTest::keyClick(window.fraCOMM->cmdSCANTORAN, Qt::Key_Return);
        QCOMPARE(harness.messages.shown.size(), 1);
        QCOMPARE(harness.step(), 1);
        window.fraCOMM->cmbPort->setFocus();
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
        QCOMPARE(window.session().curve().PointCount(), 3);
        window.session().live().SignalMVV = 1.5F;
        calibration::frmOrvoCalibInputBox& dialog = window.InputBox();
        QTimer::singleShot(0, &dialog, [&dialog] {
            dialog.txtCalBod[1]->setText(QStringLiteral("75"));
            dialog.cmdOK[0]->click();
        });
        QTest::keyClick(window.fraSNIMAC->txtPopis, Qt::Key_F5);
        QCOMPARE(window.session().curve().PointCount(), 4);
        QCOMPARE(window.session().curve().point(3).signal, 1.5F);
        QCOMPARE(window.session().curve().point(3).etalon, 75.0F);
        QCOMPARE(window.fraCURVE->lstKrivka->count(), 4);

        // While an action holds the line, F5 opens nothing.
        bool opened = false;
        QTimer::singleShot(0, &dialog, [&dialog, &opened] {
            opened = dialog.isVisible();
            if (opened)
                dialog.reject();
        });
        QVERIFY(window.session().runner().run(
            [&](const device::Link&) { window.captureAction->trigger(); }));
        QTest::qWait(1);
        QVERIFY(!opened);
        QCOMPARE(window.session().curve().PointCount(), 4);
    }

    void newCurveClearsTheDescriptionAndTheRecordsCurve() {
        Harness harness;
        frmOrvoCalibration& window = harness.start();
        harness.next();
        harness.messages.answer(text::MsgAnswer::Yes);
        window.fraCURVE->mKrivkaNew->trigger();
        QCOMPARE(window.fraSNIMAC->txtPopis->text(), QString());
        QCOMPARE(window.session().sensors().CurrentSensor.CurvePointCount, 0);
        QCOMPARE(window.session().curve().PointCount(), 0);
    }
};

QTEST_MAIN(TestWizard)
#include "tst_wizard.moc"
