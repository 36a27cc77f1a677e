#include "core/calibration/Creep.h"
#include "core/calibration/CurveFigures.h"
#include "core/calibration/CurveMarks.h"
#include "core/calibration/CurveTable.h"
#include "core/calibration/PlotReach.h"
#include "core/text/LanguageTable.h"

#include <QTest>

using namespace calibration;
using Points = std::vector<std::pair<float, float>>; // signal, etalon

Q_DECLARE_METATYPE(Points)

namespace {

CurveFigures figuresOf(const Points& points, double fullScale, double fullScaleNeg) {
    CurveTable table;
    for (const auto& [signal, etalon] : points)
        [[maybe_unused]] const bool added = table.append(signal, etalon);
    return computeCurveFigures(table, {fullScale, fullScaleNeg, 3.91, QStringLiteral("####0.0")});
}

bool near(std::optional<double> value, double expected) {
    return value && std::fabs(*value - expected) < 1e-4;
}

// Kind and point of each warning, as "kind:point".
QStringList warningsOf(const CurveFigures& figures) {
    QStringList list;
    for (const CurveWarning& w : figures.warnings)
        list.append(QStringLiteral("%1:%2").arg(int(w.kind)).arg(w.point));
    return list;
}

} // namespace

class TestCurveFigures : public QObject {
    Q_OBJECT

private slots:
    void plotReachFits_data();
    void plotReachFits();
    void creepCheck();
    // The worked example of docs/curve-quality.md.
    void workedExample() {
        const CurveFigures f =
            figuresOf({{-1, -50}, {0, 0}, {0.5f, 25.2f}, {1.5f, 74.7f}, {3, 150}}, 150, -120);
        QCOMPARE(f.zeroPoint, 2);
        QVERIFY(near(f.points[2].deviation, 0.2) && near(f.points[3].deviation, -0.3));
        QVERIFY(near(f.points[3].percent, -0.2) && near(f.points[3].digits, -3.0));
        QVERIFY(near(f.points[0].deviation, 0.0) && f.points[0].negativeBranch);
        QVERIFY(near(f.unitsPerMvV, 50.0) && near(f.mvvPer1000Units, 20.0));
        QCOMPARE(f.positive->point, 4);
        QVERIFY(near(f.positive->percent, -0.2) && near(f.negative->deviation, 0.0));
        QVERIFY(near(f.leastSquares->slope, 49.970968) &&
                near(f.leastSquares->intercept, 0.003226));
        QVERIFY(near(f.points[3].residual, -0.259677) && near(f.rms, 0.155023));
        QCOMPARE(warningsOf(f), QStringList{"4:1"});
        QCOMPARE(f.warnings[0].value, -120.0);
    }

    void handCases_data() {
        QTest::addColumn<Points>("points");
        QTest::addColumn<double>("negativeRange");
        QTest::addColumn<double>("positiveDeviation"); // the positive branch's largest
        QTest::addColumn<double>("negativeDeviation"); // NaN: no negative branch
        QTest::addColumn<double>("rms");               // NaN: no least-squares line
        QTest::addColumn<QStringList>("warnings");
        const double none = qQNaN();
        QTest::newRow("zero-based") << Points{{0, 0}, {1, 49}, {2, 100}} << 0.0 << -1.0 << none
                                    << 0.4714045 << QStringList{};
        QTest::newRow("negative branch") << Points{{-2, -100}, {-1, -49}, {0, 0}, {1, 51}, {2, 100}}
                                         << -100.0 << 1.0 << 1.0 << 0.4898979 << QStringList{};
        QTest::newRow("two points")
            << Points{{0, 0}, {2, 100}} << -100.0 << 0.0 << none << 0.0 << QStringList{"4:1"};
        QTest::newRow("equal signals")
            << Points{{1, 0}, {1, 100}} << 0.0 << none << none << none << QStringList{"2:2"};
        QTest::newRow("mistyped") << Points{{-1, -50}, {0, 0}, {0.5f, 25.2f}, {1.5f, 747}, {3, 150}}
                                  << -50.0 << 672.0 << 0.0 << 259.779293
                                  << QStringList{"0:5", "1:4"};
    }
    // Equal signals give no terminal line and no least-squares line, only a warning.
    void handCases() {
        QFETCH(Points, points);
        QFETCH(double, negativeRange);
        const CurveFigures f = figuresOf(points, 100, negativeRange);
        const auto check = [](const std::optional<Nonlinearity>& found, double expected) {
            return qIsNaN(expected) ? !found : found && near(found->deviation, expected);
        };
        QFETCH(double, positiveDeviation);
        QFETCH(double, negativeDeviation);
        QFETCH(double, rms);
        QVERIFY(check(f.positive, positiveDeviation));
        QVERIFY(check(f.negative, negativeDeviation));
        QVERIFY(qIsNaN(rms) ? !f.rms : near(f.rms, rms));
        QTEST(warningsOf(f), "warnings");
    }

    // The curve list's marks, row by row in slot order: "" for a sound row, "D" a duplicate,
    // "W" a warning, each with as many reasons as it has marks.
    void rowMarks_data() {
        QTest::addColumn<Points>("points"); // in slot order
        QTest::addColumn<QStringList>("marks");
        QTest::newRow("sound, ranges short")
            << Points{{0, 0}, {1, 50}, {2, 100}} << QStringList{"", "", ""};
        QTest::newRow("duplicate etalon and signal")
            << Points{{0, 0}, {1, 50}, {1, 50}, {2, 100}} << QStringList{"", "D2", "D2", ""};
        QTest::newRow("mistyped 747 for 74.7")
            << Points{{-1, -50}, {0, 0}, {0.5f, 25.2f}, {1.5f, 747}, {3, 150}}
            << QStringList{"", "", "", "W1", "W1"}; // the last point turns back
        QTest::newRow("too close: both") << Points{{0, 0}, {1, 50}, {1.001f, 50.1f}, {2, 100}}
                                         << QStringList{"", "W1", "W1", ""};
        QTest::newRow("slots unsorted") << Points{{2, 100}, {0, 0}, {1.001f, 50.1f}, {1, 50}}
                                        << QStringList{"", "", "W1", "W1"};
        // Equal signals are also too close, and the second lies 10 off the others' line.
        QTest::newRow("duplicate outranks warnings")
            << Points{{0, 0}, {1, 50}, {1, 60}, {2, 100}} << QStringList{"", "D2", "D3", ""};
    }
    void rowMarks() {
        QFETCH(Points, points);
        CurveTable table;
        for (const auto& [signal, etalon] : points)
            QVERIFY(table.append(signal, etalon));
        text::LanguageTable texts;
        const std::vector<RowMarks> rows =
            curveRowMarks(table, {100, 0, 3.91, QStringLiteral("####0.0")}, texts, "kg");
        QStringList marks;
        for (const RowMarks& row : rows)
            marks.append(!row.kind ? QString()
                                   : (*row.kind == RowMarkKind::Duplicate ? QStringLiteral("D")
                                                                          : QStringLiteral("W")) +
                                         QString::number(row.reasons.size()));
        QTEST(marks, "marks");
    }
};

// Plot extents: a tenth of G at least, the ranges where the end segments reach them (held
// within ±G), the live signal on the curve, 4 % padding; the whole ±G unpadded.
void TestCurveFigures::plotReachFits_data() {
    QTest::addColumn<Points>("points");
    QTest::addColumn<double>("fullScale");
    QTest::addColumn<double>("fullScaleNeg");
    QTest::addColumn<float>("live"); // NaN for none
    QTest::addColumn<bool>("whole");
    QTest::addColumn<QList<double>>("reach");
    const float none = std::numeric_limits<float>::quiet_NaN();
    const Points line{{0.0F, 0.0F}, {2.0F, 100.0F}};
    QTest::newRow("no points") << Points{} << 0.0 << 0.0 << none << false
                               << QList<double>{-0.21114, 0.21114, 0, 0};
    QTest::newRow("one point, a range") << Points{{0.0F, 0.0F}} << 100.0 << 0.0 << none << false
                                        << QList<double>{-0.21114, 0.21114, -4, 104};
    QTest::newRow("ranges on both extensions")
        << line << 150.0 << -50.0 << none << false << QList<double>{-1.16, 3.16, -58, 158};
    QTest::newRow("range beyond G") << Points{{0.0F, 0.0F}, {1.0F, 10.0F}} << 100.0 << 0.0 << none
                                    << false << QList<double>{-0.1564, 4.0664, -4, 104};
    QTest::newRow("live beyond the points")
        << line << 100.0 << 0.0 << 3.0F << false << QList<double>{-0.12, 3.12, -6, 156};
    QTest::newRow("live beyond G")
        << line << 100.0 << 0.0 << 5.0F << false << QList<double>{-0.1564, 4.0664, -7.82, 203.32};
    QTest::newRow("whole") << line << 100.0 << -100.0 << none << true
                           << QList<double>{-3.91, 3.91, -195.5, 195.5};
}

void TestCurveFigures::plotReachFits() {
    QFETCH(Points, points);
    QFETCH(double, fullScale);
    QFETCH(double, fullScaleNeg);
    QFETCH(float, live);
    QFETCH(bool, whole);
    QFETCH(QList<double>, reach);
    CurveTable table;
    for (const auto& [signal, etalon] : points)
        QVERIFY(table.append(signal, etalon));
    const PlotReach r = plotReach(table, {fullScale, fullScaleNeg, 3.91, {}},
                                  std::isnan(live) ? std::nullopt : std::optional(live),
                                  whole ? PlotExtent::WholeGain : PlotExtent::Fitted);
    const QList<double> found{r.signalLow, r.signalHigh, r.valueLow, r.valueHigh};
    for (qsizetype i = 0; i < reach.size(); ++i)
        QVERIFY2(std::fabs(found[i] - reach[i]) < 1e-3, qPrintable(QStringLiteral("%1 %2 %3 %4")
                                                                       .arg(found[0])
                                                                       .arg(found[1])
                                                                       .arg(found[2])
                                                                       .arg(found[3])));
}

// Readings at 30 s and at the end, late and backward readings, a clock that stops short and
// readings at zero.
void TestCurveFigures::creepCheck() {
    using namespace std::chrono_literals;
    CreepCheck check(5min, 0.01);
    QCOMPARE(check.left(0ms), 5min);
    for (int k = 0; k <= 40; ++k) {
        QCOMPARE(check.add(1000ms + k * 10s, 1.0 + 0.0001 * k),
                 k < 30 ? CreepCheck::State::Running : CreepCheck::State::Finished);
        QCOMPARE(check.add(500ms, 9.0), check.state()); // earlier than the last: ignored
    }
    const std::optional<CreepResult> result = check.result();
    QVERIFY(result.has_value());
    QCOMPARE(result->start, 1.0);
    QCOMPARE(result->at30, 1.0003);
    QCOMPARE(result->end, 1.003);
    QVERIFY(near(result->creepPercent, (1.003 - 1.0003) / 1.0003 * 100));
    QVERIFY(near(result->changePercent, 0.3));
    QCOMPARE(check.left(10min), 0ms);

    CreepCheck stopsShort(45min, 0.01); // held within 30 min
    QCOMPARE(stopsShort.duration(), 30min);
    QCOMPARE(stopsShort.add(0ms, -2.0), CreepCheck::State::Running);
    QCOMPARE(stopsShort.add(29s, -2.1), CreepCheck::State::Running);
    QVERIFY(!stopsShort.at30());
    QCOMPARE(stopsShort.add(29min + 59s, -2.2), CreepCheck::State::Running);
    QCOMPARE(stopsShort.at30(), -2.2);
    QCOMPARE(stopsShort.left(29min + 59s), 1s);
    QVERIFY(!stopsShort.result());

    for (const auto& [first, second] : {std::pair{0.005, 1.0}, {1.0, -0.01}}) {
        CreepCheck zero(1min, 0.01);
        zero.add(0ms, first);
        zero.add(30s, second);
        QCOMPARE(zero.state(), CreepCheck::State::ZeroReading);
        QCOMPARE(zero.add(2min, 1.0), CreepCheck::State::ZeroReading);
        QVERIFY(!zero.result());
    }
}

QTEST_GUILESS_MAIN(TestCurveFigures)
#include "tst_curvefigures.moc"
