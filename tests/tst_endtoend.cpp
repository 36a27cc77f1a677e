#include "core/calibration/CurveTable.h"
#include "core/instrument/Clock.h"
#include "core/instrument/Lifecycle.h"
#include "core/instrument/LiveValues.h"
#include "core/instrument/QtSerialLine.h"
#include "core/sensor/SensorImage.h"
#include "core/session/PortSetting.h"
#include "sim/SensorBlock.h"
#include "tests/support/ExpectedImage.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/SimProcess.h"
#include "tests/support/WindowRig.h"
#include "views/CurvePage.h"
#include "views/PointDialog.h"
#include "views/PortPage.h"
#include "views/SensorPage.h"
#include "views/Services.h"
#include "views/frmOrvoCalibration.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <memory>

using app::frmOrvoCalibration;

namespace {

constexpr int Port = 4;
// Generous: only a hung exchange comes near it.
constexpr int ReadingDeadlineMs = 15000;

struct Capture {
    double load;    // mV/V put on the simulator's input
    QString etalon; // typed into the point dialog
    bool byKey;     // F5 rather than the capture button
};

// Types `text` into a line edit as the operator does: the old text selected and typed over.
void typeInto(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    for (const QChar character : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(character), Qt::NoModifier);
}

using testsupport::pointsOf;
using testsupport::withoutSaveDate;

// toran-sim on a pseudo-terminal at COM4 and the real window on QSerialPort and the event
// loop's clock; the port is remembered, every language text N reads "TN".
struct PtyRig {
    QTemporaryDir ports;
    testsupport::SimProcess sim;
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    session::PortSetting portSetting{settings};
    device::Lifecycle lifecycle;
    device::EventLoopClock clock{lifecycle};
    device::QtSerialLine line{ports.path()};
    testsupport::ScriptedMessages messages;
    std::unique_ptr<frmOrvoCalibration> window;

    explicit PtyRig(const QStringList& simArguments)
        : sim(ports.filePath(QStringLiteral("COM%1").arg(Port)), simArguments) {
        portSetting.setComPort(Port);
    }

    // Shows the window; false when the simulator or the window did not come up.
    bool start() {
        if (!sim.isReady())
            return false;
        const QString languageFile = dir.filePath(QStringLiteral("ToranCal.lang"));
        testsupport::writeNumberedTexts(languageFile);
        window = std::make_unique<frmOrvoCalibration>(
            app::Services{line, clock, messages, lifecycle, portSetting, languageFile, {}});
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }

    // Puts `load` on the input and waits until the window shows it.
    bool signalFollows(double load) {
        if (sim.command(QStringLiteral("load %1").arg(load)) != u"ok")
            return false;
        return QTest::qWaitFor(
            [&] { return std::fabs(window->session().live().SignalMVV - load) < 1e-3; },
            ReadingDeadlineMs);
    }

    [[nodiscard]] QByteArray block() {
        return QByteArray::fromHex(sim.command(QStringLiteral("block 0")).toLatin1());
    }
};

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale::c());
        if (testsupport::SimProcess::executable().isEmpty())
            QSKIP("toran-sim not found (TORANCAL_BIN_DIR)");
    }

    // A whole calibration against toran-sim over a pseudo-terminal and QSerialPort.
    void wholeCalibration() {
        PtyRig rig({});
        QVERIFY2(rig.start(), qPrintable(rig.sim.error()));
        frmOrvoCalibration& window = *rig.window;
        testsupport::ScriptedMessages& messages = rig.messages;

        // Port page, then connect.
        QCOMPARE(window.fraCOMM->cmbPort->currentText(), QStringLiteral("COM%1").arg(Port));
        QTest::mouseClick(window.cmdNext, Qt::LeftButton);
        QCOMPARE(static_cast<int>(window.session().step()), 2);
        QVERIFY(messages.shown.isEmpty());

        // Sensor page: a new description, unit, format and ranges.
        sensor::SensorPage& page = *window.fraSNIMAC;
        sim::SensorBlockContent expected = sim::defaultExternalSensor();
        expected.description = QStringLiteral("Siloměr S-40");
        expected.unit = QStringLiteral("kN");
        expected.decimals = 1;
        expected.fullScale = 150.0;
        expected.fullScaleNeg = -120.0;
        typeInto(page.txtPopis, expected.description);
        typeInto(page.txtJednotka, expected.unit);
        QCOMPARE(page.lblRozsahPopis->text(), QStringLiteral("T66 [kN]"));
        page.cmbFormat->setCurrentIndex(1);
        QCOMPARE(page.cmbFormat->currentText(), QStringLiteral("9999.9"));
        typeInto(page.txtRozsah, QStringLiteral("150"));
        typeInto(page.txtRozsahNeg, QStringLiteral("-120"));
        QTest::mouseClick(window.cmdNext, Qt::LeftButton);
        QCOMPARE(static_cast<int>(window.session().step()), 3);
        QVERIFY(messages.shown.isEmpty());
        QVERIFY(window.tmrCasovac.isActive());
        QCOMPARE(window.fraCURVE->lblCEth->text(), QStringLiteral("Etalon [kN]"));

        // Curve page: a new curve, one point per load.
        messages.answer(text::MsgAnswer::Yes);
        window.fraCURVE->cmdListAction[2]->click();
        QCOMPARE(window.session().curve().PointCount(), 0);
        const QList<Capture> captures{{-1.0, QStringLiteral("-50"), false},
                                      {0.5, QStringLiteral("25"), true},
                                      {1.5, QStringLiteral("75"), false},
                                      {3.0, QStringLiteral("150"), false}};
        calibration::frmOrvoCalibInputBox& dialog = window.InputBox();
        for (const Capture& capture : captures) {
            QVERIFY(rig.signalFollows(capture.load));

            // The shortcut answers once the window is active again after the last dialog (the
            // offscreen platform leaves the closed dialog active).
            window.activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), &window);
            const auto typed = std::make_shared<bool>(false);
            QTimer::singleShot(0, &dialog, [&dialog, typed, etalon = capture.etalon] {
                *typed = dialog.isVisible();
                typeInto(dialog.txtCalBod[1], etalon);
                QTest::keyClick(dialog.txtCalBod[1], Qt::Key_Return);
            });
            if (capture.byKey) {
                QTest::keyClick(&window, Qt::Key_F5);
            } else {
                QTest::mouseClick(window.fraCURVE->cmdSCAN, Qt::LeftButton);
            }
            QVERIFY(*typed);
        }
        // Only the question before the curve was cleared.
        QCOMPARE(messages.texts(), QStringList{"T71"});
        const calibration::CurveTable captured = window.session().curve();
        QCOMPARE(captured.PointCount(), int(captures.size()));
        QCOMPARE(window.fraCURVE->lstKrivka->count(), int(captures.size()));
        for (int slot = 1; slot <= captured.PointCount(); ++slot) {
            QCOMPARE(captured.point(slot).etalon, captures[slot - 1].etalon.toFloat());
            QVERIFY(std::fabs(captured.point(slot).signal - captures[slot - 1].load) < 1e-3);
        }

        // Final step.
        QTest::mouseClick(window.cmdNext, Qt::LeftButton);
        QCOMPARE(messages.texts().last(), QStringLiteral("T56"));
        QCOMPARE(messages.shown.size(), 2);
        QVERIFY(window.hasEnded());
        QVERIFY(!rig.line.isOpen());

        // The sensor block holds what was typed and captured.
        const QByteArray image = testsupport::expectedImage(expected, pointsOf(captured));
        const QByteArray block = rig.block();
        QCOMPARE(block.size(), sim::SensorBlockSize);
        QCOMPARE(withoutSaveDate(block.left(image.size())), withoutSaveDate(image));
        // Reset after the save on leaving the sensor page, after the final save, and at the end.
        QCOMPARE(rig.sim.command(QStringLiteral("resets")), QStringLiteral("3"));
    }

    // A few cells of the fault matrix over the real line: connecting under the fault shows
    // what the operator is told and where the wizard stays; with the fault gone, trying again
    // reaches the sensor page with the sensor read whole.
    void connectUnderFault_data() {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<int>("stepAfter");
        QTest::newRow("$00@ garbage") << "@ garbage" << QStringList{"T53"} << 1;
        QTest::newRow("ER short")
            << "ER short" << QStringList{"Přístroj neodpověděl při čtení své paměti nastavení"}
            << 1;
        QTest::newRow("KB extra") << "KB extra"
                                  << QStringList{"Paměť snímače (INT)", "Paměť snímače (EXT)"} << 2;
    }
    void connectUnderFault() {
        QFETCH(QString, rule);
        QFETCH(QStringList, told);
        QFETCH(int, stepAfter);
        PtyRig rig({"--baud", "0", "--fault", rule});
        QVERIFY2(rig.start(), qPrintable(rig.sim.error()));
        frmOrvoCalibration& window = *rig.window;
        QTest::mouseClick(window.cmdNext, Qt::LeftButton);
        const QStringList shown = rig.messages.texts();
        QCOMPARE(shown.size(), told.size());
        for (qsizetype i = 0; i < told.size(); ++i)
            QVERIFY2(shown[i].startsWith(told[i]), qPrintable(shown[i]));
        QCOMPARE(static_cast<int>(window.session().step()), stepAfter);

        QCOMPARE(rig.sim.command(QStringLiteral("clear-faults")), QStringLiteral("ok"));
        if (stepAfter == 2)
            QTest::mouseClick(window.cmdBack, Qt::LeftButton);
        QTest::mouseClick(window.cmdNext, Qt::LeftButton);
        QCOMPARE(static_cast<int>(window.session().step()), 2);
        QCOMPARE(rig.messages.shown.size(), told.size());
        QCOMPARE(window.fraSNIMAC->txtPopis->text().trimmed(), QStringLiteral("Snímač EXT"));
    }

    // The cable pulled in the middle of both sensor writes: each time the operator is told the
    // write failed, nothing is reset, the curve stays, and once the cable is back the signal
    // returns by itself and Next writes the whole block.
    void cableCutDuringSensorWrites() {
        PtyRig rig({QStringLiteral("--baud"), QStringLiteral("0")});
        QVERIFY2(rig.start(), qPrintable(rig.sim.error()));
        frmOrvoCalibration& window = *rig.window;
        testsupport::ScriptedMessages& messages = rig.messages;
        QTest::mouseClick(window.cmdNext, Qt::LeftButton);
        QCOMPARE(static_cast<int>(window.session().step()), 2);
        const QByteArray original = rig.block();

        sim::SensorBlockContent expected = sim::defaultExternalSensor();
        expected.description = QStringLiteral("Měřicí čidlo žluté");
        typeInto(window.fraSNIMAC->txtPopis, expected.description);
        const QByteArray image =
            testsupport::expectedImage(expected, {{0.0, 0.0}, {1.0, 50.0}, {2.0, 100.0}});
        const calibration::CurveTable points = window.session().curve();
        QCOMPARE(points.PointCount(), 3);

        const auto cutAndReplug = [&](int bytesWritten) {
            const QString writeFailed = messages.texts().last();
            QVERIFY2(writeFailed.startsWith(u"T47 ["), qPrintable(writeFailed));
            // Half written: the head is new, the tail is what was there.
            const QByteArray block = rig.block();
            QCOMPARE(block.left(bytesWritten), image.left(bytesWritten));
            QCOMPARE(block.mid(bytesWritten), original.mid(bytesWritten));
            QCOMPARE(rig.sim.command(QStringLiteral("resets")), QStringLiteral("0"));
            QCOMPARE(static_cast<int>(window.session().step()), 3);
            QVERIFY(window.fraCURVE->isVisible());
            QCOMPARE(pointsOf(window.session().curve()), pointsOf(points));
            QVERIFY(window.cmdNext->isEnabled());
            // The live signal finds the line gone and says so once.
            QTRY_COMPARE_WITH_TIMEOUT(messages.texts().last(), QStringLiteral("T64\r\nT65"),
                                      ReadingDeadlineMs);
            QVERIFY(rig.sim.command(QStringLiteral("plug")).startsWith(u"ready "));
            QVERIFY(rig.signalFollows(0.25 + bytesWritten / 1000.0));
        };

        // Leaving the sensor page writes the new description; the cable goes after 40 bytes.
        QCOMPARE(rig.sim.command(QStringLiteral("hangup KW after 40")), QStringLiteral("ok"));
        QTest::mouseClick(window.cmdNext, Qt::LeftButton);
        cutAndReplug(40);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(messages.shown.size(), 2);

        // The final write is cut after 120 bytes.
        QCOMPARE(rig.sim.command(QStringLiteral("hangup KW after 120")), QStringLiteral("ok"));
        QTest::mouseClick(window.cmdNext, Qt::LeftButton);
        cutAndReplug(120);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(messages.shown.size(), 4);

        // With the cable back, Next writes the whole block, verifies it and ends.
        QTest::mouseClick(window.cmdNext, Qt::LeftButton);
        QCOMPARE(messages.texts().last(), QStringLiteral("T56"));
        QCOMPARE(messages.shown.size(), 5);
        QVERIFY(window.hasEnded());
        QCOMPARE(withoutSaveDate(rig.block().left(image.size())), withoutSaveDate(image));
        QCOMPARE(rig.sim.command(QStringLiteral("resets")), QStringLiteral("2"));
    }
};

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
