#include "sim/SimulatedLine.h"

#include "core/instrument/Clock.h"

namespace sim {

SimulatedLine::SimulatedLine(device::Clock& clock) : clock_(clock) {}

Instrument& SimulatedLine::attach(int number, Instrument instrument) {
    states_.erase(number);
    return instruments_.insert_or_assign(number, std::move(instrument)).first->second;
}

void SimulatedLine::setPortState(int number, PortState state) {
    instruments_.erase(number);
    states_[number] = state;
}

Instrument& SimulatedLine::instrument(int number) {
    return instruments_.at(number);
}

bool SimulatedLine::hasInstrument(int number) const {
    return instruments_.contains(number);
}

void SimulatedLine::vanish() {
    vanished_ = openPort_ != 0 ? openPort_ : number_;
}

void SimulatedLine::reappear() {
    vanished_ = 0;
}

bool SimulatedLine::setPortNumber(int number) {
    if (number < FirstPort || number > LastPort)
        return false;
    number_ = number;
    return true;
}

device::OpenResult SimulatedLine::open() {
    close();
    if (number_ == vanished_)
        return device::OpenResult::NoSuchPort;
    if (!instruments_.contains(number_)) {
        const auto state = states_.find(number_);
        switch (state == states_.end() ? PortState::Absent : state->second) {
        case PortState::Absent:
            return device::OpenResult::NoSuchPort;
        case PortState::InUse:
            return device::OpenResult::InUse;
        case PortState::PermissionDenied:
            return device::OpenResult::PermissionDenied;
        case PortState::Vanishing:
            vanished_ = number_;
            break;
        case PortState::Silent:
            break;
        }
    }
    openPort_ = number_;
    opened_.append(openPort_);
    return device::OpenResult::Opened;
}

void SimulatedLine::close() {
    // What was on its way while the port was closed is lost, as it is on a real line.
    if (Instrument* instrument = openInstrument())
        instrument->discardOutput();
    openPort_ = 0;
    received_.clear();
}

Instrument* SimulatedLine::openInstrument() {
    const auto found = instruments_.find(openPort_);
    return found == instruments_.end() ? nullptr : &found->second;
}

void SimulatedLine::collectArrived() {
    if (Instrument* instrument = openInstrument(); instrument && !openPortVanished())
        received_ += instrument->take(clock_.now());
}

bool SimulatedLine::send(const QByteArray& bytes) {
    if (!isOpen() || openPortVanished())
        return false;
    if (Instrument* instrument = openInstrument())
        instrument->receive(bytes, clock_.now());
    return true;
}

int SimulatedLine::bytesWaiting() {
    if (!isOpen() || openPortVanished())
        return 0;
    collectArrived();
    return static_cast<int>(received_.size());
}

std::optional<QByteArray> SimulatedLine::readAll() {
    if (!isOpen())
        return QByteArray();
    if (openPortVanished())
        return std::nullopt;
    collectArrived();
    return std::exchange(received_, QByteArray());
}

QString SimulatedLine::deviceName() const {
    if (deviceDirectory_.isEmpty())
        return {};
    return deviceDirectory_ + QStringLiteral("/COM%1").arg(number_);
}

} // namespace sim
