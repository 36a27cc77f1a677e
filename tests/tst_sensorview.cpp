#include "app/InstrumentReadout.h"
#include "app/PortSetting.h"
#include "app/Services.h"
#include "app/frmOrvoCalibration.h"
#include "calibration/CurvePage.h"
#include "calibration/CurveTable.h"
#include "calibration/SystemCalibrationFrame.h"
#include "device/SetupReadout.h"
#include "sensor/SensorPage.h"
#include "sensor/SensorView.h"
#include "sim/SimulatedLine.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedMessages.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using app::frmOrvoCalibration;

namespace {

struct Harness {
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    app::PortSetting portSetting{settings};
    ui::Lifecycle lifecycle;
    testsupport::ManualClock clock{&lifecycle};
    testsupport::ScriptedMessages messages;
    sim::SimulatedLine line{clock};
    frmOrvoCalibration window{app::Services{line,
                                            clock,
                                            messages,
                                            lifecycle,
                                            portSetting,
                                            dir.filePath(QStringLiteral("none.lang")),
                                            {}}};

    explicit Harness(int displayDigits = 4) {
        window.fraSNIMAC->cmbFormat->addItems(device::displayFormats(displayDigits));
    }

    sensor::SensorRecord& sensor() { return window.sensorState().CurrentSensor; }
    void show() { window.instrumentReadout().sensorView().ShowSensor(); }
};

} // namespace

class TestSensorView : public QObject {
    Q_OBJECT

private slots:
    void averagingSelections_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("slide");
        QTest::addColumn<QString>("slideRychl");
        QTest::newRow("0") << 0 << "OFF"
                           << "OFF";
        QTest::newRow("1") << 1 << "OFF"
                           << "OFF";
        QTest::newRow("2") << 2 << "2"
                           << "2";
        QTest::newRow("11: next larger, or none") << 11 << "12"
                                                  << "OFF";
        QTest::newRow("16 only in the slow list") << 16 << "16"
                                                  << "OFF";
        QTest::newRow("50") << 50 << "50"
                            << "50";
        QTest::newRow("64") << 64 << "64"
                            << "OFF";
        QTest::newRow("100: above both lists") << 100 << "OFF"
                                               << "OFF";
        QTest::newRow("negative") << -5 << "OFF"
                                  << "OFF";
    }

    void averagingSelections() {
        QFETCH(int, stored);
        QFETCH(QString, slide);
        QFETCH(QString, slideRychl);
        Harness harness;
        harness.sensor().Slide = stored;
        harness.sensor().SlideRychl = stored;
        harness.show();
        QCOMPARE(harness.window.fraSNIMAC->cmbSlide->currentText(), slide);
        QCOMPARE(harness.window.fraSNIMAC->cmbSlideRychl->currentText(), slideRychl);
    }

    void formatSelection_data() {
        QTest::addColumn<int>("digits");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("selected");
        QTest::newRow("4 digits, 0 decimals") << 4 << 0 << "9999";
        QTest::newRow("4 digits, 3 decimals") << 4 << 3 << "9.999";
        QTest::newRow("4 digits, 4 decimals: the last") << 4 << 4 << "9.999";
        QTest::newRow("5 digits, 4 decimals") << 5 << 4 << "9.9999";
        QTest::newRow("5 digits, 9 decimals: the last") << 5 << 9 << "9.9999";
    }

    void formatSelection() {
        QFETCH(int, digits);
        QFETCH(int, decimals);
        QFETCH(QString, selected);
        Harness harness(digits);
        harness.sensor().Decimals = decimals;
        harness.show();
        QCOMPARE(harness.window.fraSNIMAC->cmbFormat->currentText(), selected);
    }

    void gainSelection_data() {
        QTest::addColumn<int>("gain");
        QTest::addColumn<QString>("selected");
        QTest::newRow("0") << 0 << "+/- 500.0 mV/V";
        QTest::newRow("7") << 7 << "+/-  3.91 mV/V";
        QTest::newRow("8: the first") << 8 << "+/- 500.0 mV/V";
        QTest::newRow("negative: the first") << -1 << "+/- 500.0 mV/V";
    }

    void gainSelection() {
        QFETCH(int, gain);
        QFETCH(QString, selected);
        Harness harness;
        harness.sensor().GainIndex = gain;
        harness.show();
        QCOMPARE(harness.window.fraSNIMAC->cmbGain->currentText(), selected);
    }

    void storedPointsFillTheCurveTable_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("shown");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("40: every slot") << 40 << 40;
        QTest::newRow("41 stored: 40 slots") << 41 << 40;
        QTest::newRow("negative count") << -3 << 0;
    }

    void storedPointsFillTheCurveTable() {
        QFETCH(int, stored);
        QFETCH(int, shown);
        Harness harness;
        // A table left over from the sensor shown before.
        for (int i = 0; i < 5; ++i)
            QVERIFY(harness.window.curveTable().append(100.0F + i, 1.0F));
        for (std::size_t i = 0; i < sensor::CurveSlots; ++i) {
            harness.sensor().CurveSignal[i] = 0.5F * float(i);
            harness.sensor().CurveEtalon[i] = 10.0F * float(i);
        }
        harness.sensor().CurvePointCount = stored;
        harness.show();
        const calibration::CurveTable& table = harness.window.curveTable();
        QCOMPARE(table.PointCount(), shown);
        for (int slot = 1; slot <= calibration::CurveTable::SlotCount; ++slot) {
            const calibration::CurvePoint& point = table.point(slot);
            QCOMPARE(point.state,
                     slot <= shown ? calibration::SlotState::Used : calibration::SlotState::Empty);
            if (slot <= shown) {
                QCOMPARE(point.signal, 0.5F * float(slot - 1));
                QCOMPARE(point.etalon, 10.0F * float(slot - 1));
            }
        }
        QCOMPARE(harness.window.fraCURVE->lstKrivka->count(), shown);
        QCOMPARE(harness.window.fraCURVE->Label3->text(), QString::number(shown));
    }

    void markingTheSensorsRange() {
        Harness harness;
        sensor::SensorView& view = harness.window.instrumentReadout().sensorView();
        const calibration::SystemCalibrationFrame& boxes = *harness.window.fraORVOSETUP;
        view.MarkSensorRange(2);
        view.MarkSensorRange(5);
        for (std::size_t i = 0; i < 8; ++i) {
            const QColor expected = i == 5 ? QColor(200, 150, 50) : QColor(Qt::white);
            QCOMPARE(boxes.txtskN[i]->palette().color(QPalette::Base), expected);
            QCOMPARE(boxes.txtskK[i]->palette().color(QPalette::Base), expected);
        }
        boxes.txtskN[5]->setText(QStringLiteral("32770"));
        boxes.txtskK[5]->setText(QStringLiteral("1,5 E-3"));
        const sensor::RangeBoxTexts texts = view.rangeBoxTexts();
        QCOMPARE(texts.zero[5], QStringLiteral("32770"));
        QCOMPARE(texts.k[5], QStringLiteral("1,5 E-3"));
    }
};

QTEST_MAIN(TestSensorView)
#include "tst_sensorview.moc"
