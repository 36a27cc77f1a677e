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

Q_DECLARE_METATYPE(calibration::DuplicateKind)

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

    void removeFromFullTable() {
        CurveTable table;
        for (int i = 1; i <= CurveTable::SlotCount; ++i)
            QVERIFY(table.append(float(i), float(i * 100)));
        QVERIFY(!table.append(41, 4100));
        table.RemoveCurvePoint(10);
        QCOMPARE(table.PointCount(), 39);
        QCOMPARE(table.point(10).signal, 11.0f);
        QCOMPARE(table.point(40).state, SlotState::Empty);
        table.CountCurvePoints();
        QCOMPARE(table.PointCount(), 39);
    }

    void removeOnlyAndMissingPoints() {
        CurveTable table = tableOf({{1, 10}, {2, 20}});
        for (const int missing : {0, 3, 40, 41})
            table.RemoveCurvePoint(missing);
        QCOMPARE(pointsOf(table), (Points{{1, 10}, {2, 20}}));
        table.RemoveCurvePoint(1);
        table.RemoveCurvePoint(1);
        QVERIFY(table.CurveListRows(u"##0.00  ").isEmpty());
        table.RemoveCurvePoint(1);
        table.CountCurvePoints();
        QCOMPARE(table.PointCount(), 0);
    }

    void findSignalTakesTheFirstEqual() {
        CurveTable table = tableOf({{0.5f, 1}, {1.25f, 2}, {1.25f, 3}});
        QCOMPARE(table.FindSignal(1.25f), 2);
        QCOMPARE(table.FindSignal(0.75f), 0);
        table.setSlot(4, {4.0f, 7.0f, SlotState::Used});
        QCOMPARE(table.FindSignal(7.0f), 0);
    }

    void duplicates_data() {
        QTest::addColumn<Points>("points");
        QTest::addColumn<bool>("found");
        QTest::addColumn<DuplicateKind>("kind");
        QTest::addColumn<float>("value");
        // The plain etalon and signal cases are tst_sensorpage's and tst_curveeditor's.
        QTest::newRow("none") << Points{{1, 10}, {2, 20}} << false << DuplicateKind::Etalon << 0.f;
        QTest::newRow("etalon of a point before its signal")
            << Points{{1, 10}, {1, 10}} << true << DuplicateKind::Etalon << 10.f;
        QTest::newRow("points walked in order")
            << Points{{1, 10}, {1, 20}, {3, 20}} << true << DuplicateKind::Signal << 1.f;
    }
    void duplicates() {
        QFETCH(Points, points);
        QFETCH(bool, found);
        QFETCH(DuplicateKind, kind);
        QFETCH(float, value);
        const auto duplicate = tableOf(points).FindCurveDuplicate();
        QCOMPARE(duplicate.has_value(), found);
        if (found) {
            QCOMPARE(duplicate->kind, kind);
            QCOMPARE(duplicate->value, value);
        }
    }

    void duplicateMessage() {
        text::LanguageTable texts;
        texts.set(42, QStringLiteral("Etalon"));
        texts.set(43, QStringLiteral("je zadán vícekrát"));
        texts.set(44, QStringLiteral("Signál"));
        QCOMPARE(calibration::DuplicateMessage({DuplicateKind::Etalon, 0.1f}, texts),
                 QStringLiteral("Etalon 0.1 je zadán vícekrát"));
        QCOMPARE(calibration::DuplicateMessage({DuplicateKind::Signal, 1234567.8f}, texts),
                 QStringLiteral("Signál 1234568 je zadán vícekrát"));
    }

    void rowText_data() {
        QTest::addColumn<float>("signal");
        QTest::addColumn<float>("etalon");
        QTest::addColumn<QString>("unitFormat");
        QTest::addColumn<QString>("row");
        const auto row = [](const char* name, float signal, float etalon, const char* format,
                            const char* text) {
            QTest::newRow(name) << signal << etalon << format << text;
        };
        row("etalon wider than its field", 1.5f, 1234.567f, "##0.00  ", "   1.500  1234.57  ");
        row("negative", -0.25f, -3.f, "####0.0 ", "  -0.250     -3.0 ");
        row("float rounding", 0.1f, 0.3f, "##0.000 ", "   0.100    0.300 ");
    }
    void rowText() {
        QFETCH(float, signal);
        QFETCH(float, etalon);
        QFETCH(QString, unitFormat);
        QFETCH(QString, row);
        QCOMPARE(tableOf({{signal, etalon}}).CurveListRows(unitFormat), QStringList{row});
    }

    void evaluate_data() {
        QTest::addColumn<Points>("points");
        QTest::addColumn<float>("signal");
        QTest::addColumn<float>("expected");
        const Points bent{{0, 0}, {1, 100}, {2, 300}};
        const Points lastEqual{{0, 0}, {1, 100}, {1, 200}};
        QTest::newRow("one point") << Points{{1, 100}} << 1.f << 0.f;
        QTest::newRow("second segment") << bent << 1.5f << 200.f;
        QTest::newRow("last segment extended") << bent << 3.f << 500.f;
        QTest::newRow("first segment extended") << bent << -1.f << -100.f;
        QTest::newRow("on a middle point") << bent << 1.f << 100.f;
        QTest::newRow("two equal signals") << Points{{1, 100}, {1, 200}} << 0.5f << 150.f;
        QTest::newRow("last two equal, above") << lastEqual << 500.f << 150.f;
        QTest::newRow("last two equal, before") << lastEqual << 0.5f << 50.f;
        QTest::newRow("beyond a float")
            << Points{{0, 0}, {1e-30f, 1e30f}} << 1e30f << std::numeric_limits<float>::infinity();
    }
    void evaluate() {
        QFETCH(Points, points);
        QFETCH(float, signal);
        QFETCH(float, expected);
        QCOMPARE(calibration::EvaluateCurve(tableOf(points), signal), expected);
    }
};

QTEST_GUILESS_MAIN(TestCurveTable)
#include "tst_curvetable.moc"
