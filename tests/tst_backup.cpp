#include "core/backup/Restore.h"
#include "core/backup/RestoreJournal.h"
#include "core/backup/SnapshotStore.h"
#include "core/instrument/SerialTrace.h"
#include "sim/Fault.h"
#include "sim/SensorBlock.h"
#include "tests/support/SessionRig.h"
#include "tests/support/WindowRig.h"
#include "views/CurvePage.h"
#include "views/RestoreAction.h"
#include "views/SensorPage.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <functional>

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
        QCOMPARE(std::get<backup::ReadFailure>(read).error, error);
    }

    void storeKeepsTheNewestAndListsThemNewestFirst() {
        Rig rig;
        QTemporaryDir dir;
        const backup::SnapshotStore store(dir.filePath(QStringLiteral("snapshots")));
        backup::Backup snapshot = rig.taken();
        const QDateTime first = snapshot.taken;
        for (int i = 0; i < backup::SnapshotStore::Kept + 3; ++i) {
            snapshot.taken = first.addSecs(i);
            QVERIFY(store.write(snapshot, i % 2 == 0 ? QStringLiteral("A 1") : QStringLiteral("B"))
                        .written);
        }
        QCOMPARE(QDir(store.directory()).entryList(QDir::Files).size(),
                 backup::SnapshotStore::Kept);
        const QList<backup::SnapshotInfo> listed = store.list(QStringLiteral("A 1"), rig.texts);
        QCOMPARE(listed.size(), 100); // 102 written, the oldest two of the three removed were A's
        QCOMPARE(listed.front().taken, first.addSecs(backup::SnapshotStore::Kept + 2));
        QCOMPARE(listed.front().pointCount, 3);
        QVERIFY(listed.back().taken > listed.front().taken.addSecs(-400));

        const backup::SnapshotStore blocked(
            QDir(store.directory())
                .filePath(QDir(store.directory()).entryList(QDir::Files).last()));
        QVERIFY(!blocked.write(snapshot, QStringLiteral("A")).written);
    }

    // Each save keeps the block it replaces; a failed one names that snapshot and the trace; F7
    // writes a snapshot back and finds it read back equal.
    void windowKeepsSnapshotsAndRestoresThem() {
        testsupport::InstrumentRig rig(2);
        rig.snapshotDirectory = rig.dir.filePath(QStringLiteral("snapshots"));
        app::frmOrvoCalibration& window = rig.startAt(session::WizardStep::CurvePage);
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
