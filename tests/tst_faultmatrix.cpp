#include "core/calibration/CurveTable.h"
#include "core/instrument/LiveValues.h"
#include "core/sensor/SensorImage.h"
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
using namespace std::chrono_literals;

namespace {

constexpr int InstrumentPort = 2;
// Longer than any wait of the program for one reply.
constexpr auto LateBeyondEveryWait = 3000ms;
constexpr int PollTicks = 4;
// A reply held back beyond every wait still arrives; the signal is back once it has passed.
constexpr int RecoveryTicks = 25;
constexpr auto MostWaitedPerAction = std::chrono::minutes(2);

// The exchanges the program makes, each named by the command it sends.
enum class Exchange {
    Identify,
    Setup,
    SensorQuery,
    SensorBlock,
    Poll,
    SensorWrite,
    SystemWrite,
    Reset
};
enum class Injected { None, Extra, Short, Wrong, Garbage, Late, Silence, Vanish };

// What the operator is left with after the action.
enum class Outcome {
    Done,   // the action completed as without a fault
    Stayed, // the action was refused or cut short; the page is still there
    Ended,  // the program ended
};

using Points = QList<QPointF>;
const Points CurvePoints{{0.0, 0.0}, {1.0, 50.0}, {2.0, 100.0}, {3.0, 150.0}};

QByteArray commandOf(Exchange exchange) {
    switch (exchange) {
    case Exchange::Identify:
        return "@";
    case Exchange::Setup:
        return "ER";
    case Exchange::SensorQuery:
        return "KQ";
    case Exchange::SensorBlock:
        return "KB";
    case Exchange::Poll:
        return "M";
    case Exchange::SensorWrite:
        return "KW";
    case Exchange::SystemWrite:
        return "EW";
    case Exchange::Reset:
        return "X";
    }
    return {};
}

QString faultText(Exchange exchange, Injected injected) {
    if (injected == Injected::Silence || injected == Injected::Vanish)
        return {};
    const char* kinds[] = {"none", "extra", "short", "wrong", "garbage"};
    const QString kind = injected == Injected::Late
                             ? QStringLiteral("late %1").arg(LateBeyondEveryWait.count())
                             : QString::fromLatin1(kinds[int(injected)]);
    return QString::fromLatin1(commandOf(exchange)) + u' ' + kind;
}

using testsupport::withoutSaveDate;

// The external sensor as the final step writes it with `CurvePoints`.
QByteArray expectedImage() {
    return testsupport::expectedImage(sim::defaultExternalSensor(), CurvePoints);
}

struct Cell {
    testsupport::InstrumentRig rig;
    Exchange exchange;
    QByteArray blockBefore;
    QByteArray internalBefore;
    std::function<void()> trigger_ = [] {};

    explicit Cell(Exchange which, const sim::Instrument& attached = sim::Instrument::withDefaults())
        : rig(InstrumentPort, attached), exchange(which) {
        blockBefore = instrument().block(0);
        internalBefore = instrument().block(1);
    }

    sim::Instrument& instrument() { return rig.instrument(); }
    frmOrvoCalibration& window() { return *rig.window; }
    void next() { rig.next(); }
    [[nodiscard]] bool onCurvePage() const { return exchange >= Exchange::Poll; }
    [[nodiscard]] bool writesSensor() const {
        return exchange == Exchange::SensorWrite || exchange == Exchange::Reset;
    }

    // Brings a fresh window to where the action starts.
    bool prepare() {
        rig.start(exchange == Exchange::SystemWrite ? QStringLiteral("expert") : QString());
        if (!rig.activate())
            return false;
        if (onCurvePage()) {
            next();
            next();
            if (window().session().step() != session::WizardStep::Finish)
                return false;
            setPoints();
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

    void setPoints() {
        calibration::CurveTable& table = window().session().curve();
        table.clear();
        for (const QPointF& point : CurvePoints)
            (void)table.append(float(point.x()), float(point.y()));
        table.SortCurvePoints();
        window().curveEditor().FillCurveList();
    }

    void act(int ticks = PollTicks) {
        switch (exchange) {
        case Exchange::Identify:
        case Exchange::Setup:
        case Exchange::SensorQuery:
        case Exchange::SensorBlock:
        case Exchange::SensorWrite:
        case Exchange::Reset:
            next();
            break;
        case Exchange::Poll:
            tick(ticks);
            break;
        case Exchange::SystemWrite:
            window().fraORVOSETUP->cmdSKSave->click();
            break;
        }
    }

    // Silence and the vanishing port begin once the exchange's first frame went out.
    void arm(Injected injected) {
        const QString text = faultText(exchange, injected);
        if (!text.isEmpty()) {
            instrument().addFault(*sim::parseFault(text).fault);
            return;
        }
        const QByteArray frame = "$00" + commandOf(exchange);
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

    [[nodiscard]] Outcome outcome() {
        if (window().hasEnded())
            return Outcome::Ended;
        switch (exchange) {
        case Exchange::Identify:
        case Exchange::Setup:
        case Exchange::SensorQuery:
        case Exchange::SensorBlock:
            return window().session().step() == session::WizardStep::CurvePage ? Outcome::Done
                                                                               : Outcome::Stayed;
        case Exchange::Poll:
            return rig.line.isOpen() && window().tmrCasovac.isActive() ? Outcome::Done
                                                                       : Outcome::Stayed;
        case Exchange::SystemWrite:
            return rig.messages.shown.isEmpty() ? Outcome::Done : Outcome::Stayed;
        case Exchange::SensorWrite:
        case Exchange::Reset:
            return Outcome::Stayed;
        }
        return Outcome::Stayed;
    }

    [[nodiscard]] Points points() { return testsupport::pointsOf(window().session().curve()); }
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

Q_DECLARE_METATYPE(Exchange)
Q_DECLARE_METATYPE(Injected)
Q_DECLARE_METATYPE(Outcome)

class FaultMatrixTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void everyExchangeUnderEveryFault_data();
    void everyExchangeUnderEveryFault();
};

void FaultMatrixTest::everyExchangeUnderEveryFault_data() {
    QTest::addColumn<Exchange>("exchange");
    QTest::addColumn<Injected>("injected");
    QTest::addColumn<Outcome>("expected");
    QTest::addColumn<QString>("messages");

    struct Row {
        Exchange exchange;
        Injected injected;
        Outcome expected;
        const char* messages; // how the message texts shown begin, joined by '|'
    };
    using E = Exchange;
    using I = Injected;
    using O = Outcome;
    const Row rows[] = {
        {E::Identify, I::None, O::Stayed, "T53"},
        {E::Identify, I::Extra, O::Done, ""},
        {E::Identify, I::Short, O::Done, ""},
        {E::Identify, I::Wrong, O::Stayed, "T53"},
        {E::Identify, I::Garbage, O::Stayed, "T53"},
        {E::Identify, I::Late, O::Stayed, "T53"},
        {E::Identify, I::Silence, O::Stayed, ""},
        {E::Identify, I::Vanish, O::Stayed, "T53"},
        {E::Setup, I::None, O::Stayed, "Přístroj neodpověděl při čtení své paměti nastavení"},
        {E::Setup, I::Extra, O::Stayed, "Přístroj neodpověděl při čtení své paměti nastavení"},
        {E::Setup, I::Short, O::Stayed, "Přístroj neodpověděl při čtení své paměti nastavení"},
        {E::Setup, I::Wrong, O::Done, ""},
        {E::Setup, I::Garbage, O::Done, ""},
        {E::Setup, I::Late, O::Stayed, "Přístroj neodpověděl při čtení své paměti nastavení"},
        {E::Setup, I::Silence, O::Stayed, "Přístroj neodpověděl při čtení své paměti nastavení"},
        {E::Setup, I::Vanish, O::Stayed, "Přístroj neodpověděl při čtení své paměti nastavení"},
        {E::SensorQuery, I::None, O::Done, ""},
        {E::SensorQuery, I::Extra, O::Done, ""},
        {E::SensorQuery, I::Short, O::Done, ""},
        {E::SensorQuery, I::Wrong, O::Done, ""},
        {E::SensorQuery, I::Garbage, O::Done, ""},
        {E::SensorQuery, I::Late, O::Done, ""},
        {E::SensorQuery, I::Silence, O::Done, "Paměť snímače (INT)|Paměť snímače (EXT)"},
        {E::SensorQuery, I::Vanish, O::Done, ""},
        {E::SensorBlock, I::None, O::Done, "Paměť snímače (INT)|Paměť snímače (EXT)"},
        {E::SensorBlock, I::Extra, O::Done, "Paměť snímače (INT)|Paměť snímače (EXT)"},
        {E::SensorBlock, I::Short, O::Done, "Paměť snímače (INT)|Paměť snímače (EXT)"},
        {E::SensorBlock, I::Wrong, O::Done, "FSN structure error.|FSN structure error."},
        {E::SensorBlock, I::Garbage, O::Done, "FSN structure error.|FSN structure error."},
        {E::SensorBlock, I::Late, O::Done, "Paměť snímače (INT)|Paměť snímače (EXT)"},
        {E::SensorBlock, I::Silence, O::Done, "Paměť snímače (EXT)"},
        {E::SensorBlock, I::Vanish, O::Done, "Paměť snímače (INT)|Paměť snímače (EXT)"},
        {E::Poll, I::None, O::Done, ""},
        {E::Poll, I::Extra, O::Done, ""},
        {E::Poll, I::Short, O::Done, ""},
        {E::Poll, I::Wrong, O::Done, ""},
        {E::Poll, I::Garbage, O::Done, ""},
        {E::Poll, I::Late, O::Done, ""},
        {E::Poll, I::Silence, O::Done, ""},
        {E::Poll, I::Vanish, O::Stayed, "T64"},
        {E::SensorWrite, I::None, O::Stayed, "T47 [-1]"},
        {E::SensorWrite, I::Extra, O::Stayed, "T47 [-1]"},
        {E::SensorWrite, I::Short, O::Stayed, "T47 [-1]"},
        {E::SensorWrite, I::Wrong, O::Stayed, "T47 [-10001]"},
        {E::SensorWrite, I::Garbage, O::Stayed, "T47 [-10001]"},
        {E::SensorWrite, I::Late, O::Stayed, "T47 [-1]"},
        {E::SensorWrite, I::Silence, O::Stayed, "T47 [-2]"},
        {E::SensorWrite, I::Vanish, O::Stayed, "T47 [-1]"},
        {E::SystemWrite, I::None, O::Stayed, "Přístroj nepotvrdil zápis konstant"},
        {E::SystemWrite, I::Extra, O::Stayed, "Přístroj nepotvrdil zápis konstant"},
        {E::SystemWrite, I::Short, O::Stayed, "Přístroj nepotvrdil zápis konstant"},
        {E::SystemWrite, I::Wrong, O::Stayed, "Přístroj nepotvrdil zápis konstant"},
        {E::SystemWrite, I::Garbage, O::Stayed, "Přístroj nepotvrdil zápis konstant"},
        {E::SystemWrite, I::Late, O::Stayed, "Přístroj nepotvrdil zápis konstant"},
        {E::SystemWrite, I::Silence, O::Stayed, "Přístroj nepotvrdil zápis konstant"},
        {E::SystemWrite, I::Vanish, O::Stayed, "Přístroj nepotvrdil zápis konstant|T31 (COM2) T32"},
        {E::Reset, I::None, O::Ended, "T56"},
        {E::Reset, I::Extra, O::Ended, "T56"},
        {E::Reset, I::Short, O::Ended, "T56"},
        {E::Reset, I::Wrong, O::Ended, "T56"},
        {E::Reset, I::Garbage, O::Ended, "T56"},
        {E::Reset, I::Late, O::Ended, "T56"},
        {E::Reset, I::Silence, O::Ended, "T56"},
        {E::Reset, I::Vanish, O::Ended, "T31 (COM2) T32|T56"},
    };
    const char* exchangeNames[] = {"$00@", "ER", "$00KQ", "KB", "$00M", "KW", "EW", "$00X"};
    const char* faultNames[] = {"none",    "extra", "short",   "wrong",
                                "garbage", "late",  "silence", "vanish"};
    for (const Row& row : rows)
        QTest::addRow("%s %s", exchangeNames[int(row.exchange)], faultNames[int(row.injected)])
            << row.exchange << row.injected << row.expected << QString::fromUtf8(row.messages);
}

void FaultMatrixTest::everyExchangeUnderEveryFault() {
    QFETCH(Exchange, exchange);
    QFETCH(Injected, injected);
    QFETCH(Outcome, expected);
    QFETCH(QString, messages);

    auto owned = std::make_unique<Cell>(exchange);
    Cell& first = *owned;
    QVERIFY(first.prepare());
    const QByteArray image = expectedImage();
    first.arm(injected);
    first.act();
    const Outcome seen = first.outcome();
    const QStringList shown = first.rig.messages.texts();
    // Every wait ran on the manual clock: a fault costs the operator bounded time, never a hang.
    QVERIFY(first.rig.clock.waited() < MostWaitedPerAction);

    // What the operator sees.
    QCOMPARE(seen, expected);
    const QStringList starts = messages.isEmpty() ? QStringList() : messages.split(u'|');
    QCOMPARE(shown.size(), starts.size());
    for (qsizetype i = 0; i < starts.size(); ++i)
        QVERIFY2(shown[i].startsWith(starts[i]), qPrintable(shown[i]));
    // A success is never claimed for a sensor that was not written as it should be.
    const QByteArray inSensor = first.instrument().block(0).left(image.size());
    if (shown.contains(QStringLiteral("T56")))
        QCOMPARE(withoutSaveDate(inSensor), withoutSaveDate(image));
    // A block changed in the instrument is the intended image, or the operator was told.
    if (first.instrument().block(0) != first.blockBefore &&
        withoutSaveDate(inSensor) != withoutSaveDate(image))
        QVERIFY2(!shown.isEmpty(), "a sensor block was damaged without a word");
    // The operator's points survive on the curve page.
    if (first.onCurvePage() && seen != Outcome::Ended)
        QCOMPARE(first.points(), CurvePoints);
    // A read-out that passes without a word shows the instrument's sensor, or plainly none.
    if (seen == Outcome::Done && exchange <= Exchange::SensorBlock && shown.isEmpty())
        QVERIFY2(showsTheInstrumentsSensor(first.window()) ||
                     (first.window().session().sensors().SensorMask & 3U) == 0,
                 "a damaged read-out passed unnoticed");

    // Clear the fault and do the same again: it works, in the same window while it is open.
    first.disarm();
    // Going on from a sensor page that a faulty read-out left must not overwrite a sensor.
    if (seen == Outcome::Done && exchange <= Exchange::SensorBlock) {
        first.next();
        const bool kept = first.instrument().block(0) == first.blockBefore &&
                          first.instrument().block(1) == first.internalBefore;
        QVERIFY2(kept, qPrintable(first.rig.messages.texts().join(u'|')));
    }
    // An ended program is started again, on the instrument as the fault left it.
    if (seen == Outcome::Ended)
        owned = std::make_unique<Cell>(exchange, first.instrument());
    Cell& cell = *owned;
    if (seen == Outcome::Ended || (seen == Outcome::Done && !cell.onCurvePage())) {
        cell.rig.window.reset();
        QVERIFY(cell.prepare());
    }
    // The live signal runs a moment before the operator tries again. It opens a port it lost,
    // or one that an action found gone and left closed, so the points need no new connection.
    if (cell.onCurvePage() && seen != Outcome::Ended) {
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
        QCOMPARE(cell.outcome(), Outcome::Done);
        QCOMPARE(cell.rig.messages.texts(), QStringList());
    }
    if (exchange <= Exchange::SensorBlock)
        QVERIFY(showsTheInstrumentsSensor(cell.window(), true));
    if (exchange == Exchange::Poll)
        QVERIFY(cell.window().session().live().SignalDiv != -1);
    if (cell.onCurvePage() && !cell.window().hasEnded())
        QCOMPARE(cell.points(), CurvePoints);
}

QTEST_MAIN(FaultMatrixTest)
#include "tst_faultmatrix.moc"
