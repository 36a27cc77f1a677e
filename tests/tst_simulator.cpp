// The in-process simulated instrument, as far as the product's tests rest on it without proving it.

#include "sim/Console.h"
#include "sim/Fault.h"
#include "sim/Instrument.h"
#include "sim/SimulatedLine.h"
#include "tests/support/ManualClock.h"

#include <QTest>

using namespace std::chrono_literals;

namespace {

// Feeds the frames one by one, each split in two as a line may deliver it.
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

} // namespace

class SimulatorTest : public QObject {
    Q_OBJECT

private slots:
    // Each row sets the instrument up through console commands, then sends its frames.
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
        row("a step, no ramp, no noise", {"load 1", "ramp 0", "step 0.5", "noise 0"}, {"$00M"},
            {"75,00;45341;0081C8\r"});
        row("internal when mask is 2", {"mask 2", "load 2"}, {"$00M"}, {"250,0;41150;0081C8\r"});
        row("flags set, status wrong",
            {"load 1.5", "status 1f", "range 0x80", "battery 126", "fault M wrong"}, {"$00M"},
            {"75,00;45341;E0807E\r"});
        row("silence from frame 3", {"fault silence after 2"},
            {"$00ER12", "$00KQ", "$00EW3041", "$00ER30"}, {"05\r", "03\r", "", ""});
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
    }

    // Frames are logged whole, also under silence, which carries out nothing.
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

    // The characters that have arrived at each probe.
    void arrival() {
        const auto arrived = [](int baud, const char* rule, QByteArrayView frames,
                                const QList<int>& probesMs) {
            sim::Instrument instrument;
            instrument.setBaud(baud);
            if (*rule != '\0')
                instrument.addFault(*sim::parseFault(QString::fromLatin1(rule)).fault);
            instrument.receive(frames, 0us);
            QList<int> counts;
            for (const int ms : probesMs)
                counts.append(instrument.available(std::chrono::milliseconds(ms)));
            return counts;
        };
        QCOMPARE(arrived(1000, "", "$00ER12\r", {0, 9, 10, 29, 30}), QList({0, 0, 1, 2, 3}));
        QCOMPARE(arrived(1000, "ER late 50", "$00ER12\r", {59, 60, 80}), QList({0, 1, 3}));
        QCOMPARE(arrived(0, "ER late 50 count 1", "$00ER12\r$00KQ\r", {49, 50}), QList({0, 6}));
    }
};

QTEST_GUILESS_MAIN(SimulatorTest)
#include "tst_simulator.moc"