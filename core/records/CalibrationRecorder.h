#pragma once

#include "core/records/Checks.h"
#include "core/records/RecordStore.h"
#include "core/session/SaveResult.h"
#include "core/session/WriteWatch.h"

#include <QDateTime>
#include <QJsonObject>
#include <QObject>
#include <functional>
#include <optional>

namespace calibration {
struct CurveFigures;
struct SeriesFigures;
class SeriesReadings;
} // namespace calibration
namespace session {
class Session;
}

namespace records {

// What the operator states about a calibration besides the instrument: empty or unset is
// "not stated".
struct CalibrationDetails {
    QString operatorName;
    QString standardUuid;
    std::optional<double> temperature; // °C
    std::optional<double> humidity;    // % relative humidity
    friend bool operator==(const CalibrationDetails&, const CalibrationDetails&) = default;
};

// Puts a session's calibrations on record, sending nothing to the instrument: the connect's
// read-out as the as-found snapshot, a snapshot before each write, and after every verified
// sensor write (Session::sensorWritten with Verified) the read-back as the as-left snapshot and
// the calibration with the curve as written. An as-left check finished after that is appended to
// the calibration (RecordStore::appendAsLeft), also when the recorder goes before it was
// finished. A store that cannot be used is opened again at the next connect
// (RecordStore::reopen). It is the session's write watch while it lives and passes every call on
// to `files` (the snapshot files), whose snapshot the store then gets too.
class CalibrationRecorder final : public QObject, public session::WriteWatch {
    Q_OBJECT
public:
    using TimeSource = std::function<QDateTime()>;

    CalibrationRecorder(session::Session& session, RecordKeeper& store,
                        session::WriteWatch* files = nullptr, TimeSource now = {},
                        QObject* parent = nullptr);
    ~CalibrationRecorder() override;
    CalibrationRecorder(const CalibrationRecorder&) = delete;
    CalibrationRecorder& operator=(const CalibrationRecorder&) = delete;

    void setDetails(const CalibrationDetails& details) { details_ = details; }
    // Where the checks and the tolerance come from; none by default. Not owned. An as-found check
    // goes into the first calibration recorded after it, not into later ones; an as-left check
    // into the last calibration recorded before it.
    void setChecks(const CheckResults* checks);
    [[nodiscard]] const CalibrationDetails& details() const { return details_; }

    QString beforeWrite(int block) override;
    [[nodiscard]] QString failed(bool writing) override;

    // The store's answer for the last calibration recorded; nullopt before one.
    [[nodiscard]] const std::optional<WriteResult>& lastRecord() const { return lastRecord_; }

private:
    // What the session's last read-out read, into the store; the snapshot's uuid or nothing.
    QString keep(SnapshotReason reason, int block, std::optional<backup::Backup> content = {});
    void takeAsFound();
    void sensorWritten(int block, session::SaveResult result);
    // Appends the as-left check not yet on record to the last calibration; `tell` says it when
    // that fails.
    void appendAsLeft(bool tell);

    session::Session& session_;
    RecordKeeper& store_;
    session::WriteWatch* files_;
    TimeSource now_;
    CalibrationDetails details_;
    const CheckResults* checks_ = nullptr;
    bool asFoundCheckRecorded_ = false;
    bool awaitingAsFound_ = false;
    QString asFound_;
    QDateTime started_;
    std::optional<WriteResult> lastRecord_;
    std::vector<CheckPoint> asLeft_; // the last as-left check, until it is on record
};

// The curve figures of docs/curve-quality.md as a JSON object.
[[nodiscard]] QJsonObject toJson(const calibration::CurveFigures& figures);
// The readings of repeated series and their figures, the "series" member of the figures.
[[nodiscard]] QJsonObject toJson(const calibration::SeriesReadings& readings,
                                 const calibration::SeriesFigures& figures);
// The readings back from that member, for a record shown or printed again; what does not read
// as a reading is left out.
[[nodiscard]] calibration::SeriesReadings seriesReadingsOf(const QJsonObject& series);

} // namespace records
