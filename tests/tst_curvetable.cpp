#include "core/calibration/CurveEvaluation.h"
#include "core/calibration/CurveTable.h"
#include "core/calibration/StableCapture.h"
#include "core/text/LanguageTable.h"

#include <QLocale>
#include <QTest>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

using calibration::CurveTable;
using calibration::SlotState;
using Points = std::vector<std::pair<float, float>>; // signal, etalon

namespace {

CurveTable tableOf(const Points& points) {
    CurveTable table;
    for (const auto& [signal, etalon] : points)
        [[maybe_unused]] const bool added = table.append(signal, etalon);
    return table;
}

} // namespace

class TestCurveTable : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // A stable sort by signal that moves only used slots.
    void sortAndRows() {
        CurveTable table = tableOf({{2, 1}, {-0.25f, 5}, {2, 2}, {-0.25f, 1234.567f}, {2, -3}});
        table.setSlot(6, {99.0f, -5.0f, SlotState::Empty});
        table.SortCurvePoints();
        QCOMPARE(table.point(6).state, SlotState::Empty);
        QCOMPARE(table.CurveListRows(u"####0.0 "),
                 (QStringList{"  -0.250      5.0 ", "  -0.250   1234.6 ", "   2.000      1.0 ",
                              "   2.000      2.0 ", "   2.000     -3.0 "}));
    }

    // A full table takes no more.
    void removeAndFind() {
        CurveTable table;
        for (int i = 1; i <= CurveTable::SlotCount; ++i)
            QVERIFY(table.append(float(i % 20), float(i)));
        QVERIFY(!table.append(41, 41));
        for (const int slot : {0, 41, 10, 40})
            table.RemoveCurvePoint(slot);
        QCOMPARE(table.PointCount(), 39);
        QCOMPARE(table.point(10).etalon, 11.0f);
        QCOMPARE(table.point(40).state, SlotState::Empty);
        QCOMPARE(table.FindSignal(5.0f), 5);
        QCOMPARE(table.FindSignal(0.5f), 0);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, table.setPoint(41, 1, 1));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, table.setPoint(0, 1, 1));
    }

    // The plain etalon and signal cases are tst_sensorpage's and tst_curveeditor's.
    void duplicates() {
        text::LanguageTable texts;
        texts.set(42, QStringLiteral("Etalon"));
        texts.set(43, QStringLiteral("je zadán vícekrát"));
        texts.set(44, QStringLiteral("Signál"));
        const auto message = [&](const Points& points) {
            const auto found = tableOf(points).FindCurveDuplicate();
            return found ? calibration::DuplicateMessage(*found, texts) : QString();
        };
        QCOMPARE(message({{1, 0.1f}, {1, 0.1f}}), QStringLiteral("Etalon 0.1 je zadán vícekrát"));
        QCOMPARE(message({{1234567.8f, 10}, {1234567.8f, 20}, {3, 20}}),
                 QStringLiteral("Signál 1234568 je zadán vícekrát"));
    }

    // Linear between neighbouring points, the outer segments extended; none below 2 points.
    void evaluate() {
        const auto at = [](const Points& points, float signal) {
            return calibration::EvaluateCurve(tableOf(points), signal);
        };
        const Points bent{{0, 0}, {1, 100}, {2, 300}};
        QCOMPARE(at({{1, 100}}, 1.f), 0.f);
        QCOMPARE(at(bent, 1.5f), 200.f);
        QCOMPARE(at(bent, 3.f), 500.f);
        QCOMPARE(at(bent, -1.f), -100.f);
        QCOMPARE(at({{1, 100}, {1, 200}}, 0.5f), 150.f); // two equal signals
        QCOMPARE(at({{0, 0}, {1, 100}, {1, 200}}, 500.f), 150.f);
        QCOMPARE(at({{0, 0}, {1e-30f, 1e30f}}, 1e30f), std::numeric_limits<float>::infinity());
    }

    // The band is one display digit through the curve's terminal slope; without two points (or
    // without a slope) it is DivisionsPerDigit converter divisions. Two seconds are ten polls.
    void stabilityRule() {
        calibration::StabilitySetting setting;
        const auto rule = [&](const Points& points) {
            return calibration::stabilityRule(setting, tableOf(points), u"###0.00", 0.0002F);
        };
        QCOMPARE(rule({}).readings, 10);
        QVERIFY(std::abs(rule({{1.0F, 50.0F}}).band - 5 * 0.0002) < 1e-9);
        QVERIFY(std::abs(rule({{0.0F, 7.0F}, {2.0F, 7.0F}}).band - 5 * 0.0002) < 1e-9);
        // 50 units per mV/V: a digit of 0.01 is 0.0002 mV/V.
        QVERIFY(std::abs(rule({{0.0F, 0.0F}, {1.0F, 20.0F}, {2.0F, 100.0F}}).band - 0.0002) < 1e-9);
        setting.bandDigits = 3.0;
        setting.holdSeconds = 1.0;
        QCOMPARE(rule({}), (device::StabilityRule{15.0 * double(0.0002F), 5}));
    }

    // Automatic capture fires once when the signal settles at a load away from every point (and
    // from the last stable load) by more than 1 % of the span; never on a drift.
    void autoCaptureTrigger() {
        using device::SignalWindow;
        const CurveTable points = tableOf({{0.0F, 0.0F}});
        calibration::AutoCaptureTrigger trigger;
        const auto feed = [&](std::optional<double> mean) {
            return trigger
                .update(mean ? std::optional(SignalWindow{*mean, 10, 0.0}) : std::nullopt, points,
                        4.0)
                .has_value();
        };
        QVERIFY(!feed(0.01));         // at the captured zero (1 % of 4 mV/V is 0.04)
        QVERIFY(!feed(std::nullopt)); // a load goes on
        QVERIFY(feed(1.0));           // settled at a new load: fires
        QVERIFY(!feed(1.0));          // once
        QVERIFY(!feed(std::nullopt)); // a shake at the same load
        QVERIFY(!feed(1.01));
        for (double drift = 1.0; drift < 1.2; drift += 0.02) // creeps while stable
            QVERIFY(!feed(drift));
        QVERIFY(!feed(std::nullopt));
        QVERIFY(!feed(1.21)); // a flicker on the way does not make a new load
        QVERIFY(!feed(std::nullopt));
        QVERIFY(feed(2.0));
    }
};

QTEST_GUILESS_MAIN(TestCurveTable)
#include "tst_curvetable.moc"
