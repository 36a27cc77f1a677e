#pragma once

#include "core/records/CalibrationRecorder.h"
#include "core/records/RecordStore.h"
#include "core/text/LanguageTable.h"

#include <QDate>
#include <QSet>
#include <QString>
#include <functional>
#include <optional>

class QSettings;

namespace records {

// The operator's details of the calibrations, remembered between them as "LabDetails/...".
class DetailsSetting {
public:
    explicit DetailsSetting(QSettings& store) : store_(store) {}

    [[nodiscard]] CalibrationDetails load() const;
    void save(const CalibrationDetails& details);

private:
    QSettings& store_;
};

// A temperature or humidity as typed: empty is not stated; '.' or ',' as the decimal point.
struct ConditionText {
    bool valid = true;
    std::optional<double> value;
};
[[nodiscard]] ConditionText temperatureOf(const QString& typed); // °C, -60 to 100
[[nodiscard]] ConditionText humidityOf(const QString& typed);    // %, 0 to 100

enum class CaptureVerdict { Go, Refused, Warned };

struct CaptureOutcome {
    CaptureVerdict verdict = CaptureVerdict::Go;
    QString message; // for the operator; empty on Go
};

// What a calibration point's capture must pass first: the entries that the store requires, and
// the reference standard's due date.
class CaptureCheck {
public:
    using Today = std::function<QDate()>;

    // `today` gives the laboratory's date; by default the local date.
    CaptureCheck(const RecordKeeper& store, const text::LanguageTable& texts, Today today = {});

    // Refused while the store requires an entry that `details` leave empty: the calibration could
    // not be recorded after the sensor was written. Else Warned, once for each standard, when the
    // chosen standard is past its due date; the capture goes on after the warning. Else Go.
    [[nodiscard]] CaptureOutcome beforeCapture(const CalibrationDetails& details);

private:
    const RecordKeeper& store_;
    const text::LanguageTable& texts_;
    Today today_;
    QSet<QString> warned_;
};

} // namespace records
