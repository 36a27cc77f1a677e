#pragma once

#include "core/instrument/SerialLine.h"
#include "sim/Instrument.h"

#include <QList>
#include <map>

namespace device {
class Clock;
}

namespace sim {

// A set of serial ports in the process, for tests: each port either has an instrument attached
// or is present without one, absent, in use, locked or taken away right after opening. Reply
// characters arrive as the clock says, so a test clock controls pacing and late replies.
class SimulatedLine final : public device::SerialLine {
public:
    // Vanishing opens and is gone at once, as an adapter that another program claims.
    enum class PortState { Absent, Silent, InUse, PermissionDenied, Vanishing };

    explicit SimulatedLine(device::Clock& clock);

    // Puts an instrument on port `number` and returns it; the line keeps it.
    Instrument& attach(int number, Instrument instrument = Instrument::withDefaults());
    // A port without an instrument; by default every port is absent.
    void setPortState(int number, PortState state);
    // The instrument on port `number`; the port must have one.
    [[nodiscard]] Instrument& instrument(int number);
    [[nodiscard]] bool hasInstrument(int number) const;

    // The open port goes away as a USB adapter pulled out does: sends fail, reading fails,
    // opening it again fails. reappear() brings it back.
    void vanish();
    void reappear();
    // Port n's device becomes directory/COMn, as with a port directory.
    void setDeviceDirectory(const QString& directory) { deviceDirectory_ = directory; }
    // The ports opened successfully, in order.
    [[nodiscard]] const QList<int>& openedPorts() const { return opened_; }

    bool setPortNumber(int number) override;
    [[nodiscard]] int portNumber() const override { return number_; }
    device::OpenResult open() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override { return openPort_ != 0; }
    bool send(const QByteArray& bytes) override;
    [[nodiscard]] int bytesWaiting() override;
    std::optional<QByteArray> readAll() override;
    [[nodiscard]] QString deviceName() const override;

private:
    [[nodiscard]] Instrument* openInstrument();
    [[nodiscard]] bool openPortVanished() const { return openPort_ != 0 && openPort_ == vanished_; }
    void collectArrived();

    device::Clock& clock_;
    std::map<int, Instrument> instruments_;
    std::map<int, PortState> states_;
    int number_ = 1;
    int openPort_ = 0;
    int vanished_ = 0;
    QByteArray received_;
    QList<int> opened_;
    QString deviceDirectory_;
};

} // namespace sim
