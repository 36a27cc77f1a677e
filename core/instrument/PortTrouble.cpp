#include "core/instrument/PortTrouble.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace device {

namespace {

// Serial lock files name the device without "/dev/", with every further '/' as '_'.
QString lockFileName(const QString& device) {
    QString name = device.startsWith(QStringLiteral("/dev/")) ? device.mid(5) : device;
    name.replace(u'/', u'_');
    return QStringLiteral("LCK..") + name;
}

QString processName(qint64 pid, const SystemPlaces& places) {
    QFile comm(places.processDirectory + QStringLiteral("/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(comm.readLine()).trimmed();
}

QString describe(qint64 pid, const QString& name) {
    return name.isEmpty() ? QStringLiteral("PID %1").arg(pid)
                          : QStringLiteral("%1 (PID %2)").arg(name).arg(pid);
}

QString lockHolder(const QStringList& devices, const SystemPlaces& places) {
    const qint64 self = QCoreApplication::applicationPid();
    for (const QString& directory : places.lockDirectories) {
        for (const QString& device : devices) {
            QFile lock(directory + u'/' + lockFileName(device));
            if (!lock.open(QIODevice::ReadOnly))
                continue;
            bool ok = false;
            const qint64 pid = lock.readLine().trimmed().toLongLong(&ok);
            // A lock of a process that has ended is stale: its port is free.
            if (!ok || pid <= 0 || pid == self ||
                !QFileInfo::exists(places.processDirectory + QStringLiteral("/%1").arg(pid)))
                continue;
            QString name = processName(pid, places);
            if (name.isEmpty())
                name = QString::fromLocal8Bit(lock.readLine()).trimmed();
            return describe(pid, name);
        }
    }
    return {};
}

// The process table shows only the user's own processes' files: a holder under another user
// stays unnamed.
QString openFileHolder(const QStringList& devices, const SystemPlaces& places) {
    const qint64 self = QCoreApplication::applicationPid();
    const QDir processes(places.processDirectory);
    for (const QString& entry : processes.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok || pid == self)
            continue;
        const QString fdDirectory = processes.filePath(entry + QStringLiteral("/fd/"));
        for (const QString& fd :
             QDir(fdDirectory).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            if (devices.contains(QFile::symLinkTarget(fdDirectory + fd)))
                return describe(pid, processName(pid, places));
        }
    }
    return {};
}

// "not a serial device" for a file, directory, pipe or socket; empty for a character device or
// where the system does not tell.
QString deviceKindProblem(const QString& device) {
#ifdef Q_OS_UNIX
    struct stat status {};
    if (::stat(QFile::encodeName(device).constData(), &status) == 0 && !S_ISCHR(status.st_mode))
        return QStringLiteral("not a serial device");
#else
    Q_UNUSED(device);
#endif
    return {};
}

} // namespace

QString deviceHolder(const QString& device, const SystemPlaces& places) {
    QStringList devices{QFileInfo(device).absoluteFilePath()};
    const QString target = QFileInfo(device).canonicalFilePath();
    if (!target.isEmpty() && !devices.contains(target))
        devices.append(target);
    const QString locked = lockHolder(devices, places);
    return locked.isEmpty() ? openFileHolder(devices, places) : locked;
}

QString deviceGroup(const QString& device) {
    const QString target = QFileInfo(device).canonicalFilePath();
    return target.isEmpty() ? QString() : QFileInfo(target).group();
}

PortTrouble diagnoseOpen(OpenResult result, const QString& device, const SystemPlaces& places) {
    PortTrouble trouble;
    trouble.kind = PortTrouble::Kind::Other;
    trouble.device = device;
    switch (result) {
    case OpenResult::Opened:
        trouble.kind = PortTrouble::Kind::None;
        break;
    case OpenResult::NoSuchPort:
        trouble.kind = PortTrouble::Kind::NoSuchDevice;
        break;
    case OpenResult::PermissionDenied:
        trouble.kind = PortTrouble::Kind::PermissionDenied;
        trouble.group = deviceGroup(device);
        break;
    case OpenResult::InUse:
        trouble.kind = PortTrouble::Kind::InUse;
        trouble.holder = deviceHolder(device, places);
        break;
    case OpenResult::Failed:
        trouble.reason = deviceKindProblem(device);
        break;
    }
    return trouble;
}

} // namespace device
