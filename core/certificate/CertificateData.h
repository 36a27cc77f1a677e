#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QUuid>
#include <optional>
#include <vector>

namespace certificate {

// The outcome of a check against the tolerance.
enum class Verdict { NotChecked, Pass, Fail };

// A point of the calibration curve as captured: the sensor's signal and the reference load.
struct CurvePoint {
    double signal = 0.0; // mV/V
    double etalon = 0.0; // in the sensor's unit
};

// A point of an as-found or as-left check: the reference load applied, what the instrument
// displayed for it and the error of the display.
struct CheckPoint {
    double etalon = 0.0;         // in the sensor's unit
    double displayed = 0.0;      // in the sensor's unit
    double error = 0.0;          // displayed - etalon, in the sensor's unit
    double errorPercentFs = 0.0; // in % of full scale
    bool withinTolerance = false;
};

// A check's points and its verdict; no points is a check that was not made.
struct Check {
    std::vector<CheckPoint> points;
    Verdict verdict = Verdict::NotChecked;
};

// The reference standard the loads were measured with. An empty name is "not stated".
struct ReferenceStandard {
    QString name;
    QString serialNumber;
    QString certificateNumber; // of the standard's own calibration certificate
    std::optional<QDate> dueDate;
};

// Everything a certificate of one recorded calibration shows, filled from the records store.
// Texts are as the operator typed them or the instrument held them; an empty text is printed as
// "not stated" where the certificate needs one.
struct CertificateData {
    QString certificateNumber; // <prefix>-<year>-<5 digits>, the certificate's unique identifier
    QUuid uuid;                // the calibration record's
    QDate issueDate;
    QString softwareVersion; // ToranCal's version that recorded the calibration
    QString laboratory;      // the laboratory or, without one, the bench (host name)
    QString operatorName;    // empty: not stated

    QString instrumentId; // the instrument's identification

    QString sensorId;
    QString sensorDescription;
    QString unit;          // the sensor's unit as set on the sensor page
    double rangeLow = 0.0; // the sensor's ranges, in its unit
    double rangeHigh = 0.0;
    double gainRange = 0.0; // the half-width of the gain range, mV/V; 0: not known

    ReferenceStandard standard;
    std::optional<double> temperature; // °C
    std::optional<double> humidity;    // % relative humidity

    QDateTime start;
    QDateTime end;

    std::vector<CurvePoint> points;
    Check asFound;
    Check asLeft;
    double tolerancePercentFs = 0.1; // ± % of full scale
    std::optional<QDate> dueDate;    // when the sensor is due for calibration again
};

} // namespace certificate
