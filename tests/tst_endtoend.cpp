// Whole calibrations against toran-sim on a pseudo-terminal: the real window on QSerialPort and
// the event loop's clock, the message boxes scripted.

#include "core/calibration/CurveTable.h"
#include "core/instrument/Clock.h"
#include "core/instrument/Lifecycle.h"
#include "core/instrument/LiveValues.h"
#include "core/instrument/QtSerialLine.h"
#include "core/session/PortSetting.h"
#include "sim/SensorBlock.h"
#include "tests/support/ExpectedImage.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/SimProcess.h"
#include "tests/support/WindowRig.h"
#include "views/CurvePage.h"
#include "views/PointDialog.h"
#include "views/SensorPage.h"
#include "views/Services.h"
#include "views/frmOrvoCalibration.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
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
    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    [[nodiscard]] int step() const { return static_cast<int>(window->session().step()); }
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

    // Connect, new settings, four points captured at four loads, the final save.
    void wholeCalibration() {
        PtyRig rig({});
        QVERIFY2(rig.start(), qPrintable(rig.sim.error()));
        frmOrvoCalibration& window = *rig.window;
        rig.click(window.cmdNext);
        QCOMPARE(rig.step(), 2);

        sensor::SensorPage& page = *window.fraSNIMAC;
        sim::SensorBlockContent expected = sim::defaultExternalSensor();
        expected.description = QStringLiteral("Siloměr S-40");
        expected.unit = QStringLiteral("kN");
        expected.decimals = 1;
        expected.fullScale = 150.0;
        expected.fullScaleNeg = -120.0;
        typeInto(page.txtPopis, expected.description);
        typeInto(page.txtJednotka, expected.unit);
        page.cmbFormat->setCurrentIndex(1);
        typeInto(page.txtRozsah, QStringLiteral("150"));
        typeInto(page.txtRozsahNeg, QStringLiteral("-120"));
        rig.click(window.cmdNext);
        QCOMPARE(rig.step(), 3);
        QVERIFY(rig.messages.shown.isEmpty());

        // A new curve, one point per load.
        rig.messages.answer(text::MsgAnswer::Yes);
        window.fraCURVE->cmdListAction[2]->click();
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
            if (capture.byKey)
                QTest::keyClick(&window, Qt::Key_F5);
            else
                rig.click(window.fraCURVE->cmdSCAN);
            QVERIFY(*typed);
        }
        const QList<QPointF> captured = pointsOf(window.session().curve());
        QCOMPARE(captured.size(), captures.size());
        for (qsizetype i = 0; i < captured.size(); ++i) {
            QCOMPARE(captured[i].y(), captures[i].etalon.toDouble());
            QVERIFY(std::fabs(captured[i].x() - captures[i].load) < 1e-3);
        }

        // The block holds what was typed and captured; a reset followed the save on leaving
        // the sensor page, the final save, and the end.
        rig.click(window.cmdNext);
        QCOMPARE(rig.messages.texts(), QStringList({"T71", "T56"}));
        QVERIFY(window.hasEnded());
        QVERIFY(!rig.line.isOpen());
        const QByteArray image = testsupport::expectedImage(expected, captured);
        const QByteArray block = rig.block();
        QCOMPARE(block.size(), sim::SensorBlockSize);
        QCOMPARE(withoutSaveDate(block.left(image.size())), withoutSaveDate(image));
        QCOMPARE(rig.sim.command(QStringLiteral("resets")), QStringLiteral("3"));
    }

    // Cells of the fault matrix over the real line: connecting under the fault shows what the
    // operator is told and where the wizard stays; with the fault gone, trying again reaches
    // the sensor page with the sensor read whole.
    void connectUnderFault_data() {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<int>("stepAfter");
        QTest::newRow("$00@ garbage") << "@ garbage" << QStringList{"T53"} << 1;
        QTest::newRow("ER short") << "ER short" << QStringList{"Přístroj neodpověděl při čtení"}
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
        rig.click(rig.window->cmdNext);
        const QStringList shown = rig.messages.texts();
        QCOMPARE(shown.size(), told.size());
        for (qsizetype i = 0; i < told.size(); ++i)
            QVERIFY2(shown[i].startsWith(told[i]), qPrintable(shown[i]));
        QCOMPARE(rig.step(), stepAfter);

        QCOMPARE(rig.sim.command(QStringLiteral("clear-faults")), QStringLiteral("ok"));
        if (stepAfter == 2)
            rig.click(rig.window->cmdBack);
        rig.click(rig.window->cmdNext);
        QCOMPARE(rig.step(), 2);
        QCOMPARE(rig.messages.shown.size(), told.size());
        QCOMPARE(rig.window->fraSNIMAC->txtPopis->text().trimmed(), QStringLiteral("Snímač EXT"));
    }

    // The cable pulled in the middle of both sensor writes: each time the operator is told the
    // write failed, nothing is reset, the curve stays, and once the cable is back the signal
    // returns by itself and Next writes the whole block.
    void cableCutDuringSensorWrites() {
        PtyRig rig({QStringLiteral("--baud"), QStringLiteral("0")});
        QVERIFY2(rig.start(), qPrintable(rig.sim.error()));
        frmOrvoCalibration& window = *rig.window;
        rig.click(window.cmdNext);
        QCOMPARE(rig.step(), 2);
        const QByteArray original = rig.block();
        sim::SensorBlockContent expected = sim::defaultExternalSensor();
        expected.description = QStringLiteral("Měřicí čidlo žluté");
        typeInto(window.fraSNIMAC->txtPopis, expected.description);
        const QList<QPointF> points{{0.0, 0.0}, {1.0, 50.0}, {2.0, 100.0}};
        QCOMPARE(pointsOf(window.session().curve()), points);
        const QByteArray image = testsupport::expectedImage(expected, points);

        // Leaving the sensor page writes the new description, the final save the rest; the
        // cable goes after 40 and after 120 bytes.
        for (const int bytesWritten : {40, 120}) {
            QCOMPARE(rig.sim.command(QStringLiteral("hangup KW after %1").arg(bytesWritten)),
                     QStringLiteral("ok"));
            rig.click(window.cmdNext);
            QCOMPARE(rig.messages.texts().last(),
                     QStringLiteral("T47 [-%1]").arg(bytesWritten + 1));
            // Half written: the head is new, the tail is what was there.
            const QByteArray block = rig.block();
            QCOMPARE(block.left(bytesWritten), image.left(bytesWritten));
            QCOMPARE(block.mid(bytesWritten), original.mid(bytesWritten));
            QCOMPARE(rig.sim.command(QStringLiteral("resets")), QStringLiteral("0"));
            QCOMPARE(rig.step(), 3);
            QVERIFY(window.fraCURVE->isVisible());
            QCOMPARE(pointsOf(window.session().curve()), points);
            QVERIFY(window.cmdNext->isEnabled());
            // The live signal finds the line gone and says so once.
            QTRY_COMPARE_WITH_TIMEOUT(rig.messages.texts().last(), QStringLiteral("T64\r\nT65"),
                                      ReadingDeadlineMs);
            QVERIFY(rig.sim.command(QStringLiteral("plug")).startsWith(u"ready "));
            QVERIFY(rig.signalFollows(0.25 + bytesWritten / 1000.0));
        }
        QCOMPARE(rig.messages.shown.size(), 4);

        // With the cable back, Next writes the whole block, verifies it and ends.
        rig.click(window.cmdNext);
        QCOMPARE(rig.messages.texts().last(), QStringLiteral("T56"));
        QCOMPARE(rig.messages.shown.size(), 5);
        QVERIFY(window.hasEnded());
        QCOMPARE(withoutSaveDate(rig.block().left(image.size())), withoutSaveDate(image));
        QCOMPARE(rig.sim.command(QStringLiteral("resets")), QStringLiteral("2"));
    }
};

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
