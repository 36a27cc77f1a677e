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

#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <limits>
#include <memory>

using namespace std::chrono_literals;
using device::orvoLib::Link;
namespace orvo = device::orvoLib;

namespace {

// A line with an instrument behind it, looked into through toran-sim's console commands.
class Bench {
public:
    virtual ~Bench() = default;
    virtual device::SerialLine& line() = 0;
    virtual device::Clock& clock() = 0;
    virtual QString command(const QString& line) = 0;
    Link link() { return Link{line(), clock()}; }
    void addFault(const QString& rule) {
        QCOMPARE(command(QStringLiteral("fault ") + rule), QStringLiteral("ok"));
    }
    int frameCount() { return command(QStringLiteral("frames")).toInt(); }
    QByteArray setupMemory() {
        return QByteArray::fromHex(command(QStringLiteral("setup")).toLatin1());
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

private:
    QTemporaryDir directory_;
    testsupport::SimProcess sim_;
    device::Lifecycle lifecycle_;
    device::EventLoopClock clock_{lifecycle_};
    device::QtSerialLine line_;
};

// A time-out for exchanges that are meant to fail, so the pseudo-terminal run stays short.
constexpr auto FailingTimeout = 30ms;

QByteArray bytesAt(const QByteArray& memory, int address, int count) {
    return memory.mid(address, count).toHex().toUpper();
}

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

    void byteRoundTrip_data() {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("value");
        QTest::newRow("0x30 <- 0x41") << 0x30 << 0x41;
        QTest::newRow("0xFF <- 0x00") << 0xFF << 0x00;
    }
    void byteRoundTrip() {
        QFETCH(int, address);
        QFETCH(int, value);
        const auto timeout = device::timing::ByteTimeout;
        QCOMPARE(orvo::WriteByte(bench_->link(), 0, address, value, timeout), value);
        QCOMPARE(orvo::ReadByte(bench_->link(), 0, address, timeout), value);
        QCOMPARE(orvo::ReadByte(bench_->link(), 0, 18, timeout), 5);
        // Taken when it arrives: a wait that ended only at its time-out would last an hour.
        QCOMPARE(orvo::ReadByte(bench_->link(), 0, address, std::chrono::hours(1)), value);
        QCOMPARE(bench_->frameCount(), 4);
        QCOMPARE(static_cast<unsigned char>(bench_->setupMemory()[address]), value);
    }

    void floatRoundTrip_data() {
        QTest::addColumn<int>("address");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("fourBytes");
        QTest::addColumn<QByteArray>("stored"); // from the lowest address up
        QTest::newRow("100.0 at 10") << 10 << 100.0 << true << QByteArray("00004887");
        QTest::newRow("-12.5 in 3 bytes") << 0x30 << -12.5 << false << QByteArray("00C884");
        QTest::newRow("zero N of range 7") << 0x58 << 32768.0 << true << QByteArray("00000090");
    }
    void floatRoundTrip() {
        QFETCH(int, address);
        QFETCH(double, value);
        QFETCH(bool, fourBytes);
        QFETCH(QByteArray, stored);
        const auto timeout = device::timing::ByteTimeout;
        QCOMPARE(orvo::WriteFloat(bench_->link(), 0, address, value, timeout, fourBytes), 1);
        QCOMPARE(bytesAt(bench_->setupMemory(), address, fourBytes ? 4 : 3), stored);
        QCOMPARE(orvo::ReadFloat(bench_->link(), 0, address, timeout, fourBytes), value);
        QCOMPARE(bench_->frameCount(), fourBytes ? 8 : 6);
    }

    // A write is waited for again but never sent again; a read is sent up to 4 times.
    void byteWithoutProperReply_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("frames");
        QTest::newRow("ER 4-character reply") << "ER extra" << -1 << 4;
        QTest::newRow("ER 2-character reply") << "ER short" << -1 << 4;
        QTest::newRow("ER no reply") << "ER none" << -1 << 4;
        QTest::newRow("ER reply after the time-out") << "ER late 1000" << -1 << 4;
        QTest::newRow("ER answered at the 3rd frame") << "ER none count 2" << 5 << 3;
        QTest::newRow("ER non-hex reply reads as 0") << "ER garbage" << 0 << 1;
        QTest::newRow("EW wrong echo") << "EW wrong" << -1 << 1;
        QTest::newRow("EW no echo") << "EW none" << -1 << 1;
        QTest::newRow("EW short echo") << "EW short" << -1 << 1;
    }
    void byteWithoutProperReply() {
        QFETCH(QString, fault);
        QFETCH(int, result);
        QFETCH(int, frames);
        bench_->addFault(fault);
        const auto timeout = result < 0 ? FailingTimeout : device::timing::ByteTimeout;
        QCOMPARE(fault.startsWith(u"EW") ? orvo::WriteByte(bench_->link(), 0, 0x30, 0x41, timeout)
                                         : orvo::ReadByte(bench_->link(), 0, 18, timeout),
                 result);
        QCOMPARE(bench_->frameCount(), frames);
    }

    void writeFloatGoesOnAfterAFailedByte() {
        bench_->addFault(QStringLiteral("EW none after 1 count 1"));
        const auto timeout = device::timing::ByteTimeout;
        QCOMPARE(orvo::WriteFloat(bench_->link(), 0, 10, 100.0, timeout, true), 0);
        QCOMPARE(bench_->frameCount(), 4);
        QCOMPARE(bytesAt(bench_->setupMemory(), 10, 4), QByteArray("00004887"));
    }

    // Which values have no code is tst_encoding's.
    void writeFloatOfUnencodableValueSendsNothing() {
        for (const double value : {std::numeric_limits<double>::quiet_NaN(), std::ldexp(1.0, 127)})
            QCOMPARE(orvo::WriteFloat(bench_->link(), 0, 10, value, FailingTimeout, true), 0);
        QCOMPARE(bench_->frameCount(), 0);
    }

    void readBlock() {
        QByteArray data;
        QCOMPARE(orvo::ReadBlock(bench_->link(), data, 0, 1), 1);
        QCOMPARE(data, bench_->block(1));
        QCOMPARE(bench_->frameCount(), 1);
    }

    void readBlockTimeout() {
        bench_->addFault(QStringLiteral("KB none"));
        QByteArray data = "untouched";
        QCOMPARE(orvo::ReadBlock(bench_->link(), data, 0, 0), orvo::ReadBlockTimeout);
        QCOMPARE(data, QByteArray("untouched"));
        QCOMPARE(bench_->frameCount(), 1);
    }

    void closedPort() {
        bench_->line().close();
        QByteArray data;
        QCOMPARE(orvo::ReadBlock(bench_->link(), data, 0, 0), orvo::ReadBlockPortClosed);
        QCOMPARE(orvo::WriteBlock(bench_->link(), "AB", 0, 0), orvo::WriteBlockPortClosed);
        QCOMPARE(bench_->frameCount(), 0);
    }

    void writeBlockWithProgress() {
        QByteArray data;
        for (int i = 0; i < 25; ++i)
            data += static_cast<char>(0xC0 + i);
        QStringList captions;
        const auto progress = [&](const QString& caption) { captions.append(caption); };
        QCOMPARE(orvo::WriteBlock(bench_->link(), data, 0, 1, progress, QStringLiteral("Ukládám")),
                 0);
        QCOMPARE(captions,
                 (QStringList{QStringLiteral("Ukládám (40%)"), QStringLiteral("Ukládám (80%)")}));
        QCOMPARE(bench_->frameCount(), 25);
        const QByteArray block = bench_->block(1);
        QCOMPARE(block.left(25), data);
        QCOMPARE(block.mid(96, 3), QByteArray("KRI"));
    }

    // The write stops at the byte whose echo failed (the instrument took that byte); nothing is
    // sent for a block that cannot be written.
    void writeBlockFailure_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("written"); // bytes the instrument holds
        const QByteArray eight = "ABCDEFGH";
        QTest::newRow("5th byte unanswered") << eight << "KW none after 4" << -5 << 7 << 5;
        QTest::newRow("5th byte echoed wrongly") << eight << "KW wrong after 4" << -10005 << 5 << 5;
        QTest::newRow("257 bytes")
            << QByteArray(257, 'x') << "" << int(orvo::WriteBlockTooLong) << 0 << 0;
        QTest::newRow("empty") << QByteArray() << "" << 0 << 0 << 0;
    }
    void writeBlockFailure() {
        QFETCH(QByteArray, data);
        QFETCH(QString, fault);
        QFETCH(int, result);
        QFETCH(int, frames);
        QFETCH(int, written);
        const QByteArray expected = bench_->block(0).replace(0, written, data.left(written));
        if (!fault.isEmpty())
            bench_->addFault(fault);
        QCOMPARE(orvo::WriteBlock(bench_->link(), data, 0, 0), result);
        QCOMPARE(bench_->frameCount(), frames);
        QCOMPARE(bench_->block(0), expected);
    }

private:
    std::unique_ptr<Bench> bench_;
};

QTEST_GUILESS_MAIN(ExchangeContract)
#include "tst_exchanges.moc"
