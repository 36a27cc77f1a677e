// The main window outside the wizard's steps.

#include "core/instrument/LiveSignal.h"
#include "core/instrument/SetupReadout.h"
#include "core/text/LanguageTable.h"
#include "sim/SensorBlock.h"
#include "tests/support/WindowRig.h"
#include "views/calibration/CurvePage.h"
#include "views/calibration/PointDialog.h"
#include "views/common/QtTranslations.h"
#include "views/common/WindowPlacement.h"
#include "views/instrument/PortPage.h"
#include "views/instrument/PortSearchAction.h"
#include "views/instrument/SignalPanels.h"
#include "views/instrument/StatusPanel.h"
#include "views/instrument/SystemCalibrationFrame.h"
#include "views/sensor/SensorPage.h"
#include "views/session/SensorView.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

using namespace std::chrono_literals;
using app::frmOrvoCalibration;

namespace {

constexpr int Port = 4;

// The window, the wizard not started.
struct Rig : testsupport::InstrumentRig {
    Rig() : InstrumentRig(Port) {
        sim::SensorBlockContent sensor = sim::defaultExternalSensor();
        sensor.decimals = 3;
        sensor.points = {{0.0, 0.0}, {0.198, 1.234}};
        instrument().setBlock(0, sim::makeSensorBlock(sensor));
        instrument().setSetupFloat(sim::Instrument::rangeZeroAddress(sensor.gain), 32768.0);
        instrument().setSetupFloat(sim::Instrument::rangeKAddress(sensor.gain), 0.0015);
        instrument().setLoad(0.198);
        instrument().setRangeFlags(0x80);
    }
    // As a connect leaves it: the port open and the sensor's constants active.
    void connect() {
        start();
        window->session().live().ActiveZero = 32768.0F;
        window->session().live().ActiveK = 0.0015F;
        window->session().sensors().CurrentSensor.UnitFormat = QStringLiteral("##0.000");
        QVERIFY(line.setPortNumber(Port) && line.open() == device::OpenResult::Opened);
    }
    // One tick of tmrCasovac, 200 ms after the last.
    void tick() {
        clock.advance(200ms);
        window->PollSignal();
    }
    // The signal, the raw and the display value, the battery.
    [[nodiscard]] QStringList values() const {
        const device::InstrumentDisplayFrame& expert = *window->fraORVODISPLAY;
        return {window->fraDISPLAY->lblSignal->text(), expert.lblSignalDIV->text(),
                expert.lblSignalDISP->text(), expert.lblBAT->text()};
    }
};

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // The port page, nothing open and nothing polled.
    void startsOnThePortPageWithNothingRunning() {
        Rig rig;
        QFile::remove(rig.languageFile);
        const frmOrvoCalibration& window = rig.start();
        QCOMPARE(rig.shownFrames(), QStringList{"fraCOMM"});
        QVERIFY(window.findChild<QWidget*>(QStringLiteral("frmOrvoCalibInputBox"))->isHidden());
        QVERIFY(!window.tmrCasovac.isActive() && rig.line.openedPorts().isEmpty());
        QCOMPARE(window.cmdNext->text(), QString());
        QVERIFY(rig.messages.shown.isEmpty());
        QCOMPARE(ui::centredOriginTwips({19200, 14401}, {5325, 6630}), QPoint(6937, 3885));
        QCOMPARE(ui::centredOriginTwips({4000, 6000}, {5325, 6630}), QPoint(-662, -315));
        QVERIFY(!window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    }

    // A window beside another: right, left, narrowed on the wider side, below, above, or none.
    void placesBeside_data() {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("placed"); // null: nowhere
        const QSize dialog(300, 100);
        QTest::newRow("right") << QRect(100, 50, 400, 400) << dialog << QRect(508, 50, 300, 100);
        QTest::newRow("left") << QRect(600, 950, 400, 400) << dialog << QRect(292, 924, 300, 100);
        QTest::newRow("narrowed right")
            << QRect(360, 0, 500, 400) << QSize(700, 500) << QRect(868, 0, 412, 500);
        QTest::newRow("below") << QRect(100, 0, 1100, 400) << dialog << QRect(100, 408, 300, 100);
        QTest::newRow("above") << QRect(100, 600, 1100, 424) << dialog << QRect(100, 492, 300, 100);
        QTest::newRow("nowhere") << QRect(100, 100, 1100, 850) << dialog << QRect();
    }
    void placesBeside() {
        QFETCH(QRect, anchor);
        QFETCH(QSize, size);
        const std::optional<QRect> placed =
            ui::besideRect(QRect(0, 0, 1280, 1024), anchor, size, 350);
        QTEST(placed.value_or(QRect()), "placed");
    }

    // A window moved onto the screen's free area, and shrunk where it is larger.
    void fitsTheScreen_data() {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("fitted");
        QTest::newRow("fits") << QRect(300, 100, 617, 463) << QRect(300, 100, 617, 463);
        QTest::newRow("off right") << QRect(286, 69, 1232, 905) << QRect(48, 69, 1232, 905);
        QTest::newRow("above the panel") << QRect(0, 0, 400, 300) << QRect(0, 24, 400, 300);
        QTest::newRow("too large") << QRect(200, 100, 1232, 1100) << QRect(48, 24, 1232, 1000);
        QTest::newRow("wider than the screen")
            << QRect(-50, 60, 1400, 905) << QRect(0, 60, 1280, 905);
    }
    void fitsTheScreen() {
        QFETCH(QRect, frame);
        QTEST(ui::fittedFrame(QRect(0, 24, 1280, 1000), frame), "fitted");
    }

    // The port list shows the whole entry and scrolls beyond 15 rows.
    void portListFits() {
        Rig rig;
        frmOrvoCalibration& window = rig.start();
        window.show();
        app::PortList& ports = *window.fraCOMM->cmbPort;
        ports.setEntries(QStringList(49, QStringLiteral("COM1  /dev/pts/12")));
        QVERIFY(ports.width() > ports.fontMetrics().horizontalAdvance(ports.itemText(0)) +
                                    ports.iconSize().width());
        ports.showPopup();
        const int rowHeight = ports.view()->sizeHintForRow(0);
        QVERIFY(ports.view()->height() <= (app::PortList::MaxVisiblePorts + 1) * rowHeight);
        QVERIFY(ports.view()->verticalScrollBar()->isVisible());
        ports.hidePopup();
    }

    // The averaging controls show in expert mode only.
    void commandLineSwitchesExpertMode() {
        for (const auto& [line, expert] :
             {std::pair{"  EXPERT  ", true}, {"expert now", false}, {"", false}}) {
            Rig rig;
            const frmOrvoCalibration& window = rig.start(QString::fromLatin1(line));
            QCOMPARE(window.session().expert(), expert);
            QCOMPARE(window.fraSNIMAC->cmbSlide->isHidden(), !expert);
        }
    }

    // Cancel, or closing the window, ends the program.
    void cancelOrCloseEnds() {
        for (const bool byCancel : {true, false}) {
            Rig rig;
            rig.connect();
            frmOrvoCalibration& window = *rig.window;
            QVERIFY(rig.activate());
            window.tmrCasovac.start();
            bool stayedDuringTheWait = false;
            rig.clock.setOnDelay([&] {
                window.close();
                stayedDuringTheWait = window.isVisible();
            });
            if (byCancel)
                QTest::mouseClick(window.cmdCancel, Qt::LeftButton);
            else
                QVERIFY(window.session().runner().run(
                    [&](const device::Link& link) { link.delay(100ms); }));
            QCOMPARE(stayedDuringTheWait, !byCancel);
            QVERIFY(window.hasEnded() && !window.isVisible());
            QVERIFY(!rig.line.isOpen() && !window.tmrCasovac.isActive());
            QVERIFY(rig.messages.shown.isEmpty());
        }
    }

    // The entries of the stored values.
    void storedSettingsSelectTheirEntries() {
        Rig rig;
        frmOrvoCalibration& window = rig.start();
        const sensor::SensorPage& page = *window.fraSNIMAC;
        page.cmbFormat->addItems(device::displayFormats(4));
        sensor::SensorRecord& sensor = window.session().sensors().CurrentSensor;
        sensor.Decimals = 3;
        sensor.GainIndex = 7;
        sensor.Slide = sensor.SlideRychl = 11;
        window.sensorView().ShowSensor();
        QCOMPARE((QStringList{page.cmbFormat->currentText(), page.cmbGain->currentText(),
                              page.cmbSlide->currentText(), page.cmbSlideRychl->currentText()}),
                 (QStringList{"9.999", "+/-  3.91 mV/V", "12", "OFF"}));
    }

    // The expert boxes edit the session's constants, which the read-out and the save use.
    // The sensor page's save refuses what Next refuses before it asks; confirmed, it writes the
    // sensor.
    void saveButtonChecksThePageFirst() {
        testsupport::InstrumentRig rig(Port);
        frmOrvoCalibration& window = rig.startAt(session::WizardStep::CurvePage);
        window.fraSNIMAC->txtPopis->setText(QString(21, u'x'));
        window.fraSNIMAC->cmdAction[1]->click();
        QCOMPARE(rig.messages.texts(), QStringList{"T60"});
        window.fraSNIMAC->txtPopis->setText(QStringLiteral("Siloměr"));
        rig.messages.answer(text::MsgAnswer::Yes);
        window.fraSNIMAC->cmdAction[1]->click();
        QCOMPARE(rig.messages.texts(), QStringList({"T60", "T46"}));
        QVERIFY(!rig.framesOf("KW").isEmpty());
    }

    void rangeBoxesEditTheConstants() {
        Rig rig;
        frmOrvoCalibration& window = rig.start();
        window.fraORVOSETUP->txtskK[5]->setText(QStringLiteral("1,5 E-3"));
        QCOMPARE(window.session().constants().k[5], QStringLiteral("1,5 E-3"));
    }

    // Each tick shows the reply to the request of the tick before and asks again. Two polls
    // without a reading grey the values and lamps and say so in the title, until one comes.
    void repliesReachTheDisplays() {
        Rig rig;
        rig.connect();
        rig.window->session().runner().startPolling();
        const device::SignalDisplayFrame& lamps = *rig.window->fraDISPLAY;
        rig.tick();
        QCOMPARE(rig.values().first(), QStringLiteral("-----"));
        rig.tick();
        QCOMPARE(rig.values(), (QStringList{"   0.198", "32900", "1.234 ", "B=200"}));
        QVERIFY(!lamps.lblILimLO->isHidden() && lamps.lblILimHI->isHidden());
        rig.instrument().addFault({sim::FaultKind::NoReply, sim::Command::Measure, 0, 1, {}});
        rig.tick();
        rig.tick();
        QCOMPARE(rig.values(), (QStringList{"-----", "32900", "1.234 ", "B=200"}));
        for (const int status : {0x02, 0x00}) {
            rig.instrument().setStatus(status);
            rig.tick();
            rig.tick();
            QCOMPARE(lamps.lblIDef->isHidden(), status == 0);
        }
        QCOMPARE(rig.instrument().frames(), QList<QByteArray>(8, "$00M"));
        QVERIFY(rig.window->session().runner().run([&](const device::Link&) { rig.tick(); }));
        QCOMPARE(rig.instrument().frameCount(), 8);
        QVERIFY(rig.messages.shown.isEmpty());

        const auto greyed = [&](bool off) {
            for (const QWidget* shown : std::initializer_list<const QWidget*>{
                     lamps.lblSignal, lamps.lblIIntExt, rig.window->fraORVODISPLAY->lblSignalDIV})
                QCOMPARE(shown->isEnabled(), !off);
            QCOMPARE(lamps.title(), off ? rig.window->LangText().text(302) : QString());
        };
        rig.instrument().addFault({sim::FaultKind::NoReply, sim::Command::Measure, 0, 2, {}});
        rig.tick();
        rig.tick();
        greyed(false);
        rig.tick();
        greyed(true);
        rig.tick();
        greyed(false);
    }

    // A lost port is reported once, in a modal box behind which the timer's ticks do nothing.
    void lostPortIsReportedOnceAndReopened() {
        using Tick = device::LiveSignal::Tick;
        Rig rig;
        rig.connect();
        frmOrvoCalibration& window = *rig.window;
        window.session().runner().startPolling();
        rig.tick();
        rig.line.vanish();
        QList<Tick> behind;
        rig.messages.whileShown = [&] { behind.append(window.liveSignal().tick()); };
        for (int i = 0; i < 5; ++i)
            rig.tick();
        rig.messages.whileShown = nullptr;
        QCOMPARE(behind, QList<Tick>{Tick::Skipped});
        QCOMPARE(rig.messages.texts(), QStringList{"COM4: T64\r\nT65"});
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Critical);
        QVERIFY(!rig.line.isOpen() && window.tmrCasovac.isActive());
        QCOMPARE(rig.values().first(), QStringLiteral("-----"));
        QCOMPARE(rig.instrument().frameCount(), 1);
        std::shared_ptr<bool> dialogShown = rig.answerPointDialog();
        window.fraCURVE->cmdSCAN->click();
        QTest::qWait(0);
        QVERIFY(!*dialogShown);
        QCOMPARE(rig.messages.shown.size(), 2);

        rig.line.reappear();
        for (int i = 0; i < 12; ++i) // until the signal has been stable for its hold time
            rig.tick();
        QCOMPARE(rig.line.openedPorts(), QList<int>({Port, Port}));
        dialogShown = rig.answerPointDialog();
        window.fraCURVE->cmdSCAN->click();
        QVERIFY(*dialogShown);
        QCOMPARE(rig.messages.shown.size(), 2);
    }

    // A capture on a noisy signal waits with a countdown that its cancel button ends; once the
    // signal holds, the dialog offers the mean and the point keeps its readings; after 10 s it
    // asks, No first.
    void captureWaitsForAStableSignal() {
        Rig rig;
        rig.connect();
        frmOrvoCalibration& window = *rig.window;
        window.session().runner().startPolling();
        const auto ticks = [&](int count) {
            for (int i = 0; i < count; ++i)
                rig.tick();
        };
        rig.instrument().setNoise(0.05);
        ticks(12);
        QVERIFY(window.fraDISPLAY->lblStable->text().isEmpty());
        window.captureAction->trigger();
        QVERIFY(!window.fraSTATUS->isHidden() && !window.fraSTATUS->cmdStatusCancel->isHidden());
        QCOMPARE(window.fraSTATUS->lblStatus->text(), text::BuiltInText(541).arg(10));
        window.fraSTATUS->cmdStatusCancel->click(); // what Esc presses
        QVERIFY(window.fraSTATUS->isHidden());

        window.captureAction->trigger();
        rig.instrument().setNoise(0.0);
        ticks(12);
        QVERIFY(window.fraSTATUS->isHidden());
        QCOMPARE(window.fraDISPLAY->lblStable->text(), text::BuiltInText(540));
        const std::shared_ptr<bool> shown = rig.answerPointDialog(QStringLiteral("1.234"));
        QTest::qWait(0);
        QVERIFY(*shown);
        const float signal = window.session().live().SignalMVV;
        QCOMPARE(window.session().curve().point(1).signal, signal);
        QCOMPARE(window.session().captures().of(signal)->readings, 10);

        rig.instrument().setNoise(0.05);
        ticks(2);
        window.captureAction->trigger();
        ticks(50);
        QCOMPARE(rig.messages.texts().last(), text::BuiltInText(542).arg(10));
        QCOMPARE(rig.messages.shown.last().buttons, text::MsgButtons::YesNo);
        QVERIFY(window.fraSTATUS->isHidden());
        QCOMPARE(window.session().curve().PointCount(), 1);
    }

    // The message boxes' standard buttons come in the program's language from Qt's own files.
    void standardButtonsSpeakTheProgramsLanguage() {
        for (const auto& [language, expected] : {std::pair{session::Language::Czech, "Ano/Ne"},
                                                 {session::Language::English, "Yes/No"}}) {
            QTranslator* translator =
                app::installQtTranslations(*qApp, session::languageLocale(language));
            if (translator == nullptr)
                QSKIP("Qt's translations are not installed (qt6-translations-l10n)");
            QMessageBox box(QMessageBox::Question, {}, {}, QMessageBox::Yes | QMessageBox::No);
            const QString buttons =
                box.button(QMessageBox::Yes)->text() + u'/' + box.button(QMessageBox::No)->text();
            QCoreApplication::removeTranslator(translator);
            QCOMPARE(QString(buttons).remove(u'&'), expected);
        }
    }

    // F1 shows the keys and what they do.
    void f1ShowsTheKeys() {
        Rig rig;
        frmOrvoCalibration& window = rig.start();
        QVERIFY(rig.activate());
        QTest::keyClick(&window, Qt::Key_F1);
        auto* keys = window.findChild<QDialog*>(QStringLiteral("frmKeys"));
        QVERIFY(keys != nullptr && keys->isVisible());
        QStringList shown;
        for (const QLabel* label : keys->findChildren<QLabel*>())
            shown.append(label->text());
        for (const QString& expected :
             {QStringLiteral("F2"), QStringLiteral("F3"), QStringLiteral("F4"), QStringLiteral("F9"),
              text::BuiltInText(346), text::BuiltInText(352), text::BuiltInText(600)})
            QVERIFY2(shown.contains(expected), qPrintable(shown.join(u'|')));
        QCOMPARE(shown.size(), 25);

        // The language chosen here is kept for the next start, which the operator is told.
        auto* language = keys->findChild<QComboBox*>(QStringLiteral("cmbLanguage"));
        QCOMPARE(language->currentText(), QStringLiteral("\u010ce\u0161tina"));
        language->setCurrentIndex(1);
        emit language->activated(1);
        QVERIFY(rig.languageSetting.language() == session::Language::English);
        QCOMPARE(rig.messages.texts(), QStringList{text::BuiltInText(601)});
    }

    // The navigation is locked while the search runs; what it found is said and selected. A
    // refused port names the group that owns its device.
    void portSearchButton() {
        for (const bool found : {true, false}) {
            Rig rig;
            rig.portSetting.setComPort(0);
            QTemporaryDir devices;
            const QString device = devices.filePath(QStringLiteral("COM%1").arg(Port));
            QVERIFY(QFile(device).open(QIODevice::WriteOnly));
            rig.line.setDeviceDirectory(devices.path());
            if (!found)
                rig.line.setPortState(Port, sim::SimulatedLine::PortState::PermissionDenied);
            frmOrvoCalibration& window = rig.start();
            const QList<QPushButton*> navigation{window.cmdBack, window.cmdNext, window.cmdCancel,
                                                 window.fraCOMM->cmdSCANTORAN};
            bool enabledDuringSearch = false;
            rig.clock.setOnDelay([&] {
                for (const QPushButton* button : navigation)
                    enabledDuringSearch |= button->isEnabled();
            });
            window.fraCOMM->cmdSCANTORAN->click();
            QVERIFY(!enabledDuringSearch);
            for (const QPushButton* button : navigation)
                QVERIFY(button->isEnabled());
            const text::LanguageTable builtIn;
            QCOMPARE(
                rig.messages.texts(),
                QStringList{found ? QStringLiteral("T50 4")
                                  : QStringLiteral("T51 ") +
                                        app::permissionAdvice(builtIn, QFileInfo(device).group())});
            QCOMPARE(rig.messages.shown.first().icon,
                     found ? text::MsgIcon::Information : text::MsgIcon::Exclamation);
            QCOMPARE(window.fraCOMM->cmbPort->currentText(), found ? "COM4" : "COM1");
            QCOMPARE(window.fraCOMM->cmbPort->toolTip(), window.fraCOMM->cmbPort->currentText());
        }
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
