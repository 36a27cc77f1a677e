// The two read-outs of the instrument on connecting: its setup memory, then its sensors.

#include "core/instrument/SetupReadout.h"
#include "core/sensor/SensorReadout.h"
#include "core/text/DeviceFloat.h"
#include "core/text/LanguageTable.h"
#include "sim/SimulatedLine.h"
#include "tests/support/FakeStatusPanel.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestLink.h"

#include <QTest>

using namespace device;
using namespace sensor;
using namespace std::chrono_literals;

namespace {

// The instrument on port 1, the port open; every language text N reads "TN".
struct Rig {
    testsupport::ManualClock clock;
    sim::SimulatedLine line{clock};
    testsupport::FakeStatusPanel status;
    testsupport::ScriptedMessages messages;
    text::LanguageTable texts;
    InstrumentSetup setup;
    device::SystemConstants boxes;
    SensorState sensors;
    LiveValues live;
    Rig() {
        for (int n : {30, 31, 32, 33, 34, 35, 36, 37, 102, 103})
            texts.set(n, QStringLiteral("T%1").arg(n));
        texts.set(354, QStringLiteral("T354 %1 COM%2"));
        boxes.zero[7] = QStringLiteral("32007");
        boxes.k[7] = QStringLiteral("0,008");
        line.attach(1);
        line.setPortNumber(1);
        (void)line.open();
    }
    sim::Instrument& instrument() { return line.instrument(1); }
    void addFault(QStringView rule) {
        if (!rule.isEmpty())
            instrument().addFault(*sim::parseFault(rule).fault);
    }
    int readSetup() {
        return ReadTORAN(testsupport::link(line, clock), status, messages, texts, setup);
    }
    void readSensors() {
        ReadSensors(testsupport::link(line, clock), status, messages, texts, boxes, sensors, live);
    }
};

// A read-out under a fault rule, or with a damaged block.
struct Case {
    QByteArray identification;
    QString fault;
    int result = 0;
    QString told;
    int frames = 0;
    int waitedMs = 0;
};

} // namespace

Q_DECLARE_METATYPE(Case)

class ReadoutsTest : public QObject {
    Q_OBJECT

private slots:
    // The identification, the display digits (any but 5 read as 4).
    void setupReadout_data() {
        QTest::addColumn<Case>("c");
        QTest::newRow("read") << Case{"toran r-40 v2\r", "",           SetupRead, "",
                                      2 + 8 * 9,         100 + 73 * 10};
        QTest::newRow("8 characters")
            << Case{"TORAN 1\r", "", SetupNoAnswer, "T33 (COM1): T103", 1, 100};
        QTest::newRow("no answer") << Case{"", "@ none", SetupNoAnswer, "T33 (COM1): T102", 1, 100};
        QTest::newRow("another instrument")
            << Case{"OTHER DEVICE 1.0\r", "", SetupNotToran, "T35", 1, 100};
        QTest::newRow("silent byte")
            << Case{"",     "ER none after 20",     SetupByteSilent, "(adresa 28)",
                    21 + 4, 100 + 20 * 10 + 4 * 110};
    }
    void setupReadout() {
        QFETCH(Case, c);
        Rig rig;
        if (!c.identification.isEmpty())
            rig.instrument().setIdentification(c.identification);
        rig.addFault(c.fault);
        rig.instrument().setSetupByte(DisplayDigitsAddress, 255);
        rig.instrument().setSetupFloat(ActiveZeroAddress, 32770.0);
        rig.instrument().setSetupFloat(rangeKAddress(3), 0.0019088);
        rig.setup.DisplayDigits = 99;
        QCOMPARE(rig.readSetup(), c.result);
        QCOMPARE(rig.messages.shown.size(), c.told.isEmpty() ? 0 : 1);
        QVERIFY(c.told.isEmpty() || rig.messages.texts().constFirst().contains(c.told));
        QVERIFY(!rig.status.visible);
        QCOMPARE(rig.setup.DisplayDigits, c.result == SetupRead ? 4 : 99);
        QCOMPARE(rig.instrument().frameCount(), c.frames);
        QCOMPARE(rig.clock.waited(), std::chrono::milliseconds(c.waitedMs));
        if (c.result != SetupRead)
            return;
        QCOMPARE(rig.setup.ActiveZero, 32770.0F);
        QCOMPARE(rig.setup.RangeK[3], HexToFloat(FloatToHex(0.0019088, 4)));
    }

    // Both sensors are read, the internal one first.
    void sensorReadout_data() {
        QTest::addColumn<Case>("c");
        QTest::newRow("both sensors") << Case{"", "", 0, "", 3, 250 + 2 * 10};
        QTest::newRow("KQ extra") << Case{"", "KQ extra", 0, "", 1, 250};
        QTest::newRow("external block damaged")
            << Case{"", "damaged", 0, FsnStructureError, 3, 250 + 2 * 10};
        QTest::newRow("external block unread")
            << Case{"", "KB none after 1", 0, "T354 EXT COM1", 3, 250 + 10 + 1010};
    }
    void sensorReadout() {
        QFETCH(Case, c);
        Rig rig;
        if (c.fault == u"damaged")
            rig.instrument().setBlock(0, "X" + rig.instrument().block(0).mid(1));
        else
            rig.addFault(c.fault);
        rig.readSensors();
        QCOMPARE(rig.messages.texts(), c.told.isEmpty() ? QStringList() : QStringList{c.told});
        QCOMPARE(rig.instrument().frameCount(), c.frames);
        QCOMPARE(rig.clock.waited(), std::chrono::milliseconds(c.waitedMs));
        QVERIFY(!rig.status.visible);
        if (!c.fault.isEmpty()) {
            QVERIFY(rig.sensors.CurrentSensor.Description.isBlank());
            QCOMPARE(rig.sensors.CurrentSensor.CurvePointCount, 0);
            return;
        }
        // The active constants are those of the external sensor's range (7), as the boxes show.
        QCOMPARE(rig.instrument().frames(), QList<QByteArray>({"$00KQ", "$00KB20", "$00KB00"}));
        QCOMPARE(rig.sensors.CurrentSensor.GainIndex, 7);
        QCOMPARE(rig.live.ActiveZero, 32007.0F);
        QCOMPARE(rig.live.ActiveK, 0.008F);
        QCOMPARE(rig.sensors.SensorImage, rig.instrument().block(0));
    }
};

QTEST_GUILESS_MAIN(ReadoutsTest)
#include "tst_readouts.moc"
