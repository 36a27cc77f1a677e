#include "core/instrument/PortDevices.h"

#include "core/instrument/SerialLine.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace device {

namespace {

constexpr int LastTtyS = 32;
constexpr int LastTtyUSB = 41;

// What follows "COMn" in its entry: the device and its description, or nothing.
QString deviceText(int number, const QString& portDirectory, const PresentPorts& present) {
    QString location = portDeviceName(number, portDirectory);
    QString shown;
#ifdef Q_OS_WIN
    Q_UNUSED(portDirectory);
    if (!present.contains(location))
        return {};
#else
    if (!portDirectory.isEmpty()) {
        const QFileInfo link(location);
        if (!link.exists())
            return {};
        location = link.isSymLink() ? link.canonicalFilePath() : location;
        shown = location;
    } else {
        if (!present.contains(location))
            return {};
        shown = QFileInfo(location).fileName();
    }
#endif
    const QString description = present.value(location);
    if (description.isEmpty())
        return shown;
    return shown.isEmpty() ? description : shown + QStringLiteral(" – ") + description;
}

} // namespace

QString portDeviceName(int number, const QString& portDirectory) {
    if (number < SerialLine::FirstPort || number > SerialLine::LastPort)
        return {};
#ifdef Q_OS_WIN
    Q_UNUSED(portDirectory);
    return QStringLiteral("COM%1").arg(number);
#else
    if (!portDirectory.isEmpty())
        return portDirectory + QStringLiteral("/COM%1").arg(number);
    if (number <= LastTtyS)
        return QStringLiteral("/dev/ttyS%1").arg(number - 1);
    if (number <= LastTtyUSB)
        return QStringLiteral("/dev/ttyUSB%1").arg(number - LastTtyS - 1);
    return QStringLiteral("/dev/ttyACM%1").arg(number - LastTtyUSB - 1);
#endif
}

QString resolvedDevicePath(const QString& device) {
#ifdef Q_OS_WIN
    return device;
#else
    const QString target = QFileInfo(device).canonicalFilePath();
    return target.isEmpty() ? device : target;
#endif
}

PresentPorts presentSerialPorts() {
    PresentPorts present;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        present.insert(port.portName(), port.description());
#else
        present.insert(port.systemLocation(), port.description());
#endif
    }
    return present;
}

QStringList portEntryTexts(const QString& portDirectory, const PresentPorts& present) {
    QStringList entries;
    for (int number = SerialLine::FirstPort; number <= SerialLine::LastPort; ++number) {
        const QString entry = QStringLiteral("COM%1").arg(number);
        const QString device = deviceText(number, portDirectory, present);
        entries.append(device.isEmpty() ? entry : entry + QStringLiteral("  ") + device);
    }
    return entries;
}

QString onPort(int number, const QString& message) {
    return QStringLiteral("COM%1: ").arg(number) + message;
}

} // namespace device
