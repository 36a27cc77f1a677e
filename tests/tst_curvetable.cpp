#include "core/calibration/CurveEvaluation.h"
#include "core/calibration/CurveTable.h"
#include "core/text/LanguageTable.h"

#include <QLocale>
#include <QTest>
#include <limits>
#include <utility>
#include <vector>

using calibration::CurveTable;
using calibration::DuplicateKind;
using calibration::SlotState;
using Points = std::vector<std::pair<float, float>>; // signal, etalon

namespace {

CurveTable tableOf(const Points& points) {
    CurveTable table;
    for (const auto& [signal, etalon] : points)
        [[maybe_unused]] const bool added = table.append(signal, etalon);
    return table;
}

Points pointsOf(const CurveTable& table) {
    Points points;
    for (int slot = 1; slot <= table.PointCount(); ++slot)
        points.emplace_back(table.point(slot).signal, table.point(slot).etalon);
    return points;
}

} // namespace

class TestCurveTable : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // Sorting after each capture is tst_curveeditor's.
    void sortIsStableAndMovesOnlyUsedSlots() {
        CurveTable table = tableOf({{2, 1}, {1, 5}, {2, 2}, {1, 6}, {2, 3}});
        table.setSlot(6, {99.0f, -5.0f, SlotState::Empty});
        table.SortCurvePoints();
        QCOMPARE(pointsOf(table), (Points{{1, 5}, {1, 6}, {2, 1}, {2, 2}, {2, 3}}));
        QCOMPARE(table.point(6).state, SlotState::Empty);
    }

    void removeAndFind() {
        CurveTable table;
        for (int i = 1; i <= CurveTable::SlotCount; ++i)
            QVERIFY(table.append(float(i % 20), float(i)));
        QVERIFY(!table.append(41, 41));
        for (const int missing : {0, 41})
            table.RemoveCurvePoint(missing);
        table.RemoveCurvePoint(10);
        QCOMPARE(table.PointCount(), 39);
        QCOMPARE(table.point(10).etalon, 11.0f);
        QCOMPARE(table.point(40).state, SlotState::Empty);
        QCOMPARE(table.FindSignal(5.0f), 5);
        QCOMPARE(table.FindSignal(0.5f), 0);
        table.CountCurvePoints();
        QCOMPARE(table.PointCount(), 39);
        table.RemoveCurvePoint(40);
        QCOMPARE(table.PointCount(), 39);
        table = tableOf({{1, 10}});
        table.RemoveCurvePoint(1);
        table.RemoveCurvePoint(1);
        table.CountCurvePoints();
        QCOMPARE(table.PointCount(), 0);
        QVERIFY(table.CurveListRows(u"0").isEmpty());
        table.setSlot(2, {4.0f, 7.0f, SlotState::Used});
        QCOMPARE(table.FindSignal(7.0f), 0);
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
        QCOMPARE(message({{1, 10}, {2, 20}}), QString());
        QCOMPARE(message({{1, 0.1f}, {1, 0.1f}}), QStringLiteral("Etalon 0.1 je zadán vícekrát"));
        QCOMPARE(message({{1234567.8f, 10}, {1234567.8f, 20}, {3, 20}}),
                 QStringLiteral("Signál 1234568 je zadán vícekrát"));
    }

    void rowText() {
        QCOMPARE(tableOf({{1.5f, 1234.567f}, {-0.25f, -3.f}}).CurveListRows(u"####0.0 "),
                 (QStringList{"   1.500   1234.6 ", "  -0.250     -3.0 "}));
    }

    // Linear between neighbouring points, the outer segments extended; none below 2 points.
    void evaluate() {
        const auto at = [](const Points& points, float signal) {
            return calibration::EvaluateCurve(tableOf(points), signal);
        };
        const Points bent{{0, 0}, {1, 100}, {2, 300}};
        const Points lastEqual{{0, 0}, {1, 100}, {1, 200}};
        QCOMPARE(at({{1, 100}}, 1.f), 0.f);
        QCOMPARE(at(bent, 1.5f), 200.f);
        QCOMPARE(at(bent, 3.f), 500.f);
        QCOMPARE(at(bent, -1.f), -100.f);
        QCOMPARE(at(bent, 1.f), 100.f);
        QCOMPARE(at({{1, 100}, {1, 200}}, 0.5f), 150.f); // two equal signals
        QCOMPARE(at(lastEqual, 500.f), 150.f);
        QCOMPARE(at(lastEqual, 0.5f), 50.f);
        QCOMPARE(at({{0, 0}, {1e-30f, 1e30f}}, 1e30f), std::numeric_limits<float>::infinity());
    }
};

QTEST_GUILESS_MAIN(TestCurveTable)
#include "tst_curvetable.moc"
