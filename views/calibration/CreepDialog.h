#pragma once

#include "core/calibration/Creep.h"

#include <QDialog>
#include <QTimer>
#include <optional>

class QDialogButtonBox;
class QLabel;
class QPushButton;
class QSettings;
class QSpinBox;

namespace device {
class Clock;
class LiveSignal;
struct SignalUpdate;
} // namespace device
namespace session {
class Session;
}
namespace text {
class LanguageTable;
}

namespace calibration {

// The creep check beside the curve window, not modal: the operator holds a load, starts it on a
// stable signal, and the live readings of the chosen duration (kept in the settings under
// "Creep/minutes") go into a CreepCheck stamped with the clock's monotonic time. A countdown
// shows the time left; Esc or Cancel stops a running check, Esc or Close closes the dialog. A
// lost signal or a reading that falls to zero ends it with a message; a finished check is
// announced with `measured`.
class CreepDialog : public QDialog {
    Q_OBJECT
public:
    struct Parts {
        session::Session& session;
        device::LiveSignal& liveSignal;
        const device::Clock& clock;
        const text::LanguageTable& texts;
        QSettings& settings;
    };
    // A reading within this share of the gain range carries no load worth a percentage.
    static constexpr double ZeroShareOfGain = 0.01;

    CreepDialog(Parts parts, QWidget* parent);

    [[nodiscard]] bool running() const;

    QSpinBox* const spnMinutes;
    QPushButton* const cmdStart;
    QLabel* const lblLeft;
    QLabel* const lblStart;
    QLabel* const lblAt30;
    QLabel* const lblEnd;
    QLabel* const lblResult;
    // Cancel while a check runs, else Close.
    QDialogButtonBox* const buttons;

signals:
    void measured(const calibration::CreepResult& result);

public slots:
    void reject() override;

private:
    void start();
    void follow(const device::SignalUpdate& update);
    void checkSignal();
    void showReadings();
    void end(const QString& why, bool tell);
    [[nodiscard]] double zeroBelow() const;

    Parts parts_;
    std::optional<CreepCheck> check_;
    // The check was ended before its time; its readings stay shown.
    bool stopped_ = false;
    QTimer countdown_;
};

} // namespace calibration
