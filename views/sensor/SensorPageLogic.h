#pragma once

#include "core/sensor/SensorId.h"
#include "core/sensor/SensorRecord.h"
#include "core/sensor/SensorSettings.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

namespace calibration {
class CurveTable;
}
namespace text {
class LanguageTable;
class MessageService;
} // namespace text

namespace sensor {

class SensorPage;

// What the operator left on the sensor page: its title, the boxes' texts and the lists' choices.
struct PageEntries {
    QString title;
    QStringList texts;
    QList<int> choices;
};

// The checks of the sensor page and the copy of the page and the curve into CurrentSensor.
// Keeps the range captions in step with the unit box.
class SensorPageLogic : public QObject {
    Q_OBJECT
public:
    // What the page reads from the rest of the window.
    struct Sources {
        std::function<int()> displayDigits; // 4 or 5
        std::function<QDateTime()> now;     // the save date and a new identifier
        RandomSource random;                // a new identifier
    };

    SensorPageLogic(SensorPage& page, calibration::CurveTable& table, SensorState& sensors,
                    text::MessageService& messages, const text::LanguageTable& texts,
                    Sources sources, QObject* parent = nullptr);

    // Sorts and counts the curve, then copies the page and the curve into CurrentSensor with
    // `cOptions` as the curve options. False, after a message, when the curve or the page is not
    // acceptable; CurrentSensor is then untouched.
    [[nodiscard]] bool TXT2XXX(std::uint8_t cOptions = 0);
    // Checks every entry of the page and reports each one that fails; true when all pass. The
    // limit warning asks first, and No ends the check at once.
    [[nodiscard]] bool ValidateSensorPage();
    // The page's boxes and lists as they stand.
    [[nodiscard]] SensorSettings settings() const;
    // Range captions: language text 66 / 69, " [", the trimmed unit and "]".
    void RefreshRangeCaptions();
    [[nodiscard]] PageEntries entries() const;
    // Puts the entries back, as after a save that failed when its read-out had replaced them.
    void restoreEntries(const PageEntries& entries);

signals:
    // TXT2XXX reordered or recounted the curve table; the curve list must be rebuilt.
    void curveTableChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sort, count and duplicate check with their messages; true when the curve may be stored.
    [[nodiscard]] bool acceptCurve();

    SensorPage& page_;
    calibration::CurveTable& table_;
    SensorState& sensors_;
    text::MessageService& messages_;
    const text::LanguageTable& texts_;
    Sources sources_;
};

} // namespace sensor
