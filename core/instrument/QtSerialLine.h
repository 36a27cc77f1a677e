#pragma once

#include "core/instrument/SerialLine.h"
#include "core/instrument/WakeSource.h"

#include <QSerialPort>

namespace device {

// The production line: a QSerialPort at 9600 baud, 8 data bits, no parity, 1 stop bit, on the
// device that portDeviceName maps the port number to.
class QtSerialLine final : public SerialLine {
public:
    // portDirectory: the value of TORANCAL_PORT_DIR, or empty.
    explicit QtSerialLine(QString portDirectory);

    bool setPortNumber(int number) override;
    // The device that open() opens, whatever port number is chosen; empty (the default) opens
    // the port number's device.
    void setDevicePath(QString path) { devicePath_ = std::move(path); }
    [[nodiscard]] int portNumber() const override { return number_; }
    OpenResult open() override;
    void close() override;
    // A port that went away stays open to the program until it is closed: its reads fail.
    [[nodiscard]] bool isOpen() const override { return port_.isOpen() || lost_; }
    bool send(const QByteArray& bytes) override;
    [[nodiscard]] int bytesWaiting() override;
    std::optional<QByteArray> readAll() override;
    [[nodiscard]] const WakeSource* arrivals() const override { return &arrivals_; }
    [[nodiscard]] QString deviceName() const override;
    [[nodiscard]] QStringList portEntries() const override;

private:
    [[nodiscard]] bool failed() const;
    void onError();

    QString portDirectory_;
    QString devicePath_;
    int number_ = 1;
    WakeSource arrivals_;
    QSerialPort port_;
    // The device went away; the QSerialPort under it is closed at the next turn of the event
    // loop.
    bool lost_ = false;
};

} // namespace device
