#include "core/session/Session.h"

#include "core/instrument/Clock.h"
#include "core/instrument/Identify.h"
#include "core/instrument/Lifecycle.h"
#include "core/instrument/OrvoLib.h"
#include "core/instrument/SerialLine.h"
#include "core/instrument/Timing.h"
#include "core/sensor/SensorReadout.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "core/text/StatusPanel.h"

#include <algorithm>

namespace session {

namespace {

constexpr int DeviceAddress = 0;
constexpr int WaitText = 29;
constexpr int WritingText = 52;

// Back, Next and Cancel stay disabled for the whole read-out, also when it is cut short.
class NavigationLock {
public:
    explicit NavigationLock(ActionRunner& runner) : runner_(runner) { runner_.disableNavigation(); }
    ~NavigationLock() { runner_.enableNavigation(); }
    NavigationLock(const NavigationLock&) = delete;
    NavigationLock& operator=(const NavigationLock&) = delete;

private:
    ActionRunner& runner_;
};

ReadOutResult readOutResult(int setupStatus) {
    switch (setupStatus) {
    case device::SetupPortFailed:
        return ReadOutResult::PortFailed;
    case device::SetupNotToran:
        return ReadOutResult::NotToran;
    case device::SetupNoAnswer:
        return ReadOutResult::NoAnswer;
    case device::SetupByteSilent:
        return ReadOutResult::SetupSilent;
    default:
        return ReadOutResult::Read;
    }
}

calibration::CurveTable curveOf(const sensor::SensorRecord& sensor) {
    calibration::CurveTable curve;
    const int count =
        std::clamp(static_cast<int>(sensor.CurvePointCount), 0, sensor::MaxCurvePoints);
    for (int i = 0; i < count; ++i) {
        const auto index = static_cast<std::size_t>(i);
        curve.setSlot(i + 1, {sensor.CurveEtalon[index], sensor.CurveSignal[index],
                              calibration::SlotState::Used});
    }
    curve.CountCurvePoints();
    return curve;
}

} // namespace

WizardStep stepBack(WizardStep step) {
    switch (step) {
    case WizardStep::Finish:
        return WizardStep::SensorPage;
    default:
        return WizardStep::PortPage;
    }
}

Session::Session(device::SerialLine& line, device::Clock& clock, device::Lifecycle& lifecycle,
                 Outlets outlets, QObject* parent)
    : QObject(parent), line_(line), clock_(clock), outlets_(outlets),
      runner_(line, clock, lifecycle) {
    // Whatever stopped the polling, a reading from before the stop is not taken after it.
    connect(&runner_, &ActionRunner::pollingWanted, this, [this](bool running) {
        if (running == live_.Polling)
            return;
        live_.Polling = running;
        live_.PollingSince = clock_.now();
        live_.ReadingTime.reset();
        live_.Stability.restart();
    });
}

bool Session::signalFresh() const {
    return device::readingFresh(live_, clock_.now());
}

void Session::setConstants(const device::SystemConstants& constants) {
    if (constants_ == constants)
        return;
    constants_ = constants;
    emit constantsChanged();
}

void Session::setRangeZeroText(int range, const QString& text) {
    device::SystemConstants changed = constants_;
    changed.zero.at(static_cast<std::size_t>(range)) = text;
    setConstants(changed);
}

void Session::setRangeKText(int range, const QString& text) {
    device::SystemConstants changed = constants_;
    changed.k.at(static_cast<std::size_t>(range)) = text;
    setConstants(changed);
}

QString Session::beforeWrite(int block) {
    return watch_ != nullptr ? watch_->beforeWrite(block) : QString();
}

QString Session::withFailureNote(const QString& message, bool writing) {
    const QString note = watch_ != nullptr ? watch_->failed(writing) : QString();
    return note.isEmpty() ? message : message + QStringLiteral("\n\n") + note;
}

void Session::noteReadOutFailure() {
    if (watch_ == nullptr)
        return;
    const QString note = watch_->failed(false);
    if (!note.isEmpty())
        outlets_.messages.inform(note, text::MsgIcon::None);
}

ConnectOutcome Session::openInstrument(const device::Link& link, int port) {
    if (line_.isOpen())
        line_.close();
    runner_.stopPolling();
    const device::OpenResult opened =
        line_.setPortNumber(port) ? line_.open() : device::OpenResult::NoSuchPort;
    if (opened != device::OpenResult::Opened)
        return {ConnectResult::PortNotOpened, device::diagnoseOpen(opened, line_.deviceName())};
    if (device::IdentifyRequest(link)) {
        emit instrumentOpened();
        return {};
    }
    // A device that fails to read right after the open was taken away from under the line.
    ConnectOutcome outcome;
    outcome.result = ConnectResult::NotToran;
    if (!line_.readAll().has_value()) {
        outcome.trouble.kind = device::PortTrouble::Kind::Vanished;
        outcome.trouble.device = line_.deviceName();
    }
    return outcome;
}

ReadOutResult Session::readOut(const device::Link& link, Points points) {
    const NavigationLock locked(runner_);
    runner_.stopPolling();
    link.delay(device::timing::QuietLine);

    device::InstrumentSetup setup;
    const int status =
        device::ReadTORAN(link, outlets_.status, outlets_.messages, outlets_.texts, setup);
    if (status < 0) {
        noteReadOutFailure();
        return readOutResult(status);
    }
    setup_ = setup;
    live_.DisplayDigits = setup.DisplayDigits;
    live_.ActiveZero = setup.ActiveZero;
    live_.ActiveK = setup.ActiveK;
    emit setupRead();
    setConstants(device::SystemConstants::of(setup));

    if (link.line.isOpen()) {
        sensor::ReadSensors(link, outlets_.status, outlets_.messages, outlets_.texts, constants_,
                            sensors_, live_);
        emit sensorsRead(sensors_.CurrentSensor.GainIndex);
        for (const int block : {sensor::ExternalBlock, sensor::InternalBlock}) {
            if ((sensors_.SensorMask & (1U << block)) != 0 &&
                sensors_.BlockImages[static_cast<std::size_t>(block)].isEmpty()) {
                noteReadOutFailure();
                break;
            }
        }
    }
    if (points == Points::FromSensor)
        loadSensorCurve();
    emit sensorChanged();
    return ReadOutResult::Read;
}

void Session::loadSensorCurve() {
    curve_ = curveOf(sensors_.CurrentSensor);
}

bool Session::curveDiffersFromSensor() const {
    return curve_ != curveOf(sensors_.CurrentSensor);
}

void Session::prepareWrite(const device::Link& link) {
    runner_.stopPolling();
    link.delay(device::timing::QuietLine);
    runner_.disableNavigation();
}

int Session::writeSensorBlock(const device::Link& link, const QByteArray& image, int block) {
    (void)beforeWrite(block);
    outlets_.status.showStatus();
    int result = 0;
    {
        const device::Lifecycle::CriticalSection writing(runner_.lifecycle());
        result = device::orvoLib::WriteBlock(
            link, image, DeviceAddress, block,
            [this](const QString& caption) { outlets_.status.setStatusText(caption); },
            outlets_.texts.text(WritingText));
    }
    outlets_.status.hideStatus();
    return result;
}

void Session::resetInstrument(const device::Link& link) {
    runner_.disableNavigation();
    outlets_.status.showStatus();
    outlets_.status.setStatusText(outlets_.texts.text(WaitText));
    runner_.stopPolling();
    link.delay(device::timing::QuietLine);
    link.line.send("$00X\r");
    link.delay(device::timing::ResetRecovery);
    runner_.enableNavigation();
    outlets_.status.hideStatus();
}

} // namespace session
