#pragma once

#include "core/calibration/CurveTable.h"
#include "core/calibration/Series.h"
#include "core/calibration/StableCapture.h"
#include "core/instrument/LiveValues.h"
#include "core/instrument/PortTrouble.h"
#include "core/instrument/SetupReadout.h"
#include "core/sensor/SensorRecord.h"
#include "core/session/ActionRunner.h"
#include "core/session/SaveResult.h"
#include "core/session/WriteWatch.h"

#include <QObject>
#include <optional>

namespace device {
class Clock;
class Lifecycle;
class SerialLine;
} // namespace device
namespace text {
class LanguageTable;
class MessageService;
class StatusPanel;
} // namespace text

namespace session {

// The wizard's position: the step that the next Next carries out. Back goes two steps back, so
// it shows the page before the one on screen.
enum class WizardStep {
    PortPage,   // builds the port page
    SensorPage, // connects, reads the instrument and shows the sensor page
    CurvePage,  // leaves the sensor page (saving changed settings) for the curve page
    Finish,     // checks the ranges, writes the sensor, resets the instrument and ends
};
[[nodiscard]] WizardStep stepBack(WizardStep step);

// How opening the instrument's port ended.
enum class ConnectResult {
    Connected,     // the port is open and a Toran answered
    PortNotOpened, // the port does not exist or another program holds it
    NotToran,      // no Toran answered on the port
};
struct ConnectOutcome {
    ConnectResult result = ConnectResult::Connected;
    // Why the port failed: set with PortNotOpened, and with NotToran when the device went away
    // while the instrument was asked for.
    device::PortTrouble trouble;
};

// How a read-out ended.
enum class ReadOutResult {
    Read,        // the setup was read (whatever the sensors gave)
    PortFailed,  // the port could not be opened
    NotToran,    // another device answered
    NoAnswer,    // nothing or too little came back
    SetupSilent, // a setup byte did not answer
};

// One instrument on one line: the state that outlives an action and the actions on it. The
// views show and edit the state and start the actions through the runner; the session tells
// them through signals what changed. Links only the core.
class Session : public QObject {
    Q_OBJECT
public:
    // What the session reports through: the message boxes, the status panel, the texts.
    struct Outlets {
        text::MessageService& messages;
        text::StatusPanel& status;
        const text::LanguageTable& texts;
    };

    Session(device::SerialLine& line, device::Clock& clock, device::Lifecycle& lifecycle,
            Outlets outlets, QObject* parent = nullptr);

    [[nodiscard]] ActionRunner& runner() { return runner_; }
    [[nodiscard]] device::SerialLine& line() { return line_; }
    [[nodiscard]] const device::SerialLine& line() const { return line_; }
    [[nodiscard]] const Outlets& outlets() const { return outlets_; }

    [[nodiscard]] device::LiveValues& live() { return live_; }
    [[nodiscard]] const device::LiveValues& live() const { return live_; }
    // The live values may be taken now (device::readingFresh at the clock's time).
    [[nodiscard]] bool signalFresh() const;
    [[nodiscard]] sensor::SensorState& sensors() { return sensors_; }
    [[nodiscard]] const sensor::SensorState& sensors() const { return sensors_; }
    [[nodiscard]] calibration::CurveTable& curve() { return curve_; }
    [[nodiscard]] const calibration::CurveTable& curve() const { return curve_; }
    // The readings behind the points captured from the live signal.
    [[nodiscard]] calibration::PointCaptures& captures() { return captures_; }
    [[nodiscard]] const calibration::PointCaptures& captures() const { return captures_; }
    // The readings of repeated loading series behind the curve's points.
    [[nodiscard]] calibration::SeriesReadings& series() { return series_; }
    [[nodiscard]] const calibration::SeriesReadings& series() const { return series_; }

    // The system constants of the eight gain ranges, as the boxes show and edit them.
    [[nodiscard]] const device::SystemConstants& constants() const { return constants_; }
    void setConstants(const device::SystemConstants& constants);
    void setRangeZeroText(int range, const QString& text);
    void setRangeKText(int range, const QString& text);

    // The setup memory as the last read-out read it (identification, display digits, the
    // constants of the eight ranges); nullopt before the first.
    [[nodiscard]] const std::optional<device::InstrumentSetup>& instrumentSetup() const {
        return setup_;
    }
    // How the instrument named itself at the last read-out; empty before one.
    [[nodiscard]] QString identification() const {
        return setup_ ? setup_->Identification : QString();
    }

    // What watches the writes and the failures; none by default. Not owned.
    void setWriteWatch(WriteWatch* watch) { watch_ = watch; }
    // Tells the watch that a write into `block` (WriteWatch::Constants for the system constants)
    // begins; the snapshot it kept, or nothing (always nothing without a watch).
    QString beforeWrite(int block);
    // `message` with what the watch adds for a failure of a write (`writing`) or a read-out.
    [[nodiscard]] QString withFailureNote(const QString& message, bool writing);

    [[nodiscard]] WizardStep step() const { return step_; }
    void setStep(WizardStep step) { step_ = step; }
    [[nodiscard]] bool expert() const { return expert_; }
    void setExpert(bool expert) { expert_ = expert; }

    // Closes the line, stops the polling, opens port `port` and checks that a Toran answers.
    [[nodiscard]] ConnectOutcome openInstrument(const device::Link& link, int port);
    // Reads the setup memory and the sensors, with the polling stopped and the navigation
    // locked; the operator has been told of a failure. With keepPoints the
    // curve table keeps the operator's points instead of the curve the sensor holds.
    enum class Points { FromSensor, Keep };
    ReadOutResult readOut(const device::Link& link, Points points = Points::FromSensor);
    // The curve table as the sensor in use holds its curve.
    void loadSensorCurve();
    // Whether the table holds points the sensor does not: captured, typed, edited or deleted.
    [[nodiscard]] bool curveDiffersFromSensor() const;
    // Sends the reset and waits while the instrument restarts.
    void resetInstrument(const device::Link& link);
    // Before a write: stops the polling, lets the line fall quiet and locks the navigation.
    void prepareWrite(const device::Link& link);
    // Tells the write watch, then writes `image` into sensor block `block` with its progress in
    // the status panel; an end requested meanwhile waits for the last byte. 0 when every byte
    // was confirmed, else the block write's failure code.
    [[nodiscard]] int writeSensorBlock(const device::Link& link, const QByteArray& image,
                                       int block);

signals:
    // The setup memory was read: the display digits and the active constants are in live().
    void setupRead();
    void constantsChanged();
    // The sensors were read and the sensor in use chosen; the gain range to mark.
    void sensorsRead(int gainIndex);
    // The sensor in use and the curve table changed as a whole.
    void sensorChanged();
    // openInstrument found a Toran on the port; the read-out that follows is the connect's.
    void instrumentOpened();
    // SensorSave::SaveSensor sent the sensor into `block`, with this outcome (never Unchanged
    // or PageRejected); with Verified the session holds the read-back.
    void sensorWritten(int block, session::SaveResult result);

private:
    // A read-out failed: the watch's note, if it has one, is shown.
    void noteReadOutFailure();

    device::SerialLine& line_;
    const device::Clock& clock_;
    Outlets outlets_;
    ActionRunner runner_;
    device::LiveValues live_;
    sensor::SensorState sensors_;
    calibration::CurveTable curve_;
    calibration::PointCaptures captures_;
    calibration::SeriesReadings series_;
    device::SystemConstants constants_ = device::SystemConstants::initial();
    std::optional<device::InstrumentSetup> setup_;
    WriteWatch* watch_ = nullptr;
    WizardStep step_ = WizardStep::PortPage;
    bool expert_ = false;
};

} // namespace session
