#include "app/PortPage.h"
#include "app/StatusPanel.h"
#include "calibration/CurvePage.h"
#include "calibration/SystemCalibrationFrame.h"
#include "device/SignalPanels.h"
#include "sensor/SensorPage.h"
#include "tests/support/WindowRig.h"
#include "ui/WindowPlacement.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
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

QStringList entriesOf(const QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries.append(list->itemText(i));
    return entries;
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
            if (withFile)
                rig.writeLanguageFile(file);
            const frmOrvoCalibration& window = rig.start();
            for (const auto& [name, number] : captions)
                QCOMPARE(captionOf(window.findChild<QObject*>(name)),
                         withFile ? QStringLiteral("Text č. %1").arg(number) : QString());
            QVERIFY(rig.messages.shown.isEmpty());
            QVERIFY(rig.line.openedPorts().isEmpty());
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
        row("experts", false);
        row("-expert", false);
        row("", false);
    }

    void commandLineSwitchesExpertMode() {
        QFETCH(QString, commandLine);
        QFETCH(bool, expert);
        WindowRig rig;
        const frmOrvoCalibration& window = rig.start(commandLine);
        QCOMPARE(window.shellState().ExpertMode, expert ? 2 : 0);
        const sensor::SensorPage& page = *window.fraSNIMAC;
        for (const QWidget* slide : std::initializer_list<const QWidget*>{
                 page.Label11[0], page.Label11[3], page.cmbSlide, page.cmbSlideRychl})
            QCOMPARE(slide->isHidden(), !expert);
    }

    // The parsing of the stored text is the number reading's own (see tst_encoding).
    void rememberedPortIsSelected_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("selected");
        const auto row = [](const char* stored, const char* selected) {
            QTest::newRow(stored ? stored : "nothing stored") << QString(stored) << selected;
        };
        row(nullptr, "COM1");
        for (const char* outside : {"0", "-3", "50"})
            row(outside, "COM1");
        row("49", "COM49");
    }

    void rememberedPortIsSelected() {
        QFETCH(QString, stored);
        QFETCH(QString, selected);
        WindowRig rig;
        if (!stored.isNull())
            rig.settings.setValue(QStringLiteral("Default/ComPort"), stored);
        QCOMPARE(rig.start().fraCOMM->cmbPort->currentText(), selected);
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
        QCOMPARE(window.tmrCasovac.interval(), 200);
        QCOMPARE(window.shellState().WizardStep, 0);
        QVERIFY(!window.shellState().activatedOnce);
        QVERIFY(rig.line.openedPorts().isEmpty());
        QCOMPARE(window.width(), window.twips().px(frmOrvoCalibration::NormalWidthTwips));
        QCOMPARE(window.height(), window.twips().px(frmOrvoCalibration::HeightTwips));

        QCOMPARE(entriesOf(window.fraSNIMAC->cmbSlide),
                 QStringList({"OFF", "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "10",
                              "12",  "15", "16", "20", "25", "30", "32", "40", "50", "64"}));
        QCOMPARE(entriesOf(window.fraSNIMAC->cmbSlideRychl),
                 QStringList({"OFF", "2", "3", "4", "5", "6", "7", "8", "9", "10", "12", "15", "20",
                              "30", "40", "50"}));
        QCOMPARE(
            entriesOf(window.fraSNIMAC->cmbGain),
            QStringList({"+/- 500.0 mV/V", "+/- 250.0 mV/V", "+/- 125.0 mV/V", "+/- 62.50 mV/V",
                         "+/- 31.25 mV/V", "+/- 15.63 mV/V", "+/-  7.81 mV/V", "+/-  3.91 mV/V"}));
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
            QCOMPARE(window.shellState().ExpertMode, 0);
            QTest::mouseClick(window.fraSNIMAC->Label2, button, modifiers);
        }
        QCOMPARE(window.shellState().ExpertMode, 2);
        // Nothing else changes at that moment.
        QVERIFY(window.fraSNIMAC->cmbSlide->isHidden());
        QCOMPARE(window.windowWidthTwips(), frmOrvoCalibration::NormalWidthTwips);
    }

    // Enter elsewhere is Next (see tst_wizard).
    void enterPressesTheFocusedButton() {
        WindowRig rig;
        frmOrvoCalibration& window = rig.start();
        QVERIFY(rig.activate());
        QVERIFY(window.shellState().activatedOnce);
        QSignalSpy next(window.cmdNext, &QAbstractButton::clicked);
        QSignalSpy search(window.fraCOMM->cmdSCANTORAN, &QAbstractButton::clicked);
        window.fraCOMM->cmdSCANTORAN->setFocus();
        QTest::keyClick(window.fraCOMM->cmdSCANTORAN, Qt::Key_Return);
        QCOMPARE(search.count(), 1);
        QCOMPARE(next.count(), 0);
        QVERIFY(!window.hasEnded());
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
            QVERIFY(window.runExclusive([&] {
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
        QVERIFY(!window.runExclusive([&] { rig.line.send("$00M\r"); }));
        QCOMPARE(rig.line.instrument(1).frameCount(), duringAction ? 1 : 0);
    }

    void criticalSectionDefersTheEnd() {
        WindowRig rig;
        rig.line.attach(1);
        frmOrvoCalibration& window = rig.start();
        QVERIFY(rig.activate());
        QCOMPARE(rig.line.open(), device::OpenResult::Opened);
        rig.clock.setOnDelay([&] { window.close(); });
        bool endedInsideTheSection = true;
        window.runExclusive([&] {
            {
                ui::Lifecycle::CriticalSection writing(rig.lifecycle);
                for (int frame = 0; frame < 3; ++frame) {
                    rig.line.send("$00@\r");
                    rig.clock.delay(100ms);
                }
                endedInsideTheSection = window.hasEnded() || !window.isVisible();
            }
            rig.clock.delay(100ms);
            rig.line.send("$00@\r");
        });
        QVERIFY(!endedInsideTheSection);
        QCOMPARE(rig.line.instrument(1).frameCount(), 3);
        QVERIFY(window.hasEnded());
        QVERIFY(!rig.line.isOpen());
    }
};

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"
