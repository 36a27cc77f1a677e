#include "core/sensor/SensorReadout.h"
#include "core/text/LanguageTable.h"
#include "sim/Fault.h"
#include "sim/SimulatedLine.h"
#include "tests/support/FakeStatusPanel.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestLink.h"

#include <QTest>

using namespace sensor;

namespace {

struct Rig {
    testsupport::ManualClock clock;
    sim::SimulatedLine line{clock};
    testsupport::FakeStatusPanel status;
    testsupport::ScriptedMessages messages;
    text::LanguageTable texts;
    device::SystemConstants boxes;
    SensorState sensors;
    device::LiveValues live;
    Rig() {
        texts.set(36, "reading");
        texts.set(37, "done");
        for (std::size_t i = 0; i < 8; ++i) {
            boxes.zero[i] = QString::number(32000 + i);
            boxes.k[i] = QStringLiteral("0,00%1").arg(i + 1);
        }
        line.attach(1);
        line.setPortNumber(1);
        (void)line.open();
    }
    sim::Instrument& instrument() { return line.instrument(1); }
    void addFault(QStringView text) { instrument().addFault(*sim::parseFault(text).fault); }
    void read() {
        ReadSensors(testsupport::link(line, clock), status, messages, texts, boxes, sensors, live);
    }
};

} // namespace

class SensorReadoutTest : public QObject {
    Q_OBJECT

private slots:
    void bothSensorsReadInternalFirst() {
        Rig rig;
        rig.read();
        QCOMPARE(rig.instrument().frames(), QList<QByteArray>({"$00KQ", "$00KB20", "$00KB00"}));
        // The active constants are those of the external sensor's range (7), as the boxes show.
        QCOMPARE(rig.sensors.CurrentSensor.GainIndex, 7);
        QCOMPARE(rig.live.ActiveZero, 32007.0F);
        QCOMPARE(rig.live.ActiveK, 0.008F);
        QCOMPARE(rig.sensors.CurrentSensor.RangeK, 0.008F);
        QCOMPARE(rig.sensors.SensorImage, rig.instrument().block(0));
        QVERIFY(rig.messages.shown.isEmpty());
        QCOMPARE(rig.status.texts, QStringList({"reading", "done"}));
        QVERIFY(!rig.status.visible);
    }

    void presenceReplies_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("four characters") << "KQ extra";
        QTest::newRow("no reply") << "KQ none";
    }
    void presenceReplies() {
        QFETCH(QString, fault);
        Rig rig;
        rig.addFault(fault);
        rig.read();
        QCOMPARE(rig.sensors.SensorMask, 0);
        QCOMPARE(rig.instrument().frames(), QList<QByteArray>({"$00KQ"}));
        QVERIFY(!rig.sensors.workingOnExternal());
        QVERIFY(rig.sensors.CurrentSensor.Description.isBlank());
        QCOMPARE(rig.sensors.CurrentSensor.CurvePointCount, 0);
    }

    void damagedExternalBlockReportedOnce() {
        Rig rig;
        QByteArray block = rig.instrument().block(0);
        block[0] = 'X';
        rig.instrument().setBlock(0, block);
        rig.read();
        QCOMPARE(rig.messages.texts(), QStringList{FsnStructureError});
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Critical);
        QCOMPARE(rig.sensors.CurrentSensor.CurvePointCount, 0);
    }

    void unreadableBlockLeavesRecordEmpty() {
        Rig rig;
        // The internal block reads fine; the external block's reply never comes. The external
        // record must not be decoded from the internal block that is still in hand.
        rig.addFault(u"KB none after 1");
        rig.read();
        QCOMPARE(rig.messages.texts(), QStringList{blockReadFailedMessage(ExternalBlock)});
        QVERIFY(rig.sensors.workingOnExternal());
        QVERIFY(rig.sensors.CurrentSensor.Description.isBlank());
        QCOMPARE(rig.sensors.CurrentSensor.CurvePointCount, 0);
        QCOMPARE(rig.sensors.SensorRecords[InternalBlock].UnitName.trimmed(), QString("N"));
    }

    void closedPortDoesNothing() {
        Rig rig;
        rig.line.close();
        rig.sensors.SensorMask = 3;
        rig.read();
        QCOMPARE(rig.instrument().frameCount(), 0);
        QCOMPARE(rig.sensors.SensorMask, 3);
        QVERIFY(rig.status.texts.isEmpty());
    }
};

QTEST_GUILESS_MAIN(SensorReadoutTest)
#include "tst_sensorreadout.moc"
