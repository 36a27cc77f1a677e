#pragma once

#include "core/instrument/OrvoLib.h"

#include <QByteArray>
#include <QDate>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace text {
class LanguageTable;
class MessageService;
class StatusPanel;
} // namespace text
namespace device {
class Lifecycle;
}

namespace sensor {

class SensorPage;
class SensorPageLogic;
struct SensorState;

// Results of SaveSensor.
inline constexpr int SaveWritten = 1;
inline constexpr int SaveUnchanged = 0;
inline constexpr int SaveWriteFailed = -2;
inline constexpr int SavePageRejected = -4;

// Shown when a value of the record is too large for the instrument's number code; nothing is
// written.
inline constexpr char ValueNotStorableMessage[] =
    "Údaje snímače obsahují příliš velké číslo, které snímač nemůže uložit. Snímač nebyl uložen.";
// Shown when the block read back after a save differs from what was written.
inline constexpr char ReadBackMismatchMessage[] =
    "Snímač po zápisu neobsahuje uložené údaje. Zkontrolujte připojení a uložte snímač znovu.";

// Writes the sensor page and the curve into the block of the sensor in use.
class SensorSave : public QObject {
    Q_OBJECT
public:
    // What the save needs from the main window.
    struct Window {
        // Runs an action that talks to the instrument while holding the line; false when the
        // line is taken and the action did not run.
        std::function<bool(std::function<void()>)> runExclusive;
        std::function<void()> disableNavigation;
        std::function<void()> enableNavigation;
        std::function<void()> stopPolling;
        // The system calibration's reset, run inside the save's action.
        std::function<void()> resetInstrument;
        // Reads the setup and the sensors again and shows them; 1 when the setup was read.
        std::function<int()> readFromInstrument;
        // Ends the program at once (a curve that does not fit into its block).
        std::function<void()> endProgram;
        std::function<QDate()> today;
    };

    // Connects the page's Save button (cmdAction 1).
    SensorSave(SensorPage& page, SensorPageLogic& pageLogic, SensorState& sensors,
               device::orvoLib::Link link, text::StatusPanel& status,
               text::MessageService& messages, const text::LanguageTable& texts,
               device::Lifecycle& lifecycle, Window window, QObject* parent = nullptr);

    // Copies the page into the sensor in use and writes its block, unless `onlyWhenChanged` and
    // the block already holds the same settings and curve; after a write the instrument is reset
    // and read again, and the block read back is checked against what was written. SaveWritten,
    // SaveUnchanged, SaveWriteFailed (also when the block read back differs) or SavePageRejected.
    // Runs inside the caller's exclusive action.
    [[nodiscard]] int SaveSensor(bool onlyWhenChanged);
    // The Save button: asks first, always writes, resets the instrument and does not read again.
    // The button runs it through runExclusive.
    void ConfirmAndSave();

private:
    // The page copied into CurrentSensor and encoded; nullopt after the operator was told why
    // not (the program is ending when the curve does not fit).
    [[nodiscard]] std::optional<QByteArray> encodePage();
    // Writes the image into the block with progress; the comparison base changes only when the
    // whole image was written. 0 or WriteBlock's failure code.
    [[nodiscard]] int writeImage(const QByteArray& image, int block);
    void reportWriteFailure(int code);
    // True when the read-out that followed the write read `block` and it does not begin with
    // `image`.
    [[nodiscard]] bool readBackDiffers(const QByteArray& image, int block, int readResult) const;

    SensorPageLogic& pageLogic_;
    SensorState& sensors_;
    device::orvoLib::Link link_;
    text::StatusPanel& status_;
    text::MessageService& messages_;
    const text::LanguageTable& texts_;
    device::Lifecycle& lifecycle_;
    Window window_;
};

} // namespace sensor
