#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace device {

// Maps COMn to the platform's device: the COM ports themselves on Windows; elsewhere
// $TORANCAL_PORT_DIR/COMn when that variable is set, else /dev/ttyS0..31 for COM1..COM32,
// /dev/ttyUSB0..8 for COM33..COM41 and /dev/ttyACM0..7 for COM42..COM49. Empty for numbers
// outside 1..49.
[[nodiscard]] QString portDeviceName(int number, const QString& portDirectory);

// The device itself behind `device` (its links followed, as QFileInfo::canonicalFilePath), or
// `device` as given where it does not resolve or the system has no links (Windows' COMn). A lock
// keyed on it keeps every name of one device off the line at once.
[[nodiscard]] QString resolvedDevicePath(const QString& device);

// The serial devices the system reports, by their location ("/dev/ttyACM0", on Windows the
// port name "COM3"), each with its description ("USB Serial", possibly empty).
using PresentPorts = QHash<QString, QString>;
[[nodiscard]] PresentPorts presentSerialPorts();

// `message` about COMn, named as the port list names the port: "COM2: ...". Every message about
// an instrument that did not answer says where it was asked.
[[nodiscard]] QString onPort(int number, const QString& message);

// The port list's 49 entries: "COMn", followed by the device behind it where there is one,
// "COM42  ttyACM0 – USB Serial". Without a port directory a device is behind COMn when the
// system reports it; with one, when the link COMn resolves, and the entry shows its target.
[[nodiscard]] QStringList portEntryTexts(const QString& portDirectory, const PresentPorts& present);

} // namespace device
