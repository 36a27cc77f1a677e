#include "core/instrument/PortDevices.h"
#include "core/instrument/PortTrouble.h"
#include "core/instrument/QtSerialLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#endif

namespace {

void write(const QString& path, const QByteArray& content) {
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
}

} // namespace

class TestPorts : public QObject {
    Q_OBJECT

private slots:
    // COM1..32 are ttyS0..31, COM33..41 ttyUSB0..8, COM42..49 ttyACM0..7; a device the system
    // reports, or a port directory's link that resolves, shows after its COMn.
    void entriesShowTheDeviceBehindThePort() {
        QCOMPARE(device::portDeviceName(32, {}), "/dev/ttyS31");
        QCOMPARE(device::portDeviceName(33, {}), "/dev/ttyUSB0");
        QCOMPARE(device::portDeviceName(41, {}), "/dev/ttyUSB8");
        QCOMPARE(device::portDeviceName(42, {}), "/dev/ttyACM0");
        QCOMPARE(device::portDeviceName(49, {}), "/dev/ttyACM7");
        QCOMPARE(device::portDeviceName(50, {}), QString());

        const device::PresentPorts present{{"/dev/ttyACM0", "USB Serial"}, {"/dev/ttyS0", ""}};
        QStringList entries = device::portEntryTexts({}, present);
        QCOMPARE(entries.size(), 49);
        QCOMPARE(entries.mid(0, 2), QStringList({"COM1  ttyS0", "COM2"}));
        QCOMPARE(entries[41], "COM42  ttyACM0 – USB Serial");

        QTemporaryDir dir;
        const QString target = dir.filePath("pts-7");
        write(target, {});
        QVERIFY(QFile::link(target, dir.filePath("COM1")));
        QVERIFY(QFile::link(dir.filePath("gone"), dir.filePath("COM2")));
        entries = device::portEntryTexts(dir.path(), {{target, "Pseudo"}});
        QCOMPARE(entries.mid(0, 3), QStringList({"COM1  " + target + " – Pseudo", "COM2", "COM3"}));
    }

    // The holder of a busy device from a live lock file or from a process's open files.
    void troubleTellsWhatTheSystemKnows() {
        using Kind = device::PortTrouble::Kind;
        QTemporaryDir dir;
        const device::SystemPlaces places{{dir.filePath("lock")}, dir.filePath("proc")};
        const QString locked = dir.filePath("dev/ttyUSB0");
        const QString held = dir.filePath("dev/ttyACM0");
        write(locked, {});
        write(held, {});
        const auto lockOf = [&](const QString& device) {
            return dir.filePath("lock/LCK.." + QString(device).replace(u'/', u'_'));
        };
        write(lockOf(locked), "      4242\n");
        write(dir.filePath("proc/4242/comm"), "minicom\n");
        write(lockOf(held), "999\n"); // stale: no such process
        write(dir.filePath("proc/77/comm"), "screen\n");
        QVERIFY(QDir().mkpath(dir.filePath("proc/77/fd")));
        QVERIFY(QFile::link(held, dir.filePath("proc/77/fd/3")));

        const device::PortTrouble trouble = diagnoseOpen(device::OpenResult::InUse, locked, places);
        QCOMPARE(trouble.kind, Kind::InUse);
        QCOMPARE(trouble.holder, "minicom (PID 4242)");
        QCOMPARE(device::deviceHolder(held, places), "screen (PID 77)");
        QCOMPARE(device::deviceHolder(dir.filePath("dev/none"), places), QString());
        QCOMPARE(diagnoseOpen(device::OpenResult::Failed, held, places).reason,
                 "not a serial device");
    }

#ifdef Q_OS_UNIX
    // Two links to one terminal, and the terminal itself: one line at a time.
    void lockIsKeyedOnTheDeviceItself() {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const QString terminal = QString::fromLocal8Bit(::ptsname(master));
        QTemporaryDir dir;
        QVERIFY(QFile::link(terminal, dir.filePath("COM1")));
        QVERIFY(QFile::link(terminal, dir.filePath("COM2")));
        device::QtSerialLine first(dir.path());
        device::QtSerialLine second(dir.path());
        QVERIFY(first.setPortNumber(1) && second.setPortNumber(2));
        QCOMPARE(first.open(), device::OpenResult::Opened);
        QCOMPARE(second.open(), device::OpenResult::InUse);
        second.setDevicePath(terminal);
        QCOMPARE(second.open(), device::OpenResult::InUse);
        first.close();
        QCOMPARE(second.open(), device::OpenResult::Opened);
        second.close();
        ::close(master);
    }
#endif
};

QTEST_GUILESS_MAIN(TestPorts)
#include "tst_ports.moc"
