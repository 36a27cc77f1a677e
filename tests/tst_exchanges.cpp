// The exchanges with the instrument on the simulated line and a test clock.

#include "core/instrument/Clock.h"
#include "core/instrument/Lifecycle.h"
#include "core/instrument/OrvoLib.h"
#include "core/instrument/QtSerialLine.h"
#include "core/instrument/Timing.h"
#include "sim/Fault.h"
#include "sim/SimulatedLine.h"
#include "tests/support/ManualClock.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TestLink.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using device::timing::ByteTimeout;
namespace orvo = device::orvoLib;

namespace {

// The frames of a trace: blank-separated, "$00" and CR left out, "F*n" for n times F.
QList<QByteArray> framesOf(const QString& trace) {
    QList<QByteArray> frames;
    for (const QString& item : trace.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(u'*');
        for (int n = parts.value(1, QStringLiteral("1")).toInt(); n > 0; --n)
            frames.append("$00" + parts[0].toLatin1());
    }
    return frames;
}

// The instrument on port 1, the port open.
struct Bench {
    testsupport::ManualClock clock;
    sim::SimulatedLine line{clock};
    sim::Instrument& instrument = line.attach(1);

    Bench() {
        line.setPortNumber(1);
        (void)line.open();
    }
    device::Link link() { return testsupport::link(line, clock); }
    void addFault(const QString& rule) {
        if (!rule.isEmpty())
            instrument.addFault(*sim::parseFault(rule).fault);
    }
    // The frames received since the start, and the time waited for replies.
    void expectLine(const QString& trace, int waitedMs) {
        QCOMPARE(instrument.frames(), framesOf(trace));
        QCOMPARE(clock.waited(), std::chrono::milliseconds(waitedMs));
    }
};

// An exchange under a fault rule (none when empty).
struct Case {
    QString fault;
    int result = 0;
    QString trace;
    int waitedMs = 0;
    QByteArray data = {};
    int block = 0;
    QStringList captions = {};
};

} // namespace

Q_DECLARE_METATYPE(Case)

class ExchangeTest : public QObject {
    Q_OBJECT

private slots:
    // Each reply is there at the first look, 10 ms after its frame. A read is sent up to 4 times.
    void bytes_data() {
        QTest::addColumn<Case>("c");
        QTest::newRow("ER") << Case{"", 5, "ER12", 10};
        QTest::newRow("ER no reply") << Case{"ER none", -1, "ER12*4", 4 * 110};
        QTest::newRow("ER answered at the 3rd frame")
            << Case{"ER none count 2", 5, "ER12*3", 2 * 110 + 10};
        QTest::newRow("ER non-hex reply reads as 0") << Case{"ER garbage", 0, "ER12", 10};
        QTest::newRow("EW") << Case{"", 0x41, "EW3041", 10};
        QTest::newRow("EW wrong echo") << Case{"EW wrong", -1, "EW3041", 10 + 10 + 3 * 120};
        QTest::newRow("EW no echo") << Case{"EW none", -1, "EW3041", 4 * 120};
    }
    void bytes() {
        Bench bench;
        QFETCH(Case, c);
        bench.addFault(c.fault);
        QCOMPARE(c.trace.startsWith(u"EW")
                     ? orvo::WriteByte(bench.link(), 0, 0x30, 0x41, ByteTimeout)
                     : orvo::ReadByte(bench.link(), 0, 18, ByteTimeout),
                 c.result);
        bench.expectLine(c.trace, c.waitedMs);
    }

    // A float goes exponent byte first, from the highest address.
    void floats() {
        Bench bench;
        const device::Link link = bench.link();
        bench.addFault(QStringLiteral("EW none after 1 count 1"));
        QCOMPARE(orvo::WriteFloat(link, 0, 10, 100.0, ByteTimeout, true), 0);
        QCOMPARE(orvo::WriteFloat(link, 0, 0x20, -12.5, ByteTimeout, false), 1);
        for (const double value : {std::nan(""), std::ldexp(1.0, 127)})
            QCOMPARE(orvo::WriteFloat(link, 0, 10, value, ByteTimeout, true), 0);
        QCOMPARE(orvo::ReadFloat(link, 0, 10, ByteTimeout, true), 100.0);
        QCOMPARE(orvo::ReadFloat(link, 0, 0x20, ByteTimeout, false), -12.5);
        bench.expectLine("EW0D87 EW0C48 EW0B00 EW0A00 EW2284 EW21C8 EW2000 ER0D ER0C ER0B ER0A "
                         "ER22 ER21 ER20",
                         13 * 10 + 4 * 120);
    }

    // A block reply may take up to 100 polls.
    void readBlock() {
        Bench bench;
        QByteArray data;
        QCOMPARE(orvo::ReadBlock(bench.link(), data, 0, 1), 1);
        QCOMPARE(data, bench.instrument.block(1));
        bench.addFault(QStringLiteral("KB none"));
        QCOMPARE(orvo::ReadBlock(bench.link(), data, 0, 0), orvo::ReadBlockTimeout);
        QCOMPARE(data, bench.instrument.block(1));
        bench.line.close();
        QCOMPARE(orvo::ReadBlock(bench.link(), data, 0, 0), orvo::ReadBlockPortClosed);
        QCOMPARE(orvo::WriteBlock(bench.link(), "AB", 0, 0), orvo::WriteBlockPortClosed);
        bench.expectLine("KB20 KB00", 10 + 1010);
    }

    // After a lead-in of 500 ms each byte is sent up to 3 times and waited for 21 polls.
    void writeBlock_data() {
        QTest::addColumn<Case>("c");
        QByteArray bytes;
        QString trace;
        for (int i = 0; i < 25; ++i) {
            bytes += static_cast<char>(0xC0 + i);
            trace += QStringLiteral("KW20%1%2 ").arg(i, 2, 16, QChar(u'0')).arg(0xC0 + i, 0, 16);
        }
        QTest::newRow("25 bytes to the internal block") << Case{
            "", 0, trace.toUpper(), 500 + 25 * 10, bytes, 1, {"Ukládám (40%)", "Ukládám (80%)"}};
        const QString first4 = "KW000041 KW000142 KW000243 KW000344 ";
        QTest::newRow("5th byte unanswered")
            << Case{"KW none after 4", -5, first4 + "KW000445*3", 500 + 40 + 3 * 210, "ABCDEF"};
        QTest::newRow("5th byte echoed wrongly")
            << Case{"KW wrong after 4", -10005, first4 + "KW000445", 500 + 50, "ABCDEF"};
        QTest::newRow("257 bytes")
            << Case{"", orvo::WriteBlockTooLong, "", 0, QByteArray(257, 'x')};
        QTest::newRow("empty") << Case{"", 0, "", 500};
    }
    void writeBlock() {
        Bench bench;
        QFETCH(Case, c);
        // The instrument took every byte sent, echoed or not.
        const QList<QByteArray> frames = framesOf(c.trace);
        const auto written = QSet<QByteArray>(frames.begin(), frames.end()).size();
        const QByteArray expected =
            QByteArray(bench.instrument.block(c.block)).replace(0, written, c.data.left(written));
        bench.addFault(c.fault);
        QStringList shown;
        const auto progress = [&](const QString& caption) { shown.append(caption); };
        QCOMPARE(
            orvo::WriteBlock(bench.link(), c.data, 0, c.block, progress, QStringLiteral("Ukládám")),
            c.result);
        QCOMPARE(shown, c.captions);
        QCOMPARE(bench.instrument.block(c.block), expected);
        bench.expectLine(c.trace, c.waitedMs);
    }

    // Over the real port at 9600 baud.
    void overThePseudoTerminal() {
        if (testsupport::SimProcess::executable().isEmpty())
            QSKIP("toran-sim is not built");
        QTemporaryDir ports;
        testsupport::SimProcess sim(ports.filePath(QStringLiteral("COM1")),
                                    {QStringLiteral("--baud"), QStringLiteral("9600")});
        QVERIFY2(sim.isReady(), qPrintable(sim.error()));
        device::Lifecycle lifecycle;
        device::EventLoopClock clock(lifecycle);
        device::QtSerialLine line(ports.path());
        QVERIFY(line.setPortNumber(1));
        QCOMPARE(line.open(), device::OpenResult::Opened);
        const device::Link link = testsupport::link(line, clock);

        QCOMPARE(orvo::ReadByte(link, 0, 18, std::chrono::hours(1)), 5);
        QCOMPARE(sim.command(QStringLiteral("fault ER extra")), QStringLiteral("ok"));
        QCOMPARE(orvo::ReadByte(link, 0, 18, ByteTimeout), -1);
        QCOMPARE(sim.command(QStringLiteral("frames")), QStringLiteral("5"));
        QCOMPARE(sim.command(QStringLiteral("clear-faults")), QStringLiteral("ok"));

        const QByteArray data("\x01\x7F\x80\xFE", 4);
        QCOMPARE(orvo::WriteBlock(link, data, 0, 1), 0);
        QByteArray block;
        QCOMPARE(orvo::ReadBlock(link, block, 0, 1), 1);
        QCOMPARE(block.left(4), data);
    }
};

QTEST_GUILESS_MAIN(ExchangeTest)
#include "tst_exchanges.moc"
