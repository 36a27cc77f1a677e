// A whole calibration against toran-sim on a pseudo-terminal.

#include "core/instrument/Clock.h"
#include "core/instrument/QtSerialLine.h"
#include "sim/SensorBlock.h"
#include "tests/support/ExpectedImage.h"
#include "tests/support/SimProcess.h"
#include "tests/support/WindowRig.h"
#include "views/calibration/CurvePage.h"
#include "views/calibration/PointDialog.h"
#include "views/sensor/SensorPage.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cmath>

using testsupport::pointsOf;
using testsupport::withoutSaveDate;

namespace {

constexpr int Port = 4;
// Generous: only a hung exchange comes near it.
constexpr int ReadingDeadlineMs = 15000;

// Types `text` into a line edit as the operator does: the old text selected and typed over.
void typeInto(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    for (const QChar character : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(character), Qt::NoModifier);
}

// toran-sim at its own pace on a pseudo-terminal at COM4 and the real window on QSerialPort and
struct PtyRig {
    QTemporaryDir ports;
    testsupport::SimProcess sim{ports.filePath(QStringLiteral("COM%1").arg(Port)), {}};
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    session::PortSetting portSetting{settings};
    device::Lifecycle lifecycle;
    device::EventLoopClock clock{lifecycle};
    device::QtSerialLine line{ports.path()};
    testsupport::ScriptedMessages messages;
    std::unique_ptr<app::frmOrvoCalibration> window;

    // Shows the window; false when the simulator or the window did not come up.
    bool start() {
        if (!sim.isReady())
            return false;
        portSetting.setComPort(Port);
        const QString languageFile = dir.filePath(QStringLiteral("ToranCal.lang"));
        testsupport::writeNumberedTexts(languageFile);
        window = std::make_unique<app::frmOrvoCalibration>(
            app::Services{line, clock, messages, lifecycle, portSetting, languageFile, {}, {}});
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }
    // Puts `load` on the input and waits until the window shows it.
    bool signalFollows(double load) {
        return sim.command(QStringLiteral("load %1").arg(load)) == u"ok" &&
               QTest::qWaitFor(
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

    // Connect and type new settings.
    void wholeCalibration() {
        PtyRig rig;
        QVERIFY2(rig.start(), qPrintable(rig.sim.error()));
        app::frmOrvoCalibration& window = *rig.window;
        QTest::mouseClick(window.cmdNext, Qt::LeftButton);
        const QByteArray original = rig.block();
        sim::SensorBlockContent expected = sim::defaultExternalSensor();
        expected.description = QStringLiteral("Siloměr žlutý S-40");
        expected.decimals = 1;
        typeInto(window.fraSNIMAC->txtPopis, expected.description);
        window.fraSNIMAC->cmbFormat->setCurrentIndex(1);
        const QList<QPointF> sensorCurve{{0.0, 0.0}, {1.0, 50.0}, {2.0, 100.0}};
        QCOMPARE(pointsOf(window.session().curve()), sensorCurve);
        const QByteArray firstImage = testsupport::expectedImage(expected, sensorCurve);

        // Each time the block holds the new head and the old tail, nothing is reset, and the
        // sensor page stays with the edits.
        for (const int bytesWritten : {40, 120}) {
            QCOMPARE(rig.sim.command(QStringLiteral("hangup KW after %1").arg(bytesWritten)),
                     QStringLiteral("ok"));
            QTest::mouseClick(window.cmdNext, Qt::LeftButton);
            const QByteArray block = rig.block();
            QCOMPARE(block.left(bytesWritten), firstImage.left(bytesWritten));
            QCOMPARE(block.mid(bytesWritten), original.mid(bytesWritten));
            QCOMPARE(rig.sim.command(QStringLiteral("resets")), QStringLiteral("0"));
            QVERIFY(window.fraSNIMAC->isVisible() && window.cmdNext->isEnabled());
            QCOMPARE(window.fraSNIMAC->txtPopis->text(), expected.description);
            QCOMPARE(pointsOf(window.session().curve()), sensorCurve);
            QVERIFY(rig.sim.command(QStringLiteral("plug")).startsWith(u"ready "));
        }
        // The cable back, Next writes the whole block and goes on.
        QTest::mouseClick(window.cmdNext, Qt::LeftButton);
        QVERIFY(window.fraCURVE->isVisible());
        QCOMPARE(rig.sim.command(QStringLiteral("resets")), QStringLiteral("1"));
        QVERIFY(rig.signalFollows(0.25));

        // A new curve, one point per load, by F5 or the capture button.
        rig.messages.answer(text::MsgAnswer::Yes);
        window.fraCURVE->cmdListAction[2]->click();
        const QList<QPointF> loads{{-2.0, -100.0}, {0.5, 25.0}, {1.5, 75.0}, {3.0, 150.0}};
        calibration::frmOrvoCalibInputBox& dialog = window.InputBox();
        for (const QPointF& load : loads) {
            QVERIFY(rig.signalFollows(load.x()));
            // Held for its hold time, so the capture opens the dialog at once.
            QTRY_VERIFY(window.session().live().Stability.stable().has_value());
            // The shortcut answers once the window is active again after the last dialog (the
            window.activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), &window);
            QTimer::singleShot(0, &dialog, [&dialog, etalon = load.y()] {
                typeInto(dialog.txtCalBod[1], QString::number(etalon));
                QTest::keyClick(dialog.txtCalBod[1], Qt::Key_Return);
            });
            if (load.x() == 0.5)
                QTest::keyClick(&window, Qt::Key_F5);
            else
                QTest::mouseClick(window.fraCURVE->cmdSCAN, Qt::LeftButton);
        }
        const QList<QPointF> captured = pointsOf(window.session().curve());
        QCOMPARE(captured.size(), loads.size());
        for (qsizetype i = 0; i < captured.size(); ++i)
            QVERIFY(captured[i].y() == loads[i].y() &&
                    std::fabs(captured[i].x() - loads[i].x()) < 1e-3);

        // The write, a reset, the read-back that finds it equal, a reset before the end.
        QTest::mouseClick(window.cmdNext, Qt::LeftButton);
        QStringList shown = rig.messages.texts();
        for (const int i : {0, 1}) // each named what was left in the sensor
            shown[i] = shown[i].section(u'\n', 0, 0);
        QCOMPARE(shown, QStringList({"T47 [-41]", "T47 [-121]", "T71", "T56"}));
        QVERIFY(window.hasEnded() && !rig.line.isOpen());
        const QByteArray image = testsupport::expectedImage(expected, captured);
        QCOMPARE(withoutSaveDate(rig.block().left(image.size())), withoutSaveDate(image));
        // One after the sensor page's write, two at the end.
        QCOMPARE(rig.sim.command(QStringLiteral("resets")), QStringLiteral("3"));
    }
};

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
