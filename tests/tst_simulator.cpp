// The simulated instrument: its replies, faults and pacing, the in-process line with its port
// states, the console of toran-sim and the pseudo-terminal front end itself.

#include "core/instrument/Clock.h"
#include "core/instrument/Lifecycle.h"
#include "core/instrument/OrvoLib.h"
#include "core/instrument/QtSerialLine.h"
#include "core/instrument/Timing.h"
#include "sim/Console.h"
#include "sim/Fault.h"
#include "sim/Instrument.h"
#include "sim/SensorBlock.h"
#include "sim/SimulatedLine.h"
#include "tests/support/ManualClock.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TestLink.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <signal.h>

using namespace std::chrono_literals;
using std::chrono::milliseconds;

namespace {

// Feeds the frames one by one (each split in two, as a line may deliver them) and collects
// what each one is answered with at once.
QStringList exchange(sim::Instrument& instrument, const QStringList& frames) {
    QStringList replies;
    for (const QString& frame : frames) {
        const QByteArray bytes = frame.toLatin1() + '\r';
        instrument.receive(QByteArrayView(bytes).first(bytes.size() / 2), 0us);
        instrument.receive(QByteArrayView(bytes).sliced(bytes.size() / 2), 0us);
        replies.append(QString::fromLatin1(instrument.take(0us)));
    }
    return replies;
}

sim::Fault fault(const QString& rule) {
    const auto parsed = sim::parseFault(rule);
    if (!parsed.fault)
        qFatal("bad fault rule in test: %s", qPrintable(rule));
    return *parsed.fault;
}

} // namespace

class SimulatorTest : public QObject {
    Q_OBJECT

private slots:
    // toran-sim is built on POSIX systems only.
    void init() {
        if (qstrncmp(QTest::currentTestFunction(), "toranSim", 8) == 0 &&
            testsupport::SimProcess::executable().isEmpty())
            QSKIP("toran-sim not found (TORANCAL_BIN_DIR)");
    }

    // Each row sets the instrument up through console commands, then sends its frames.
    void replies_data() {
        QTest::addColumn<QStringList>("console");
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<QStringList>("replies");
        const auto row = [](const char* name, QStringList console, QStringList frames,
                            QStringList replies) {
            QTest::newRow(name) << console << frames << replies;
        };
        row("identification", {}, {"$00@"}, {"TORAN R-40 v2.10\r"});
        row("sensor mask", {}, {"$00KQ"}, {"03\r"});
        row("display digits", {}, {"$00ER12"}, {"05\r"});
        row("active zero, exponent byte", {}, {"$00ER0d"}, {"90\r"});
        row("write then read", {}, {"$00EW3041", "$00ER30"}, {"41\r", "41\r"});
        row("block byte echo", {}, {"$00KW200041"}, {"41\r"});
        row("reset answers nothing", {}, {"$00X"}, {""});
        row("unknown or malformed", {},
            {"$00Z", "$01ER12", "$00ER1", "$00ERG1", "$00M1", "00ER12", "$00KB10", "$00KB40",
             "$00KW400041", "$00EW30411"},
            {"", "", "", "", "", "", "", "", "", ""});

        row("measurement", {}, {"$00M"}, {"0,00;32768;0081C8\r"});
        row("external, on a point", {"load 1"}, {"$00M"}, {"50,00;41150;0081C8\r"});
        row("external, between points", {"load 1.5"}, {"$00M"}, {"75,00;45341;0081C8\r"});
        row("external, below the curve", {"load -0.5"}, {"$00M"}, {"-25,00;28577;0081C8\r"});
        row("external, above the curve", {"load 3"}, {"$00M"}, {"150,00;57915;0081C8\r"});
        row("internal when mask is 2", {"mask 2", "load 2"}, {"$00M"}, {"250,0;41150;0081C8\r"});
        row("internal when mask is 1", {"mask 1"}, {"$00M"}, {"0,0;32768;0081C8\r"});
        row("flags set, status wrong",
            {"load 1.5", "status 1f", "range 0x80", "battery 126", "fault M wrong"}, {"$00M"},
            {"75,00;45341;E0807E\r"});

        // Faults the exchanges see (a character too many or too few, garbage, lost and wrong
        // echoes) are proven by tst_exchanges on both lines.
        row("wrong byte", {"fault ER wrong"}, {"$00ER12"}, {"FA\r"});
        row("wrong identification", {"fault @ wrong"}, {"$00@"}, {"toran r-40 v2.10\r"});
        row("pass 1, affect 1", {"fault ER none after 1 count 1"},
            {"$00ER12", "$00ER12", "$00ER12"}, {"05\r", "", "05\r"});
        row("pass 1, affect all", {"fault ER none after 1"}, {"$00ER12", "$00ER12", "$00ER12"},
            {"05\r", "", ""});
        row("only its command", {"fault KQ none"}, {"$00ER12", "$00KQ"}, {"05\r", ""});
        row("any command", {"fault any none count 1"}, {"$00KQ", "$00ER12"}, {"", "05\r"});
        row("malformed frames do not count", {"fault ER none count 1"},
            {"$00ER1", "$00ER12", "$00ER12"}, {"", "", "05\r"});
        row("silence from frame 3", {"fault silence after 2"},
            {"$00ER12", "$00KQ", "$00EW3041", "$00ER30"}, {"05\r", "03\r", "", ""});
        row("two faults at once", {"fault ER wrong", "fault ER extra"}, {"$00ER12"}, {"FA\r\r"});
        row("faults cleared", {"fault ER wrong", "clear-faults"}, {"$00ER12"}, {"05\r"});
    }
    void replies() {
        QFETCH(QStringList, console);
        QFETCH(QStringList, frames);
        QFETCH(QStringList, replies);
        sim::Instrument instrument;
        for (const QString& line : console)
            QCOMPARE(sim::runConsoleCommand(instrument, line).line, QStringLiteral("ok"));
        QCOMPARE(exchange(instrument, frames), replies);
        QCOMPARE(instrument.frameCount(), frames.size());
        QCOMPARE(instrument.frames().constLast(), frames.constLast().toLatin1());
    }

    void frameLogAndResets() {
        sim::Instrument instrument;
        instrument.receive("\r$00X\r\r$00KQ\r$00X\r$00E", 0us);
        QCOMPARE(instrument.frames(), (QList<QByteArray>{"$00X", "$00KQ", "$00X"}));
        QCOMPARE(instrument.resetCount(), 2);
        instrument.receive("R12\r", 0us);
        QCOMPARE(instrument.take(0us), QByteArray("03\r05\r"));
    }

    void defaultMemories() {
        const sim::Instrument instrument = sim::Instrument::withDefaults();
        QCOMPARE(instrument.setupByte(sim::Instrument::DigitsAddress), 5);
        for (int range = 0; range < 8; ++range) {
            QCOMPARE(instrument.setupFloat(sim::Instrument::rangeZeroAddress(range)), 32768.0);
            const double k = instrument.setupFloat(sim::Instrument::rangeKAddress(range));
            QVERIFY(qAbs(k / std::ldexp(0.0001193, 7 - range) - 1.0) < 1e-6);
        }
        // The internal sensor works on range 6.
        QCOMPARE(instrument.block(1)[4], '\x06');
        QCOMPARE(instrument.setupFloat(sim::Instrument::ActiveZeroAddress), 32768.0);
        QCOMPARE(instrument.setupFloat(sim::Instrument::ActiveKAddress),
                 instrument.setupFloat(sim::Instrument::rangeKAddress(6)));

        // Every other byte of the blocks is the calibrator's own encoding of them: tst_sensorsave
        // reads them and finds nothing to write.
        QCOMPARE(instrument.block(0).size(), 256);
        QCOMPARE(instrument.block(0).mid(128), QByteArray(128, '\xFF'));
    }

    void measurementFollowsTheSensorCurve() {
        sim::Instrument instrument;
        sim::SensorBlockContent sensor = sim::defaultExternalSensor();
        sensor.decimals = 3;
        sensor.points = {{2.0, 10.0}, {0.0, 0.0}, {1.0, 1.234}, {1.0, 5.0}}; // unsorted, a step
        instrument.setBlock(0, sim::makeSensorBlock(sensor));
        instrument.setLoad(1.0);
        QCOMPARE(instrument.measurementReply(), QByteArray("1,234;41150;0081C8\r"));
        instrument.setLoad(1.5);
        QCOMPARE(instrument.measurementReply(), QByteArray("7,500;45341;0081C8\r"));
        instrument.setBlock(0, QByteArray(256, '\0'));
        QCOMPARE(instrument.measurementReply(), QByteArray("0;32866;0081C8\r"));
    }

    void silenceCarriesOutNothing() {
        sim::Instrument instrument;
        instrument.addFault(sim::Fault::silenceFrom(1));
        (void)exchange(instrument, {"$00EW3041", "$00X"});
        QCOMPARE(instrument.setupByte(0x30), 0);
        QCOMPARE(instrument.resetCount(), 0);
        QCOMPARE(instrument.frameCount(), 2);
        instrument.clearFaults();
        QCOMPARE(exchange(instrument, {"$00ER30"}), QStringList{"00\r"});
    }

    void arrival_data() {
        QTest::addColumn<int>("baud");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("frames");
        QTest::addColumn<QList<int>>("probesMs");
        QTest::addColumn<QList<int>>("arrived");
        QTest::newRow("at once") << 0 << "" << QByteArray("$00ER12\r") << QList{0} << QList{3};
        QTest::newRow("1000 baud: 10 ms a character")
            << 1000 << "" << QByteArray("$00ER12\r") << QList{0, 9, 10, 29, 30}
            << QList{0, 0, 1, 2, 3};
        QTest::newRow("block at 9600 baud: 534 ms")
            << 9600 << "" << QByteArray("$00KB00\r") << QList{534, 535} << QList{512, 513};
        QTest::newRow("late") << 0 << "ER late 50" << QByteArray("$00ER12\r") << QList{49, 50}
                              << QList{0, 3};
        QTest::newRow("late and paced") << 1000 << "ER late 50" << QByteArray("$00ER12\r")
                                        << QList{59, 60, 80} << QList{0, 1, 3};
        QTest::newRow("replies queue on the line")
            << 1000 << "" << QByteArray("$00ER12\r$00KQ\r") << QList{30, 59, 60} << QList{3, 5, 6};
        QTest::newRow("a late reply holds up the next")
            << 0 << "ER late 50 count 1" << QByteArray("$00ER12\r$00KQ\r") << QList{0, 50}
            << QList{0, 6};
    }
    void arrival() {
        QFETCH(int, baud);
        QFETCH(QString, fault);
        QFETCH(QByteArray, frames);
        QFETCH(QList<int>, probesMs);
        QFETCH(QList<int>, arrived);
        sim::Instrument instrument;
        instrument.setBaud(baud);
        if (!fault.isEmpty())
            instrument.addFault(::fault(fault));
        instrument.receive(frames, 0us);
        for (qsizetype i = 0; i < probesMs.size(); ++i)
            QCOMPARE(instrument.available(milliseconds(probesMs[i])), arrived[i]);
    }

    void faultSpecs_data() {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("normalised"); // empty: rejected
        const auto row = [](const char* rule, const char* normalised) {
            QTest::newRow(rule) << rule << normalised;
        };
        row("ER extra", "ER extra");
        row("kw NONE after 4 count 3", "KW none after 4 count 3");
        row("late 300", "any late 300");
        row(" silence  after 10 ", "any silence after 10");
        row("@ wrong", "@ wrong");
        for (const char* bad :
             {"", "ER", "ER boom", "late", "M late soon", "ER none after", "ER none after -1",
              "KW silence", "silence count 2", "ER none since 3"})
            row(bad, "");
    }
    void faultSpecs() {
        QFETCH(QString, rule);
        QFETCH(QString, normalised);
        const sim::FaultParse parsed = sim::parseFault(rule);
        QCOMPARE(parsed.fault ? sim::describeFault(*parsed.fault) : QString(), normalised);
        QCOMPARE(parsed.error.isEmpty(), !normalised.isEmpty());
    }

    // The commands that set the instrument up are in replies(); "frames", "setup" and "block"
    // answer in tst_exchanges, "resets" in tst_endtoend, "quit" in toranSimEnds.
    void console() {
        sim::Instrument instrument;
        const auto run = [&](const char* line) {
            return sim::runConsoleCommand(instrument, QString::fromLatin1(line)).line;
        };
        for (const char* bad :
             {"battery 300", "status zz", "block 2", "load", "fault ER boom", "jump"})
            QVERIFY2(run(bad).startsWith(u"error: "), bad);
        QVERIFY(run("help").contains(u"clear-faults"));
        QCOMPARE(run(""), QString());
    }

    void framesGoToTheOpenPort() {
        testsupport::ManualClock clock;
        sim::SimulatedLine line(clock);
        line.attach(3);
        line.attach(7).setIdentification("TORAN #7\r");
        QVERIFY(!line.setPortNumber(0));
        QVERIFY(!line.setPortNumber(50));
        QVERIFY(line.setPortNumber(7));
        QCOMPARE(line.open(), device::OpenResult::Opened);
        QVERIFY(line.setPortNumber(3)); // takes effect at the next open
        QVERIFY(line.send("$00@\r"));
        QCOMPARE(line.readAll(), QByteArray("TORAN #7\r"));
        QCOMPARE(line.instrument(3).frameCount(), 0);
        QCOMPARE(line.open(), device::OpenResult::Opened);
        QVERIFY(line.send("$00@\r"));
        QCOMPARE(line.readAll(), QByteArray("TORAN R-40 v2.10\r"));
        QCOMPARE(line.openedPorts(), (QList<int>{7, 3}));
        line.close();
        QVERIFY(!line.send("$00@\r"));
        QCOMPARE(line.bytesWaiting(), 0);
        QCOMPARE(line.readAll(), QByteArray());
    }

    // Replies arriving by the clock are proven by tst_exchanges on the simulated line.
    void whatIsOnItsWayIsLostOnClose() {
        testsupport::ManualClock clock;
        sim::SimulatedLine line(clock);
        line.attach(1).addFault(fault("ER late 100"));
        QCOMPARE(line.open(), device::OpenResult::Opened);
        QVERIFY(line.send("$00ER12\r"));
        line.close();
        QCOMPARE(line.open(), device::OpenResult::Opened);
        clock.advance(500ms);
        QCOMPARE(line.bytesWaiting(), 0);
    }

    // The pseudo-terminal front end.

    void toranSimEnds_data() {
        QTest::addColumn<QString>("how");
        for (const char* how : {"quit", "end of input", "SIGTERM", "SIGINT"})
            QTest::newRow(how) << how;
    }
    void toranSimEnds() {
        QFETCH(QString, how);
        QTemporaryDir directory;
        const QString link = directory.filePath(QStringLiteral("COM1"));
        testsupport::SimProcess sim(link, {});
        QVERIFY2(sim.isReady(), qPrintable(sim.error()));
        QVERIFY(QFileInfo(link).isSymLink());
        if (how == u"quit")
            QCOMPARE(sim.command("quit"), QStringLiteral("bye"));
        else if (how == u"end of input")
            sim.process().closeWriteChannel();
        else
            ::kill(static_cast<pid_t>(sim.process().processId()),
                   how == u"SIGINT" ? SIGINT : SIGTERM);
        QVERIFY(sim.waitForExit());
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    // A pulled adapter: the terminal hangs up and the device goes away, then comes back; a
    // hang-up can wait for the frames of one command.
    void toranSimHangsUpAndComesBack() {
        QTemporaryDir directory;
        const QString link = directory.filePath(QStringLiteral("COM3"));
        testsupport::SimProcess sim(link, {"--baud", "0", "--digits", "4", "--mask", "2", "--load",
                                           "0.5", "--verbose", "--hangup-after", "2"});
        QVERIFY2(sim.isReady(), qPrintable(sim.error()));
        device::Lifecycle lifecycle;
        device::EventLoopClock clock(lifecycle);
        device::QtSerialLine line(directory.path());
        QVERIFY(line.setPortNumber(3));
        QCOMPARE(line.open(), device::OpenResult::Opened);
        const device::Link exchange = testsupport::link(line, clock);
        const auto readDigits = [&] {
            return device::orvoLib::ReadByte(exchange, 0, 18, device::timing::ByteTimeout);
        };
        QCOMPARE(readDigits(), 4);
        QCOMPARE(readDigits(), 4);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readDigits(), -1);
        QVERIFY(!QFileInfo(link).isSymLink());
        // Still open, but reading fails: that is how the live signal learns of the loss.
        QVERIFY(line.isOpen());
        QCOMPARE(line.readAll(), std::nullopt);
        QVERIFY(!line.send("$00KQ\r"));
        line.close();
        QCOMPARE(line.open(), device::OpenResult::NoSuchPort);
        QCOMPARE(sim.command("frames"), QStringLiteral("2"));

        // Plugged back in: the same instrument, its memories as they were.
        QVERIFY(sim.command("plug").startsWith(u"ready /dev/"));
        QCOMPARE(line.open(), device::OpenResult::Opened);
        QCOMPARE(readDigits(), 4);
        QCOMPARE(sim.command("hangup EW after 1"), QStringLiteral("ok"));
        QCOMPARE(readDigits(), 4);
        QCOMPARE(device::orvoLib::WriteByte(exchange, 0, 18, 5, device::timing::ByteTimeout), 5);
        QCOMPARE(readDigits(), -1);
        QCOMPARE(sim.command("plug").left(6), QStringLiteral("ready "));
    }

    void toranSimOptions_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("help") << QStringList{"--help"} << 0;
        QTest::newRow("no link") << QStringList{"--baud", "0"} << 2;
        QTest::newRow("bad fault") << QStringList{"--link", "x", "--fault", "ER boom"} << 2;
        QTest::newRow("bad digits") << QStringList{"--link", "x", "--digits", "6"} << 2;
        QTest::newRow("bad baud") << QStringList{"--link", "x", "--baud", "fast"} << 2;
        QTest::newRow("bad load") << QStringList{"--link", "x", "--load", "heavy"} << 2;
    }
    void toranSimOptions() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QProcess process;
        process.start(testsupport::SimProcess::executable(), arguments);
        QVERIFY(process.waitForFinished());
        QCOMPARE(process.exitCode(), exitCode);
        if (exitCode == 0)
            QVERIFY(process.readAllStandardOutput().contains("count N"));
        else
            QVERIFY(!process.readAllStandardError().isEmpty());
    }
};

QTEST_GUILESS_MAIN(SimulatorTest)
#include "tst_simulator.moc"
