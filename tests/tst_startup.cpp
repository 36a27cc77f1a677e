#include "tests/support/WindowRig.h"
#include "views/CurvePage.h"
#include "views/PortPage.h"
#include "views/SensorPage.h"
#include "views/SignalPanels.h"
#include "views/StatusPanel.h"
#include "views/SystemCalibrationFrame.h"
#include "views/WindowPlacement.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace std::chrono_literals;
using app::frmOrvoCalibration;
using testsupport::WindowRig;

namespace {

QString captionOf(const QObject* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (const auto* frame = qobject_cast<const QGroupBox*>(control))
        return frame->title();
    return QStringLiteral("<no caption>");
}

void endBy(frmOrvoCalibration& window, bool byCancel) {
    if (byCancel)
        QTest::mouseClick(window.cmdCancel, Qt::LeftButton);
    else
        window.close();
}

} // namespace

class TestStartUp : public QObject {
    Q_OBJECT

private slots:
    void languageTextsReachTheirControls() {
        const std::pair<const char*, int> captions[] = {
            {"lblPortPopis", 1},     {"cmdSCANTORAN", 2},     {"cmdBack", 3},
            {"cmdNext", 4},          {"cmdCancel", 5},        {"Label2", 9},
            {"Label6", 10},          {"Label11_2", 11},       {"Label9", 14},
            {"lblLimitWarning", 15}, {"Label11_1", 16},       {"fraCURVE", 19},
            {"cmdSCAN", 22},         {"cmdListAction_1", 23}, {"cmdListAction_0", 24},
            {"cmdListAction_2", 25}};
        for (const bool withFile : {true, false}) {
            WindowRig rig;
            QString file;
            for (int n = 1; n <= 99; ++n)
                file += QStringLiteral("%1=Text č. %1\r\n").arg(n);
            // Without the file, no caption and no message.
            if (withFile)
                rig.writeLanguageFile(file);
            const frmOrvoCalibration& window = rig.start();
            for (const auto& [name, number] : captions)
                QCOMPARE(captionOf(window.findChild<QObject*>(name)),
                         withFile ? QStringLiteral("Text č. %1").arg(number) : QString());
            QVERIFY(rig.messages.shown.isEmpty());
        }
    }

    void commandLineSwitchesExpertMode_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<bool>("expert");
        const auto row = [](const char* line, bool expert) {
            QTest::newRow(line) << line << expert;
        };
        row("expert", true);
        row("  EXPERT  ", true);
        row("expert now", false);
        row("-expert", false);
        row("", false);
    }

    void commandLineSwitchesExpertMode() {
        QFETCH(QString, commandLine);
        QFETCH(bool, expert);
        WindowRig rig;
        const frmOrvoCalibration& window = rig.start(commandLine);
        QCOMPARE(window.session().expert(), expert);
        const sensor::SensorPage& page = *window.fraSNIMAC;
        for (const QWidget* slide : std::initializer_list<const QWidget*>{
                 page.Label11[0], page.Label11[3], page.cmbSlide, page.cmbSlideRychl})
            QCOMPARE(slide->isHidden(), !expert);
    }

    void startsOnThePortPageWithNothingRunning() {
        WindowRig rig;
        const frmOrvoCalibration& window = rig.start();
        QCOMPARE(window.windowTitle(), QStringLiteral("Toran II {R-40} Kalibrator v%1.%2.%3")
                                           .arg(TORANCAL_VERSION_MAJOR)
                                           .arg(TORANCAL_VERSION_MINOR)
                                           .arg(TORANCAL_VERSION_PATCH));
        QVERIFY(!window.fraCOMM->isHidden());
        for (const QWidget* hidden : std::initializer_list<const QWidget*>{
                 window.fraSNIMAC, window.fraCURVE, window.fraDISPLAY, window.fraSTATUS,
                 window.fraSNIMAC->lblLimitWarning, window.fraDISPLAY->lblILimHI,
                 window.fraDISPLAY->lblILimLO, window.fraDISPLAY->lblIDef,
                 window.fraDISPLAY->lblIBatt, window.fraSNIMAC->chkLimitsEnabled,
                 window.fraSNIMAC->txtSN,
                 window.findChild<QWidget*>(QStringLiteral("frmOrvoCalibInputBox"))})
            QVERIFY2(hidden->isHidden(), qPrintable(hidden->objectName()));
        QCOMPARE(window.fraSNIMAC->txtPopis->text(), QString(32, u' '));
        // Captions that take no language text keep the layout's.
        QCOMPARE(window.fraSNIMAC->lblRozsahPopis->text(), QStringLiteral("Rozsah + [mV/V]"));
        QCOMPARE(window.fraCURVE->lstKrivka->count(), 0);
        QVERIFY(window.fraCURVE->lstKrivka->font().fixedPitch());
        QVERIFY(window.fraSNIMAC->txtDateOfSave->isReadOnly());
        QVERIFY(!window.tmrCasovac.isActive());
        QVERIFY(rig.line.openedPorts().isEmpty());
        QCOMPARE(window.width(), window.twips().px(frmOrvoCalibration::NormalWidthTwips));
        QCOMPARE(window.height(), window.twips().px(frmOrvoCalibration::HeightTwips));
    }

    void centringUsesWholeTwips() {
        QCOMPARE(ui::centredOriginTwips({19200, 14400}, {5326, 6630}), QPoint(6937, 3885));
        // An odd difference is cut.
        QCOMPARE(ui::centredOriginTwips({19200, 14401}, {5325, 6630}), QPoint(6937, 3885));
        QCOMPARE(ui::centredOriginTwips({4000, 6000}, {5325, 6630}), QPoint(-662, -315));
    }

    void expertFramesShowOnlyWhenWidened() {
        WindowRig rig;
        frmOrvoCalibration& window = rig.start();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto frames = {static_cast<QWidget*>(window.fraORVODISPLAY),
                             static_cast<QWidget*>(window.fraORVOSETUP)};
        for (QWidget* frame : frames) {
            QVERIFY(frame->geometry().left() >= window.width());
            QVERIFY(frame->visibleRegion().isEmpty());
        }
        window.setWindowWidthTwips(frmOrvoCalibration::ExpertWidthTwips);
        QCOMPARE(window.windowWidthTwips(), frmOrvoCalibration::ExpertWidthTwips);
        QCOMPARE(window.width(), window.twips().px(frmOrvoCalibration::ExpertWidthTwips));
        for (QWidget* frame : frames) {
            QVERIFY(window.rect().contains(frame->geometry()));
            QVERIFY(!frame->visibleRegion().isEmpty());
        }
    }

    void ctrlRightClickOnDescriptionLabelSwitchesExpertMode() {
        WindowRig rig;
        frmOrvoCalibration& window = rig.start();
        window.fraCOMM->hide();
        window.fraSNIMAC->show();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Only the last click switches.
        const std::pair<Qt::MouseButton, Qt::KeyboardModifiers> clicks[] = {
            {Qt::RightButton, {}},
            {Qt::RightButton, Qt::ControlModifier | Qt::ShiftModifier},
            {Qt::LeftButton, Qt::ControlModifier},
            {Qt::RightButton, Qt::ControlModifier}};
        for (const auto& [button, modifiers] : clicks) {
            QCOMPARE(window.session().expert(), false);
            QTest::mouseClick(window.fraSNIMAC->Label2, button, modifiers);
        }
        QCOMPARE(window.session().expert(), true);
        // The averaging controls wait for the next start.
        QVERIFY(window.fraSNIMAC->cmbSlide->isHidden());
    }

    void cancelOrCloseEndsAtOnce_data() {
        QTest::addColumn<bool>("byCancel");
        QTest::addColumn<bool>("duringAction");
        QTest::newRow("Cancel") << true << false;
        QTest::newRow("closing the window") << false << false;
        QTest::newRow("Cancel during an action") << true << true;
        QTest::newRow("closing during an action") << false << true;
    }

    void cancelOrCloseEndsAtOnce() {
        QFETCH(bool, byCancel);
        QFETCH(bool, duringAction);
        WindowRig rig;
        rig.line.attach(1);
        frmOrvoCalibration& window = rig.start();
        QVERIFY(rig.activate());
        QCOMPARE(rig.line.open(), device::OpenResult::Opened);
        window.tmrCasovac.start();
        if (duringAction) {
            bool endedInsideTheWait = true;
            rig.clock.setOnDelay([&] {
                endBy(window, byCancel);
                endedInsideTheWait = window.hasEnded();
            });
            bool finished = false;
            QVERIFY(window.session().runner().run([&](const device::Link&) {
                rig.line.send("$00@\r");
                rig.clock.delay(100ms);
                rig.line.send("$00@\r");
                finished = true;
            }));
            QVERIFY(!finished);
            QVERIFY(!endedInsideTheWait);
            QVERIFY(!window.lineBusy());
        } else {
            endBy(window, byCancel);
        }
        QVERIFY(window.hasEnded());
        QVERIFY(rig.lifecycle.endRequested());
        QVERIFY(!rig.line.isOpen());
        QVERIFY(!window.tmrCasovac.isActive());
        QVERIFY(!window.isVisible());
        QVERIFY(rig.messages.shown.isEmpty());
        QVERIFY(
            !window.session().runner().run([&](const device::Link&) { rig.line.send("$00M\r"); }));
        QCOMPARE(rig.line.instrument(1).frameCount(), duringAction ? 1 : 0);
    }
};

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"
