// The exchanges with the instrument, run as one suite against every line: the in-process
// simulated line on a test clock, and QSerialPort on a pseudo-terminal served by toran-sim.

#include "core/instrument/Clock.h"
#include "core/instrument/Lifecycle.h"
#include "core/instrument/OrvoLib.h"
#include "core/instrument/QtSerialLine.h"
#include "core/instrument/Timing.h"
#include "sim/Console.h"
#include "sim/Instrument.h"
#include "sim/SimulatedLine.h"
#include "tests/support/ManualClock.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TestLink.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>

using namespace std::chrono_literals;
using device::orvoLib::Link;
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

// A line with an instrument behind it, looked into through toran-sim's console commands.
class Bench {
public:
    virtual ~Bench() = default;
    virtual device::SerialLine& line() = 0;
    virtual device::Clock& clock() = 0;
    virtual QString command(const QString& line) = 0;
    // The frames received since the start and the time waited for replies: whole frames and
    // the test clock where the bench can tell, else only the number of frames.
    virtual void expectLine(const QString& trace, int waitedMs) = 0;
    Link link() { return testsupport::link(line(), clock()); }
    void addFault(const QString& rule) {
        QCOMPARE(command(QStringLiteral("fault ") + rule), QStringLiteral("ok"));
    }
    int frameCount() { return command(QStringLiteral("frames")).toInt(); }
    QByteArray setupBytes(int address, int count) {
        const QByteArray setup = QByteArray::fromHex(command(QStringLiteral("setup")).toLatin1());
        return setup.mid(address, count).toHex().toUpper();
    }
    QByteArray block(int index) {
        return QByteArray::fromHex(command(QStringLiteral("block %1").arg(index)).toLatin1());
    }
};

class SimulatedBench final : public Bench {
public:
    SimulatedBench() : instrument_(line_.attach(1)) {
        line_.setPortNumber(1);
        QCOMPARE(line_.open(), device::OpenResult::Opened);
    }
    device::SerialLine& line() override { return line_; }
    device::Clock& clock() override { return clock_; }
    QString command(const QString& line) override {
        return sim::runConsoleCommand(instrument_, line).line;
    }
    void expectLine(const QString& trace, int waitedMs) override {
        QCOMPARE(instrument_.frames(), framesOf(trace));
        QCOMPARE(clock_.waited(), std::chrono::milliseconds(waitedMs));
    }

private:
    testsupport::ManualClock clock_;
    sim::SimulatedLine line_{clock_};
    sim::Instrument& instrument_;
};

class PtyBench final : public Bench {
public:
    PtyBench()
        : sim_(directory_.filePath(QStringLiteral("COM1")),
               {QStringLiteral("--baud"), QStringLiteral("0")}),
          line_(directory_.path()) {
        QVERIFY2(sim_.isReady(), qPrintable(sim_.error()));
        line_.setPortNumber(1);
        QCOMPARE(line_.open(), device::OpenResult::Opened);
    }
    device::SerialLine& line() override { return line_; }
    device::Clock& clock() override { return clock_; }
    QString command(const QString& line) override { return sim_.command(line); }
    void expectLine(const QString& trace, int) override {
        QCOMPARE(frameCount(), framesOf(trace).size());
    }

private:
    QTemporaryDir directory_;
    testsupport::SimProcess sim_;
    device::Lifecycle lifecycle_;
    device::EventLoopClock clock_{lifecycle_};
    device::QtSerialLine line_;
};

// A time-out for exchanges that are meant to fail, so the pseudo-terminal run stays short: a
// failed wait polls 4 times, 40 ms.
constexpr auto FailingTimeout = 30ms;

} // namespace

class ExchangeContract : public QObject {
    Q_OBJECT

private slots:
    void initTestCase_data() {
        QTest::addColumn<QString>("bench");
        QTest::newRow("simulated line") << QStringLiteral("simulated");
        if (!testsupport::SimProcess::executable().isEmpty())
            QTest::newRow("pty + QSerialPort") << QStringLiteral("pty");
        else
            qWarning("toran-sim not found: the pseudo-terminal run is left out");
    }

    void init() {
        QFETCH_GLOBAL(QString, bench);
        if (bench == u"pty")
            bench_ = std::make_unique<PtyBench>();
        else
            bench_ = std::make_unique<SimulatedBench>();
    }
    void cleanup() { bench_.reset(); }

    // Each reply is there at the first look, 10 ms after its frame. A float goes exponent byte
    // first, from the highest address.
    void roundTrips() {
        const Link link = bench_->link();
        QCOMPARE(orvo::WriteByte(link, 0, 0x30, 0x41, ByteTimeout), 0x41);
        QCOMPARE(orvo::WriteByte(link, 0, 0xFF, 0x00, ByteTimeout), 0x00);
        QCOMPARE(orvo::WriteFloat(link, 0, 10, 100.0, ByteTimeout, true), 1);
        QCOMPARE(orvo::WriteFloat(link, 0, 0x20, -12.5, ByteTimeout, false), 1);
        QCOMPARE(bench_->setupBytes(10, 4) + bench_->setupBytes(0x20, 3) +
                     bench_->setupBytes(0x30, 1) + bench_->setupBytes(0xFF, 1),
                 "0000488700C8844100");
        QCOMPARE(orvo::ReadByte(link, 0, 0x30, ByteTimeout), 0x41);
        QCOMPARE(orvo::ReadByte(link, 0, 0xFF, ByteTimeout), 0x00);
        QCOMPARE(orvo::ReadByte(link, 0, 18, ByteTimeout), 5);
        QCOMPARE(orvo::ReadFloat(link, 0, 10, ByteTimeout, true), 100.0);
        QCOMPARE(orvo::ReadFloat(link, 0, 0x20, ByteTimeout, false), -12.5);
        bench_->expectLine("EW3041 EWFF00 EW0D87 EW0C48 EW0B00 EW0A00 EW2284 EW21C8 EW2000 ER30 "
                           "ERFF ER12 ER0D ER0C ER0B ER0A ER22 ER21 ER20",
                           190);
    }

    // A reply is taken when it arrives: a wait that ended only at its time-out would last an
    // hour.
    void replyIsTakenWhenItArrives() {
        QCOMPARE(orvo::ReadByte(bench_->link(), 0, 18, std::chrono::hours(1)), 5);
    }

    // A read is sent up to 4 times; a write is sent once and its echo waited for up to 4 times,
    // 10 ms apart.
    void byteWithoutProperReply_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("trace");
        QTest::addColumn<int>("waitedMs");
        const auto row = [](const char* name, const char* fault, int result, const char* trace,
                            int waitedMs) {
            QTest::newRow(name) << fault << result << trace << waitedMs;
        };
        row("ER 4-character reply", "ER extra", -1, "ER12*4", 160);
        row("ER 2-character reply", "ER short", -1, "ER12*4", 160);
        row("ER no reply", "ER none", -1, "ER12*4", 160);
        row("ER reply after the time-out", "ER late 1000", -1, "ER12*4", 160);
        row("ER answered at the 3rd frame", "ER none count 2", 5, "ER12*3", 2 * 110 + 10);
        row("ER non-hex reply reads as 0", "ER garbage", 0, "ER12", 10);
        row("EW wrong echo", "EW wrong", -1, "EW3041", 10 + 10 + 3 * 50);
        row("EW no echo", "EW none", -1, "EW3041", 4 * 50);
        row("EW short echo", "EW short", -1, "EW3041", 4 * 50);
    }
    void byteWithoutProperReply() {
        QFETCH(QString, fault);
        QFETCH(int, result);
        QFETCH(QString, trace);
        QFETCH(int, waitedMs);
        bench_->addFault(fault);
        const auto timeout = result < 0 ? FailingTimeout : ByteTimeout;
        QCOMPARE(fault.startsWith(u"EW") ? orvo::WriteByte(bench_->link(), 0, 0x30, 0x41, timeout)
                                         : orvo::ReadByte(bench_->link(), 0, 18, timeout),
                 result);
        bench_->expectLine(trace, waitedMs);
    }

    // Which values have no code is tst_encoding's: nothing is sent for them.
    void writeFloat() {
        bench_->addFault(QStringLiteral("EW none after 1 count 1"));
        QCOMPARE(orvo::WriteFloat(bench_->link(), 0, 10, 100.0, ByteTimeout, true), 0);
        QCOMPARE(bench_->setupBytes(10, 4), QByteArray("00004887"));
        for (const double value : {std::nan(""), std::ldexp(1.0, 127)})
            QCOMPARE(orvo::WriteFloat(bench_->link(), 0, 10, value, FailingTimeout, true), 0);
        bench_->expectLine("EW0D87 EW0C48 EW0B00 EW0A00", 10 + 4 * 120 + 10 + 10);
    }

    // A block reply may take up to 100 polls.
    void readBlock() {
        QByteArray data;
        QCOMPARE(orvo::ReadBlock(bench_->link(), data, 0, 1), 1);
        QCOMPARE(data, bench_->block(1));
        bench_->addFault(QStringLiteral("KB none"));
        QCOMPARE(orvo::ReadBlock(bench_->link(), data, 0, 0), orvo::ReadBlockTimeout);
        QCOMPARE(data, bench_->block(1));
        bench_->line().close();
        QCOMPARE(orvo::ReadBlock(bench_->link(), data, 0, 0), orvo::ReadBlockPortClosed);
        QCOMPARE(orvo::WriteBlock(bench_->link(), "AB", 0, 0), orvo::WriteBlockPortClosed);
        bench_->expectLine("KB20 KB00", 10 + 1010);
    }

    void writeBlockWithProgress() {
        QByteArray data;
        QString trace;
        for (int i = 0; i < 25; ++i) {
            data += static_cast<char>(0xC0 + i);
            trace += QStringLiteral("KW20%1%2 ").arg(i, 2, 16, QChar(u'0')).arg(0xC0 + i, 0, 16);
        }
        QStringList captions;
        const auto progress = [&](const QString& caption) { captions.append(caption); };
        QCOMPARE(orvo::WriteBlock(bench_->link(), data, 0, 1, progress, QStringLiteral("Ukládám")),
                 0);
        QCOMPARE(captions,
                 (QStringList{QStringLiteral("Ukládám (40%)"), QStringLiteral("Ukládám (80%)")}));
        const QByteArray block = bench_->block(1);
        QCOMPARE(block.left(25), data);
        QCOMPARE(block.mid(96, 3), QByteArray("KRI"));
        bench_->expectLine(trace.toUpper(), 500 + 25 * 10);
    }

    // After a lead-in of 500 ms each byte is sent up to 3 times and waited for 21 polls. The
    // write stops at the byte whose echo failed; nothing is sent for a block that cannot be
    // written.
    void writeBlockFailure_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("trace");
        QTest::addColumn<int>("waitedMs");
        const QByteArray abcdef = "ABCDEF";
        const QString first4 = "KW000041 KW000142 KW000243 KW000344 ";
        QTest::newRow("5th byte unanswered")
            << abcdef << "KW none after 4" << -5 << first4 + "KW000445*3" << 500 + 40 + 3 * 210;
        QTest::newRow("5th byte echoed wrongly")
            << abcdef << "KW wrong after 4" << -10005 << first4 + "KW000445" << 500 + 50;
        QTest::newRow("257 bytes")
            << QByteArray(257, 'x') << "" << int(orvo::WriteBlockTooLong) << "" << 0;
        QTest::newRow("empty") << QByteArray() << "" << 0 << "" << 500;
    }
    void writeBlockFailure() {
        QFETCH(QByteArray, data);
        QFETCH(QString, fault);
        QFETCH(int, result);
        QFETCH(QString, trace);
        QFETCH(int, waitedMs);
        // The instrument took every byte sent, echoed or not.
        const QList<QByteArray> frames = framesOf(trace);
        const auto written = QSet<QByteArray>(frames.begin(), frames.end()).size();
        const QByteArray expected = bench_->block(0).replace(0, written, data.left(written));
        if (!fault.isEmpty())
            bench_->addFault(fault);
        QCOMPARE(orvo::WriteBlock(bench_->link(), data, 0, 0), result);
        QCOMPARE(bench_->block(0), expected);
        bench_->expectLine(trace, waitedMs);
    }

private:
    std::unique_ptr<Bench> bench_;
};

QTEST_GUILESS_MAIN(ExchangeContract)
#include "tst_exchanges.moc"
