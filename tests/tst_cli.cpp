// torancal-cli as a production script runs it, against toran-sim on a pseudo-terminal.

#include "core/backup/Backup.h"
#include "core/records/RecordStore.h"
#include "core/text/LanguageTable.h"
#include "tests/support/DccSchema.h"
#include "tests/support/SimProcess.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

QString cliExecutable() {
    const QString path = qEnvironmentVariable("TORANCAL_BIN_DIR") + QStringLiteral("/torancal-cli");
    return QFileInfo(path).isExecutable() ? path : QString();
}

// The simulator at COM1 of a private port directory, answering without line pacing, and the
// command line with its data directory beside it.
struct CliRig {
    QTemporaryDir dir;
    testsupport::SimProcess sim{dir.filePath(QStringLiteral("COM1")),
                                {QStringLiteral("--baud"), QStringLiteral("0")}};
    text::LanguageTable texts;

    void start(QProcess& process, const QStringList& arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TORANCAL_PORT_DIR"), dir.path());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        process.setProcessEnvironment(environment);
        process.start(cliExecutable(), arguments);
    }
    static Run finished(QProcess& process) {
        if (!process.waitForFinished(60000))
            return {};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
    Run cli(const QStringList& arguments) {
        QProcess process;
        start(process, arguments);
        return finished(process);
    }
    int frames() { return sim.command(QStringLiteral("frames")).toInt(); }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    backup::Backup read(const QString& path) const {
        return std::get<backup::Backup>(backup::readBackupFile(path, texts));
    }
    // `file` with `from` replaced by `to` in the external block, written to `path`.
    QString edited(const backup::Backup& file, const QByteArray& from, const QByteArray& to,
                   const char* name) const {
        backup::Backup changed = file;
        changed.sensors.front() =
            backup::sensorBackup(0, QByteArray(file.sensors.front().raw).replace(from, to));
        (void)backup::writeBackupFile(changed, path(name));
        return path(name);
    }
    QByteArray block(int number) {
        return QByteArray::fromHex(sim.command(QStringLiteral("block %1").arg(number)).toLatin1());
    }
};

} // namespace

class CliTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (testsupport::SimProcess::executable().isEmpty() || cliExecutable().isEmpty())
            QSKIP("toran-sim or torancal-cli not found (TORANCAL_BIN_DIR)");
    }

    void usageAndFiles() {
        CliRig rig;
        QFile notJson(rig.path("not.json"));
        QVERIFY(notJson.open(QIODevice::WriteOnly) && notJson.write("{") == 1);
        notJson.close();
        const Run usage = rig.cli({QStringLiteral("calibrate"), QStringLiteral("--json")});
        QCOMPARE(QJsonDocument::fromJson(usage.out.toUtf8()).object().value(u"exitCode"), 64);
        QCOMPARE(rig.cli({QStringLiteral("backup"), QStringLiteral("--port=COM1")}).code, 64);
        QCOMPARE(
            rig.cli({QStringLiteral("verify"), QStringLiteral("--port=COM1"), notJson.fileName()})
                .code,
            65);
        const Run none = rig.cli(
            {QStringLiteral("restore"), QStringLiteral("--port=COM1"), rig.path("none.json")});
        QCOMPARE(none.code, 66);
        QVERIFY2(none.err.contains(u"none.json: no such file"), qPrintable(none.err));
    }

    // history, show and export read the store the window writes, each --json run one object;
    // an unknown certificate is 66.
    void historyShowAndExportOfTheRecords() {
        CliRig rig;
        const QString path = rig.path("records.sqlite");
        QString certificate;
        {
            records::RecordStore store({path});
            const QDateTime ended(QDate(2026, 2, 1), QTime(12, 0), Qt::UTC);
            records::CalibrationRecord c;
            c.sensorId = QStringLiteral("S1");
            c.unit = QStringLiteral("kN");
            c.fullScale = 100.0;
            c.operatorName = QStringLiteral("Novák");
            c.started = ended.addSecs(-600);
            c.ended = ended;
            c.points = {{0.0, 0.0, ended}, {2.0, 100.0, ended}};
            c.asLeft = {{100.0, 100.05, ended}};
            certificate = store.record(c).certificate;
            c.sensorId = QStringLiteral("S2");
            c.ended = ended.addDays(1);
            QVERIFY(store.record(c).kept());
        }
        const auto json = [&](QStringList arguments) {
            const Run run = rig.cli(arguments << QStringLiteral("--json")
                                              << QStringLiteral("--records") << path);
            return QJsonDocument::fromJson(run.out.toUtf8()).object();
        };
        const QJsonArray all = json({QStringLiteral("history")})[u"calibrations"].toArray();
        QCOMPARE(all.size(), 2);
        QCOMPARE(all[0][u"sensorId"], "S2"); // newest first
        QCOMPARE(all[1][u"certificate"], certificate);
        QCOMPARE(json({QStringLiteral("history"), QStringLiteral("--sensor"),
                       QStringLiteral("S1")})[u"calibrations"]
                     .toArray()
                     .size(),
                 1);
        const QJsonObject shown = json({QStringLiteral("show"), certificate})[u"record"].toObject();
        QCOMPARE(shown[u"operator"], QStringLiteral("Novák"));
        QCOMPARE(shown[u"asLeft"].toArray().size(), 1);
        QCOMPARE(json({QStringLiteral("show"), QStringLiteral("TC-1999-00001")})[u"exitCode"], 66);

        // The CSV opens with the certificate's header; the PDF is the window's, and it says so.
        const QString csv = rig.path("certificate.csv");
        QCOMPARE(json({QStringLiteral("export"), certificate, QStringLiteral("--format"),
                       QStringLiteral("csv"), QStringLiteral("-o"), csv})[u"exitCode"],
                 0);
        QFile csvFile(csv);
        QVERIFY(csvFile.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(csvFile.readAll()).split(u'\n');
        for (const QString& line :
             {"certificate;" + certificate, QStringLiteral("operator;Novák"),
              QStringLiteral("standard;not stated"), QStringLiteral("as_left_verdict;pass"),
              QStringLiteral("as-left;1;;100;100.05;0.05;0.05;yes;2026-02-01T12:00:00.000Z")})
            QVERIFY2(lines.contains(line), qPrintable(line));
        const Run pdf = rig.cli({QStringLiteral("export"), certificate, QStringLiteral("--format"),
                                 QStringLiteral("pdf"), QStringLiteral("-o"), rig.path("c.pdf")});
        QCOMPARE(pdf.code, 64);
        QVERIFY2(pdf.err.contains(u"history in the window (F3)"), qPrintable(pdf.err));

        const QString xml = rig.path("certificate.xml");
        QCOMPARE(json({QStringLiteral("export"), certificate, QStringLiteral("--format"),
                       QStringLiteral("dcc"), QStringLiteral("-o"), xml})[u"exitCode"],
                 0);
        QFile file(xml);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::optional<QString> problems = testsupport::dccSchemaProblems(file.readAll());
        if (!problems)
            QSKIP(TORANCAL_SKIP_WITHOUT_XMLLINT);
        QVERIFY2(problems->isEmpty(), qPrintable(*problems));
    }

    void backupChangeRestoreVerify() {
        CliRig rig;
        QVERIFY2(rig.sim.isReady(), qPrintable(rig.sim.error()));
        const QString port = QStringLiteral("--port=COM1");
        const QString a = rig.path("a.json");
        QCOMPARE(rig.cli({QStringLiteral("backup"), port, QStringLiteral("-o"), a}).code, 0);
        const backup::Backup original = rig.read(a);
        QCOMPARE(original.sensors.size(), std::size_t{2});

        // The sensor changed by a restore of an edited file, over the device path itself.
        const QString other = rig.edited(original, "EXT", "NEW", "b.json");
        QCOMPARE(rig.cli({QStringLiteral("restore"), QStringLiteral("--port"), rig.path("COM1"),
                          QStringLiteral("--sensor"), QStringLiteral("ext"), other})
                     .code,
                 0);
        const Run differs = rig.cli({QStringLiteral("verify"), port, a});
        QCOMPARE(differs.code, 1);
        QVERIFY2(differs.out.contains(u"difference: block ext offset 15 field Description: file 45 "
                                      u"instrument 4E"),
                 qPrintable(differs.out));

        QCOMPARE(rig.cli({QStringLiteral("restore"), port, a}).code, 0);
        const Run equal = rig.cli({QStringLiteral("verify"), port, QStringLiteral("--json"), a});
        QCOMPARE(QJsonDocument::fromJson(equal.out.toUtf8()).object().value(u"exitCode"), 0);
        QCOMPARE(rig.block(0), original.sensors[0].raw);
        QCOMPARE(rig.block(1), original.sensors[1].raw);

        // Another sensor id: refused without a frame written, by the dry run too, then forced.
        const QString stranger = rig.edited(original, "53EKAB17", "99ZZZZ99", "c.json");
        for (const QStringList& options :
             {QStringList{}, QStringList{QStringLiteral("--dry-run")}}) {
            const Run refused = rig.cli(QStringList{QStringLiteral("restore"), port} + options +
                                        QStringList{stranger});
            QCOMPARE(refused.code, 65);
            QVERIFY(refused.err.contains(u"restore refused: sensor ext"));
        }
        QCOMPARE(rig.block(0), original.sensors[0].raw);
        QCOMPARE(rig.cli({QStringLiteral("restore"), port, QStringLiteral("--force"),
                          QStringLiteral("--sensor=ext"), stranger})
                     .code,
                 0);
        QCOMPARE(rig.block(0), rig.read(stranger).sensors[0].raw);

        // The line cut half way: changed and not verified; the file and the snapshot of what the
        // instrument held stay. A later verify finds the half-written block and names that
        // snapshot; a second restore repairs it.
        QByteArray far = rig.read(stranger).sensors[0].raw;
        for (int i = 70; i < 256; ++i)
            far[i] = static_cast<char>(~far[i]);
        const QString farFile =
            rig.edited(rig.read(stranger), rig.read(stranger).sensors[0].raw, far, "far.json");
        QCOMPARE(rig.sim.command(QStringLiteral("hangup KW after 100")), QStringLiteral("ok"));
        const QStringList restoreFar{QStringLiteral("restore"), port,
                                     QStringLiteral("--sensor=ext"), farFile};
        const Run cut = rig.cli(restoreFar);
        QCOMPARE(cut.code, 75);
        QVERIFY2(cut.err.contains(u"line lost writing block ext at byte 171 of 256"),
                 qPrintable(cut.err));
        QVERIFY(cut.err.contains(QStringLiteral("note: backup file: ") + farFile));
        const qsizetype at = cut.err.indexOf(u"note: snapshot before the restore: ");
        QVERIFY(at >= 0);
        const QString snapshot = cut.err.mid(at + 35).trimmed();
        QCOMPARE(rig.read(snapshot).sensors[0].raw, rig.read(stranger).sensors[0].raw);
        QCOMPARE(rig.read(a), original);

        QVERIFY(rig.sim.command(QStringLiteral("plug")).startsWith(u"ready"));
        const Run found = rig.cli({QStringLiteral("verify"), port, farFile});
        QCOMPARE(found.code, 1);
        QVERIFY2(found.err.contains(u"block ext was left half-written") &&
                     found.err.contains(snapshot),
                 qPrintable(found.err));
        QCOMPARE(rig.cli(restoreFar).code, 0);
        const Run repaired = rig.cli({QStringLiteral("verify"), port, farFile});
        QCOMPARE(repaired.code, 0);
        QVERIFY(!repaired.err.contains(u"half-written"));

        // No snapshot, no write: --force does not go past it, --no-snapshot does.
        const QString snapshots = QFileInfo(snapshot).absolutePath();
        QVERIFY(QDir(snapshots).removeRecursively());
        QFile blocker(snapshots);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QStringList restoreA{QStringLiteral("restore"), port, QStringLiteral("--force"), a};
        QCOMPARE(rig.cli(restoreA).code, 77);
        QCOMPARE(rig.block(0), far);
        QCOMPARE(rig.cli(restoreA + QStringList{QStringLiteral("--no-snapshot")}).code, 0);
        QCOMPARE(rig.block(0), original.sensors[0].raw);
    }

    // Backups and restores are on record in the window's store, each block with its file's
    // SHA-256, outcome and snapshots; a dry run records nothing; a store that cannot be used
    // keeps them aside with one warning and the restore succeeds.
    void backupsAndRestoresAreOnRecord() {
        CliRig rig;
        QVERIFY2(rig.sim.isReady(), qPrintable(rig.sim.error()));
        const QString port = QStringLiteral("--port=COM1");
        const QString a = rig.path("a.json");
        QCOMPARE(rig.cli({QStringLiteral("backup"), port, QStringLiteral("-o"), a}).code, 0);
        const QString b = rig.edited(rig.read(a), "EXT", "NEW", "b.json");
        const QStringList restoreB{QStringLiteral("restore"), port, QStringLiteral("--sensor=ext"),
                                   b};
        QCOMPARE(rig.cli(restoreB + QStringList{QStringLiteral("--dry-run")}).code, 0);
        QCOMPARE(rig.cli(restoreB).code, 0);
        const auto json = [&](const QStringList& arguments) {
            return QJsonDocument::fromJson(
                       rig.cli(arguments + QStringList{QStringLiteral("--json")}).out.toUtf8())
                .object();
        };
        const QJsonArray entries = json({QStringLiteral("history")})[u"calibrations"].toArray();
        QCOMPARE(entries.size(), 3); // newest first, after one backup entry per sensor
        QVERIFY(entries[0][u"kind"] == "restore" && entries[2][u"kind"] == "backup");
        const QJsonObject restore =
            json({QStringLiteral("show"), entries[0][u"uuid"].toString()})[u"record"].toObject();
        QFile file(b);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(restore[u"details"][u"sha256"].toString(),
                 QString::fromLatin1(
                     QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex()));
        QCOMPARE(restore[u"details"][u"outcome"], "verified");
        QVERIFY(restore[u"asFoundSnapshot"] != restore[u"asLeftSnapshot"]);

        const QString damaged = rig.path("damaged.sqlite");
        QFile garbage(damaged);
        QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write(QByteArray(4096, 'x')) == 4096);
        garbage.close();
        const Run aside =
            rig.cli({QStringLiteral("restore"), port, QStringLiteral("--records"), damaged, a});
        QCOMPARE(aside.code, 0);
        QCOMPARE(aside.err.count(u"warning: the records store"), 1);
        QCOMPARE(QDir(damaged + QStringLiteral(".pending")).entryList(QDir::Files).size(), 5);

        // A laboratory server that cannot be reached: the backup waits in the bench's file.
        const QString bench = rig.path("bench.sqlite");
        const Run away =
            rig.cli({QStringLiteral("backup"), port, QStringLiteral("-o"), a,
                     QStringLiteral("--database=host=") + rig.path("nowhere") + " port=1",
                     QStringLiteral("--records"), bench});
        QCOMPARE(away.code, 0);
        QCOMPARE(away.err.count(u"waits in"), 1);
        const records::RecordStore waiting({bench});
        QCOMPARE(waiting.allHistory().size(), std::size_t{2});
        QCOMPARE(waiting.waitingCount(), 2 + 2); // an entry and a snapshot per sensor
    }

    // A signal during the read-out ends a restore at once with nothing written; during a block
    // write the block is finished whole, then the restore ends with 75. Meanwhile another name
    // of the same device finds the line held.
    void signalsLetTheBlockFinish() {
        CliRig rig;
        QVERIFY2(rig.sim.isReady(), qPrintable(rig.sim.error()));
        const QString port = QStringLiteral("--port=COM1");
        const QString a = rig.path("a.json");
        QCOMPARE(rig.cli({QStringLiteral("backup"), port, QStringLiteral("-o"), a}).code, 0);
        const backup::Backup original = rig.read(a);
        const int before = rig.frames();
        QCOMPARE(rig.cli({QStringLiteral("verify"), port, a}).code, 0);
        const int readOut = rig.frames() - before;
        const QByteArray blank(20, ' ');
        const QString other =
            rig.edited(original, "EXT" + blank, "NEW" + QByteArray(20, 'x'), "other.json");
        QCOMPARE(rig.sim.command(QStringLiteral("fault KW late 30")), QStringLiteral("ok"));
        QVERIFY(QFile::link(QFile::symLinkTarget(rig.path("COM1")), rig.path("COM2")));

        for (const auto& [signal, framesBefore, code] :
             {std::tuple{SIGINT, 2, 130}, std::tuple{SIGTERM, readOut, 75}}) {
            QProcess process;
            const int from = rig.frames();
            rig.start(process, {QStringLiteral("restore"), port, QStringLiteral("--json"), other});
            QTRY_VERIFY_WITH_TIMEOUT(rig.frames() > from + framesBefore, 30000);
            if (signal == SIGTERM) {
                const Run held =
                    rig.cli({QStringLiteral("identify"), QStringLiteral("--port=COM2")});
                QCOMPARE(held.code, 69);
                QVERIFY2(held.err.contains(u"is in use by torancal-cli (PID"),
                         qPrintable(held.err));
            }
            QCOMPARE(::kill(static_cast<pid_t>(process.processId()), signal), 0);
            const Run ended = CliRig::finished(process);
            QCOMPARE(ended.code, code);
            const QJsonObject json = QJsonDocument::fromJson(ended.out.toUtf8()).object();
            QCOMPARE(json.value(u"exitCode"), code);
            QCOMPARE(json.value(u"signal"), signal == SIGINT ? "SIGINT" : "SIGTERM");
            // The block finished is in the report, not verified, with the snapshot before it.
            const QJsonArray blocks = json.value(u"blocks").toArray();
            QCOMPARE(blocks.isEmpty(), signal == SIGINT);
            if (signal == SIGTERM) {
                QCOMPARE(blocks.last().toObject().value(u"outcome"), "notVerified");
                QCOMPARE(blocks.last().toObject().value(u"bytesWritten"), 23);
                QVERIFY(QFileInfo::exists(json.value(u"snapshot").toString()));
            }
            QVERIFY2(ended.err.contains(signal == SIGINT ? u"nothing was written"
                                                         : u"what the instrument holds was not "
                                                           u"read back"),
                     qPrintable(ended.err));
            QCOMPARE(rig.block(0), (signal == SIGINT ? original : rig.read(other)).sensors[0].raw);
        }
    }
};

QTEST_MAIN(CliTest)
#include "tst_cli.moc"
