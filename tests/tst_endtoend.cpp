#include "app/PortPage.h"
#include "app/PortSetting.h"
#include "app/Services.h"
#include "app/frmOrvoCalibration.h"
#include "calibration/CurvePage.h"
#include "calibration/CurveTable.h"
#include "calibration/PointDialog.h"
#include "device/LiveValues.h"
#include "device/QtSerialLine.h"
#include "sensor/SensorImage.h"
#include "sensor/SensorPage.h"
#include "sim/SensorBlock.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/SimProcess.h"
#include "ui/Clock.h"
#include "ui/Lifecycle.h"

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
constexpr int SaveDateOffset = 49;
constexpr int SaveDateLength = 6;

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

QByteArray withoutSaveDate(QByteArray image) {
    return image.replace(SaveDateOffset, SaveDateLength, QByteArray(SaveDateLength, '-'));
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // A whole calibration against toran-sim over a pseudo-terminal and QSerialPort.
    void wholeCalibration() {
        if (testsupport::SimProcess::executable().isEmpty())
            QSKIP("toran-sim not found (TORANCAL_BIN_DIR)");
        QTemporaryDir ports;
        testsupport::SimProcess sim(ports.filePath(QStringLiteral("COM%1").arg(Port)), {});
        QVERIFY2(sim.isReady(), qPrintable(sim.error()));

        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        app::PortSetting portSetting(settings);
        portSetting.setComPort(Port);
        const QString languageFile = dir.filePath(QStringLiteral("ToranCal.lang"));
        QFile file(languageFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (int n = 1; n <= 99; ++n)
            file.write(QStringLiteral("%1=T%1\r\n").arg(n).toLatin1());
        file.close();

        ui::Lifecycle lifecycle;
        ui::EventLoopClock clock(lifecycle);
        device::QtSerialLine line(ports.path());
        testsupport::ScriptedMessages messages;
        frmOrvoCalibration window(
            app::Services{line, clock, messages, lifecycle, portSetting, languageFile, {}});
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        // Port page, then connect.
        QCOMPARE(window.fraCOMM->cmbPort->currentText(), QStringLiteral("COM%1").arg(Port));
        QTest::mouseClick(window.cmdNext, Qt::LeftButton);
        QCOMPARE(window.shellState().WizardStep, 2);
        QVERIFY(messages.shown.isEmpty());

        // Sensor page: a new description, unit, format and ranges.
        sensor::SensorPage& page = *window.fraSNIMAC;
        const QString description = QStringLiteral("Siloměr S-40");
        const QString unit = QStringLiteral("kN");
        typeInto(page.txtPopis, description);
        typeInto(page.txtJednotka, unit);
        QCOMPARE(page.lblRozsahPopis->text(), QStringLiteral("T66 [kN]"));
        page.cmbFormat->setCurrentIndex(1);
        QCOMPARE(page.cmbFormat->currentText(), QStringLiteral("9999.9"));
        typeInto(page.txtRozsah, QStringLiteral("150"));
        typeInto(page.txtRozsahNeg, QStringLiteral("-120"));
        QTest::mouseClick(window.cmdNext, Qt::LeftButton);
        QCOMPARE(window.shellState().WizardStep, 3);
        QVERIFY(messages.shown.isEmpty());
        QVERIFY(window.tmrCasovac.isActive());
        QCOMPARE(window.fraCURVE->lblCEth->text(), QStringLiteral("Etalon [kN]"));

        // Curve page: a new curve, one point per load.
        messages.answer(ui::MsgAnswer::Yes);
        window.fraCURVE->cmdListAction[2]->click();
        QCOMPARE(window.curveTable().PointCount(), 0);
        const QList<Capture> captures{{-1.0, QStringLiteral("-50"), false},
                                      {0.5, QStringLiteral("25"), true},
                                      {1.5, QStringLiteral("75"), false},
                                      {3.0, QStringLiteral("150"), false}};
        calibration::frmOrvoCalibInputBox& dialog = window.InputBox();
        for (const Capture& capture : captures) {
            const float before = window.liveValues().SignalMVV;
            QCOMPARE(sim.command(QStringLiteral("load %1").arg(capture.load)),
                     QStringLiteral("ok"));
            QTRY_VERIFY_WITH_TIMEOUT(window.liveValues().SignalMVV != before, ReadingDeadlineMs);
            QVERIFY(std::fabs(window.liveValues().SignalMVV - capture.load) < 1e-3);

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
        const calibration::CurveTable captured = window.curveTable();
        QCOMPARE(captured.PointCount(), int(captures.size()));
        QCOMPARE(window.fraCURVE->lstKrivka->count(), int(captures.size()));

        // Final step.
        QTest::mouseClick(window.cmdNext, Qt::LeftButton);
        QCOMPARE(messages.texts().last(), QStringLiteral("T56"));
        QCOMPARE(messages.shown.size(), 2);
        QVERIFY(window.hasEnded());
        QVERIFY(!line.isOpen());

        // The sensor block holds what was typed and captured.
        const sim::SensorBlockContent read = sim::defaultExternalSensor();
        sensor::SensorRecord expected;
        expected.Description = description;
        expected.UnitName = unit;
        expected.UnitFormat = QStringLiteral("####0.0");
        expected.FullScale = 150.0F;
        expected.FullScaleNeg = -120.0F;
        expected.GainIndex = read.gain;
        expected.RangeZero = float(read.zero);
        expected.Slide = read.slide;
        expected.SlideRychl = read.slideFast;
        expected.SensorId = QString::fromLatin1(read.sensorId);
        expected.AuxText = QString::fromLatin1(read.auxText);
        expected.Options = sensor::StandardCurveOptions;
        expected.CurvePointCount = captured.PointCount();
        for (int slot = 1; slot <= captured.PointCount(); ++slot) {
            const auto i = std::size_t(slot - 1);
            expected.CurveSignal[i] = captured.point(slot).signal;
            expected.CurveEtalon[i] = captured.point(slot).etalon;
            QCOMPARE(captured.point(slot).etalon, captures[slot - 1].etalon.toFloat());
            QVERIFY(std::fabs(captured.point(slot).signal - captures[slot - 1].load) < 1e-3);
        }
        const auto encoded = sensor::EncodeSensorImage(expected, QDate::currentDate());
        const QByteArray image = std::get<sensor::EncodedSensorImage>(encoded).image;
        const QByteArray block =
            QByteArray::fromHex(sim.command(QStringLiteral("block 0")).toLatin1());
        QCOMPARE(block.size(), sim::SensorBlockSize);
        QCOMPARE(withoutSaveDate(block.left(image.size())), withoutSaveDate(image));
        // Reset after the save on leaving the sensor page, after the final save, and at the end.
        QCOMPARE(sim.command(QStringLiteral("resets")), QStringLiteral("3"));
    }
};

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
