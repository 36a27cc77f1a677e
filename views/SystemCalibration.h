#pragma once

#include "core/instrument/OrvoLib.h"

#include <QObject>
#include <QString>
#include <functional>

namespace device {
struct LiveValues;
}
namespace text {
class LanguageTable;
class MessageService;
class StatusPanel;
} // namespace text
namespace device {
class Lifecycle;
}

namespace calibration {

class SystemCalibrationFrame;

// The system calibration of the instrument's gain ranges: the zero and the constant of the active
// range from the live signal, factory defaults, writing all 16 constants and the reset.
class SystemCalibration : public QObject {
    Q_OBJECT
public:
    // What the calibration needs from the main window.
    struct Window {
        // Runs an action that talks to the instrument while holding the line; false when the
        // line is taken and the action did not run.
        std::function<bool(std::function<void()>)> runExclusive;
        std::function<void()> disableNavigation;
        std::function<void()> enableNavigation;
        std::function<void()> stopPolling;
        std::function<void()> startPolling;
        // Reads the setup and the sensors again (inside the running action); 1 when read.
        std::function<int()> readFromInstrument;
    };

    SystemCalibration(SystemCalibrationFrame& frame, device::LiveValues& live,
                      std::function<int()> gainIndex, device::orvoLib::Link link,
                      text::StatusPanel& status, text::MessageService& messages,
                      const text::LanguageTable& texts, device::Lifecycle& lifecycle, Window window,
                      QObject* parent = nullptr);

    // The buttons SetNula, Set 2mVV and DEF! call these directly; they send nothing.
    void SetNula();
    void SetGain2mVV();
    void LoadDefaultConstants();
    // Zápis and RESET run these through runExclusive. Callers that already hold the line (the
    // sensor save, the wizard's last step) call them directly.
    void SaveSystemCalibration();
    void ResetInstrument();

private:
    [[nodiscard]] int activeRange() const;
    // True, after telling the operator, when the live values are not the instrument's present ones.
    bool signalStale();

    SystemCalibrationFrame& frame_;
    device::LiveValues& live_;
    std::function<int()> gainIndex_;
    device::orvoLib::Link link_;
    text::StatusPanel& status_;
    text::MessageService& messages_;
    const text::LanguageTable& texts_;
    device::Lifecycle& lifecycle_;
    Window window_;
};

// Shown when a box holds a number the instrument cannot store; nothing is written.
[[nodiscard]] QString constantNotStorableMessage(const QString& boxName, const QString& text);
// Shown after the writes when some constants were not confirmed by the instrument.
[[nodiscard]] QString constantsNotWrittenMessage(const QStringList& boxNames);
// Shown when the 2 mV/V signal does not differ from the zero of the range.
inline constexpr char GainNotDeterminedMessage[] =
    "Signál se neliší od nuly rozsahu, konstantu k nelze určit. Přiveďte na vstup signál 2 mV/V.";

} // namespace calibration
