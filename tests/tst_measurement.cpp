#include "core/instrument/Measurement.h"

#include <QLocale>
#include <QTest>

using namespace device;
using Kind = SignalUpdate::Kind;

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
};

QTEST_GUILESS_MAIN(MeasurementTest)
#include "tst_measurement.moc"
