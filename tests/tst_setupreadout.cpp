#include "core/instrument/SetupReadout.h"
#include "core/text/DeviceFloat.h"
#include "core/text/LanguageTable.h"
#include "sim/SimulatedLine.h"
#include "tests/support/FakeStatusPanel.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestLink.h"

#include <QTest>

using namespace device;

namespace {

struct Rig {
    testsupport::ManualClock clock;
    sim::SimulatedLine line{clock};
    testsupport::FakeStatusPanel status;
    testsupport::ScriptedMessages messages;
    text::LanguageTable texts;
    InstrumentSetup setup;
    Rig() {
        for (int n = 30; n <= 35; ++n)
            texts.set(n, QStringLiteral("T%1").arg(n));
        line.attach(1);
        line.setPortNumber(1);
    }
    sim::Instrument& instrument() { return line.instrument(1); }
    int read() { return ReadTORAN(testsupport::link(line, clock), status, messages, texts, setup); }
};

} // namespace

class SetupReadoutTest : public QObject {
    Q_OBJECT

private slots:
    void readsActiveConstantsAndRangesWithProgress() {
        Rig rig;
        rig.instrument().setSetupFloat(ActiveZeroAddress, 32770.0);
        rig.instrument().setSetupFloat(ActiveKAddress, 0.0015442);
        rig.instrument().setSetupFloat(rangeZeroAddress(3), 32100.0);
        rig.instrument().setSetupFloat(rangeKAddress(3), 0.0019088);
        QCOMPARE(rig.read(), SetupRead);
        QCOMPARE(rig.setup.ActiveZero, 32770.0F);
        QCOMPARE(rig.setup.ActiveK, static_cast<float>(HexToFloat(FloatToHex(0.0015442, 4))));
        QCOMPARE(rig.setup.RangeZero[3], 32100.0);
        QVERIFY(qAbs(rig.setup.RangeK[3] - 0.0019088) < 1e-9);
        QCOMPARE(rangeZeroText(rig.setup.RangeZero[3]), QString("32100"));
        QVERIFY(rig.line.isOpen());
        QVERIFY(!rig.status.visible);
        QVERIFY(rig.messages.shown.isEmpty());
        QCOMPARE(rig.status.texts,
                 QStringList({"T30", "T34 5%", "T34 10%", "T34 15%", "T3420%", "T3431%", "T3443%",
                              "T3454%", "T3466%", "T3477%", "T3489%", "T34100%"}));
    }

    void identificationReplies_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("message");
        QTest::newRow("lower case accepted") << QByteArray("toran r-40 v2\r") << SetupRead << false;
        QTest::newRow("eight characters") << QByteArray("TORAN 1\r") << SetupNoAnswer << false;
        QTest::newRow("other instrument")
            << QByteArray("OTHER DEVICE 1.0\r") << SetupNotToran << true;
        QTest::newRow("silent") << QByteArray() << SetupNoAnswer << false;
    }
    void identificationReplies() {
        QFETCH(QByteArray, reply);
        QFETCH(int, result);
        QFETCH(bool, message);
        Rig rig;
        if (reply.isEmpty())
            rig.instrument().addFault({sim::FaultKind::NoReply, sim::Command::Identify, 0, {}, {}});
        else
            rig.instrument().setIdentification(reply);
        rig.setup.DisplayDigits = 99;
        QCOMPARE(rig.read(), result);
        QCOMPARE(rig.messages.texts(), message ? QStringList{"T35"} : QStringList{});
        QVERIFY(!rig.status.visible);
        QVERIFY(rig.line.isOpen());
        QCOMPARE(rig.setup.DisplayDigits, result == SetupRead ? 5 : 99);
    }

    void portThatCannotOpen() {
        Rig rig;
        rig.line.setPortState(7, sim::SimulatedLine::PortState::InUse);
        rig.line.setPortNumber(7);
        QCOMPARE(rig.read(), SetupPortFailed);
        QCOMPARE(rig.messages.texts(), QStringList{"T31 (COM7) T32"});
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Critical);
        QCOMPARE(rig.status.texts.last(), QString("T33"));
        QVERIFY(!rig.status.visible);
    }

    void displayDigits_data() {
        QTest::addColumn<int>("stored");
        QTest::newRow("4") << 4;
        QTest::newRow("0") << 0;
        QTest::newRow("255") << 255;
    }
    void displayDigits() {
        QFETCH(int, stored);
        Rig rig;
        rig.instrument().setSetupByte(DisplayDigitsAddress, stored);
        QCOMPARE(rig.read(), SetupRead);
        QCOMPARE(rig.setup.DisplayDigits, 4);
        QCOMPARE(displayFormats(rig.setup.DisplayDigits).size(), 4);
    }

    void silentSetupByteFailsAndKeepsOldValues() {
        Rig rig;
        // The byte reads from the 20th frame on go unanswered: four attempts, then the read-out
        // stops without reading further.
        rig.instrument().addFault({sim::FaultKind::NoReply, sim::Command::ReadSetup, 20, {}, {}});
        rig.setup.RangeK[0] = 42.0;
        QCOMPARE(rig.read(), SetupByteSilent);
        QCOMPARE(rig.setup.RangeK[0], 42.0);
        QCOMPARE(rig.messages.shown.size(), 1);
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Critical);
        QVERIFY(!rig.status.visible);
        QCOMPARE(rig.instrument().frames().size(), 1 + 20 + 4);
    }
};

QTEST_GUILESS_MAIN(SetupReadoutTest)
#include "tst_setupreadout.moc"
