// Every exchange the program makes under every fault the line can show.

#include "core/calibration/CurveTable.h"
#include "core/instrument/LiveValues.h"
#include "tests/support/ExpectedImage.h"
#include "tests/support/WindowRig.h"
#include "views/calibration/CurveEditor.h"
#include "views/sensor/SensorPage.h"
#include "views/instrument/SystemCalibrationFrame.h"

#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <functional>

using testsupport::withoutSaveDate;
using namespace std::chrono_literals;

namespace {

// The exchanges, each named by the command it sends, and the faults, in the matrix's order.
enum class Exchange { Identify, Setup, Presence, Blocks, Poll, SensorSave, ConstantsSave, Reset };
enum class Injected { None, Extra, Short, Wrong, Garbage, Late, Silence, Vanish };
const char* const Commands[] = {"@", "ER", "KQ", "KB", "M", "KW", "EW", "X"};
const char* const Faults[] = {"none",    "extra",     "short",   "wrong",
                              "garbage", "late 3000", "silence", "vanish"};
constexpr int PollTicks = 4;
// A reply held back still arrives; the signal is back once it has passed.
constexpr int RecoveryTicks = 25;

// Per operator state (d: done, s: page stays, e: ended), then the messages shown, split by '|'.
const char* const NoSetup = "s Přístroj na portu COM2 neodpověděl při čtení";
const char* const NoBlocks = "d Paměť snímače (INT)|Paměť snímače (EXT)";
const char* const BadBlocks = "d FSN structure error.|FSN structure error.";
const char* const NoConstants = "s Přístroj nepotvrdil zápis konstant";
const char* const Matrix[8][8] = {
    {"s COM2: T53", "d", "d", "s COM2: T53", "s COM2: T53", "s COM2: T53",
     "s T33 (COM2): přístroj neodpověděl", "s COM2: T53"},
    {NoSetup, NoSetup, NoSetup, "d", "d", NoSetup, NoSetup, NoSetup},
    {"d", "d", "d", "d", "d", "d", NoBlocks, "d"},
    {NoBlocks, NoBlocks, NoBlocks, BadBlocks, BadBlocks, NoBlocks, "d Paměť snímače (EXT)",
     NoBlocks},
    {"d", "d", "d", "d", "d", "d", "d", "s COM2: T64"},
    {"s T47 [-1]", "s T47 [-1]", "s T47 [-1]", "s T47 [-10001]", "s T47 [-10001]", "s T47 [-1]",
     "s T47 [-2]", "s T47 [-1]"},
    {NoConstants, NoConstants, NoConstants, NoConstants, NoConstants, NoConstants,
     "s Přístroj nepotvrdil zápis konstant|T33 (COM2): přístroj neodpověděl",
     "s Přístroj nepotvrdil zápis konstant|T31 (COM2) T32"},
    // A sensor that cannot be read back after the reset is written but not verified.
    {"e T56", "e T56", "e T56", "e T56", "e T56", "e T56",
     "s T33 (COM2): přístroj neodpověděl|Snímač „Snímač EXT“ (ID 53EKAB17) byl zapsán, ale",
     "s T31 (COM2) T32|Snímač „Snímač EXT“ (ID 53EKAB17) byl zapsán, ale"},
};

// Covers both measuring ranges (±100 kg), so the final step has no warning to ask about.
const QList<QPointF> CurvePoints{{-2.0, -100.0}, {0.0, 0.0}, {1.0, 50.0}, {2.0, 100.0}};

// The window on the instrument at port 2, for one exchange.
struct Cell {
    testsupport::InstrumentRig rig{2};
    const Exchange exchange;
    const QByteArray blocksBefore = blocks();
    std::function<void()> trigger = [] {};

    sim::Instrument& instrument() { return rig.instrument(); }
    app::frmOrvoCalibration& window() { return *rig.window; }
    [[nodiscard]] QByteArray blocks() { return instrument().block(0) + instrument().block(1); }
    [[nodiscard]] bool onCurvePage() const { return exchange >= Exchange::Poll; }
    [[nodiscard]] QList<QPointF> points() {
        return testsupport::pointsOf(window().session().curve());
    }

    // A fresh window where the action starts.
    void prepare() {
        rig.window.reset();
        rig.start(exchange == Exchange::ConstantsSave ? QStringLiteral("expert") : QString());
        QVERIFY(rig.activate());
        if (onCurvePage()) {
            rig.next();
            rig.next();
            (void)window().session().curve().append(-2.0F, -100.0F);
            window().session().curve().SortCurvePoints();
            window().curveEditor().FillCurveList();
        }
        instrument().clearLog();
        rig.messages.clear();
    }

    // The live signal's ticks.
    void tick(int ticks) {
        for (int i = 0; i < ticks && !window().hasEnded(); ++i) {
            rig.clock.advance(200ms);
            window().PollSignal();
            trigger();
        }
    }

    void act(int ticks) {
        if (exchange == Exchange::ConstantsSave)
            window().fraORVOSETUP->cmdSKSave->click();
        else if (exchange != Exchange::Poll)
            rig.next();
        tick(exchange == Exchange::Poll ? ticks : 0);
    }

    // Silence and the vanishing port begin once the exchange's first frame went out.
    void arm(Injected injected) {
        const QByteArray command = Commands[int(exchange)];
        if (injected < Injected::Silence)
            instrument().addFault(
                *sim::parseFault(QString::fromLatin1(command + ' ' + Faults[int(injected)])).fault);
        trigger = [this, injected, command, fired = injected < Injected::Silence]() mutable {
            if (fired || rig.framesOf(command).isEmpty())
                return;
            fired = true;
            if (injected == Injected::Vanish)
                rig.line.vanish();
            else
                instrument().addFault(sim::Fault::silenceFrom(1));
        };
        rig.clock.setOnDelay([this] { trigger(); });
    }

    // Whatever the instrument held back has arrived by the time the operator tries again.
    void disarm() {
        rig.clock.advance(6000ms);
        rig.clock.setOnDelay({});
        trigger = [] {};
        instrument().clearFaults();
        rig.line.reappear();
    }

    // As the matrix writes it: d, s or e.
    [[nodiscard]] char outcome() {
        if (window().hasEnded())
            return 'e';
        const bool done = exchange <= Exchange::Blocks
                              ? window().session().step() == session::WizardStep::CurvePage
                          : exchange == Exchange::Poll
                              ? rig.line.isOpen() && window().tmrCasovac.isActive()
                              : exchange == Exchange::ConstantsSave && rig.messages.shown.isEmpty();
        return done ? 'd' : 's';
    }
};

} // namespace

class FaultMatrixTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void everyExchangeUnderEveryFault_data() {
        QTest::addColumn<int>("exchange");
        QTest::addColumn<int>("injected");
        for (int e = 0; e < 8; ++e)
            for (int i = 0; i < 8; ++i)
                QTest::addRow("%s %s", Commands[e], Faults[i]) << e << i;
    }

    void everyExchangeUnderEveryFault() {
        QFETCH(int, exchange);
        QFETCH(int, injected);
        const QString expected = QString::fromUtf8(Matrix[exchange][injected]);
        const QStringList starts = expected.mid(2).split(u'|', Qt::SkipEmptyParts);
        const bool readOut = Exchange(exchange) <= Exchange::Blocks;
        Cell cell{.exchange = Exchange(exchange)};
        const auto sensorHoldsTheCurve = [&cell] {
            const QByteArray image =
                testsupport::expectedImage(sim::defaultExternalSensor(), CurvePoints);
            return withoutSaveDate(cell.instrument().block(0).left(image.size())) ==
                   withoutSaveDate(image);
        };
        cell.prepare();
        cell.arm(Injected(injected));
        cell.act(PollTicks);
        const char seen = cell.outcome();
        const QStringList shown = cell.rig.messages.texts();
        // A fault costs the operator bounded time, never a hang.
        QVERIFY(cell.rig.clock.waited() < 2min);
        QCOMPARE(seen, expected[0].toLatin1());
        QCOMPARE(shown.size(), starts.size());
        for (qsizetype i = 0; i < starts.size(); ++i)
            QVERIFY2(shown[i].startsWith(starts[i]), qPrintable(shown[i]));
        // Success is claimed only for the sensor written as it should be.
        if (shown.contains(QStringLiteral("T56")))
            QVERIFY(sensorHoldsTheCurve());
        if (cell.blocks() != cell.blocksBefore && !sensorHoldsTheCurve())
            QVERIFY2(!shown.isEmpty(), "a sensor block was damaged without a word");
        // An ended program saved the sensor: there is nothing to try again.
        if (seen == 'e')
            return;
        if (cell.onCurvePage())
            QCOMPARE(cell.points(), CurvePoints);

        // With the fault gone the same action works, in the same window while it is open.
        cell.disarm();
        if (readOut && seen == 'd') {
            cell.rig.next();
            QVERIFY2(cell.blocks() == cell.blocksBefore,
                     qPrintable(cell.rig.messages.texts().join(u'|')));
            cell.prepare();
        }
        // The live signal runs a moment first.
        cell.tick(cell.onCurvePage() ? PollTicks : 0);
        QVERIFY(!cell.onCurvePage() || cell.rig.line.isOpen());
        cell.rig.messages.clear();
        cell.window().session().live().SignalDiv = -1;
        cell.act(RecoveryTicks);
        const bool saves =
            Exchange(exchange) == Exchange::SensorSave || Exchange(exchange) == Exchange::Reset;
        QCOMPARE(cell.rig.messages.texts(), saves ? QStringList{"T56"} : QStringList());
        QCOMPARE(cell.outcome(), saves ? 'e' : 'd');
        QVERIFY(!saves || sensorHoldsTheCurve());
        if (readOut)
            QCOMPARE(cell.window().fraSNIMAC->txtPopis->text().trimmed(),
                     sim::defaultExternalSensor().description);
        if (Exchange(exchange) == Exchange::Poll)
            QVERIFY(cell.window().session().live().SignalDiv != -1);
        if (cell.onCurvePage() && !saves)
            QCOMPARE(cell.points(), CurvePoints);
    }
};

QTEST_MAIN(FaultMatrixTest)
#include "tst_faultmatrix.moc"
