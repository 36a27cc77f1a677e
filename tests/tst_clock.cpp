// The event loop's clock, and when a wait for a reply takes it, on lines that tell of arrivals.

#include "core/instrument/Clock.h"
#include "core/instrument/Lifecycle.h"
#include "core/instrument/OrvoLib.h"
#include "core/instrument/Timing.h"
#include "core/instrument/WakeSource.h"
#include "sim/SimulatedLine.h"
#include "tests/support/TestLink.h"

#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;
namespace orvo = device::orvoLib;

namespace {

// Far beyond anything the waits below take; a wait that is not ended early fails the test.
constexpr auto Long = 2min;
constexpr auto Early = 1min;

// The event loop's clock over a line that is never used: only its waits are tested.
struct Rig {
    device::Lifecycle lifecycle;
    device::EventLoopClock clock{lifecycle};
    sim::SimulatedLine line{clock};
    device::WakeSource wake;
    device::Link link = testsupport::link(line, clock);
    bool arrived = false;

    // At the next turn of the event loop: the reply arrives and the line says so.
    void arriveSoon() {
        QTimer::singleShot(0, &wake, [this] {
            arrived = true;
            emit wake.woken();
        });
    }
    bool wait(std::chrono::milliseconds timeout) {
        return link.waitFor(
            timeout, [this] { return arrived; }, &wake);
    }
};

// A line with arrivals and a clock that brings the next scripted piece of the reply at each
// wait, and keeps the waits' lengths.
class ScriptedArrivals final : public device::Clock {
public:
    explicit ScriptedArrivals(QList<QByteArray> pieces) : pieces_(std::move(pieces)) {}
    [[nodiscard]] std::chrono::milliseconds now() const override { return now_; }
    QByteArray waiting;
    QList<int> waitsMs;

private:
    void delay(std::chrono::milliseconds ms) override { now_ += ms; }
    bool waitFor(std::chrono::milliseconds timeout, const std::function<bool()>& done,
                 const device::WakeSource*) override {
        waitsMs.append(static_cast<int>(timeout.count()));
        if (!pieces_.isEmpty())
            waiting += pieces_.takeFirst();
        if (!done())
            now_ += timeout;
        return done();
    }

    QList<QByteArray> pieces_;
    std::chrono::milliseconds now_{0};
};

// What the scripted clock brings in, as the line's input.
class ArrivingLine final : public device::SerialLine {
public:
    explicit ArrivingLine(QByteArray& waiting) : waiting_(waiting) {}
    bool setPortNumber(int) override { return true; }
    [[nodiscard]] int portNumber() const override { return 1; }
    device::OpenResult open() override { return device::OpenResult::Opened; }
    void close() override {}
    [[nodiscard]] bool isOpen() const override { return true; }
    bool send(const QByteArray&) override { return true; }
    [[nodiscard]] int bytesWaiting() override { return static_cast<int>(waiting_.size()); }
    std::optional<QByteArray> readAll() override { return std::exchange(waiting_, {}); }
    [[nodiscard]] const device::WakeSource* arrivals() const override { return &wake_; }

private:
    QByteArray& waiting_;
    device::WakeSource wake_;
};

} // namespace

class ClockTest : public QObject {
    Q_OBJECT

private slots:
    void wakesOnArrival() {
        Rig rig;
        rig.arriveSoon();
        const auto start = rig.clock.now();
        QVERIFY(rig.wait(Long));
        QVERIFY(rig.clock.now() - start < Early);
    }

    // A reply complete before the wait begins is taken without a turn of the event loop.
    void completeBeforeTheWait() {
        Rig rig;
        rig.arrived = true;
        bool eventsRan = false;
        QTimer::singleShot(0, &rig.wake, [&] {
            eventsRan = true;
            emit rig.wake.woken();
        });
        QVERIFY(rig.wait(Long));
        QVERIFY(!eventsRan);
    }

    // A wake that finds the condition unmet waits on: the settle ends at its time, unmet.
    void settleRunsItsTime() {
        Rig rig;
        QTimer::singleShot(0, &rig.wake, [&] { emit rig.wake.woken(); });
        QVERIFY(!rig.wait(device::timing::ReplySettle));
    }

    void endRequestEndsTheWait() {
        Rig rig;
        QTimer::singleShot(0, &rig.lifecycle, [&] { rig.lifecycle.requestEnd(); });
        QVERIFY_THROWS_EXCEPTION(device::EndRequested, (void)rig.wait(Long));
    }

    // Inside a critical write an end request neither ends the wait nor throws; the next wait
    // after the section does.
    void criticalSectionWaitsOn() {
        Rig rig;
        {
            const device::Lifecycle::CriticalSection writing(rig.lifecycle);
            QTimer::singleShot(0, &rig.lifecycle, [&] {
                rig.lifecycle.requestEnd();
                rig.arriveSoon();
            });
            QVERIFY(rig.wait(Long));
        }
        QVERIFY_THROWS_EXCEPTION(device::EndRequested, (void)rig.wait(0ms));
    }

    // Pieces of an "ER" reply as they arrive, wait by wait; the waits after the first.
    void replyTakenWhenCertainlyComplete_data() {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<int>("result");
        QTest::addColumn<QList<int>>("waitsMs");
        const int settle = static_cast<int>(device::timing::ReplySettle.count());
        QTest::newRow("line end last: at once") << QList<QByteArray>{"05\r"} << 5 << QList<int>{};
        QTest::newRow("another last character: after the settle")
            << QList<QByteArray>{"05;", ""} << 5 << QList<int>{settle};
        // The 3rd character is not the line end and a 4th follows: no reply until the deadline
        // (110 ms from the frame), then the frame again.
        QTest::newRow("one character too many")
            << QList<QByteArray>{"055", "\r", "", "05\r"} << 5 << QList<int>{settle, 110, 110};
    }
    void replyTakenWhenCertainlyComplete() {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(int, result);
        QFETCH(QList<int>, waitsMs);
        ScriptedArrivals clock(pieces);
        ArrivingLine line(clock.waiting);
        QCOMPARE(orvo::ReadByte(testsupport::link(line, clock), 0, 18, 100ms), result);
        QCOMPARE(clock.waitsMs.mid(1), waitsMs);
    }
};

QTEST_GUILESS_MAIN(ClockTest)
#include "tst_clock.moc"
