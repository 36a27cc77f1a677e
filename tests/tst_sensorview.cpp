#include "core/instrument/SetupReadout.h"
#include "tests/support/WindowRig.h"
#include "views/CurvePage.h"
#include "views/SensorPage.h"
#include "views/SensorView.h"
#include "views/SystemCalibrationFrame.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace {

struct Harness : testsupport::WindowRig {
    explicit Harness(int displayDigits = 4) {
        start();
        window->fraSNIMAC->cmbFormat->addItems(device::displayFormats(displayDigits));
    }

    sensor::SensorRecord& sensor() { return window->session().sensors().CurrentSensor; }
    sensor::SensorPage& page() { return *window->fraSNIMAC; }
    void show() {
        window->session().loadSensorCurve();
        window->sensorView().ShowSensor();
    }
};

} // namespace

class TestSensorView : public QObject {
    Q_OBJECT

private slots:
    void storedSettingsSelectTheirEntries_data() {
        QTest::addColumn<int>("digits");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<int>("gain");
        QTest::addColumn<int>("averaging");        // both Slide and SlideRychl
        QTest::addColumn<QStringList>("selected"); // format, gain, slide, slideRychl
        const auto row = [](const char* name, int digits, int decimals, int gain, int averaging,
                            QStringList selected) {
            QTest::newRow(name) << digits << decimals << gain << averaging << selected;
        };
        const QString first = QStringLiteral("+/- 500.0 mV/V");
        row("lowest", 4, 0, 0, 1, {"9999", first, "OFF", "OFF"});
        row("in every list", 4, 3, 7, 2, {"9.999", "+/-  3.91 mV/V", "2", "2"});
        row("beyond every list", 4, 4, 8, 100, {"9.999", first, "OFF", "OFF"});
        row("5 digits, negatives", 5, 4, -1, -5, {"9.9999", first, "OFF", "OFF"});
        row("5 digits beyond, 50", 5, 9, 0, 50, {"9.9999", first, "50", "50"});
        row("11: next larger, or none", 4, 0, 0, 11, {"9999", first, "12", "OFF"});
        row("64", 4, 0, 0, 64, {"9999", first, "64", "OFF"});
    }

    void storedSettingsSelectTheirEntries() {
        QFETCH(int, digits);
        QFETCH(int, decimals);
        QFETCH(int, gain);
        QFETCH(int, averaging);
        QFETCH(QStringList, selected);
        Harness harness(digits);
        harness.sensor().Decimals = decimals;
        harness.sensor().GainIndex = gain;
        harness.sensor().Slide = averaging;
        harness.sensor().SlideRychl = averaging;
        harness.show();
        const sensor::SensorPage& page = harness.page();
        QCOMPARE((QStringList{page.cmbFormat->currentText(), page.cmbGain->currentText(),
                              page.cmbSlide->currentText(), page.cmbSlideRychl->currentText()}),
                 selected);
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
            QVERIFY(harness.window->session().curve().append(100.0F + i, 1.0F));
        for (std::size_t i = 0; i < sensor::CurveSlots; ++i) {
            harness.sensor().CurveSignal[i] = 0.5F * float(i);
            harness.sensor().CurveEtalon[i] = 10.0F * float(i);
        }
        harness.sensor().CurvePointCount = stored;
        harness.show();
        const calibration::CurveTable& table = harness.window->session().curve();
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
        QCOMPARE(harness.window->fraCURVE->lstKrivka->count(), shown);
        QCOMPARE(harness.window->fraCURVE->Label3->text(), QString::number(shown));
    }

    // The expert boxes edit the session's constants, which the read-out and the save use.
    void rangeBoxesEditTheConstants() {
        Harness harness;
        const calibration::SystemCalibrationFrame& boxes = *harness.window->fraORVOSETUP;
        boxes.txtskN[5]->setText(QStringLiteral("32770"));
        boxes.txtskK[5]->setText(QStringLiteral("1,5 E-3"));
        const device::SystemConstants& constants = harness.window->session().constants();
        QCOMPARE(constants.zero[5], QStringLiteral("32770"));
        QCOMPARE(constants.k[5], QStringLiteral("1,5 E-3"));
        harness.window->session().setRangeZeroText(2, QStringLiteral("1"));
        QCOMPARE(boxes.txtskN[2]->text(), QStringLiteral("1"));
    }
};

QTEST_MAIN(TestSensorView)
#include "tst_sensorview.moc"
