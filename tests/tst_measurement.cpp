#include "device/Measurement.h"

#include <QLocale>
#include <QTest>

using namespace device;

class MeasurementTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void workedReply();
    void signalInSinglePrecision();
    void shortAndMalformedReplies_data();
    void shortAndMalformedReplies();
    void missingFlagDigitsCountAsZero();
    void batteryThreshold();
    void errorTextsInBitOrder();
    void unreadableNumbersKeepOldValues();
};

void MeasurementTest::workedReply() {
    LiveValues values;
    const auto update = applyMeasurementReply("1,234;32900;0080C8\r", values, "##0.000 ");
    QCOMPARE(update.kind, SignalUpdate::Kind::Reading);
    QCOMPARE(values.DisplayValue, 1.234F);
    QCOMPARE(values.SignalDiv, 32900.0F);
    QCOMPARE(values.StatusFlags, 0);
    QCOMPARE(values.RangeFlags, 0x80);
    QCOMPARE(values.BatteryLevel, 200);
    QVERIFY(!update.instrumentError);
    QVERIFY(!update.overRange);
    QVERIFY(update.underRange);
    QVERIFY(!update.lowBattery);
    QCOMPARE(update.batteryText, QString("B=200"));
    QCOMPARE(update.displayText, QString("1.234 "));
    QCOMPARE(update.divisionsText, QString("32900"));
}

void MeasurementTest::signalInSinglePrecision() {
    LiveValues values;
    values.ActiveZero = 32768.0F;
    values.ActiveK = 0.0015F;
    const auto update = applyMeasurementReply("0;32900;0081C8\r", values, "####0");
    QCOMPARE(values.SignalMVV, (32900.0F - 32768.0F) * 0.0015F);
    QCOMPARE(update.signalText, QString("   0.198"));
    QVERIFY(!update.overRange);
    QVERIFY(!update.underRange);

    // A signal too wide for its 8 characters is shown whole.
    values.ActiveZero = 0.0F;
    values.ActiveK = 1.0F;
    QCOMPARE(applyMeasurementReply("0;12345.678;0081C8\r", values, "0").signalText,
             QString("12345.678"));
}

void MeasurementTest::shortAndMalformedReplies_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("kind");
    QTest::newRow("empty") << QByteArray() << int(SignalUpdate::Kind::NoReading);
    QTest::newRow("three characters") << QByteArray("12;") << int(SignalUpdate::Kind::NoReading);
    QTest::newRow("one separator") << QByteArray("123456;7") << int(SignalUpdate::Kind::Malformed);
    QTest::newRow("no separator") << QByteArray("garbage!") << int(SignalUpdate::Kind::Malformed);
}

void MeasurementTest::shortAndMalformedReplies() {
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

void MeasurementTest::missingFlagDigitsCountAsZero() {
    LiveValues values;
    values.BatteryLevel = 200;
    const auto update = applyMeasurementReply("1;2;03", values, "0");
    QCOMPARE(values.StatusFlags, 3);
    QCOMPARE(values.RangeFlags, 0);
    QCOMPARE(values.BatteryLevel, 0);
    QVERIFY(update.overRange && update.underRange && update.lowBattery);
}

void MeasurementTest::batteryThreshold() {
    LiveValues values;
    QVERIFY(applyMeasurementReply("1;2;00817E", values, "0").lowBattery);
    QVERIFY(!applyMeasurementReply("1;2;00817F", values, "0").lowBattery);
}

void MeasurementTest::errorTextsInBitOrder() {
    QCOMPARE(instrumentErrorTexts(0x02), QString(",E51 ClockREG "));
    QCOMPARE(instrumentErrorTexts(0x03), QString("E50 SysCalibration ,E51 ClockREG "));
    QCOMPARE(instrumentErrorTexts(0xA0), QString(",E55  Buffer  ,E57 ........ "));
    QCOMPARE(instrumentErrorTexts(0), QString());
}

void MeasurementTest::unreadableNumbersKeepOldValues() {
    LiveValues values;
    values.DisplayValue = 7.0F;
    values.ActiveK = 1.0F;
    const auto update = applyMeasurementReply("1e39;abc;0081C8", values, "0");
    QCOMPARE(update.kind, SignalUpdate::Kind::Reading);
    QCOMPARE(values.DisplayValue, 7.0F); // too large for the display value: skipped
    QCOMPARE(values.SignalDiv, 0.0F);    // no number reads as 0
}

QTEST_GUILESS_MAIN(MeasurementTest)
#include "tst_measurement.moc"
