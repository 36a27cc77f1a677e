#include "core/text/NumberText.h"
#include "sim/SensorBlock.h"
#include "tests/support/ExpectedImage.h"
#include "tests/support/WindowRig.h"
#include "views/CurveEditor.h"
#include "views/CurvePage.h"
#include "views/PointDialog.h"
#include "views/PortPage.h"
#include "views/SensorPage.h"
#include "views/SignalPanels.h"
#include "views/SystemCalibrationFrame.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using app::frmOrvoCalibration;
using session::WizardStep;
using Points = QList<QPointF>; // (signal, etalon)

namespace {

struct Rig : testsupport::InstrumentRig {
    Rig() : InstrumentRig(3) {}
    void choosePort(int number) { window->fraCOMM->cmbPort->setCurrentIndex(number - 1); }
    [[nodiscard]] QString selectedPort() const { return window->fraCOMM->cmbPort->currentText(); }
    [[nodiscard]] sensor::SensorPage& page() const { return *window->fraSNIMAC; }
    // Answers the point dialog's next showing with `etalon`; the flag tells whether it showed.
    [[nodiscard]] std::shared_ptr<bool> answerPointDialog(const QString& etalon) {
        auto shown = std::make_shared<bool>(false);
        calibration::frmOrvoCalibInputBox& dialog = window->InputBox();
        QTimer::singleShot(0, &dialog, [&dialog, shown, etalon] {
            *shown = dialog.isVisible();
            dialog.txtCalBod[1]->setText(etalon);
            dialog.cmdOK[0]->click();
        });
        return shown;
    }
    void setPoints(const Points& points) {
        calibration::CurveTable& table = window->session().curve();
        table.clear();
        for (const QPointF& point : points)
            QVERIFY(table.append(float(point.x()), float(point.y())));
        window->curveEditor().FillCurveList();
    }
    // The curve page as the sensor page leaves it: Back, Next and Cancel usable, the live
    // signal running.
    void verifyCurvePage() {
        QCOMPARE(shownFrames(), QStringList({"fraCURVE", "fraDISPLAY"}));
        QVERIFY(window->cmdBack->isEnabled() && window->cmdNext->isEnabled());
        QVERIFY(window->cmdCancel->isEnabled() && window->tmrCasovac.isActive());
        QCOMPARE(step(), WizardStep::Finish);
    }
};

} // namespace

class TestWizard : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // The port page is built at the first activation only, and again by Back: each time with
    // the remembered port (COM1 when it is none of the list's), not the operator's choice.
    void portPageShowsTheRememberedPort() {
        for (const auto& [stored, selected] : {std::pair{0, "COM1"}, {50, "COM1"}, {49, "COM49"}}) {
            Rig rig;
            rig.portSetting.setComPort(stored);
            frmOrvoCalibration& window = rig.startActive();
            QCOMPARE(rig.shownFrames(), QStringList{"fraCOMM"});
            QVERIFY(!window.cmdBack->isEnabled() && rig.line.openedPorts().isEmpty());
            QCOMPARE(rig.selectedPort(), selected);
            rig.choosePort(8);
            QWidget other;
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QCOMPARE(rig.selectedPort(), QStringLiteral("COM8"));
            window.cmdBack->setEnabled(true);
            rig.back();
            QCOMPARE(rig.selectedPort(), selected);
        }
    }

    // The sensor in use (its identifier, then its unit) with its range marked, and the limit
    // warning unless bits 7 and 0 are both set; the port that connected is remembered. The
    // read-out is tst_sensorreadout's.
    void nextShowsTheSensorPage_data() {
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("limitFlags");
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("range");
        const auto row = [](const char* name, int mask, int flags, const char* header, int range) {
            QTest::newRow(name) << mask << flags << QString(header) << range;
        };
        row("both: the external sensor", 3, 0x81, "EXT ID:53EKAB17 [kg]", 7);
        row("bit 0 only", 3, 0x01, "EXT ID:53EKAB17 [kg]", 7);
        row("internal alone, bit 7 only", 2, 0x80, "INT ID:4B02MQA5 [N]", 6);
    }
    void nextShowsTheSensorPage() {
        QFETCH(int, mask);
        QFETCH(int, limitFlags);
        QFETCH(QString, header);
        QFETCH(int, range);
        Rig rig;
        sim::SensorBlockContent sensor =
            mask == 3 ? sim::defaultExternalSensor() : sim::defaultInternalSensor();
        sensor.limitFlags = limitFlags;
        rig.instrument().setBlock(mask == 3 ? 0 : 1, sim::makeSensorBlock(sensor));
        rig.instrument().setSensorMask(mask);
        rig.portSetting.setComPort(9);
        frmOrvoCalibration& window = rig.startActive();
        rig.choosePort(3);
        rig.next();
        QCOMPARE(rig.shownFrames(), QStringList{"fraSNIMAC"});
        QVERIFY(window.cmdBack->isEnabled() && !window.tmrCasovac.isActive());
        QCOMPARE(rig.portSetting.comPort(), 3);
        const sensor::SensorPage& page = rig.page();
        QCOMPARE(page.title(), "T45 [" + header.section(u' ', 0, 1) + "]");
        QCOMPARE(page.lblRozsahPopis->text(), "T66 " + header.section(u' ', 2));
        QCOMPARE(window.fraDISPLAY->lblIIntExt->text(), header.left(3));
        QCOMPARE(device::ValDecimal(page.txtRozsah->text()),
                 window.session().sensors().CurrentSensor.FullScale);
        QCOMPARE(page.lblLimitWarning->isHidden(), limitFlags == 0x81);
        QCOMPARE(page.cmbFormat->count(), 5); // the instrument's display digits
        QCOMPARE(page.cmbGain->currentIndex(), range);
        QCOMPARE(window.fraCURVE->lstKrivka->count(), window.session().curve().PointCount());
        const auto& zeros = window.fraORVOSETUP->txtskN;
        QVERIFY(zeros[std::size_t(range)]->palette() != zeros[std::size_t(range) - 1]->palette());
    }

    // The port page stays; a port that did not identify is not remembered, and the right one
    // then connects. A reply too short for the read-out is the read-out's to tell.
    void connectFailureKeepsThePortPage() {
        using State = sim::SimulatedLine::PortState;
        for (const auto& [state, message] :
             {std::pair{State::Silent, "T53"}, {State::InUse, "T54"}, {State::Absent, ""}}) {
            Rig rig;
            if (state == State::Absent)
                rig.line.attach(6).setIdentification("TORAN\r");
            else
                rig.line.setPortState(6, state);
            frmOrvoCalibration& window = rig.startActive();
            rig.choosePort(6);
            window.tmrCasovac.start();
            rig.next();
            QCOMPARE(rig.messages.texts().join(""), message);
            QVERIFY(rig.messages.shown.isEmpty() ||
                    rig.messages.shown.first().icon == text::MsgIcon::Critical);
            QCOMPARE(rig.shownFrames(), QStringList{"fraCOMM"});
            QVERIFY(window.cmdNext->isEnabled() && !window.tmrCasovac.isActive());
            QCOMPARE(rig.portSetting.comPort(), state == State::Absent ? 6 : 3);
            rig.choosePort(3);
            rig.next();
            QCOMPARE(rig.step(), WizardStep::CurvePage);
        }
    }

    // Tab passes over what is disabled, hidden or out of sight. Enter presses the focused
    // button, else Next, on every page: on the curve page it runs the final step.
    void keyboardWalksTheWizard() {
        Rig rig;
        frmOrvoCalibration& window = rig.startActive();
        const auto keys = [](QWidget* from, Qt::Key key, const QList<QWidget*>& expected = {}) {
            from->setFocus();
            if (expected.isEmpty())
                QTest::keyClick(from, key);
            for (QWidget* next : expected) {
                QTest::keyClick(QApplication::focusWidget(), key);
                QCOMPARE(QApplication::focusWidget(), next);
            }
        };
        QCOMPARE(QApplication::focusWidget(), window.fraCOMM->cmbPort);
        keys(window.fraCOMM->cmbPort, Qt::Key_Tab,
             {window.fraCOMM->cmdSCANTORAN, window.cmdNext, window.cmdCancel});
        keys(window.fraCOMM->cmdSCANTORAN, Qt::Key_Return);
        QCOMPARE(rig.messages.shown.size(), 1); // the port search's result
        keys(window.fraCOMM->cmbPort, Qt::Key_Return);
        QCOMPARE(rig.step(), WizardStep::CurvePage);

        const sensor::SensorPage& page = rig.page();
        QCOMPARE(QApplication::focusWidget(), page.txtPopis);
        keys(page.cmbGain, Qt::Key_Tab, {page.txtDateOfSave, page.cmdAction[0]});
        keys(page.cmdAction[1], Qt::Key_Tab, {window.cmdBack, window.cmdNext, window.cmdCancel});
        keys(page.txtPopis, Qt::Key_Return);
        rig.verifyCurvePage();

        const calibration::CurvePage& curve = *window.fraCURVE;
        keys(curve.lstKrivka, Qt::Key_Tab,
             {curve.cmdListAction[0], curve.cmdListAction[2], curve.cmdSCAN, window.cmdBack});
        window.setWindowWidthTwips(frmOrvoCalibration::ExpertWidthTwips);
        keys(curve.cmdSCAN, Qt::Key_Tab, {window.fraORVOSETUP->txtskN[0]});
        const std::shared_ptr<bool> dialogShown = rig.answerPointDialog(QStringLiteral("75"));
        keys(curve.cmdListAction[0], Qt::Key_Return);
        QVERIFY(*dialogShown);
        rig.messages.clear();
        keys(curve.lstKrivka, Qt::Key_Return);
        QCOMPARE(rig.messages.texts(), QStringList{"T74 37.50 kg    "});
    }

    // F5 captures a point on any page, but not while an action holds the line. A new curve
    // clears the description and the record's curve as well as the table.
    void capturesAndANewCurve() {
        Rig rig;
        frmOrvoCalibration& window = rig.startAt(WizardStep::CurvePage);
        window.session().live().SignalMVV = 1.5F;
        std::shared_ptr<bool> dialogShown = rig.answerPointDialog(QStringLiteral("75"));
        QTest::keyClick(rig.page().txtPopis, Qt::Key_F5);
        QVERIFY(*dialogShown);
        QCOMPARE(testsupport::pointsOf(window.session().curve()).at(2), QPointF(1.5, 75.0));
        QCOMPARE(window.fraCURVE->lstKrivka->count(), 4);
        dialogShown = rig.answerPointDialog(QStringLiteral("80"));
        QVERIFY(window.session().runner().run(
            [&](const device::Link&) { window.captureAction->trigger(); }));
        QTest::qWait(1);
        QVERIFY(!*dialogShown);

        rig.messages.answer(text::MsgAnswer::Yes);
        window.fraCURVE->mKrivkaNew->trigger();
        QCOMPARE(rig.page().txtPopis->text(), QString());
        QCOMPARE(window.session().sensors().CurrentSensor.CurvePointCount, 0);
        QCOMPARE(window.fraCURVE->lstKrivka->count(), 0);
    }

    // A changed gain range is asked about first (No is the default answer); a page that fails
    // its checks stays and sends nothing; an unchanged sensor is not written.
    void leavingTheSensorPage_data() {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("gain");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("writes"); // -1: the sensor page stays
        const auto row = [](const char* name, const char* unit, int gain, bool yes,
                            const char* message, int writes) {
            QTest::newRow(name) << QString(unit) << gain << yes << QString(message) << writes;
        };
        row("unchanged", "kg", 7, false, "", 0);
        row("invalid unit", "kgf/m", 7, false, "T61", -1);
        row("gain range, no", "kg", 6, false, "T55", -1);
        row("gain range, yes", " N ", 6, true, "T55", 128);
    }
    void leavingTheSensorPage() {
        QFETCH(QString, unit);
        QFETCH(int, gain);
        QFETCH(bool, yes);
        QFETCH(QString, message);
        QFETCH(int, writes);
        Rig rig;
        frmOrvoCalibration& window = rig.startAt(WizardStep::CurvePage);
        rig.page().txtJednotka->setText(unit);
        rig.page().cmbGain->setCurrentIndex(gain);
        if (yes)
            rig.messages.answer(text::MsgAnswer::Yes);
        rig.next();
        QCOMPARE(rig.messages.texts().join(""), message);
        if (writes < 0) {
            QCOMPARE(rig.shownFrames(), QStringList{"fraSNIMAC"});
            QCOMPARE(rig.instrument().frameCount(), 0);
            return;
        }
        rig.verifyCurvePage();
        QCOMPARE(rig.framesOf("KW").size(), writes);
        QCOMPARE(window.fraCURVE->lblCEth->text(), "Etalon [" + unit.trimmed() + "]");
    }

    // The ranges on the page must lie within what the curve gives at the ends of the gain
    // range; otherwise nothing is sent and the curve page stays with its points. A range typed
    // while the sensor had no curve to save is checked as typed, not as read.
    void rangesAreCheckedAgainstTheCurve_data() {
        QTest::addColumn<Points>("points");
        QTest::addColumn<int>("gain");
        QTest::addColumn<QStringList>("ranges");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("newCurve");
        const auto row = [](const char* name, const Points& points, int gain,
                            const QStringList& ranges, const char* message, bool newCurve = false) {
            QTest::newRow(name) << points << gain << ranges << QString(message) << newCurve;
        };
        const Points rising{{1.0, 100.0}, {2.0, 200.0}};
        row("positive above", rising, 7, {"400", "-100"}, "T73 391.00 kg    ");
        row("negative below", rising, 7, {"100", "-400"}, "T74 -391.00 kg    ");
        row("largest gain range", {{1.0, 1.0}, {2.0, 2.0}}, 0, {"900", "-100"},
            "T73 500.00 kg    ");
        // A falling curve: its value at the negative end is the larger one.
        row("falling curve", {{1.0, 200.0}, {2.0, 100.0}}, 7, {"100", "-100"}, "T74 -91.00 kg    ");
        row("at the curve's ends", rising, 7, {"391", "-391"}, "");
        row("typed with a new curve", {{0.0, 0.0}, {1.0, 100.0}}, 7, {"500", "-100"},
            "T73 391.00 kg    ", true);
    }
    void rangesAreCheckedAgainstTheCurve() {
        QFETCH(Points, points);
        QFETCH(int, gain);
        QFETCH(QStringList, ranges);
        QFETCH(QString, message);
        QFETCH(bool, newCurve);
        Rig rig;
        frmOrvoCalibration& window = rig.startAt(WizardStep::CurvePage);
        rig.page().txtRozsah->setText(ranges[0]);
        rig.page().txtRozsahNeg->setText(ranges[1]);
        rig.page().cmbGain->setCurrentIndex(gain);
        rig.messages.answer(text::MsgAnswer::Yes);
        if (newCurve)
            rig.setPoints({});
        rig.next();
        rig.setPoints(points);
        rig.instrument().clearLog();
        rig.messages.clear();
        rig.next();
        QCOMPARE(window.hasEnded(), message.isEmpty());
        if (message.isEmpty())
            return;
        QCOMPARE(rig.messages.texts(), QStringList{message});
        QCOMPARE(rig.instrument().frameCount(), 0);
        rig.verifyCurvePage();
        QCOMPARE(testsupport::pointsOf(window.session().curve()), points);
    }

    // A final save that fails keeps the curve page with the operator's points, not those read
    // back; Next then finishes: the sensor written, the instrument reset, the operator told,
    // the program ended. Line faults are tst_faultmatrix's.
    void failedFinalSaveKeepsTheCurvePage() {
        Rig rig;
        frmOrvoCalibration& window = rig.startAt(WizardStep::Finish);
        const Points points{{0.0, 0.0}, {1.0, 50.0}, {2.0, 100.0}};
        rig.setPoints(points);
        bool damaged = false;
        rig.clock.setOnDelay([&] {
            if (!damaged && !rig.framesOf("X").isEmpty()) {
                damaged = true;
                QByteArray block = rig.instrument().block(0);
                block[118] = char(block[118] ^ 0x01);
                rig.instrument().setBlock(0, block);
            }
        });
        rig.next();
        rig.clock.setOnDelay({});
        QCOMPARE(rig.messages.shown.size(), 1); // the mismatch, as tst_session tells
        rig.verifyCurvePage();
        QCOMPARE(testsupport::pointsOf(window.session().curve()), points);
        QCOMPARE(window.fraCURVE->lstKrivka->count(), 3);

        rig.instrument().clearLog();
        rig.messages.clear();
        rig.next();
        QCOMPARE(rig.framesOf("KW").size(), 104 + 8 * 3);
        QCOMPARE(rig.instrument().resetCount(), 2); // after the write, and at the end
        QCOMPARE(rig.instrument().frames().last(), QByteArray("$00X"));
        QCOMPARE(rig.messages.texts(), QStringList{"T56"});
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Information);
        QVERIFY(window.hasEnded() && !rig.line.isOpen());
        QVERIFY(!window.cmdNext->isEnabled() && !window.cmdCancel->isEnabled());
    }

    // The expert gesture on the sensor page widens the next curve page, whose expert frame
    // works on the sensor's range. Back from there reads the instrument again at the normal
    // width; Back from the sensor page keeps the port open and sends nothing.
    void expertCurvePageAndBack() {
        Rig rig;
        frmOrvoCalibration& window = rig.startAt(WizardStep::CurvePage);
        QTest::mouseClick(rig.page().Label2, Qt::RightButton, Qt::ControlModifier);
        rig.next();
        QCOMPARE(window.windowWidthTwips(), frmOrvoCalibration::ExpertWidthTwips);
        window.session().live().SignalDiv = 32800.0F;
        window.fraORVOSETUP->cmdSKSetNula->click();
        QCOMPARE(window.fraORVOSETUP->txtskN[7]->text(), QStringLiteral("32800"));
        window.fraORVOSETUP->cmdReset->click();
        QCOMPARE(rig.framesOf("X").size(), 1);
        window.fraORVOSETUP->cmdSKSave->click();
        QCOMPARE(rig.framesOf("EW").size(), 64);

        rig.instrument().clearLog();
        rig.back();
        QCOMPARE(rig.framesOf("KQ").size(), 1);
        QCOMPARE(rig.shownFrames(), QStringList{"fraSNIMAC"});
        QCOMPARE(window.windowWidthTwips(), frmOrvoCalibration::NormalWidthTwips);
        QVERIFY(!window.tmrCasovac.isActive());
        rig.instrument().clearLog();
        rig.back();
        QCOMPARE(rig.shownFrames(), QStringList{"fraCOMM"});
        QVERIFY(rig.line.isOpen() && !window.cmdBack->isEnabled());
        QCOMPARE(rig.instrument().frameCount(), 0);
    }
};

QTEST_MAIN(TestWizard)
#include "tst_wizard.moc"
