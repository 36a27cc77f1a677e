#include "device/Encoding.h"
#include "device/SetupReadout.h"
#include "sim/Fault.h"
#include "sim/SimulatedLine.h"
#include "tests/support/FakeStatusPanel.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedMessages.h"
#include "ui/LanguageTable.h"

#include <QLocale>
#include <QTest>

using namespace device;

class SetupReadoutTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void readsDigitsActiveConstantsAndRanges();
    void progressTexts();
    void identificationReplies_data();
    void identificationReplies();
    void portThatCannotOpen();
    void reopensAnOpenPortBeforeSending();
    void displayDigits_data();
    void displayDigits();
    void silentSetupByteFailsAndKeepsOldValues();
    void boxTexts();

private:
    struct Rig {
        testsupport::ManualClock clock;
        sim::SimulatedLine line{clock};
        testsupport::FakeStatusPanel status;
        testsupport::ScriptedMessages messages;
        ui::LanguageTable texts;
        Rig() {
            for (int n = 30; n <= 35; ++n)
                texts.set(n, QStringLiteral("T%1").arg(n));
            line.attach(1);
            line.setPortNumber(1);
        }
        sim::Instrument& instrument() { return line.instrument(1); }
        int read(InstrumentSetup& setup) {
            return ReadTORAN({line, clock}, status, messages, texts, setup);
        }
    };
};

void SetupReadoutTest::initTestCase() {
    QLocale::setDefault(QLocale::c());
}

void SetupReadoutTest::readsDigitsActiveConstantsAndRanges() {
    Rig rig;
    rig.instrument().setSetupFloat(ActiveZeroAddress, 32770.0);
    rig.instrument().setSetupFloat(ActiveKAddress, 0.0015442);
    rig.instrument().setSetupFloat(rangeZeroAddress(3), 32100.0);
    rig.instrument().setSetupFloat(rangeKAddress(3), 0.0019088);
    InstrumentSetup setup;
    QCOMPARE(rig.read(setup), SetupRead);
    QCOMPARE(setup.DisplayDigits, 5);
    QCOMPARE(setup.ActiveZero, 32770.0F);
    QCOMPARE(setup.ActiveK, static_cast<float>(HexToFloat(FloatToHex(0.0015442, 4))));
    QCOMPARE(setup.RangeZero[3], 32100.0);
    QVERIFY(qAbs(setup.RangeK[3] - 0.0019088) < 1e-9);
    QVERIFY(rig.line.isOpen());
    QVERIFY(!rig.status.visible);
    QVERIFY(rig.messages.shown.isEmpty());
    // One identification and 73 byte reads, each answered at once.
    const auto& frames = rig.instrument().frames();
    QCOMPARE(frames.size(), 74);
    QCOMPARE(frames.first(), QByteArray("$00@"));
    QCOMPARE(frames.at(1), QByteArray("$00ER12"));
    QCOMPARE(frames.at(2), QByteArray("$00ER0D")); // the exponent byte first
}

void SetupReadoutTest::progressTexts() {
    Rig rig;
    InstrumentSetup setup;
    QCOMPARE(rig.read(setup), SetupRead);
    QCOMPARE(rig.status.texts,
             QStringList({"T30", "T34 5%", "T34 10%", "T34 15%", "T3420%", "T3431%", "T3443%",
                          "T3454%", "T3466%", "T3477%", "T3489%", "T34100%"}));
}

void SetupReadoutTest::identificationReplies_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("message");
    QTest::newRow("lower case accepted") << QByteArray("toran r-40 v2\r") << SetupRead << false;
    QTest::newRow("eight characters") << QByteArray("TORAN 1\r") << SetupNoAnswer << false;
    QTest::newRow("other instrument") << QByteArray("OTHER DEVICE 1.0\r") << SetupNotToran << true;
    QTest::newRow("silent") << QByteArray() << SetupNoAnswer << false;
}

void SetupReadoutTest::identificationReplies() {
    QFETCH(QByteArray, reply);
    QFETCH(int, result);
    QFETCH(bool, message);
    Rig rig;
    if (reply.isEmpty())
        rig.instrument().addFault({sim::FaultKind::NoReply, sim::Command::Identify, 0, {}, {}});
    else
        rig.instrument().setIdentification(reply);
    InstrumentSetup setup;
    setup.DisplayDigits = 99;
    QCOMPARE(rig.read(setup), result);
    QCOMPARE(rig.messages.texts(), message ? QStringList{"T35"} : QStringList{});
    QVERIFY(!rig.status.visible);
    QVERIFY(rig.line.isOpen());
    if (result != SetupRead)
        QCOMPARE(setup.DisplayDigits, 99);
}

void SetupReadoutTest::portThatCannotOpen() {
    Rig rig;
    rig.line.setPortState(7, sim::SimulatedLine::PortState::InUse);
    rig.line.setPortNumber(7);
    InstrumentSetup setup;
    QCOMPARE(rig.read(setup), SetupPortFailed);
    QCOMPARE(rig.messages.texts(), QStringList{"T31 (COM7) T32"});
    QCOMPARE(rig.messages.shown.first().icon, ui::MsgIcon::Critical);
    QCOMPARE(rig.status.texts.last(), QString("T33"));
    QVERIFY(!rig.status.visible);
}

void SetupReadoutTest::reopensAnOpenPortBeforeSending() {
    Rig rig;
    QCOMPARE(rig.line.open(), OpenResult::Opened);
    rig.line.send("$00M\r"); // a stale poll whose reply waits in the buffer
    InstrumentSetup setup;
    QCOMPARE(rig.read(setup), SetupRead);
    QCOMPARE(rig.line.openedPorts(), QList<int>({1, 1}));
}

void SetupReadoutTest::displayDigits_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("digits");
    QTest::newRow("5") << 5 << 5;
    QTest::newRow("4") << 4 << 4;
    QTest::newRow("0") << 0 << 4;
    QTest::newRow("255") << 255 << 4;
}

void SetupReadoutTest::displayDigits() {
    QFETCH(int, stored);
    QFETCH(int, digits);
    Rig rig;
    rig.instrument().setSetupByte(DisplayDigitsAddress, stored);
    InstrumentSetup setup;
    QCOMPARE(rig.read(setup), SetupRead);
    QCOMPARE(setup.DisplayDigits, digits);
    QCOMPARE(displayFormats(setup.DisplayDigits).size(), digits);
}

void SetupReadoutTest::silentSetupByteFailsAndKeepsOldValues() {
    Rig rig;
    // The byte reads from the 20th frame on go unanswered: four attempts, then the read-out
    // stops without reading further.
    rig.instrument().addFault({sim::FaultKind::NoReply, sim::Command::ReadSetup, 20, {}, {}});
    InstrumentSetup setup;
    setup.RangeK[0] = 42.0;
    QCOMPARE(rig.read(setup), SetupByteSilent);
    QCOMPARE(setup.RangeK[0], 42.0);
    QCOMPARE(rig.messages.shown.size(), 1);
    QCOMPARE(rig.messages.shown.first().icon, ui::MsgIcon::Critical);
    QVERIFY(!rig.status.visible);
    QCOMPARE(rig.instrument().frames().size(), 1 + 20 + 4);
}

void SetupReadoutTest::boxTexts() {
    QCOMPARE(rangeZeroText(32768.0), QString("32768"));
    QCOMPARE(rangeKText(0.0015442), QString("1.54420 E-3"));
    QCOMPARE(rangeKText(0.0152704), QString("1.52704 E-2"));
}

QTEST_GUILESS_MAIN(SetupReadoutTest)
#include "tst_setupreadout.moc"
