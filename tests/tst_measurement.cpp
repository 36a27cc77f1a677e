#include "core/instrument/Measurement.h"

#include <QLocale>
#include <QTest>

using namespace device;

// How one reply to "$00M" reads; tst_livesignal shows it reaching the window.
class MeasurementTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void workedReply() {
        LiveValues values;
        const auto update = applyMeasurementReply("1,234;32900;0080C8\r", values, "##0.000 ");
        QCOMPARE(update.kind, SignalUpdate::Kind::Reading);
        QCOMPARE(values.DisplayValue, 1.234F);
        QCOMPARE(values.SignalDiv, 32900.0F);
        QCOMPARE(update.batteryText, QString("B=200"));
        QCOMPARE(update.displayText, QString("1.234 "));
        QCOMPARE(update.divisionsText, QString("32900"));

        // A signal too wide for its 8 characters is shown whole.
        values.ActiveK = 1.0F;
        QCOMPARE(applyMeasurementReply("0;12345.678;0081C8\r", values, "0").signalText,
                 QString("12345.678"));
    }

    void flags_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QList<int>>("flags");  // status, range, battery
        QTest::addColumn<QList<bool>>("shown"); // error, over, under, low battery
        QTest::newRow("worked") << QByteArray("1,234;32900;0080C8\r") << QList{0, 0x80, 200}
                                << QList{false, false, true, false};
        QTest::newRow("missing digits count as 0")
            << QByteArray("1;2;03") << QList{3, 0, 0} << QList{true, true, true, true};
        QTest::newRow("battery 126 is low")
            << QByteArray("1;2;00817E") << QList{0, 0x81, 126} << QList{false, false, false, true};
        QTest::newRow("battery 127 is not")
            << QByteArray("1;2;00817F") << QList{0, 0x81, 127} << QList{false, false, false, false};
    }
    void flags() {
        QFETCH(QByteArray, reply);
        QFETCH(QList<int>, flags);
        QFETCH(QList<bool>, shown);
        LiveValues values;
        values.StatusFlags = values.RangeFlags = values.BatteryLevel = 0x55;
        const auto update = applyMeasurementReply(reply, values, "0");
        QCOMPARE((QList<int>{values.StatusFlags, values.RangeFlags, values.BatteryLevel}), flags);
        QCOMPARE(
            (QList{update.instrumentError, update.overRange, update.underRange, update.lowBattery}),
            shown);
    }

    void shortAndMalformedReplies_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("kind");
        QTest::newRow("empty") << QByteArray() << int(SignalUpdate::Kind::NoReading);
        QTest::newRow("five characters")
            << QByteArray("1;2;3") << int(SignalUpdate::Kind::NoReading);
        QTest::newRow("one separator")
            << QByteArray("123456;7") << int(SignalUpdate::Kind::Malformed);
        QTest::newRow("no separator")
            << QByteArray("garbage!") << int(SignalUpdate::Kind::Malformed);
    }
    void shortAndMalformedReplies() {
        QFETCH(QByteArray, reply);
        QFETCH(int, kind);
        LiveValues values;
        values.SignalDiv = 5.0F;
        const auto update = applyMeasurementReply(reply, values, "0");
        QCOMPARE(int(update.kind), kind);
        QCOMPARE(values.SignalDiv, 5.0F);
        QCOMPARE(update.signalText,
                 kind == int(SignalUpdate::Kind::NoReading) ? QString("-----") : QString());
    }

    // Bits 0 and 1 are in tst_livesignal's tooltips.
    void errorTextsInBitOrder() {
        QCOMPARE(instrumentErrorTexts(0xA0), QString(",E55  Buffer  ,E57 ........ "));
    }

    void unreadableNumbersKeepOldValues() {
        LiveValues values;
        values.DisplayValue = 7.0F;
        values.ActiveK = 1.0F;
        const auto update = applyMeasurementReply("1e39;abc;0081C8", values, "0");
        QCOMPARE(update.kind, SignalUpdate::Kind::Reading);
        QCOMPARE(values.DisplayValue, 7.0F); // too large for the display value: skipped
        QCOMPARE(values.SignalDiv, 0.0F);    // no number reads as 0
    }
};

QTEST_GUILESS_MAIN(MeasurementTest)
#include "tst_measurement.moc"
