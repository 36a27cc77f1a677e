#include "core/session/Session.h"

#include "core/instrument/Identify.h"
#include "core/instrument/SerialLine.h"
#include "core/instrument/Timing.h"
#include "core/sensor/SensorReadout.h"
#include "core/text/LanguageTable.h"
#include "core/text/StatusPanel.h"

#include <algorithm>

namespace session {

namespace {

constexpr int WaitText = 29;

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
    : QObject(parent), line_(line), outlets_(outlets), runner_(line, clock, lifecycle) {}

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

ConnectResult Session::openInstrument(const device::Link& link, int port) {
    if (line_.isOpen())
        line_.close();
    runner_.stopPolling();
    if (!line_.setPortNumber(port) || line_.open() != device::OpenResult::Opened)
        return ConnectResult::PortNotOpened;
    if (!device::IdentifyRequest(link))
        return ConnectResult::NotToran;
    return ConnectResult::Connected;
}

ReadOutResult Session::readOut(const device::Link& link, Points points) {
    const NavigationLock locked(runner_);
    runner_.stopPolling();
    link.delay(device::timing::QuietLine);

    device::InstrumentSetup setup;
    const int status =
        device::ReadTORAN(link, outlets_.status, outlets_.messages, outlets_.texts, setup);
    if (status < 0)
        return readOutResult(status);
    identification_ = setup.Identification;
    live_.DisplayDigits = setup.DisplayDigits;
    live_.ActiveZero = setup.ActiveZero;
    live_.ActiveK = setup.ActiveK;
    emit setupRead();
    setConstants(device::SystemConstants::of(setup));

    if (link.line.isOpen()) {
        sensor::ReadSensors(link, outlets_.status, outlets_.messages, outlets_.texts, constants_,
                            sensors_, live_);
        emit sensorsRead(sensors_.CurrentSensor.GainIndex);
    }
    if (points == Points::FromSensor)
        loadSensorCurve();
    emit sensorChanged();
    return ReadOutResult::Read;
}

void Session::loadSensorCurve() {
    const sensor::SensorRecord& sensor = sensors_.CurrentSensor;
    const int count =
        std::clamp(static_cast<int>(sensor.CurvePointCount), 0, sensor::MaxCurvePoints);
    curve_.clear();
    for (int i = 0; i < count; ++i) {
        const auto index = static_cast<std::size_t>(i);
        curve_.setSlot(i + 1, {sensor.CurveEtalon[index], sensor.CurveSignal[index],
                               calibration::SlotState::Used});
    }
    curve_.CountCurvePoints();
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
