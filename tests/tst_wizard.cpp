#include "core/text/LanguageTable.h"
#include "core/text/NumberText.h"
#include "sim/Fault.h"
#include "sim/SensorBlock.h"
#include "tests/support/ExpectedImage.h"
#include "tests/support/WindowRig.h"
#include "views/calibration/CurveEditor.h"
#include "views/calibration/CurvePage.h"
#include "views/calibration/PointDialog.h"
#include "views/instrument/PortPage.h"
#include "views/instrument/SignalPanels.h"
#include "views/instrument/StatusPanel.h"
#include "views/instrument/SystemCalibrationFrame.h"
#include "views/records/CheckWindow.h"
#include "views/sensor/SensorPage.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using app::frmOrvoCalibration;
using session::WizardStep;
using Points = QList<QPointF>; // (signal, etalon)

namespace {

struct Rig : testsupport::InstrumentRig {
    Rig() : InstrumentRig(3) {}
    void choosePort(int number) { window->fraCOMM->cmbPort->setCurrentIndex(number - 1); }
    [[nodiscard]] sensor::SensorPage& page() const { return *window->fraSNIMAC; }
    void setPoints(const Points& points) {
        calibration::CurveTable& table = window->session().curve();
        table.clear();
        for (const QPointF& point : points)
            QVERIFY(table.append(float(point.x()), float(point.y())));
        window->curveEditor().FillCurveList();
    }
    // The curve page as the sensor page leaves it.
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

    // The port page is built at the first activation only, and again by Back.
    void portPageShowsTheRememberedPort() {
        for (const auto& [stored, selected] : {std::pair{50, "COM1"}, {49, "COM49"}}) {
            Rig rig;
            rig.portSetting.setComPort(stored);
            frmOrvoCalibration& window = rig.startAt(WizardStep::SensorPage);
            QCOMPARE(window.fraCOMM->cmbPort->currentText(), selected);
            rig.choosePort(8);
            QWidget other;
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QCOMPARE(window.fraCOMM->cmbPort->currentText(), QStringLiteral("COM8"));
            window.cmdBack->setEnabled(true);
            rig.back();
            QCOMPARE(window.fraCOMM->cmbPort->currentText(), selected);
        }
    }

    // The sensor in use (its identifier, then its unit) with its range marked.
    void nextShowsTheSensorPage() {
        for (const auto& [mask, limitFlags, header, range] :
             {std::tuple{3, 0x81, QStringLiteral("EXT ID:53EKAB17 [kg]"), 7},
              {2, 0x80, QStringLiteral("INT ID:4B02MQA5 [N]"), 6}}) {
            Rig rig;
            sim::SensorBlockContent sensor =
                mask == 3 ? sim::defaultExternalSensor() : sim::defaultInternalSensor();
            sensor.limitFlags = limitFlags;
            rig.instrument().setBlock(mask == 3 ? 0 : 1, sim::makeSensorBlock(sensor));
            rig.instrument().setSensorMask(mask);
            rig.portSetting.setComPort(9);
            frmOrvoCalibration& window = rig.startAt(WizardStep::SensorPage);
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
            QCOMPARE(page.cmbGain->currentIndex(), range);
            const auto& zeros = window.fraORVOSETUP->txtskN;
            QVERIFY(zeros[std::size_t(range)]->palette() !=
                    zeros[std::size_t(range) - 1]->palette());
        }
    }

    // A port in use: the port page stays and says so, and the port is not remembered.
    void connectFailureKeepsThePortPage() {
        Rig rig;
        rig.line.setPortState(6, sim::SimulatedLine::PortState::InUse);
        frmOrvoCalibration& window = rig.startAt(WizardStep::SensorPage);
        rig.choosePort(6);
        window.tmrCasovac.start();
        rig.next();
        QCOMPARE(rig.messages.texts().size(), 1);
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Critical);
        QCOMPARE(rig.shownFrames(), QStringList{"fraCOMM"});
        QVERIFY(window.cmdNext->isEnabled() && !window.tmrCasovac.isActive());
        QCOMPARE(rig.portSetting.comPort(), 3);
        // No instrument answers on port 5. The keyboard comes back where it was, though the
        // message took it meanwhile: Enter tries again.
        rig.choosePort(5);
        window.cmdNext->setFocus();
        rig.messages.whileShown = [&window] { window.focusWidget()->clearFocus(); };
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(rig.messages.texts().size(), 2);
        QCOMPARE(QApplication::focusWidget(), window.cmdNext);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(rig.messages.texts().size(), 3);
        rig.choosePort(3);
        rig.next();
        QCOMPARE(rig.step(), WizardStep::CurvePage);
    }

    // The search shows the port it tries, "n of 49". Esc stops it, and a connect, at the next
    // wait without a word; the port is let go and the port page works on.
    void escStopsTheSearchAndTheConnect() {
        for (const bool search : {true, false}) {
            Rig rig;
            rig.line.setPortState(2, sim::SimulatedLine::PortState::Silent);
            frmOrvoCalibration& window = rig.startAt(WizardStep::SensorPage);
            QVERIFY(rig.activate());
            rig.choosePort(2);
            const app::StatusPanel& status = *window.fraSTATUS;
            QStringList shown;
            rig.clock.setOnDelay([&] {
                shown.append(status.lblStatus->text());
                if (status.cmdStatusCancel->isVisible())
                    QTest::keyClick(&window, Qt::Key_Escape);
            });
            search ? window.fraCOMM->cmdSCANTORAN->click() : rig.next();
            rig.clock.setOnDelay({});
            QCOMPARE(shown, QStringList{search ? text::BuiltInText(341).arg(2).arg(2).arg(49)
                                               : QStringLiteral("T29")});
            QVERIFY(rig.messages.shown.isEmpty());
            QVERIFY(status.isHidden() && status.cmdStatusCancel->isHidden());
            QVERIFY(window.cmdNext->isEnabled() && window.fraCOMM->cmdSCANTORAN->isEnabled());
            QVERIFY(!rig.line.isOpen());
            QCOMPARE(rig.step(), WizardStep::SensorPage);
            rig.choosePort(3);
            rig.next();
            QCOMPARE(rig.step(), WizardStep::CurvePage);
        }
    }

    // Each kind of port trouble adds its reason and what to do to the failure's text.
    void portTroubleIsExplained() {
        using State = sim::SimulatedLine::PortState;
        const auto builtIn = [](QString message) {
            for (int number = 240; number <= 247; ++number)
                message.replace('T' + QString::number(number), text::BuiltInText(number));
            return message;
        };
        for (const auto& [state, message] :
             {std::pair{State::Absent, "COM6: T54\n\n%1: T240"},
              {State::PermissionDenied, "COM6: T54\n\n%1: T241 T242\n\n    sudo usermod -aG %2 "
                                        "$USER\n\nT243"},
              {State::InUse, "COM6: T54\n\n%1: T244 T246"},
              {State::Vanishing, "COM6: T53\n\n%1: T247\n\n    systemctl status ModemManager\n    "
                                 "dpkg -l brltty"}}) {
            Rig rig;
            QTemporaryDir devices;
            const QString device = devices.filePath("COM6");
            QFile(device).open(QIODevice::WriteOnly);
            rig.line.setDeviceDirectory(devices.path());
            rig.line.setPortState(6, state);
            rig.startAt(WizardStep::SensorPage);
            rig.choosePort(6);
            rig.next();
            QCOMPARE(rig.messages.texts(),
                     QStringList{builtIn(QString(message).arg(device, QFileInfo(device).group()))});
        }
    }

    // Tab passes over what is disabled, hidden or out of sight.
    void keyboardWalksTheWizard() {
        Rig rig;
        frmOrvoCalibration& window = rig.startAt(WizardStep::SensorPage);
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
        // Enter in the list edits the point; only a focused Next runs the final step.
        rig.messages.clear();
        curve.lstKrivka->setCurrentRow(1);
        const std::shared_ptr<bool> edited = rig.answerPointDialog(QStringLiteral("75"));
        keys(curve.lstKrivka, Qt::Key_Return);
        QVERIFY(*edited);
        rig.messages.clear();
        keys(window.fraORVOSETUP->txtskN[0], Qt::Key_Return);
        QVERIFY(rig.messages.shown.empty());
        QCOMPARE(rig.step(), WizardStep::Finish);
        keys(window.cmdNext, Qt::Key_Return);
        QCOMPARE(rig.messages.texts(), QStringList{"T74 37.50 kg    "});
    }

    // While an action holds the line, no context menu opens and the controls that open a modal
    // window take no input, since its loop would hold the action's wait; afterwards they do.
    void actionKeepsModalWindowsShut() {
        struct MenuProbe : QWidget {
            using QWidget::QWidget;
            int menus = 0;
            void contextMenuEvent(QContextMenuEvent* event) override {
                ++menus;
                event->accept();
            }
        };
        Rig rig;
        frmOrvoCalibration& window = rig.startAt(session::WizardStep::Finish);
        auto* probe = new MenuProbe(&window);
        const auto openMenu = [probe] {
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(1, 1),
                                    probe->mapToGlobal(QPoint(1, 1)));
            QApplication::sendEvent(probe, &event);
        };
        QPushButton* add = window.fraCURVE->cmdListAction[0];
        const int points = window.session().curve().PointCount();
        QVERIFY(window.session().runner().run([&](const device::Link&) {
            openMenu();
            const std::shared_ptr<bool> shown = rig.answerPointDialog(QStringLiteral("75"));
            QTest::mouseClick(add, Qt::LeftButton);
            QCoreApplication::processEvents();
            QVERIFY(!*shown);
        }));
        QCOMPARE(probe->menus, 0);
        QCOMPARE(window.session().curve().PointCount(), points);
        openMenu();
        QCOMPARE(probe->menus, 1);
        const std::shared_ptr<bool> shown = rig.answerPointDialog(QStringLiteral("75"));
        QTest::mouseClick(add, Qt::LeftButton);
        QVERIFY(*shown);
        QCOMPARE(window.session().curve().PointCount(), points + 1);
    }

    // F5 captures a point on any page, but not while an action holds the line.
    void capturesAndANewCurve() {
        Rig rig;
        frmOrvoCalibration& window = rig.startAt(WizardStep::CurvePage);
        window.session().runner().startPolling();
        window.session().live().SignalMVV = 1.5F;
        window.session().live().ReadingTime = rig.clock.now();
        for (int i = 0; i < 10; ++i) // held: the dialog opens at once
            window.session().live().Stability.add(1.5F);
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
        QCOMPARE(rig.messages.texts().last(), text::BuiltInText(101));
        QVERIFY(!rig.page().txtPopis->text().isEmpty());
        QCOMPARE(window.session().sensors().CurrentSensor.CurvePointCount, 0);
        QCOMPARE(window.fraCURVE->lstKrivka->count(), 0);
    }

    // A changed gain range is asked about first (No is the default answer).
    void leavingTheSensorPage() {
        for (const auto& [unit, gain, yes, message, writes] :
             {std::tuple{"kg", 7, false, "", 0}, // writes -1: the sensor page stays
              {"kgf/m", 7, false, "T61", -1},
              {"kg", 6, false, "T55", -1},
              {" N ", 6, true, "T55", 128}}) {
            Rig rig;
            frmOrvoCalibration& window = rig.startAt(WizardStep::CurvePage);
            rig.page().txtJednotka->setText(unit);
            rig.page().cmbGain->setCurrentIndex(gain);
            if (yes)
                rig.messages.answer(text::MsgAnswer::Yes);
            rig.next();
            QCOMPARE(rig.messages.texts().join(""), QString(message));
            if (writes < 0) {
                QCOMPARE(rig.shownFrames(), QStringList{"fraSNIMAC"});
                QCOMPARE(rig.instrument().frameCount(), 0);
                continue;
            }
            rig.verifyCurvePage();
            QCOMPARE(rig.framesOf("KW").size(), writes);
            QCOMPARE(window.fraCURVE->lblCEth->text(), "Etalon [" + QString(unit).trimmed() + "]");
        }
    }

    // A sensor write that fails keeps the sensor page as the operator left it, also when the
    // read-out after the write replaced the sensor; Next tries again.
    void failedWriteKeepsTheSensorPage() {
        for (const auto& [fault, code] :
             {std::pair{"KW none after 10", "T47 [-11]\n"}, {"KB none", ""}}) {
            Rig rig;
            frmOrvoCalibration& window = rig.startAt(WizardStep::CurvePage);
            sensor::SensorPage& page = rig.page();
            page.txtPopis->setText(QStringLiteral("Nový popis"));
            page.txtRozsah->setText(QStringLiteral("150"));
            page.cmbFormat->setCurrentIndex(1);
            const QString title = page.title();
            rig.instrument().addFault(*sim::parseFault(QString::fromLatin1(fault)).fault);
            rig.next();
            QCOMPARE(rig.messages.shown.last().icon, text::MsgIcon::Critical);
            QVERIFY(rig.messages.shown.last().text.startsWith(QString::fromUtf8(code)));
            QVERIFY(rig.messages.shown.last().text.contains(u"Nový popis"));
            QCOMPARE(rig.shownFrames(), QStringList{"fraSNIMAC"});
            QCOMPARE(rig.step(), WizardStep::CurvePage);
            QVERIFY(window.cmdNext->isEnabled() && window.cmdBack->isEnabled());
            QCOMPARE(page.txtPopis->text(), QString("Nový popis"));
            QCOMPARE(page.txtRozsah->text(), QString("150"));
            QCOMPARE(page.cmbFormat->currentIndex(), 1);
            QCOMPARE(page.title(), title);

            rig.instrument().clearFaults();
            rig.messages.clear();
            rig.next();
            QVERIFY(rig.messages.shown.isEmpty());
            rig.verifyCurvePage();
            QCOMPARE(rig.instrument().block(0).mid(8, 10), QByteArray("Nov\xFD popis"));
        }
    }

    // The final step writes only while the ranges lie within what the curve gives (the rule is
    void finalStepEndsOnlyOnceWritten() {
        Rig rig;
        frmOrvoCalibration& window = rig.startAt(WizardStep::Finish);
        const Points points{{0.0, 0.0}, {1.0, 50.0}, {2.0, 100.0}};
        rig.setPoints(points);
        const QString range = rig.page().txtRozsah->text();
        rig.page().txtRozsah->setText(QStringLiteral("400"));
        rig.next();
        QCOMPARE(rig.messages.texts(), QStringList{"T73 195.50 kg    "});
        QCOMPARE(rig.instrument().frameCount(), 0);
        rig.verifyCurvePage();

        rig.page().txtRozsah->setText(range);
        rig.page().txtRozsahNeg->setText(QStringLiteral("0")); // no warning about the curve
        rig.messages.clear();
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
        QCOMPARE(rig.instrument().frames().last(), QByteArray("$00X"));
        QCOMPARE(rig.messages.texts(), QStringList{"T56"});
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Information);
        // OK, the default, ends; the second button would open the as-left check.
        QCOMPARE(rig.messages.shown.first().second, text::BuiltInText(481));
        QVERIFY(window.hasEnded() && !rig.line.isOpen());
        QVERIFY(!window.cmdNext->isEnabled() && !window.cmdCancel->isEnabled());
    }

    // The as-found check opens from the curve page; the saved message's second button opens the
    // as-left check with the live signal running, F5 there captures what the instrument displays,
    // and closing it ends the program.
    void checksBeforeAndAfterTheWrite() {
        Rig rig;
        frmOrvoCalibration& window = rig.startAt(WizardStep::Finish);
        window.fraCURVE->lstKrivka->findChild<QAction*>(QStringLiteral("mKontrolaPred"))->trigger();
        auto* asFound = window.findChild<app::CheckWindow*>(QStringLiteral("frmAsFoundCheck"));
        QVERIFY(asFound != nullptr && asFound->isVisible());
        asFound->close();

        rig.setPoints({{0.0, 0.0}, {1.0, 50.0}, {2.0, 100.0}});
        rig.page().txtRozsahNeg->setText(QStringLiteral("0"));
        rig.messages.takeSecond = true;
        rig.next();
        QCOMPARE(rig.messages.texts(), QStringList{"T56"});
        auto* check = window.findChild<app::CheckWindow*>(QStringLiteral("frmAsLeftCheck"));
        QVERIFY(check != nullptr && check->isVisible());
        QVERIFY(!window.hasEnded() && window.tmrCasovac.isActive());

        QSignalSpy kept(&window.checkResults(), &records::CheckResults::changed);
        window.session().live().DisplayValue = 50.02F;
        window.session().live().ReadingTime = rig.clock.now();
        check->txtEtalon->setText(QStringLiteral("50"));
        check->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(check));
        QTest::keyClick(check, Qt::Key_F5);
        QCOMPARE(check->tblPoints->rowCount(), 1);
        QCOMPARE(check->tblPoints->item(0, 1)->text(), QStringLiteral("50.02"));
        QCOMPARE(kept.size(), 1);
        QCOMPARE(window.checkResults().asLeft().front().displayed, 50.02);
        check->close();
        QVERIFY(window.hasEnded());
    }

    // The expert gesture on the sensor page widens the next curve page.
    void expertCurvePageAndBack() {
        Rig rig;
        frmOrvoCalibration& window = rig.startAt(WizardStep::CurvePage);
        QTest::mouseClick(rig.page().Label2, Qt::RightButton, Qt::ControlModifier);
        rig.next();
        QCOMPARE(window.windowWidthTwips(), frmOrvoCalibration::ExpertWidthTwips);
        // Widened from the centre of a small screen, it moves left to stay on it.
        QVERIFY(window.screen()->availableGeometry().contains(window.frameGeometry()));
        window.session().live().SignalDiv = 32800.0F;
        window.session().live().ReadingTime = rig.clock.now();
        window.fraORVOSETUP->cmdSKSetNula->click();
        QCOMPARE(window.fraORVOSETUP->txtskN[7]->text(), QStringLiteral("32800"));
        // RESET shows the instrument's constants again and the live signal comes back.
        window.fraORVOSETUP->cmdReset->click();
        QCOMPARE(rig.framesOf("X").size(), 1);
        QCOMPARE(window.fraORVOSETUP->txtskN[7]->text(), QStringLiteral("32768"));
        QVERIFY(window.tmrCasovac.isActive());

        // Back from points the sensor does not hold asks first; No, the default, stays.
        QVERIFY(!window.session().curveDiffersFromSensor());
        window.session().curve().setPoint(1, 0.5F, 5.0F);
        rig.back();
        QCOMPARE(rig.messages.texts().last(), text::BuiltInText(100));
        QCOMPARE(rig.step(), WizardStep::Finish);
        rig.messages.answer(text::MsgAnswer::Yes);
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
