#pragma once

#include "core/calibration/Creep.h"
#include "core/calibration/CurveFigures.h"
#include "core/calibration/CurveTable.h"
#include "core/calibration/Series.h"
#include "core/calibration/StableCapture.h"
#include "core/certificate/CertificateData.h"
#include "core/records/Checks.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace sensor {
class SensorPage;
}
namespace session {
class Session;
}
namespace text {
class LanguageTable;
}

namespace calibration {

// Everything the curve window and the report show: the points as the curve page holds them, the
// sensor as the sensor page describes it, the instrument, the live signal and the figures.
struct CurveSheet {
    CurveTable table;
    CurveScale scale;
    CurveFigures figures;
    QString unit; // trimmed
    QString description;
    QString sensorId;
    QString formatEntry;       // the largest number the format shows, such as "9999.9"
    QString gainEntry;         // such as "+/-  3.91 mV/V"
    QString instrument;        // identification, port and display
    std::optional<float> live; // mV/V; none while the line is lost
    // The recorded calibration this curve was written as: its report is then the certificate.
    std::optional<certificate::CertificateData> certificate;
    bool liveStable = false;
    PointCaptures captures;
    // Repeated loading series, when the points were taken so.
    SeriesReadings series;
    std::optional<SeriesFigures> seriesFigures;
    // The band the deviation plot shows: the sensor's check tolerance in % of full scale.
    double tolerancePercent = records::DefaultTolerancePercent;
    // Half-widths in % FS of an error bar per point of figures.points, where repeated series
    // give one; shorter than the points, or empty, where they do not.
    std::vector<std::optional<double>> errorBars;
    // The last creep check of the window, carried into the figures.
    std::optional<CreepResult> creep;
};

// Puts repeated series into a sheet whose figures are computed: their figures and, for the
// deviation plot, error bars as long as each load's spread between its rising series.
void setSeries(CurveSheet& sheet, SeriesReadings series);

[[nodiscard]] CurveSheet curveSheet(const session::Session& session, const sensor::SensorPage& page,
                                    const text::LanguageTable& texts);

// Before the final step writes: the warnings, if any, as one Yes/No question with Yes as the
// default; true when there are none or the operator goes on.
[[nodiscard]] bool acceptCurveWarnings(session::Session& session, const sensor::SensorPage& page);

// The texts of the sheet as the window and the report show them: the figures below the table,
// the table's headers and rows (point, signal, etalon, deviation in the unit, in % of full scale
// and in digits, residual) and the warnings.
// The figures end with the creep check's line when the sheet has one.
[[nodiscard]] QStringList figureLines(const CurveSheet& sheet, const text::LanguageTable& texts);
[[nodiscard]] QStringList pointHeaders(const CurveSheet& sheet, const text::LanguageTable& texts);
// The headers with their units on a second line, for the narrow columns of a table.
[[nodiscard]] QStringList unitsOnSecondLine(QStringList headers);
// The signals as the window shows them, and as the instrument gives them (for the CSV).
inline constexpr int ShownSignalDecimals = 3;
inline constexpr int FullSignalDecimals = 5;
[[nodiscard]] QList<QStringList> pointRows(const CurveSheet& sheet,
                                           int signalDecimals = ShownSignalDecimals);
// The curve window's further columns: how many readings each captured point is the mean of and
// their standard deviation in mV/V, "-" for a point typed in.
void appendCaptureColumns(QStringList& headers, QList<QStringList>& rows, const CurveSheet& sheet,
                          const text::LanguageTable& texts);
// With repeated series, the window's columns of each point's repeatability (% of the reading,
// % FS) and reversibility (% FS).
void appendSeriesColumns(QStringList& headers, QList<QStringList>& rows, const CurveSheet& sheet,
                         const text::LanguageTable& texts);
// The report's table of the loads of repeated series: etalon, rising and falling series, rising
// mean, repeatability, reversibility and the deviation from the terminal line; none without.
[[nodiscard]] QStringList seriesHeaders(const CurveSheet& sheet, const text::LanguageTable& texts);
[[nodiscard]] QList<QStringList> seriesRows(const CurveSheet& sheet,
                                            int signalDecimals = ShownSignalDecimals);
// The creep check in one line: duration, the readings at 30 s and at the end, creep and the
// change from the start in %, signed.
[[nodiscard]] QString creepLine(const CreepResult& creep, const text::LanguageTable& texts);
[[nodiscard]] QStringList warningLines(const CurveSheet& sheet, const text::LanguageTable& texts);

// A number with a fixed count of decimals, "-" for none.
[[nodiscard]] QString fixedNumber(std::optional<double> value, int decimals);
// The count of decimals a number pattern shows.
[[nodiscard]] int decimalsOf(QStringView unitFormat);

} // namespace calibration
