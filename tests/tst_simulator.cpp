// The simulated instrument: its replies, faults and pacing, the in-process line, the console of
// toran-sim and the pseudo-terminal front end itself.

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

    // Each row sets the instrument up through console commands, then sends its frames. The
    // replies and faults the product's exchanges rely on (a fault on one command, after and
    // count) are proven by their tests.
    void replies_data() {
        QTest::addColumn<QStringList>("console");
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<QStringList>("replies");
        const auto row = [](const char* name, QStringList console, QStringList frames,
                            QStringList replies) {
            QTest::newRow(name) << console << frames << replies;
        };
        row("unknown or malformed", {},
            {"$00Z", "$01ER12", "$00ER1", "$00ERG1", "$00M1", "00ER12", "$00KB10", "$00KB40",
             "$00KW400041", "$00EW30411"},
            QStringList(10, QString()));
        row("below the curve", {"load -0.5"}, {"$00M"}, {"-25,00;28577;0081C8\r"});
        row("above the curve", {"load 3"}, {"$00M"}, {"150,00;57915;0081C8\r"});
        row("internal when mask is 2", {"mask 2", "load 2"}, {"$00M"}, {"250,0;41150;0081C8\r"});
        row("flags set, status wrong",
            {"load 1.5", "status 1f", "range 0x80", "battery 126", "fault M wrong"}, {"$00M"},
            {"75,00;45341;E0807E\r"});
        row("malformed frames do not count", {"fault ER none count 1"},
            {"$00ER1", "$00ER12", "$00ER12"}, {"", "", "05\r"});
        row("silence from frame 3", {"fault silence after 2"},
            {"$00ER12", "$00KQ", "$00EW3041", "$00ER30"}, {"05\r", "03\r", "", ""});
        row("two faults at once", {"fault ER wrong", "fault ER extra"}, {"$00ER12"}, {"FA\r\r"});
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

    // Silence carries out nothing, though its frames are logged.
    void frameLogResetsAndSilence() {
        sim::Instrument instrument;
        instrument.receive("\r$00X\r\r$00KQ\r$00X\r$00E", 0us);
        QCOMPARE(instrument.frames(), (QList<QByteArray>{"$00X", "$00KQ", "$00X"}));
        instrument.receive("R12\r", 0us);
        QCOMPARE(instrument.take(0us), QByteArray("03\r05\r"));
        instrument.addFault(sim::Fault::silenceFrom(1));
        QCOMPARE(exchange(instrument, {"$00EW3041", "$00X"}), QStringList({"", ""}));
        instrument.clearFaults();
        QCOMPARE(exchange(instrument, {"$00ER30"}), QStringList{"00\r"});
        QCOMPARE(instrument.resetCount(), 2);
        QCOMPARE(instrument.frameCount(), 7);
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

    void arrival() {
        const auto arrived = [](int baud, const char* rule, QByteArrayView frames,
                                const QList<int>& probesMs) {
            sim::Instrument instrument;
            instrument.setBaud(baud);
            if (*rule != '\0')
                instrument.addFault(fault(QString::fromLatin1(rule)));
            instrument.receive(frames, 0us);
            QList<int> counts;
            for (const int ms : probesMs)
                counts.append(instrument.available(milliseconds(ms)));
            return counts;
        };
        QCOMPARE(arrived(1000, "", "$00ER12\r", {0, 9, 10, 29, 30}), QList({0, 0, 1, 2, 3}));
        QCOMPARE(arrived(9600, "", "$00KB00\r", {534, 535}), QList({512, 513}));
        QCOMPARE(arrived(0, "ER late 50", "$00ER12\r", {49, 50}), QList({0, 3}));
        QCOMPARE(arrived(1000, "ER late 50", "$00ER12\r", {59, 60, 80}), QList({0, 1, 3}));
        // Replies queue on the line; a late one holds up the next.
        QCOMPARE(arrived(1000, "", "$00ER12\r$00KQ\r", {30, 59, 60}), QList({3, 5, 6}));
        QCOMPARE(arrived(0, "ER late 50 count 1", "$00ER12\r$00KQ\r", {0, 50}), QList({0, 6}));
    }

    // Rules as toran-sim's console and --fault take them; an empty text for a rejected one.
    void faultRules() {
        const auto normalised = [](const char* rule) {
            const sim::FaultParse parsed = sim::parseFault(QString::fromLatin1(rule));
            if (parsed.fault.has_value() == parsed.error.isEmpty())
                return parsed.fault ? sim::describeFault(*parsed.fault) : QStringLiteral("?");
            return QStringLiteral("both or neither");
        };
        QCOMPARE(normalised("kw NONE after 4 count 3"), "KW none after 4 count 3");
        QCOMPARE(normalised(" silence  after 10 "), "any silence after 10");
        QCOMPARE(normalised("late 300"), "any late 300");
        QCOMPARE(normalised("@ wrong"), "@ wrong");
        for (const char* bad :
             {"", "ER", "ER boom", "late", "M late soon", "ER none after", "ER none after -1",
              "KW silence", "silence count 2", "ER none since 3"})
            QCOMPARE(normalised(bad), "?");
    }

    // Which port answers is tst_portsearch's. What is on its way is lost on closing.
    void closingTheLine() {
        testsupport::ManualClock clock;
        sim::SimulatedLine line(clock);
        line.attach(1).addFault(fault("ER late 100"));
        QCOMPARE(line.open(), device::OpenResult::Opened);
        QVERIFY(line.send("$00ER12\r"));
        line.close();
        QVERIFY(!line.send("$00@\r"));
        QCOMPARE(line.readAll(), QByteArray());
        QCOMPARE(line.open(), device::OpenResult::Opened);
        clock.advance(500ms);
        QCOMPARE(line.bytesWaiting(), 0);
        QCOMPARE(line.instrument(1).frameCount(), 1);
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

    // A pulled adapter: the terminal hangs up and the device goes away, then comes back. A
    // hang-up after the frames of one command is tst_endtoend's.
    void toranSimHangsUpAndComesBack() {
        QTemporaryDir directory;
        const QString link = directory.filePath(QStringLiteral("COM3"));
        testsupport::SimProcess sim(link, {"--baud", "0", "--digits", "4", "--hangup-after", "2"});
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
        QCOMPARE(readDigits(), -1);
        QVERIFY(!QFileInfo(link).isSymLink());
        // Still open, but reading fails: that is how the live signal learns of the loss.
        QCOMPARE(line.readAll(), std::nullopt);
        QVERIFY(!line.send("$00KQ\r"));
        line.close();
        QCOMPARE(line.open(), device::OpenResult::NoSuchPort);
        // Plugged back in: the same instrument, its memories as they were.
        QVERIFY(sim.command("plug").startsWith(u"ready /dev/"));
        QCOMPARE(line.open(), device::OpenResult::Opened);
        QCOMPARE(readDigits(), 4);
    }
};

QTEST_GUILESS_MAIN(SimulatorTest)
#include "tst_simulator.moc"
