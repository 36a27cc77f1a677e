// Every exchange the program makes under every fault the line can show, through the real window
// on the in-process simulator: what the operator is told, that nothing is lost, and that the
// same action succeeds once the fault is gone.

#include "core/calibration/CurveTable.h"
#include "core/instrument/LiveValues.h"
#include "sim/Fault.h"
#include "sim/SensorBlock.h"
#include "tests/support/ExpectedImage.h"
#include "tests/support/WindowRig.h"
#include "views/CurveEditor.h"
#include "views/SensorPage.h"
#include "views/SystemCalibrationFrame.h"
#include "views/frmOrvoCalibration.h"

#include <QLineEdit>
#include <QLocale>
#include <QPointF>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>

using app::frmOrvoCalibration;
using testsupport::withoutSaveDate;
using namespace std::chrono_literals;

namespace {

constexpr int InstrumentPort = 2;
// Longer than any wait of the program for one reply.
constexpr auto LateBeyondEveryWait = 3000ms;
constexpr int PollTicks = 4;
// A reply held back beyond every wait still arrives; the signal is back once it has passed.
constexpr int RecoveryTicks = 25;
constexpr auto MostWaitedPerAction = std::chrono::minutes(2);

// The exchanges, each named by the command it sends, and the faults, in the matrix's order.
enum class Exchange { Identify, Setup, Presence, Blocks, Poll, SensorSave, ConstantsSave, Reset };
enum class Injected { None, Extra, Short, Wrong, Garbage, Late, Silence, Vanish };
const char* const Commands[] = {"@", "ER", "KQ", "KB", "M", "KW", "EW", "X"};
const char* const Faults[] = {"none",    "extra", "short",   "wrong",
                              "garbage", "late",  "silence", "vanish"};

// Per exchange and fault: where the operator is left (d: the action completed, s: the page
// stays, e: the program ended), then the starts of the messages shown, in order, '|' between.
const char* const NoSetup = "s Přístroj neodpověděl při čtení";
const char* const NoBlocks = "d Paměť snímače (INT)|Paměť snímače (EXT)";
const char* const BadBlocks = "d FSN structure error.|FSN structure error.";
const char* const NoConstants = "s Přístroj nepotvrdil zápis konstant";
const char* const Matrix[8][8] = {
    {"s T53", "d", "d", "s T53", "s T53", "s T53", "s", "s T53"},
    {NoSetup, NoSetup, NoSetup, "d", "d", NoSetup, NoSetup, NoSetup},
    {"d", "d", "d", "d", "d", "d", NoBlocks, "d"},
    {NoBlocks, NoBlocks, NoBlocks, BadBlocks, BadBlocks, NoBlocks, "d Paměť snímače (EXT)",
     NoBlocks},
    {"d", "d", "d", "d", "d", "d", "d", "s T64"},
    {"s T47 [-1]", "s T47 [-1]", "s T47 [-1]", "s T47 [-10001]", "s T47 [-10001]", "s T47 [-1]",
     "s T47 [-2]", "s T47 [-1]"},
    {NoConstants, NoConstants, NoConstants, NoConstants, NoConstants, NoConstants, NoConstants,
     "s Přístroj nepotvrdil zápis konstant|T31 (COM2) T32"},
    {"e T56", "e T56", "e T56", "e T56", "e T56", "e T56", "e T56", "e T31 (COM2) T32|T56"},
};

using Points = QList<QPointF>;
const Points CurvePoints{{0.0, 0.0}, {1.0, 50.0}, {2.0, 100.0}, {3.0, 150.0}};

struct Cell {
    testsupport::InstrumentRig rig;
    Exchange exchange;
    QByteArray blockBefore;
    QByteArray internalBefore;
    std::function<void()> trigger_ = [] {};

    explicit Cell(Exchange which, const sim::Instrument& attached = sim::Instrument::withDefaults())
        : rig(InstrumentPort, attached), exchange(which), blockBefore(instrument().block(0)),
          internalBefore(instrument().block(1)) {}

    sim::Instrument& instrument() { return rig.instrument(); }
    frmOrvoCalibration& window() { return *rig.window; }
    [[nodiscard]] bool onCurvePage() const { return exchange >= Exchange::Poll; }
    [[nodiscard]] bool writesSensor() const {
        return exchange == Exchange::SensorSave || exchange == Exchange::Reset;
    }
    [[nodiscard]] Points points() { return testsupport::pointsOf(window().session().curve()); }

    // Brings a fresh window to where the action starts.
    bool prepare() {
        rig.start(exchange == Exchange::ConstantsSave ? QStringLiteral("expert") : QString());
        if (!rig.activate())
            return false;
        if (onCurvePage()) {
            rig.next();
            rig.next();
            if (window().session().step() != session::WizardStep::Finish)
                return false;
            calibration::CurveTable& table = window().session().curve();
            table.clear();
            for (const QPointF& point : CurvePoints)
                (void)table.append(float(point.x()), float(point.y()));
            window().curveEditor().FillCurveList();
        }
        instrument().clearLog();
        rig.messages.clear();
        return true;
    }

    void tick(int ticks) {
        for (int i = 0; i < ticks && !window().hasEnded(); ++i) {
            rig.clock.advance(200ms);
            window().PollSignal();
            trigger_();
        }
    }

    void act(int ticks = PollTicks) {
        if (exchange == Exchange::Poll)
            tick(ticks);
        else if (exchange == Exchange::ConstantsSave)
            window().fraORVOSETUP->cmdSKSave->click();
        else
            rig.next();
    }

    // Silence and the vanishing port begin once the exchange's first frame went out; the other
    // faults apply to every frame of its command.
    void arm(Injected injected) {
        if (injected < Injected::Silence) {
            const QString kind = injected == Injected::Late
                                     ? QStringLiteral("late %1").arg(LateBeyondEveryWait.count())
                                     : QString::fromLatin1(Faults[int(injected)]);
            instrument().addFault(
                *sim::parseFault(QString::fromLatin1(Commands[int(exchange)]) + u' ' + kind).fault);
            return;
        }
        const QByteArray frame = QByteArray("$00") + Commands[int(exchange)];
        trigger_ = [this, injected, frame, fired = false]() mutable {
            const QList<QByteArray>& frames = instrument().frames();
            if (fired || std::none_of(frames.begin(), frames.end(),
                                      [&](const QByteArray& f) { return f.startsWith(frame); }))
                return;
            fired = true;
            if (injected == Injected::Vanish)
                rig.line.vanish();
            else
                instrument().addFault(sim::Fault::silenceFrom(1));
        };
        rig.clock.setOnDelay([this] { trigger_(); });
    }

    void disarm() {
        // Whatever the instrument held back has arrived by the time the operator tries again.
        rig.clock.advance(2 * LateBeyondEveryWait);
        rig.clock.setOnDelay({});
        trigger_ = [] {};
        instrument().clearFaults();
        rig.line.reappear();
    }

    [[nodiscard]] char outcome() {
        if (window().hasEnded())
            return 'e';
        bool done = false;
        if (exchange <= Exchange::Blocks)
            done = window().session().step() == session::WizardStep::CurvePage;
        else if (exchange == Exchange::Poll)
            done = rig.line.isOpen() && window().tmrCasovac.isActive();
        else if (exchange == Exchange::ConstantsSave)
            done = rig.messages.shown.isEmpty();
        return done ? 'd' : 's';
    }
};

// The sensor on the sensor page is one of the instrument's, as the instrument holds it.
bool showsTheInstrumentsSensor(frmOrvoCalibration& window, bool externalOnly = false) {
    for (const sim::SensorBlockContent& content :
         {sim::defaultExternalSensor(), sim::defaultInternalSensor()}) {
        if (window.fraSNIMAC->txtPopis->text() == QString(content.description).leftJustified(32) &&
            window.session().curve().PointCount() == int(content.points.size()))
            return true;
        if (externalOnly)
            break;
    }
    return false;
}

} // namespace

class FaultMatrixTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void everyExchangeUnderEveryFault_data();
    void everyExchangeUnderEveryFault();
};

void FaultMatrixTest::everyExchangeUnderEveryFault_data() {
    QTest::addColumn<int>("exchange");
    QTest::addColumn<int>("injected");
    for (int e = 0; e < 8; ++e)
        for (int i = 0; i < 8; ++i)
            QTest::addRow("%s %s", Commands[e], Faults[i]) << e << i;
}

void FaultMatrixTest::everyExchangeUnderEveryFault() {
    QFETCH(int, exchange);
    QFETCH(int, injected);
    const QString expected = QString::fromUtf8(Matrix[exchange][injected]);
    const QStringList starts = expected.mid(2).split(u'|', Qt::SkipEmptyParts);
    const QByteArray image = testsupport::expectedImage(sim::defaultExternalSensor(), CurvePoints);

    auto owned = std::make_unique<Cell>(Exchange(exchange));
    Cell& first = *owned;
    QVERIFY(first.prepare());
    first.arm(Injected(injected));
    first.act();
    const char seen = first.outcome();
    const QStringList shown = first.rig.messages.texts();
    // Every wait ran on the manual clock: a fault costs the operator bounded time, never a hang.
    QVERIFY(first.rig.clock.waited() < MostWaitedPerAction);

    // What the operator sees.
    QCOMPARE(seen, expected[0].toLatin1());
    QCOMPARE(shown.size(), starts.size());
    for (qsizetype i = 0; i < starts.size(); ++i)
        QVERIFY2(shown[i].startsWith(starts[i]), qPrintable(shown[i]));
    // A success is never claimed for a sensor that was not written as it should be, and a
    // block changed into anything but the intended image is reported.
    const QByteArray inSensor = withoutSaveDate(first.instrument().block(0).left(image.size()));
    if (shown.contains(QStringLiteral("T56")))
        QCOMPARE(inSensor, withoutSaveDate(image));
    if (first.instrument().block(0) != first.blockBefore && inSensor != withoutSaveDate(image))
        QVERIFY2(!shown.isEmpty(), "a sensor block was damaged without a word");
    // The operator's points survive on the curve page.
    if (first.onCurvePage() && seen != 'e')
        QCOMPARE(first.points(), CurvePoints);
    // A read-out that passes without a word shows the instrument's sensor, or plainly none.
    const bool readOut = Exchange(exchange) <= Exchange::Blocks;
    if (seen == 'd' && readOut && shown.isEmpty())
        QVERIFY2(showsTheInstrumentsSensor(first.window()) ||
                     (first.window().session().sensors().SensorMask & 3U) == 0,
                 "a damaged read-out passed unnoticed");

    // Clear the fault and do the same again: it works, in the same window while it is open.
    first.disarm();
    // Going on from a sensor page that a faulty read-out left must not overwrite a sensor.
    if (seen == 'd' && readOut) {
        first.rig.next();
        const bool kept = first.instrument().block(0) == first.blockBefore &&
                          first.instrument().block(1) == first.internalBefore;
        QVERIFY2(kept, qPrintable(first.rig.messages.texts().join(u'|')));
    }
    // An ended program is started again, on the instrument as the fault left it.
    if (seen == 'e')
        owned = std::make_unique<Cell>(Exchange(exchange), first.instrument());
    Cell& cell = *owned;
    if (seen == 'e' || (seen == 'd' && !cell.onCurvePage())) {
        cell.rig.window.reset();
        QVERIFY(cell.prepare());
    }
    // The live signal runs a moment before the operator tries again. It opens a port it lost,
    // or one that an action found gone and left closed, so the points need no new connection.
    if (cell.onCurvePage() && seen != 'e') {
        cell.tick(PollTicks);
        QVERIFY(cell.rig.line.isOpen());
    }
    cell.rig.messages.clear();
    cell.window().session().live().SignalDiv = -1;
    cell.act(RecoveryTicks);
    if (cell.writesSensor()) {
        QVERIFY(cell.window().hasEnded());
        QCOMPARE(cell.rig.messages.texts(), QStringList{"T56"});
        QCOMPARE(withoutSaveDate(cell.instrument().block(0).left(image.size())),
                 withoutSaveDate(image));
    } else {
        QCOMPARE(cell.outcome(), 'd');
        QCOMPARE(cell.rig.messages.texts(), QStringList());
    }
    if (readOut)
        QVERIFY(showsTheInstrumentsSensor(cell.window(), true));
    if (Exchange(exchange) == Exchange::Poll)
        QVERIFY(cell.window().session().live().SignalDiv != -1);
    if (cell.onCurvePage() && !cell.window().hasEnded())
        QCOMPARE(cell.points(), CurvePoints);
}

QTEST_MAIN(FaultMatrixTest)
#include "tst_faultmatrix.moc"
