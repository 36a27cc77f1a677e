// The two read-outs of the instrument on connecting: its setup memory, then its sensors.

#include "core/instrument/SetupReadout.h"
#include "core/sensor/SensorReadout.h"
#include "core/text/DeviceFloat.h"
#include "core/text/LanguageTable.h"
#include "sim/Fault.h"
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
        for (int n = 30; n <= 37; ++n)
            texts.set(n, QStringLiteral("T%1").arg(n));
        for (std::size_t i = 0; i < 8; ++i) {
            boxes.zero[i] = QString::number(32000 + i);
            boxes.k[i] = QStringLiteral("0,00%1").arg(i + 1);
        }
        line.attach(1);
        (void)line.open();
    }
    sim::Instrument& instrument() { return line.instrument(1); }
    void addFault(QStringView text) { instrument().addFault(*sim::parseFault(text).fault); }
    int readSetup() {
        return ReadTORAN(testsupport::link(line, clock), status, messages, texts, setup);
    }
    void readSensors() {
        ReadSensors(testsupport::link(line, clock), status, messages, texts, boxes, sensors, live);
    }
};

} // namespace

class ReadoutsTest : public QObject {
    Q_OBJECT

private slots:
    // The identification, the display digits (any but 5 read as 4), then every float from its
    // exponent byte down: the active zero and gain, then zero and gain of each of the 8 ranges.
    void setupMemory() {
        Rig rig;
        rig.instrument().setSetupByte(DisplayDigitsAddress, 255);
        rig.instrument().setSetupFloat(ActiveZeroAddress, 32770.0);
        rig.instrument().setSetupFloat(ActiveKAddress, 0.0015442);
        rig.instrument().setSetupFloat(rangeZeroAddress(3), 32100.0);
        rig.instrument().setSetupFloat(rangeKAddress(3), 0.0019088);
        QCOMPARE(rig.readSetup(), SetupRead);
        QCOMPARE(rig.setup.DisplayDigits, 4);
        QCOMPARE(rig.setup.ActiveZero, 32770.0F);
        QCOMPARE(rig.setup.ActiveK, static_cast<float>(HexToFloat(FloatToHex(0.0015442, 4))));
        QCOMPARE(rig.setup.RangeZero[3], 32100.0);
        QVERIFY(qAbs(rig.setup.RangeK[3] - 0.0019088) < 1e-9);
        QVERIFY(rig.line.isOpen());
        QVERIFY(!rig.status.visible);
        QVERIFY(rig.messages.shown.isEmpty());
        QCOMPARE(rig.status.texts,
                 QStringList({"T30", "T34 5%", "T34 10%", "T34 15%", "T3420%", "T3431%", "T3443%",
                              "T3454%", "T3466%", "T3477%", "T3489%", "T34100%"}));
        const QList<QByteArray>& frames = rig.instrument().frames();
        QCOMPARE(frames.size(), 2 + 8 * 9);
        QCOMPARE(frames.first(11),
                 QList<QByteArray>({"$00@", "$00ER12", "$00ER0D", "$00ER0C", "$00ER0B", "$00ER0A",
                                    "$00ER11", "$00ER10", "$00ER0F", "$00ER0E", "$00ER23"}));
        QCOMPARE(frames.last(), "$00ER5C");
        QCOMPARE(rig.clock.waited(), 100ms + 73 * 10ms);
    }

    // An identification of 8 characters or fewer is no answer, one without "TORAN" (in any
    // case) another instrument; nothing more is read then.
    void identification() {
        for (const auto& [reply, result] :
             {std::pair<QByteArray, int>{"toran r-40 v2\r", SetupRead},
              {"TORAN 1\r", SetupNoAnswer},
              {"OTHER DEVICE 1.0\r", SetupNotToran},
              {"", SetupNoAnswer}}) {
            Rig rig;
            if (reply.isEmpty())
                rig.addFault(u"@ none");
            else
                rig.instrument().setIdentification(reply);
            rig.setup.DisplayDigits = 99;
            QCOMPARE(rig.readSetup(), result);
            QCOMPARE(rig.messages.texts(),
                     result == SetupNotToran ? QStringList{"T35"} : QStringList{});
            QVERIFY(!rig.status.visible);
            QVERIFY(rig.line.isOpen());
            QCOMPARE(rig.setup.DisplayDigits, result == SetupRead ? 5 : 99);
            QCOMPARE(rig.instrument().frameCount(), result == SetupRead ? 74 : 1);
        }
    }

    void portThatCannotOpen() {
        Rig rig;
        rig.line.setPortState(7, sim::SimulatedLine::PortState::InUse);
        rig.line.setPortNumber(7);
        QCOMPARE(rig.readSetup(), SetupPortFailed);
        QCOMPARE(rig.messages.texts(), QStringList{"T31 (COM7) T32"});
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Critical);
        QCOMPARE(rig.status.texts.last(), QString("T33"));
        QVERIFY(!rig.status.visible);
    }

    // From the 21st byte read (the zero of range 1 at 28..2B, exponent byte first) no reply
    // comes: four attempts, then the read-out stops and keeps the old values.
    void silentSetupByte() {
        Rig rig;
        rig.addFault(u"ER none after 20");
        rig.setup.RangeK[0] = 42.0;
        QCOMPARE(rig.readSetup(), SetupByteSilent);
        QCOMPARE(rig.setup.RangeK[0], 42.0);
        QCOMPARE(rig.messages.shown.size(), 1);
        QVERIFY(rig.messages.shown.first().text.contains(u"(adresa 28)"));
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Critical);
        QVERIFY(!rig.status.visible);
        QCOMPARE(rig.instrument().frames().mid(21), QList<QByteArray>(4, "$00ER28"));
        QCOMPARE(rig.clock.waited(), 100ms + 20 * 10ms + 4 * 110ms);
    }

    // The presence reply is read 250 ms after its frame.
    void bothSensorsReadInternalFirst() {
        Rig rig;
        rig.readSensors();
        QCOMPARE(rig.instrument().frames(), QList<QByteArray>({"$00KQ", "$00KB20", "$00KB00"}));
        QCOMPARE(rig.clock.waited(), 250ms + 2 * 10ms);
        // The active constants are those of the external sensor's range (7), as the boxes show.
        QCOMPARE(rig.sensors.CurrentSensor.GainIndex, 7);
        QCOMPARE(rig.live.ActiveZero, 32007.0F);
        QCOMPARE(rig.live.ActiveK, 0.008F);
        QCOMPARE(rig.sensors.CurrentSensor.RangeK, 0.008F);
        QCOMPARE(rig.sensors.SensorImage, rig.instrument().block(0));
        QVERIFY(rig.messages.shown.isEmpty());
        QCOMPARE(rig.status.texts, QStringList({"T36", "T37"}));
        QVERIFY(!rig.status.visible);
    }

    // A presence reply that is not 3 characters long means no sensor.
    void presenceReplies() {
        for (const QString fault : {"KQ extra", "KQ none"}) {
            Rig rig;
            rig.addFault(fault);
            rig.readSensors();
            QCOMPARE(rig.sensors.SensorMask, 0);
            QCOMPARE(rig.instrument().frames(), QList<QByteArray>({"$00KQ"}));
            QVERIFY(!rig.sensors.workingOnExternal());
            QVERIFY(rig.sensors.CurrentSensor.Description.isBlank());
            QCOMPARE(rig.sensors.CurrentSensor.CurvePointCount, 0);
        }
    }

    void damagedExternalBlockReportedOnce() {
        Rig rig;
        QByteArray block = rig.instrument().block(0);
        block[0] = 'X';
        rig.instrument().setBlock(0, block);
        rig.readSensors();
        QCOMPARE(rig.messages.texts(), QStringList{FsnStructureError});
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Critical);
        QCOMPARE(rig.sensors.CurrentSensor.CurvePointCount, 0);
    }

    // The internal block reads fine, the external block's reply never comes: the external
    // record must not be decoded from the internal block still in hand.
    void unreadableBlockLeavesRecordEmpty() {
        Rig rig;
        rig.addFault(u"KB none after 1");
        rig.readSensors();
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
        rig.readSensors();
        QCOMPARE(rig.instrument().frameCount(), 0);
        QCOMPARE(rig.sensors.SensorMask, 3);
        QVERIFY(rig.status.texts.isEmpty());
    }
};

QTEST_GUILESS_MAIN(ReadoutsTest)
#include "tst_readouts.moc"
