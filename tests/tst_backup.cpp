#include "core/backup/Restore.h"
#include "core/backup/RestoreJournal.h"
#include "core/backup/SnapshotStore.h"
#include "core/instrument/SerialTrace.h"
#include "sim/Fault.h"
#include "sim/SensorBlock.h"
#include "tests/support/SessionRig.h"
#include "tests/support/WindowRig.h"
#include "views/calibration/CurvePage.h"
#include "views/backup/RestoreAction.h"
#include "views/sensor/SensorPage.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <functional>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using Edit = std::function<void(QJsonObject&)>;
Q_DECLARE_METATYPE(Edit)

namespace {

// A session after the read-out of both sensors.
struct Rig : testsupport::SessionRig {
    Rig() {
        instrument().setBlock(0, sim::makeSensorBlock(sim::defaultExternalSensor()));
        instrument().setSensorMask(3);
        (void)run([this](const device::Link& link) { (void)session.readOut(link); });
    }
    backup::Backup taken() {
        return *backup::backupOf(session, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 6), Qt::UTC));
    }
};

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The stored first-version file with a "takenFor" member, signed again.
QJsonObject withTakenFor() {
    QJsonObject document =
        QJsonDocument::fromJson(readFile(QFINDTESTDATA("data/backup-v1.json"))).object();
    document[QStringLiteral("takenFor")] =
        QJsonObject{{QStringLiteral("block"), QStringLiteral("int")},
                    {QStringLiteral("sensorId"), QStringLiteral("4B02MQA5")},
                    {QStringLiteral("identification"), QStringLiteral("TORAN R-40 v2.10")}};
    document[QStringLiteral("sha256")] = backup::checksumOf(document);
    return document;
}

// The paths of every value in `value` that holds no other ("sensors/0/fields/Decimals").
void leavesOf(const QJsonValue& value, const QString& path, QStringList& leaves) {
    const QString under = path.isEmpty() ? path : path + u'/';
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            leavesOf(it.value(), under + it.key(), leaves);
    } else if (value.isArray()) {
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size(); ++i)
            leavesOf(array[i], under + QString::number(i), leaves);
    } else {
        leaves.append(path);
    }
}

// `value` with the value at `path` changed but of the same kind.
QJsonValue changedAt(const QJsonValue& value, QStringView path) {
    const qsizetype slash = path.indexOf(u'/');
    const QString head = path.left(slash).toString();
    const QStringView rest = slash < 0 ? QStringView() : path.mid(slash + 1);
    if (value.isObject()) {
        QJsonObject object = value.toObject();
        object[head] = changedAt(object[head], rest);
        return object;
    }
    if (value.isArray()) {
        QJsonArray array = value.toArray();
        array[head.toInt()] = changedAt(array[head.toInt()], rest);
        return array;
    }
    if (value.isString())
        return value.toString() + u'x';
    return value.toDouble() + 1;
}

} // namespace

// The backup file, the snapshot store, the restore and the serial trace, over the in-process
// simulated instrument.
class BackupTest : public QObject {
    Q_OBJECT

private slots:
    void restoreWritesTheBlockBackAndComparesIt() {
        Rig rig;
        const backup::Backup before = rig.taken();
        QCOMPARE(before.sensors.size(), std::size_t{2});
        QCOMPARE(before.identification, QStringLiteral("TORAN R-40 v2.10"));
        const auto reread = backup::readBackup(backup::toBytes(before), rig.texts);
        QCOMPARE(std::get<backup::Backup>(reread), before);

        sim::SensorBlockContent changed = sim::defaultExternalSensor();
        changed.description = "Jiný";
        rig.instrument().setBlock(0, sim::makeSensorBlock(changed));
        (void)rig.run([&rig](const device::Link& link) { (void)rig.session.readOut(link); });
        const auto differences = backup::compareWithSession(rig.session, before);
        QVERIFY(!differences.isEmpty());
        QCOMPARE(differences.front(),
                 (backup::BlockDifference{0, 8, QStringLiteral("Description")}));

        // Only the differing bytes are sent; a cut write is found by the next read-out through
        // the journal, and the next restore sends what still differs and clears it.
        QTemporaryDir journalDir;
        backup::RestorePolicy policy;
        policy.writeWithoutSnapshot = [] { return true; };
        policy.journalDirectory = journalDir.path();
        const auto differing = differences.size();
        QVERIFY(differing > 5 && differing < 20);
        backup::RestoreResult result;
        rig.instrument().addFault(*sim::parseFault(u"KW none after 4").fault);
        (void)rig.run([&](const device::Link& link) {
            result = backup::restoreBlock(link, rig.session, before, 0, policy);
        });
        QCOMPARE(result.outcome, backup::RestoreOutcome::WriteFailed);
        QCOMPARE(result.bytesSent, 5);
        QCOMPARE(result.writeCode, -(differences[4].offset + 1));
        rig.instrument().clearFaults();
        (void)rig.run([&rig](const device::Link& link) { (void)rig.session.readOut(link); });
        const backup::RestoreJournal journal(journalDir.path());
        QVERIFY(journal.interrupted(rig.session, 0).has_value());
        const auto left = backup::compareWithSession(rig.session, before).size();
        QVERIFY(left < differing);
        const auto sentBefore = rig.framesOf("KW").size();
        (void)rig.run([&](const device::Link& link) {
            result = backup::restoreBlock(link, rig.session, before, 0, policy);
        });
        QCOMPARE(result.outcome, backup::RestoreOutcome::Verified);
        QCOMPARE(rig.framesOf("KW").size() - sentBefore, left);
        QCOMPARE(rig.instrument().block(0), before.sensor(0)->raw);
        QCOMPARE(rig.session.sensors().CurrentSensor.Description,
                 before.sensor(0)->decoded.Description);
        QVERIFY(!journal.interrupted(rig.session, 0).has_value());
        QVERIFY(QDir(journalDir.path()).isEmpty());
        (void)rig.run([&](const device::Link& link) {
            result = backup::restoreBlock(link, rig.session, before, 0, policy);
        });
        QCOMPARE(result.outcome, backup::RestoreOutcome::Unchanged);
        QCOMPARE(rig.framesOf("KW").size() - sentBefore, left);
    }

    // Each refusal of the restore policy, what overriding it does, and no snapshot, no write.
    void policyRefusesAnotherInstrumentSensorOrBlock_data() {
        QTest::addColumn<QByteArray>("identification");
        QTest::addColumn<int>("mask");
        QTest::addColumn<QByteArray>("sensorId");
        QTest::addColumn<int>("target");
        QTest::addColumn<QList<backup::Refusal>>("refusals");
        QTest::addColumn<int>("sent"); // by the forced restore
        const QByteArray same = "TORAN R-40 v2.10\r";
        QTest::newRow("the same") << same << 3 << QByteArray() << 0 << QList<backup::Refusal>{}
                                  << 4;
        QTest::newRow("identification")
            << QByteArray("TORAN R-40 v2.11\r") << 3 << QByteArray() << 0
            << QList<backup::Refusal>{backup::Refusal::OtherIdentification} << 4;
        QTest::newRow("sensor id") << same << 3 << QByteArray("99ZZZZ99") << 0
                                   << QList<backup::Refusal>{backup::Refusal::OtherSensorId} << 12;
        QTest::newRow("no sensor") << same << 2 << QByteArray() << 0
                                   << QList<backup::Refusal>{backup::Refusal::NoSensor} << 256;
        QTest::newRow("block") << same << 3 << QByteArray() << 1
                               << QList<backup::Refusal>{backup::Refusal::OtherBlock} << 4;
    }
    void policyRefusesAnotherInstrumentSensorOrBlock() {
        QFETCH(QByteArray, identification);
        QFETCH(int, mask);
        QFETCH(QByteArray, sensorId);
        QFETCH(int, target);
        QFETCH(QList<backup::Refusal>, refusals);
        QFETCH(int, sent);
        Rig rig;
        backup::Backup file = rig.taken();
        QByteArray raw = file.sensors.front().raw;
        raw.replace(8, 4, "Novy");
        if (!sensorId.isEmpty())
            raw.replace("53EKAB17", sensorId);
        file.sensors.front() = backup::sensorBackup(0, raw);
        rig.instrument().setIdentification(identification);
        rig.instrument().setSensorMask(mask);
        (void)rig.run([&rig](const device::Link& link) { (void)rig.session.readOut(link); });

        QList<backup::Refusal> found;
        for (const backup::RestoreRefusal& refusal :
             backup::restoreRefusals(rig.session, file, 0, target))
            found.append(refusal.kind);
        QCOMPARE(found, refusals);

        backup::RestorePolicy policy;
        policy.target = target;
        bool asked = false;
        policy.overrideRefusals = [&](const QList<backup::RestoreRefusal>&) {
            asked = true;
            return false;
        };
        backup::RestoreResult result;
        (void)rig.run([&](const device::Link& link) {
            result = backup::restoreBlock(link, rig.session, file, 0, policy);
        });
        QCOMPARE(asked, !refusals.isEmpty());
        QCOMPARE(result.outcome, refusals.isEmpty() ? backup::RestoreOutcome::NoSnapshot
                                                    : backup::RestoreOutcome::Refused);
        QVERIFY(rig.framesOf("KW").isEmpty());
        policy.overrideRefusals = [](const QList<backup::RestoreRefusal>&) { return true; };
        policy.writeWithoutSnapshot = [] { return true; };
        (void)rig.run([&](const device::Link& link) {
            result = backup::restoreBlock(link, rig.session, file, 0, policy);
        });
        // A block the instrument does not show cannot be read back: written, not verified.
        QCOMPARE(result.outcome, sent == 256 ? backup::RestoreOutcome::ReadFailed
                                             : backup::RestoreOutcome::Verified);
        QCOMPARE(rig.framesOf("KW").size(), sent);
    }

    // A block half-written by a forced restore is repaired by the same restore without forcing.
    void halfWrittenBlockIsNotRefusedForItsSensorId() {
        Rig rig;
        QTemporaryDir journalDir;
        backup::Backup file = rig.taken();
        QByteArray raw = file.sensors.front().raw;
        raw.replace(8, 4, "Novy").replace("53EKAB17", "99ZZZZ99");
        file.sensors.front() = backup::sensorBackup(0, raw);
        backup::RestorePolicy forced;
        forced.overrideRefusals = [](const QList<backup::RestoreRefusal>&) { return true; };
        forced.writeWithoutSnapshot = [] { return true; };
        forced.journalDirectory = journalDir.path();
        rig.instrument().addFault(*sim::parseFault(u"KW none after 2").fault);
        backup::RestoreResult result;
        (void)rig.run([&](const device::Link& link) {
            result = backup::restoreBlock(link, rig.session, file, 0, forced);
        });
        QCOMPARE(result.outcome, backup::RestoreOutcome::WriteFailed);
        rig.instrument().clearFaults();
        (void)rig.run([&rig](const device::Link& link) { (void)rig.session.readOut(link); });
        QCOMPARE(backup::restoreRefusals(rig.session, file, 0, 0).size(), 1);
        QVERIFY(backup::restoreRefusals(rig.session, file, 0, 0, journalDir.path()).isEmpty());
        // A restore cut before it changed a byte leaves no half-written block behind.
        const backup::RestoreJournal journal(journalDir.path());
        QVERIFY(journal.interrupted(rig.session, 0));
        rig.instrument().addFault(*sim::parseFault(u"silence").fault);
        (void)rig.run([&](const device::Link& link) {
            result = backup::restoreBlock(link, rig.session, file, 0, forced);
        });
        QCOMPARE(result.outcome, backup::RestoreOutcome::WriteFailed);
        rig.instrument().clearFaults();
        (void)rig.run([&rig](const device::Link& link) { (void)rig.session.readOut(link); });
        QVERIFY(!journal.interrupted(rig.session, 0));
    }

    void readerRefusesBadInput_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<bool>("resign");
        QTest::addColumn<backup::ReadError>("error");
        const auto member = [](const char* name, QJsonValue value) {
            return Edit([=](QJsonObject& d) { d[QLatin1String(name)] = value; });
        };
        const auto sensorEdit = [](const char* name, QJsonValue value) {
            return Edit([=](QJsonObject& d) {
                QJsonArray sensors = d[QStringLiteral("sensors")].toArray();
                QJsonObject entry = sensors[0].toObject();
                if (QLatin1String(name) == QLatin1String("raw")) {
                    entry[QStringLiteral("raw")] = value;
                } else {
                    QJsonObject fields = entry[QStringLiteral("fields")].toObject();
                    fields[QLatin1String(name)] = value;
                    entry[QStringLiteral("fields")] = fields;
                }
                sensors[0] = entry;
                d[QStringLiteral("sensors")] = sensors;
            });
        };
        const Edit none = [](QJsonObject&) {};
        QTest::newRow("not JSON") << QByteArray("{\"format\":") << none << false
                                  << backup::ReadError::NotJson;
        QTest::newRow("a JSON array")
            << QByteArray("[]") << none << false << backup::ReadError::NotJson;
        QTest::newRow("another format")
            << QByteArray() << member("format", "x") << false << backup::ReadError::NotBackup;
        QTest::newRow("no sensors")
            << QByteArray() << member("sensors", 1) << true << backup::ReadError::NotBackup;
        QTest::newRow("version 2")
            << QByteArray() << member("version", 2) << false << backup::ReadError::OtherVersion;
        QTest::newRow("checksum") << QByteArray() << member("taken", "2026-01-02T03:04:05.007Z")
                                  << false << backup::ReadError::BadChecksum;
        QTest::newRow("no sha256")
            << QByteArray() << Edit([](QJsonObject& d) { d.remove(QStringLiteral("sha256")); })
            << false << backup::ReadError::NotBackup;
        QTest::newRow("takenFor") << QByteArray() << member("takenFor", 1) << true
                                  << backup::ReadError::NotBackup;
        QTest::newRow("short block") << QByteArray() << sensorEdit("raw", QString(510, u'0'))
                                     << true << backup::ReadError::BadBlock;
        QTest::newRow("not hex") << QByteArray() << sensorEdit("raw", QString(512, u'g')) << true
                                 << backup::ReadError::BadBlock;
        QTest::newRow("other digits") << QByteArray() << sensorEdit("raw", QString(512, u'\u0663'))
                                      << true << backup::ReadError::BadBlock;
        QTest::newRow("fields") << QByteArray() << sensorEdit("Description", "X") << true
                                << backup::ReadError::FieldsDisagree;
    }
    void readerRefusesBadInput() {
        QFETCH(QByteArray, bytes);
        QFETCH(Edit, edit);
        QFETCH(bool, resign);
        QFETCH(backup::ReadError, error);
        Rig rig;
        if (bytes.isEmpty()) {
            QJsonObject document = backup::toJson(rig.taken());
            edit(document);
            if (resign)
                document[QStringLiteral("sha256")] = backup::checksumOf(document);
            bytes = QJsonDocument(document).toJson();
        }
        const auto read = backup::readBackup(bytes, text::LanguageTable{});
        QVERIFY(std::holds_alternative<backup::ReadFailure>(read));
        const backup::ReadFailure& failure = std::get<backup::ReadFailure>(read);
        QCOMPARE(failure.error, error);
        // The member is named (the row's name holds it), so a missing checksum is told apart.
        QCOMPARE(!failure.member.isEmpty(), error == backup::ReadError::NotBackup);
        QVERIFY(QString::fromLatin1(QTest::currentDataTag()).contains(failure.member));
    }

    // 1,000 snapshots of other sensors written with a clock that was far ahead, then writes
    // with the clock right, far ahead and far behind: the file just written always stays and
    // lists first, each sensor keeps its newest 50 (and those younger than 90 days), foreign
    // files stay, older names list after the new ones with their block guessed.
    void storeKeepsEachSensorsSnapshots() {
        Rig rig;
        QTemporaryDir dir;
        const QDir files(dir.path());
        const backup::SnapshotStore store(dir.path());
        const QDateTime now(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
        const QStringList foreign{QStringLiteral("notes.txt"), QStringLiteral("A_1.json"),
                                  QStringLiteral("trace-notes.txt"),
                                  QStringLiteral("X_20000101-000000-000.json")};
        for (const QString& name : foreign)
            writeFile(files.filePath(name), "not a snapshot");
        const QByteArray v1 = readFile(QFINDTESTDATA("data/backup-v1.json"));
        writeFile(files.filePath(QStringLiteral("4B02MQA5_20250101-000000-000.json")), v1);
        for (int i = 0; i < 1000; ++i)
            writeFile(files.filePath(
                          QStringLiteral("B%1_%2_20400101-000000-000.json").arg(i % 10).arg(i + 1)),
                      v1);
        // Sensor A's older snapshots, written with a clock far behind.
        for (int i = 0; i < backup::SnapshotStore::KeptPerSensor + 5; ++i)
            writeFile(files.filePath(QStringLiteral("A_%1_20000101-000000-000.json").arg(1001 + i)),
                      v1);
        for (int i = 0; i < backup::SnapshotStore::KeptTraces + 5; ++i)
            writeFile(
                files.filePath(
                    QStringLiteral("trace-20400101-0000%1-000.txt").arg(i, 2, 10, QChar(u'0'))),
                "trace");
        const auto count = [&files](const QString& pattern) {
            return files.entryList({pattern}, QDir::Files).size();
        };

        backup::Backup snapshot = rig.taken();
        const auto write = [&](const QDateTime& taken, const QString& id) {
            snapshot.taken = taken;
            const backup::SnapshotWrite written = store.write(snapshot, id, 1, rig.texts);
            return written.written && QFileInfo::exists(written.path) ? written.path : QString();
        };
        QString last = write(now, QStringLiteral("A"));
        QVERIFY(!last.isEmpty());
        QCOMPARE(count(QStringLiteral("B*")), 1000);
        QCOMPARE(count(QStringLiteral("A_*_*")), backup::SnapshotStore::KeptPerSensor);
        last = write(now.addYears(20), QStringLiteral("A"));
        QVERIFY(!last.isEmpty());
        QCOMPARE(count(QStringLiteral("B*")), 10 * backup::SnapshotStore::KeptPerSensor);
        QCOMPARE(count(QStringLiteral("B3_*")), backup::SnapshotStore::KeptPerSensor);
        QVERIFY(files.exists(QStringLiteral("B3_994_20400101-000000-000.json")));
        QList<backup::SnapshotInfo> listed = store.list(QStringLiteral(" A "), rig.texts);
        QCOMPARE(listed.size(), backup::SnapshotStore::KeptPerSensor);
        QCOMPARE(listed.front().path, last);
        QCOMPARE(listed.front().block, 1);
        QVERIFY(listed.front().blockRecorded);
        last = write(now.addYears(-20), QStringLiteral("A"));
        QCOMPARE(store.list(QStringLiteral("A"), rig.texts).front().path, last);

        listed = store.list(QStringLiteral("4B02MQA5"), rig.texts);
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed.front().block, 1);
        QVERIFY(!listed.front().blockRecorded);
        QVERIFY(!write(now, QStringLiteral("A:")).isEmpty());
        QVERIFY(!write(now, QStringLiteral("  ")).isEmpty());
        QCOMPARE(store.list(QStringLiteral("A;"), rig.texts).size(), 0);
        QCOMPARE(store.list(QStringLiteral("A:"), rig.texts).size(), 1);
        QCOMPARE(store.list(QString(), rig.texts).size(), 1);

        const QString trace = store.newTracePath(now.addYears(-20));
        writeFile(trace, "trace");
        store.pruneTraces(trace);
        QCOMPARE(count(QStringLiteral("trace-*.txt")), backup::SnapshotStore::KeptTraces + 1);
        QVERIFY(QFileInfo::exists(trace));
        for (const QString& name : foreign)
            QVERIFY2(files.exists(name), qPrintable(name));

        // A snapshot that does not read back as a backup does not count and is not kept.
        snapshot.taken = {};
        const backup::SnapshotWrite undated = store.write(snapshot, QStringLiteral("U"));
        QVERIFY(!undated.written && !QFileInfo::exists(undated.path));
        const backup::SnapshotStore blocked(files.filePath(QStringLiteral("notes.txt")));
        QVERIFY(!blocked.write(snapshot, QStringLiteral("A")).written);
    }

    // No two sensor ids share a file name, also where only letter case or `:;<=>?@` differ or
    // the id is blank; the name gives the id back.
    void fileStemsKeepSensorIdsApart() {
        const QStringList ids{QString(),
                              QStringLiteral("none"),
                              QStringLiteral("A"),
                              QStringLiteral("a"),
                              QStringLiteral("A:"),
                              QStringLiteral("A;"),
                              QStringLiteral("A<"),
                              QStringLiteral("A="),
                              QStringLiteral("A>"),
                              QStringLiteral("A?"),
                              QStringLiteral("A@"),
                              QStringLiteral("A-"),
                              QStringLiteral("A_1"),
                              QStringLiteral("A%3A"),
                              QStringLiteral("Čidlo"),
                              QStringLiteral("A B")};
        QSet<QString> stems;
        const QRegularExpression safe(QStringLiteral("^[A-Z0-9%-]*$"));
        for (const QString& id : ids) {
            const QString stem = backup::SnapshotStore::fileStem(id);
            stems.insert(stem);
            QVERIFY2(safe.match(stem).hasMatch(), qPrintable(stem));
            QCOMPARE(backup::SnapshotStore::sensorIdOfStem(stem), id);
        }
        QCOMPARE(stems.size(), ids.size());
        QCOMPARE(backup::SnapshotStore::fileStem(QStringLiteral(" A ")), QStringLiteral("A"));
        QCOMPARE(backup::SnapshotStore::sensorIdOfStem(QStringLiteral("%3a")), std::nullopt);
    }

    // A full disk (a file size limit of 1 KB) fails the write: the good file stays as it was, no
    // snapshot counts and nothing half-written is left.
    void failedWriteKeepsTheFileBefore() {
#ifdef Q_OS_UNIX
        Rig rig;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("good.json"));
        backup::Backup changed = rig.taken();
        QVERIFY(backup::writeBackupFile(changed, path));
        const QByteArray before = readFile(path);
        changed.displayDigits = 4;
        (void)std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        const bool written = backup::writeBackupFile(changed, path, &error);
        const backup::SnapshotWrite snapshot =
            backup::SnapshotStore(dir.path()).write(changed, QStringLiteral("A"));
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
        QVERIFY2(!written && !error.isEmpty(), qPrintable(error));
        QCOMPARE(readFile(path), before);
        QVERIFY(!snapshot.written && !snapshot.error.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("good.json")});
#else
        QSKIP("needs a POSIX file size limit");
#endif
    }

    // Only a regular file of at most 1 MiB is read; the rest is refused before it is read, each
    // with its own reason.
    void readerRefusesWhatIsNotABackupFile_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<backup::ReadError>("error");
        QTest::addColumn<int>("text");
        QTest::newRow("missing") << QStringLiteral("missing.json") << backup::ReadError::NoFile
                                 << 134;
        QTest::newRow("no permission")
            << QStringLiteral("locked.json") << backup::ReadError::NoFile << 135;
        QTest::newRow("directory") << QString() << backup::ReadError::NotAFile << 136;
        QTest::newRow("device") << QStringLiteral("/dev/zero") << backup::ReadError::NotAFile
                                << 136;
        QTest::newRow("FIFO") << QStringLiteral("fifo") << backup::ReadError::NotAFile << 136;
        QTest::newRow("too large")
            << QStringLiteral("large.json") << backup::ReadError::TooLarge << 137;
    }
    void readerRefusesWhatIsNotABackupFile() {
        QFETCH(QString, path);
        QFETCH(backup::ReadError, error);
        QFETCH(int, text);
        QTemporaryDir dir;
        path = QDir(dir.path()).filePath(path);
#ifdef Q_OS_UNIX
        if (path.endsWith(u"fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        if (path.endsWith(u"locked.json")) {
            if (::geteuid() == 0)
                QSKIP("root reads any file");
            writeFile(path, "{}");
            QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        }
#endif
        if (path.endsWith(u"large.json")) {
            QFile large(path);
            QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(backup::MaxFileSize + 1));
        }
        const auto read = backup::readBackupFile(path, text::LanguageTable{});
        QVERIFY(std::holds_alternative<backup::ReadFailure>(read));
        const backup::ReadFailure& failure = std::get<backup::ReadFailure>(read);
        QCOMPARE(failure.error, error);
        const QString expected = text::BuiltInText(text).arg(QDir::toNativeSeparators(path));
        QCOMPARE(failure.message.left(expected.indexOf(u'%')),
                 expected.left(expected.indexOf(u'%')));
    }

    // A file written by the first version reads with its checksum; the checksum covers every
    // member, "takenFor" included.
    void storedFileStillReads() {
        const auto read =
            backup::readBackupFile(QFINDTESTDATA("data/backup-v1.json"), text::LanguageTable{});
        const auto* file = std::get_if<backup::Backup>(&read);
        QVERIFY(file != nullptr);
        QCOMPARE(file->identification, QStringLiteral("TORAN R-40 v2.10"));
        QCOMPARE(file->sensors.size(), std::size_t{2});
        QCOMPARE(file->sensor(1)->decoded.SensorId.trimmed(), QStringLiteral("4B02MQA5"));
        QCOMPARE(file->takenFor, std::nullopt);
    }
    void checksumCoversEveryMember_data() {
        QTest::addColumn<QString>("member");
        QTest::addColumn<backup::ReadError>("error");
        QStringList members;
        leavesOf(withTakenFor(), QString(), members);
        for (const QString& member : members) {
            QTest::newRow(qPrintable(member))
                << member
                << (member == u"format"    ? backup::ReadError::NotBackup
                    : member == u"version" ? backup::ReadError::OtherVersion
                                           : backup::ReadError::BadChecksum);
        }
    }
    void checksumCoversEveryMember() {
        QFETCH(QString, member);
        QFETCH(backup::ReadError, error);
        const QJsonValue document = changedAt(withTakenFor(), member);
        QVERIFY(std::holds_alternative<backup::Backup>(
            backup::readBackup(QJsonDocument(withTakenFor()).toJson(), text::LanguageTable{})));
        const auto read =
            backup::readBackup(QJsonDocument(document.toObject()).toJson(), text::LanguageTable{});
        QVERIFY(std::holds_alternative<backup::ReadFailure>(read));
        const backup::ReadFailure& failure = std::get<backup::ReadFailure>(read);
        QCOMPARE(failure.error, error);
        // The member is named (the row's name holds it), so a missing checksum is told apart.
        QCOMPARE(!failure.member.isEmpty(), error == backup::ReadError::NotBackup);
        QVERIFY(QString::fromLatin1(QTest::currentDataTag()).contains(failure.member));
    }

    // Each save keeps the block it replaces; a failed one names that snapshot and the trace; F7
    // writes a snapshot back and finds it read back equal.
    void windowKeepsSnapshotsAndRestoresThem() {
        testsupport::InstrumentRig rig(2);
        rig.snapshotDirectory = rig.dir.filePath(QStringLiteral("snapshots"));
        // A restore cut off half way is told at the connect and at F7, naming its snapshot.
        const backup::RestoreJournal journal(rig.snapshotDirectory);
        const auto cutRestore = [&journal] {
            QVERIFY(journal.begin({0, QStringLiteral("TORAN R-40 v2.10"),
                                   QStringLiteral("cut.json"), QByteArray(256, 'U'),
                                   QByteArray(256, 'V'), QDateTime::currentDateTimeUtc()}));
        };
        const auto told = [&rig] {
            return rig.messages.texts().filter(QStringLiteral("cut.json")).size();
        };
        cutRestore();
        app::frmOrvoCalibration& window = rig.startAt(session::WizardStep::SensorPage);
        rig.next();
        QCOMPARE(told(), 1);
        rig.messages.clear();
        const QByteArray before = rig.instrument().block(0);
        const QString rangeBefore = window.fraSNIMAC->txtRozsah->text();
        window.fraSNIMAC->txtPopis->setText(QStringLiteral("Jiný"));
        window.fraSNIMAC->txtRozsah->setText(QStringLiteral("150.5"));
        rig.instrument().addFault(*sim::parseFault(u"KW none after 4").fault);
        for (int save = 0; save < 2; ++save) {
            rig.messages.answer(text::MsgAnswer::Yes);
            window.fraSNIMAC->cmdAction[1]->click();
            rig.instrument().clearFaults();
        }
        const QDir snapshots(rig.snapshotDirectory);
        const QStringList files = snapshots.entryList(QDir::Files, QDir::Name);
        QCOMPARE(files.size(), 3); // two snapshots and the trace of the failure
        QVERIFY(rig.messages.texts().at(1).contains(snapshots.filePath(files[0])) &&
                rig.messages.texts().at(1).contains(files[2]));
        const auto kept = backup::readBackupFile(snapshots.filePath(files[0]), window.LangText());
        QCOMPARE(std::get<backup::Backup>(kept).sensor(0)->raw, before);
        QVERIFY(rig.instrument().block(0) != before);

        const auto pickNewest = [&window] {
            QTimer::singleShot(0, &window, [&window] {
                auto* dialog = window.findChild<app::RestoreDialog*>();
                QCOMPARE(dialog->lstSnapshots->topLevelItemCount(), 2);
                dialog->accept();
            });
        };
        // Another instrument: a question whose default, No, writes nothing.
        cutRestore();
        rig.instrument().setIdentification("TORAN R-40 v2.11\r");
        const auto sent = rig.framesOf("KW").size();
        pickNewest();
        rig.messages.answer(text::MsgAnswer::Yes);
        QTest::keyClick(&window, Qt::Key_F7);
        QCOMPARE(rig.messages.shown.last().buttons, text::MsgButtons::YesNo);
        QVERIFY(rig.messages.texts().last().contains(u"TORAN R-40 v2.11"));
        QCOMPARE(rig.framesOf("KW").size(), sent);
        rig.instrument().setIdentification("TORAN R-40 v2.10\r");
        pickNewest();
        rig.messages.answer(text::MsgAnswer::Yes);
        // The dialogs leave the offscreen window inactive, so the action itself.
        window.findChild<QAction*>(QStringLiteral("mObnovit"))->trigger();
        QCOMPARE(rig.instrument().block(0), before);
        QCOMPARE(rig.messages.texts().last(), text::BuiltInText(147));
        QCOMPARE(told(), 1); // the write of the block took over from the cut restore
        QVERIFY(snapshots.entryList({QStringLiteral("*.journal")}).isEmpty());
        // The pages show what the restore wrote; Next with nothing touched writes nothing.
        QCOMPARE(window.fraSNIMAC->txtRozsah->text(), rangeBefore);
        QVERIFY(window.fraSNIMAC->txtPopis->text() != QStringLiteral("Jiný"));
        const auto written = rig.framesOf("KW").size();
        rig.next();
        QCOMPARE(rig.framesOf("KW").size(), written);
        QVERIFY(window.fraCURVE->isVisible());

        // A directory that cannot be written is said once; the saves go on.
        testsupport::InstrumentRig blocked(2);
        blocked.snapshotDirectory = snapshots.filePath(files[0]);
        app::frmOrvoCalibration& other = blocked.startAt(session::WizardStep::CurvePage);
        for (int save = 0; save < 2; ++save) {
            blocked.messages.answer(text::MsgAnswer::Yes);
            other.fraSNIMAC->cmdAction[1]->click();
        }
        QCOMPARE(blocked.messages.texts().size(), 3);
        QCOMPARE(blocked.framesOf("KW").size(), 2 * 128);
    }

    void traceKeepsTheLastFramesBothWays() {
        testsupport::SessionRig rig;
        device::SerialTrace trace;
        device::TracingLine line(rig.line, trace);
        for (int i = 0; i < device::SerialTrace::Capacity; ++i)
            line.send("$00@\r");
        (void)rig.line.readAll();
        line.send("$00KQ\r");
        rig.clock.advance(std::chrono::milliseconds(100));
        (void)line.readAll();
        const QList<device::TraceEntry> entries = trace.entries();
        QCOMPARE(entries.size(), device::SerialTrace::Capacity);
        QCOMPARE(entries.back().printable(), QStringLiteral("03<CR>"));
        QCOMPARE(entries[entries.size() - 2].hex(), QStringLiteral("24 30 30 4B 51 0D"));
    }
};

QTEST_MAIN(BackupTest)
#include "tst_backup.moc"
