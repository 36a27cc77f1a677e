#pragma once

#include "core/instrument/SerialLine.h"

#include <QString>
#include <QStringList>

namespace device {

// Why a port could not be used, as far as the system tells.
struct PortTrouble {
    enum class Kind {
        None,             // the port opened and stayed
        NoSuchDevice,     // the device does not exist
        PermissionDenied, // the user may not open it
        InUse,            // another program holds it
        Vanished,         // it opened, then went away at once
        Other,            // the open failed for another reason
    };
    Kind kind = Kind::None;
    QString device;
    // PermissionDenied: the group that owns the device.
    QString group;
    // InUse: the program that holds the device, "minicom (PID 4242)", where the system tells.
    QString holder;
    // Other: why, where the file system tells ("not a serial device").
    QString reason;
};

// Where the system tells who holds a device: the directories of the serial lock files
// ("LCK..ttyUSB0" with the holder's process number on its first line) and the process table,
// whose <pid>/fd links name each process's open files.
struct SystemPlaces {
    QStringList lockDirectories{"/var/lock",       "/run/lock", "/var/spool/locks",
                                "/var/spool/uucp", "/tmp",      "/var/tmp"};
    QString processDirectory = QStringLiteral("/proc");
};

// The group that owns `device` (after its links), or empty when the system does not tell.
[[nodiscard]] QString deviceGroup(const QString& device);
// The trouble behind a failed open of `device`.
[[nodiscard]] PortTrouble diagnoseOpen(OpenResult result, const QString& device,
                                       const SystemPlaces& places = {});
// The program that holds `device`, "name (PID n)", or empty when the system does not tell.
[[nodiscard]] QString deviceHolder(const QString& device, const SystemPlaces& places);

} // namespace device
