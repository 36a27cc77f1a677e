#include "core/instrument/QtSerialLine.h"

#include "core/instrument/PortDevices.h"

#include <QFileInfo>

namespace device {

QtSerialLine::QtSerialLine(QString portDirectory) : portDirectory_(std::move(portDirectory)) {
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_, [this] { onError(); });
    QObject::connect(&port_, &QSerialPort::readyRead, &arrivals_, &WakeSource::woken);
}

void QtSerialLine::onError() {
    if (lost_ || !port_.isOpen() || !failed())
        return;
    // A hung-up terminal keeps signalling "readable" and QSerialPort reports a read error each
    // time, spinning a core until the port is closed. Closing it inside its own error signal is
    // unsafe, so that waits for the next turn of the event loop.
    lost_ = true;
    QMetaObject::invokeMethod(
        &port_,
        [this] {
            if (lost_)
                port_.close();
        },
        Qt::QueuedConnection);
}

bool QtSerialLine::setPortNumber(int number) {
    if (portDeviceName(number, portDirectory_).isEmpty())
        return false;
    number_ = number;
    return true;
}

OpenResult QtSerialLine::open() {
    lost_ = false;
    if (port_.isOpen())
        port_.close();
    const QString name = deviceName();
#ifndef Q_OS_WIN
    // A dangling link or a missing device is "no such port", whatever QSerialPort makes of it.
    if (!QFileInfo::exists(name))
        return OpenResult::NoSuchPort;
#endif
    port_.clearError();
    // QSerialPort locks the name it opens ("LCK..pts_3"): the device's own path, so that a
    // second link to it finds the lock of the first.
    port_.setPortName(resolvedDevicePath(name));
    port_.setBaudRate(QSerialPort::Baud9600);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (port_.open(QIODevice::ReadWrite))
        return OpenResult::Opened;
    switch (port_.error()) {
    case QSerialPort::DeviceNotFoundError:
        return OpenResult::NoSuchPort;
    case QSerialPort::PermissionError:
        // QSerialPort reports a port locked by another program as a permission error too.
        return QFileInfo(name).isWritable() ? OpenResult::InUse : OpenResult::PermissionDenied;
    case QSerialPort::OpenError:
        return OpenResult::InUse;
    default:
        return OpenResult::Failed;
    }
}

QString QtSerialLine::deviceName() const {
    return devicePath_.isEmpty() ? portDeviceName(number_, portDirectory_) : devicePath_;
}

QStringList QtSerialLine::portEntries() const {
    return portEntryTexts(portDirectory_, presentSerialPorts());
}

void QtSerialLine::close() {
    lost_ = false;
    if (port_.isOpen())
        port_.close();
    port_.clearError();
}

bool QtSerialLine::failed() const {
    if (lost_)
        return true;
    const auto error = port_.error();
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
           error == QSerialPort::DeviceNotFoundError;
}

bool QtSerialLine::send(const QByteArray& bytes) {
    if (!port_.isOpen() || lost_)
        return false;
    if (port_.write(bytes) != bytes.size())
        return false;
    port_.flush();
    return !failed();
}

int QtSerialLine::bytesWaiting() {
    if (!port_.isOpen() || lost_)
        return 0;
    // Received bytes reach QSerialPort's buffer through the event loop; the waits process
    // events, so the count is current here.
    return static_cast<int>(port_.bytesAvailable());
}

std::optional<QByteArray> QtSerialLine::readAll() {
    if (!isOpen())
        return QByteArray();
    if (failed())
        return std::nullopt;
    QByteArray bytes = port_.readAll();
    if (failed())
        return std::nullopt;
    return bytes;
}

} // namespace device
