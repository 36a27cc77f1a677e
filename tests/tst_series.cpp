#include "core/calibration/CurveTable.h"
#include "core/calibration/Series.h"

#include <QTest>

using namespace calibration;

namespace {

constexpr Direction Up = Direction::Rising;
constexpr Direction Down = Direction::Falling;

// Notes each reading and puts its load into the curve, as the curve page does.
void take(SeriesReadings& series, CurveTable& curve, int number, Direction direction, float etalon,
          double signal) {
    series.note({{number, direction}, etalon, {signal, 10, 0.0001}});
    [[maybe_unused]] const auto placed = series.placeInCurve(etalon, curve);
    series.keepOnly(curve);
}

CurveFigures figuresOf(const CurveTable& curve) {
    return computeCurveFigures(curve, {100, 0, 3.91, QStringLiteral("####0.00")});
}

bool near(std::optional<double> value, double expected) {
    return value && std::fabs(*value - expected) < 1e-4;
}

} // namespace

class TestSeries : public QObject {
    Q_OBJECT

private slots:
    // The worked example of docs/curve-quality.md, taken in the order of a laboratory: series 1
    // rising and falling, then series 2 rising with the 50 kN load taken twice.
    void workedExample() {
        SeriesReadings series;
        CurveTable curve;
        for (const auto& [etalon, signal] :
             {std::pair{0.0f, -0.0001}, {50.0f, 0.9996}, {100.0f, 1.9996}})
            take(series, curve, 1, Up, etalon, signal);
        take(series, curve, 1, Down, 50, 1.0006);
        take(series, curve, 1, Down, 0, 0.0002);
        take(series, curve, 2, Up, 0, 0.0001);
        take(series, curve, 2, Up, 50, 1.2);
        take(series, curve, 2, Up, 50, 1.0000);
        take(series, curve, 2, Up, 100, 2.0004);

        QCOMPARE(curve.PointCount(), 3);
        QCOMPARE(curve.point(2).signal, 0.9998f);
        QCOMPARE(curve.point(3).signal, 2.0f);
        QCOMPARE(series.readings().size(), std::size_t(8));
        const CurveFigures f = figuresOf(curve);
        const SeriesFigures s = computeSeriesFigures(series, f);
        QVERIFY(near(fullScaleSignal(f), 2.0));
        QCOMPARE(s.loads.size(), std::size_t(3));
        QCOMPARE(s.risingSeries, 2);
        QCOMPARE(s.fallingSeries, 1);
        const LoadFigures& zero = s.loads[0];
        const LoadFigures& half = s.loads[1];
        const LoadFigures& full = s.loads[2];
        QVERIFY(!zero.repeatabilityReading && near(zero.repeatabilityFs, 0.01));
        QVERIFY(!zero.reversibilityFs);
        QVERIFY(near(half.repeatabilityReading, 0.040008) && near(half.repeatabilityFs, 0.02));
        QVERIFY(near(half.reversibilityFs, 0.04) && near(half.interpolationFs, 0.01));
        QVERIFY(near(full.repeatabilityReading, 0.04) && near(full.repeatabilityFs, 0.04));
        QVERIFY(!full.fallingMean && !full.reversibilityFs && near(full.interpolationFs, 0.0));
        QVERIFY(near(s.zeroReturnFs, 0.015));
        QVERIFY(near(s.worst.repeatability, 0.040008) && near(s.worst.reversibility, 0.04));
        QCOMPARE(s.orientation, OrientationClass::Class05);
        const auto perPoint = repeatabilityPercentFs(s, f);
        QVERIFY(perPoint.size() == 3 && near(perPoint[1], 0.02) && near(perPoint[2], 0.04));

        // An edited point leaves its load's readings behind; the other loads keep theirs.
        curve.setPoint(2, 0.9997f, 50);
        series.keepOnly(curve);
        QCOMPARE(series.readings().size(), std::size_t(5));
        QVERIFY(!series.risingMean(50));
    }

    // One rising series is the curve of single points as the page always took it.
    void singleSeries() {
        SeriesReadings series;
        CurveTable curve;
        CurveTable plain;
        for (const auto& [etalon, signal] :
             {std::pair{100.0f, 2.0003}, {0.0f, 0.0001}, {50.0f, 1.01}}) {
            take(series, curve, 1, Up, etalon, signal);
            QVERIFY(plain.append(static_cast<float>(signal), etalon));
        }
        plain.SortCurvePoints();
        QCOMPARE(curve, plain);
        const SeriesFigures s = computeSeriesFigures(series, figuresOf(curve));
        QCOMPARE(s.risingSeries, 1);
        QVERIFY(!s.orientation && !s.worst.repeatability && !s.loads[1].repeatabilityFs);
    }

    void classLimits_data() {
        QTest::addColumn<double>("repeatability");
        QTest::addColumn<double>("interpolation");
        QTest::addColumn<double>("zeroReturn"); // NaN: not taken
        QTest::addColumn<double>("reversibility");
        QTest::addColumn<int>("expected"); // -1: none
        const double none = qQNaN();
        QTest::newRow("00 at every limit") << 0.025 << 0.025 << 0.012 << 0.07 << 0;
        QTest::newRow("b' over 00") << 0.026 << 0.0 << 0.0 << 0.0 << 1;
        QTest::newRow("f0 over 0.5") << 0.0 << 0.0 << 0.026 << 0.0 << 2;
        QTest::newRow("fc negative, 2") << 0.0 << -0.2 << none << none << 3;
        QTest::newRow("v over 2") << 0.0 << 0.0 << 0.0 << 0.51 << -1;
        QTest::newRow("b' over 2") << 0.21 << 0.0 << none << none << -1;
        QTest::newRow("no repeatability") << none << 0.0 << 0.0 << 0.0 << -1;
    }
    void classLimits() {
        const auto given = [](double v) { return qIsNaN(v) ? std::nullopt : std::optional(v); };
        QFETCH(double, repeatability);
        QFETCH(double, interpolation);
        QFETCH(double, zeroReturn);
        QFETCH(double, reversibility);
        QFETCH(int, expected);
        const auto found = orientationClass(
            {given(repeatability), given(interpolation), given(zeroReturn), given(reversibility)});
        QCOMPARE(found ? static_cast<int>(*found) : -1, expected);
    }
};

QTEST_GUILESS_MAIN(TestSeries)
#include "tst_series.moc"
