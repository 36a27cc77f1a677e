#pragma once

#include "core/instrument/LiveValues.h"
#include "core/records/Records.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <vector>

class QSettings;

namespace records {

enum class CheckKind { AsFound, AsLeft };

inline constexpr double DefaultTolerancePercent = 0.1;

// What a check's errors are read against: the sensor's measuring ranges and the decimals of its
// display pattern.
struct CheckScale {
    double fullScale = 0.0;
    double fullScaleNeg = 0.0;
    int decimals = 0;
};

// One point's error as the operator reads it.
struct CheckError {
    double unit = 0.0;    // displayed - etalon, in the sensor's unit
    double percent = 0.0; // of full scale (fullScaleOf); 0 without a full scale
    double digits = 0.0;  // in steps of the display's last digit
    bool within = false;  // withinTolerance
};

enum class CaptureResult { Added, Stale };

// An as-found or as-left check: reference loads with what the instrument displayed for each.
class CheckRun {
public:
    CheckRun(CheckKind kind, CheckScale scale, double tolerancePercent)
        : kind_(kind), scale_(scale), tolerancePercent_(tolerancePercent) {}

    [[nodiscard]] CheckKind kind() const { return kind_; }
    [[nodiscard]] const CheckScale& scale() const { return scale_; }
    [[nodiscard]] double tolerancePercent() const { return tolerancePercent_; }
    void setTolerancePercent(double percent) { tolerancePercent_ = percent; }
    [[nodiscard]] const std::vector<CheckPoint>& points() const { return points_; }

    // Adds the etalon with the display value of `live`, rounded to the display's decimals, only
    // when that reading is the
    // instrument's present one (device::readingFresh at `now`).
    [[nodiscard]] CaptureResult capture(double etalon, const device::LiveValues& live,
                                        std::chrono::milliseconds now, const QDateTime& at);
    // False when there is no such point.
    bool remove(std::size_t index);

    [[nodiscard]] CheckError errorOf(const CheckPoint& point) const;
    [[nodiscard]] Verdict verdict() const;

private:
    [[nodiscard]] double fullScale() const;

    CheckKind kind_;
    CheckScale scale_;
    double tolerancePercent_;
    std::vector<CheckPoint> points_;
};

// The last as-found and as-left check of the program's run, for the calibration on record.
class CheckResults : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    [[nodiscard]] const std::vector<CheckPoint>& asFound() const { return asFound_; }
    [[nodiscard]] const std::vector<CheckPoint>& asLeft() const { return asLeft_; }
    // The tolerance of the last check kept, in % of full scale.
    [[nodiscard]] double tolerancePercent() const { return tolerancePercent_; }

    // The run's points become the last check of its kind.
    void keep(const CheckRun& run);
    // The operator is done with the check of that kind (its window closed).
    void finish(CheckKind kind) { emit finished(kind); }

signals:
    void changed(records::CheckKind kind);
    void finished(records::CheckKind kind);

private:
    std::vector<CheckPoint> asFound_;
    std::vector<CheckPoint> asLeft_;
    double tolerancePercent_ = DefaultTolerancePercent;
};

class RecordKeeper;

// The tolerance of each sensor id, in % of full scale. With a records store that can be used it
// is the store's setting "tolerance/<id>", shared by every bench of the store; the bench's own
// settings keep "CheckTolerance/<id>" too, which holds while the store cannot be used and is the
// starting value for an id the store has none for.
class ToleranceSetting {
public:
    // `records` is not owned and may be null (no store).
    explicit ToleranceSetting(QSettings& settings, RecordKeeper* records = nullptr)
        : settings_(settings), records_(records) {}

    // DefaultTolerancePercent when none (or no positive number) is kept.
    [[nodiscard]] double percentFor(const QString& sensorId) const;
    // False when the store was to keep it and could not (the bench's settings have it).
    bool setPercentFor(const QString& sensorId, double percent);

private:
    QSettings& settings_;
    RecordKeeper* records_;
};

} // namespace records
