#include "core/instrument/Measurement.h"
#include "core/instrument/Stability.h"

#include <QLocale>
#include <QTest>
#include <cmath>
#include <vector>

using namespace device;
using Kind = SignalUpdate::Kind;

Q_DECLARE_METATYPE(std::vector<float>)

// How one reply to "$00M" reads; tst_livesignal shows it reaching the window.
class MeasurementTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void workedReply() {
        LiveValues values;
        const auto update = applyMeasurementReply("1,234;32900;0080C8\r", values, "##0.000 ");
        QCOMPARE(update.kind, Kind::Reading);
        QCOMPARE(values.DisplayValue, 1.234F);
        QCOMPARE(values.SignalDiv, 32900.0F);
        QCOMPARE(QStringList({update.batteryText, update.displayText, update.divisionsText}),
                 QStringList({"B=200", "1.234 ", "32900"}));
        // A signal too wide for its 8 characters is shown whole.
        values.ActiveK = 1.0F;
        QCOMPARE(applyMeasurementReply("0;12345.678;0081C8\r", values, "0").signalText,
                 QString("12345.678"));
        values.DisplayValue = 7.0F;
        QCOMPARE(applyMeasurementReply("1e39;abc;0081C8", values, "0").kind, Kind::Reading);
        QCOMPARE(values.DisplayValue, 7.0F);
        QCOMPARE(values.SignalDiv, 0.0F);
        // Bits 0 and 1 are in tst_livesignal's tooltips.
        QCOMPARE(instrumentErrorTexts(0xA0), QString(",E55  Buffer  ,E57 ........ "));
    }

    // Status, range and battery bytes (missing digits count as 0), then error, over range.
    void flags() {
        const auto flags = [](const char* reply) {
            LiveValues values;
            const auto update = applyMeasurementReply(reply, values, "0");
            return QString::asprintf("%d %x %d %d%d%d%d", values.StatusFlags, values.RangeFlags,
                                     values.BatteryLevel, update.instrumentError, update.overRange,
                                     update.underRange, update.lowBattery);
        };
        QCOMPARE(flags("1,234;32900;0080C8\r"), "0 80 200 0010");
        QCOMPARE(flags("1;2;03"), "3 0 0 1111");
        QCOMPARE(flags("1;2;00817E"), "0 81 126 0001");
        QCOMPARE(flags("1;2;00817F"), "0 81 127 0000");
    }

    // Fewer than 6 characters are no reading, a reply without two separators is malformed;
    void shortAndMalformedReplies() {
        LiveValues values;
        values.SignalDiv = 5.0F;
        QCOMPARE(applyMeasurementReply("1;2;3", values, "0").signalText, QString("-----"));
        QCOMPARE(applyMeasurementReply("123456;7", values, "0").kind, Kind::Malformed);
        QCOMPARE(values.SignalDiv, 5.0F);
    }

    // Recorded polls against a band of 0.001 mV/V held for 5 readings: only the last five
    // count, each must lie within the band of their mean, and the mean is what a point takes.
    void stability_data() {
        QTest::addColumn<std::vector<float>>("readings");
        QTest::addColumn<bool>("stable");
        QTest::addColumn<double>("mean");
        QTest::newRow("steady") << std::vector<float>(6, 1.2345F) << true << double(1.2345F);
        QTest::newRow("too few") << std::vector<float>(4, 1.0F) << false << 0.0;
        QTest::newRow("settled after a load")
            << std::vector<float>{0.2F, 0.9F, 0.9995F, 1.0F, 1.0005F, 1.0F, 1.0F} << true << 1.0;
        QTest::newRow("settling") << std::vector<float>{0.99F, 0.996F, 0.998F, 0.9995F, 1.0F}
                                  << false << 0.0;
        QTest::newRow("drifting") << std::vector<float>{1.0F, 1.001F, 1.002F, 1.003F, 1.004F}
                                  << false << 0.0;
        QTest::newRow("noisy within")
            << std::vector<float>{1.0F, 1.0008F, 0.9993F, 1.0006F, 0.9995F} << true << 1.00004;
        QTest::newRow("noisy beyond")
            << std::vector<float>{1.0F, 1.0016F, 0.9985F, 1.0012F, 0.9989F} << false << 0.0;
        QTest::newRow("one spike")
            << std::vector<float>{1.0F, 1.0F, 1.01F, 1.0F, 1.0F} << false << 0.0;
    }
    void stability() {
        QFETCH(std::vector<float>, readings);
        QFETCH(bool, stable);
        QFETCH(double, mean);
        const std::optional<SignalWindow> window = stableWindow(readings, {0.001, 5});
        QCOMPARE(window.has_value(), stable);
        if (window) {
            QCOMPARE(window->readings, 5);
            QVERIFY(std::abs(window->mean - mean) < 1e-6);
        }
        StabilityWatch watch;
        watch.setRule({0.001, 5});
        for (const float reading : readings)
            watch.add(reading);
        QCOMPARE(watch.stable(), window);
        watch.restart();
        QVERIFY(!watch.stable());
    }

    // Equal readings average to exactly their value; the deviation divides by n - 1.
    void meanAndDeviation() {
        const std::vector<float> steady(10, 0.4321F);
        QCOMPARE(static_cast<float>(windowOf(steady).mean), 0.4321F);
        QCOMPARE(windowOf(steady).deviation, 0.0);
        const std::vector<float> spread{1.0F, 2.0F, 3.0F, 4.0F};
        QCOMPARE(windowOf(spread), (SignalWindow{2.5, 4, std::sqrt(5.0 / 3.0)}));
    }
};

QTEST_GUILESS_MAIN(MeasurementTest)
#include "tst_measurement.moc"
