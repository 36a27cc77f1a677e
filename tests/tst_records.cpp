#include "core/backup/SnapshotKeeper.h"
#include "core/backup/SnapshotStore.h"
#include "core/certificate/DccXml.h"
#include "core/instrument/SerialTrace.h"
#include "core/records/CalibrationRecorder.h"
#include "core/records/CertificateOf.h"
#include "core/records/Checks.h"
#include "core/records/Drift.h"
#include "core/records/LabDetails.h"
#include "core/records/RecordJson.h"
#include "core/records/RecordStore.h"
#include "core/records/Rules.h"
#include "core/records/SqlDialect.h"
#include "core/session/SensorSave.h"
#include "sim/Fault.h"
#include "sim/SensorBlock.h"
#include "tests/support/DccSchema.h"
#include "tests/support/SessionRig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>
#include <cstdio>

using namespace records;
using namespace std::chrono_literals;

namespace {

constexpr char WriterVariable[] = "TORANCAL_RECORDS_WRITER";
constexpr std::chrono::milliseconds ShortWait{50};

QDateTime at(int year, int month, int day, int hour = 12) {
    return QDateTime(QDate(year, month, day), QTime(hour, 0), Qt::UTC);
}

backup::Backup content(const QDateTime& taken) {
    backup::Backup b;
    b.identification = QStringLiteral("TORAN R-40 v2.10");
    b.rangeZero.fill(32768.0);
    b.rangeK.fill(0.0001193);
    b.sensors.push_back(backup::sensorBackup(sensor::ExternalBlock,
                                             sim::makeSensorBlock(sim::defaultExternalSensor())));
    b.taken = taken;
    return b;
}

CalibrationRecord calibrationOf(const QString& sensorId, const QDateTime& ended) {
    CalibrationRecord c;
    c.sensorId = sensorId;
    c.description = QStringLiteral("Siloměr S-40");
    c.unit = QStringLiteral("kN");
    c.fullScale = 150.0;
    c.fullScaleNeg = -120.0;
    c.operatorName = QStringLiteral("Novák");
    c.programVersion = QStringLiteral("1.0.1");
    c.started = ended.addSecs(-600);
    c.ended = ended;
    for (int i = 0; i < 10; ++i)
        c.points.push_back({0.3 * i, 15.0 * i, ended.addSecs(-300 + i)});
    c.asFound = {{0.0, 0.0, ended}, {100.0, 100.4, ended}};  // 0.27 % FS off: fails
    c.asLeft = {{0.0, 0.02, ended}, {100.0, 100.15, ended}}; // at the limit: passes
    c.figuresJson = QStringLiteral("{\"rms\":0.01}");
    return c;
}

// A connection of the test's own to the store's file.
struct Raw {
    explicit Raw(const QString& path) : name(QUuid::createUuid().toString()) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        (void)db.open();
    }
    ~Raw() {
        QSqlDatabase::database(name).close();
        QSqlDatabase::removeDatabase(name);
    }
    bool exec(const QString& sql) const {
        QSqlQuery query(QSqlDatabase::database(name));
        return query.exec(sql);
    }
    qint64 count(const QString& table) const {
        QSqlQuery query(QSqlDatabase::database(name));
        return query.exec(QStringLiteral("SELECT COUNT(*) FROM ") + table) && query.next()
                   ? query.value(0).toLongLong()
                   : -1;
    }
    QString name;
};

// Records calibrations until killed, printing the number of each one committed.
int runWriter(const QString& path) {
    QCoreApplication::setApplicationName(QStringLiteral("tst_records"));
    RecordStore store({path});
    for (int i = 1;; ++i) {
        if (store.record(calibrationOf(QStringLiteral("KILL"), at(2026, 3, 1).addSecs(i)))
                .outcome != WriteOutcome::Recorded)
            return 1;
        std::printf("%d\n", i);
        std::fflush(stdout);
    }
}

// A session on the simulated instrument with the recorder and a store of its own; the save
// copies the typed points into the sensor and a new description, as the page does.
struct RecorderRig : testsupport::SessionRig {
    session::SensorSave save{session,
                             {[this](std::uint8_t options) {
                                  sensor::SensorRecord& s = session.sensors().CurrentSensor;
                                  s.Options = options;
                                  s.Description = QStringLiteral("Siloměr po kalibraci");
                                  const calibration::CurveTable& curve = session.curve();
                                  s.CurvePointCount = curve.PointCount();
                                  for (int slot = 1; slot <= curve.PointCount(); ++slot) {
                                      s.CurveSignal.at(slot - 1) = curve.point(slot).signal;
                                      s.CurveEtalon.at(slot - 1) = curve.point(slot).etalon;
                                  }
                                  return true;
                              },
                              [] { return QDate(2026, 2, 1); }}};
    RecordStore store;
    device::SerialTrace trace;
    std::optional<backup::SnapshotKeeper> files;
    std::optional<CalibrationRecorder> recorder;

    // With `snapshots`, the snapshot files are kept there too, as the window keeps them.
    RecorderRig(const QString& path, bool recording, const QString& snapshots = {})
        : store({path, ShortWait}) {
        instrument().setBlock(0, sim::makeSensorBlock(sim::defaultExternalSensor()));
        if (!snapshots.isEmpty())
            files.emplace(session, backup::SnapshotStore(snapshots), trace);
        if (recording)
            recorder.emplace(session, store, files ? &*files : nullptr);
    }
    // Connects, types three points and finishes.
    session::SaveResult calibrate(const QString& fault = {}) {
        (void)run([this](const device::Link& link) {
            (void)session.openInstrument(link, 1);
            (void)session.readOut(link);
        });
        session.curve().clear();
        for (const auto& [signal, etalon] : {std::pair{0.0F, 0.0F}, {1.0F, 50.0F}, {2.0F, 100.0F}})
            (void)session.curve().append(signal, etalon);
        if (!fault.isEmpty())
            instrument().addFault(*sim::parseFault(fault).fault);
        session::SaveResult result = session::SaveResult::PageRejected;
        (void)run([&](const device::Link& link) { result = save.SaveSensor(link, false); });
        return result;
    }
    [[nodiscard]] QString sensorId() const {
        return session.sensors().CurrentSensor.SensorId.trimmed();
    }
};

} // namespace

class RecordsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    [[nodiscard]] QString file(const QString& name) const { return dir_.filePath(name); }

private slots:
    void migratesAnEmptyFileAndRefusesANewerSchema() {
        const QString path = file(QStringLiteral("migrate.sqlite"));
        {
            RecordStore store({path});
            QCOMPARE(store.status().state, StoreState::Ready);
            QCOMPARE(store.schemaVersion(), 3);
        }
        {
            RecordStore again({path});
            QCOMPARE(again.schemaVersion(), 3);
            Raw raw(path);
            QCOMPARE(raw.count(QStringLiteral("schema_version")), 3);
            QVERIFY(raw.exec(QStringLiteral(
                "INSERT INTO schema_version (version, applied_at) VALUES (4, 'later')")));
        }
        RecordStore newer({path});
        QCOMPARE(newer.status().state, StoreState::NewerSchema);
        QVERIFY(newer.status().message.contains(QStringLiteral("4 > 3")));
        QCOMPARE(newer.record(calibrationOf(QStringLiteral("S1"), at(2026, 1, 1))).outcome,
                 WriteOutcome::Pending);
    }

    // A file of version 1 gains the points' readings and deviation; a point typed in has none.
    void migratesFromVersionOne() {
        const QString path = file(QStringLiteral("version1.sqlite"));
        {
            Raw raw(path);
            for (const QString& step : sqliteDialect().migrations().front().steps)
                QVERIFY(raw.exec(step));
            QVERIFY(raw.exec(QStringLiteral(
                "INSERT INTO schema_version (version, applied_at) VALUES (1, 'then')")));
        }
        RecordStore store({path});
        QCOMPARE(store.schemaVersion(), 3);
        CalibrationRecord c = calibrationOf(QStringLiteral("S1"), at(2026, 1, 1));
        c.points.at(1).readings = 10;
        c.points.at(1).deviation = 0.00012;
        const QString certificate = store.record(c).certificate;
        const auto read = store.calibration(certificate);
        QVERIFY(read);
        QCOMPARE(read->points.at(1), c.points.at(1));
        QVERIFY(!read->points.at(0).readings && !read->points.at(0).deviation);
        QCOMPARE(calibrationOfJson(toJson(*read))->points, read->points);
    }

    void numbersCertificatesPerYear() {
        const QString path = file(QStringLiteral("numbers.sqlite"));
        RecordStore store({path});
        StoreSettings settings;
        settings.certificatePrefix = QStringLiteral("LAB");
        settings.dueMonths = 6;
        QCOMPARE(store.setSettings(settings).outcome, WriteOutcome::Recorded);
        QCOMPARE(store.settings(), settings);
        QStringList numbers;
        for (const QDateTime& ended :
             {at(2026, 12, 31, 23), at(2026, 12, 31, 23), at(2027, 1, 1, 0)})
            numbers << store.record(calibrationOf(QStringLiteral("S1"), ended)).certificate;
        QCOMPARE(numbers, (QStringList{"LAB-2026-00001", "LAB-2026-00002", "LAB-2027-00001"}));
        CalibrationRecord restore = calibrationOf(QStringLiteral("S1"), at(2027, 1, 2));
        restore.kind = RecordKind::Restore;
        QVERIFY(store.record(restore).certificate.isEmpty());
        QCOMPARE(store.calibration(QStringLiteral("LAB-2027-00001"))->dueOn, QDate(2027, 7, 1));

        settings.certificatePrefix = QStringLiteral("TC");
        QCOMPARE(store.setSettings(settings).outcome, WriteOutcome::Refused);
        Raw raw(path);
        QVERIFY(!raw.exec(QStringLiteral(
            "INSERT INTO calibrations SELECT 'other', kind, certificate, certificate_year, 99, "
            "sensor_id, block, description, unit, full_scale, full_scale_neg, identification, "
            "operator, standard_uuid, temperature, humidity, bench, program_version, started_at, "
            "ended_at, NULL, NULL, tolerance_percent, as_found_verdict, as_left_verdict, due_on, "
            "figures, recorded_at FROM calibrations WHERE certificate = 'LAB-2026-00001'")));
    }

    void keepsWhatWasRecorded() {
        RecordStore store({file(QStringLiteral("roundtrip.sqlite"))});
        const ReferenceStandard standard{{},
                                         QStringLiteral("HBM Z4A"),
                                         QStringLiteral("123"),
                                         QStringLiteral("K-77/2025"),
                                         QDate(2025, 3, 1),
                                         QDate(2026, 3, 1)};
        const QString standardUuid = store.addStandard(standard).uuid;
        QCOMPARE(store.standardsPastDue(QDate(2026, 3, 2)).size(), std::size_t{1});
        QVERIFY(store.standardsPastDue(QDate(2026, 3, 1)).empty());

        const Snapshot before{{},
                              SnapshotReason::ReadOut,
                              QStringLiteral("S1"),
                              sensor::ExternalBlock,
                              content(at(2026, 2, 1, 9))};
        const QString found = store.addSnapshot(before).uuid;
        CalibrationRecord c = calibrationOf(QStringLiteral("S1"), at(2026, 2, 1));
        c.standardUuid = standardUuid;
        c.temperature = 21.5;
        c.asFoundSnapshot = found;
        const WriteResult written = store.record(c);
        QVERIFY2(written.outcome == WriteOutcome::Recorded, qPrintable(written.message));
        QCOMPARE(written.certificate, QStringLiteral("TC-2026-00001"));
        (void)store.record(calibrationOf(QStringLiteral("S1"), at(2025, 2, 1)));

        const CalibrationRecord back = *store.calibration(written.uuid);
        QCOMPARE(back.asFoundVerdict, Verdict::Fail);
        QCOMPARE(back.asLeftVerdict, Verdict::Pass);
        QCOMPARE(back.dueOn, QDate(2027, 2, 1));
        CalibrationRecord expected = c;
        expected.uuid = back.uuid;
        expected.certificate = back.certificate;
        expected.bench = back.bench;
        expected.recordedAt = back.recordedAt;
        expected.asFoundVerdict = back.asFoundVerdict;
        expected.asLeftVerdict = back.asLeftVerdict;
        expected.dueOn = back.dueOn;
        QCOMPARE(back, expected);
        QCOMPARE(store.snapshot(found)->content.sensors, before.content.sensors);
        QCOMPARE(store.snapshots(QStringLiteral("S1")).front().content.rangeK,
                 before.content.rangeK);

        const auto history = store.history(QStringLiteral("S1"));
        QCOMPARE(history.size(), std::size_t{2});
        QCOMPARE(history.front().certificate, QStringLiteral("TC-2026-00001"));
        QCOMPARE(history.front().standardName, QStringLiteral("HBM Z4A"));
    }

    void zeroByTheCurvesOwnSegments_data() {
        QTest::addColumn<QList<QPointF>>("points"); // signal, etalon
        QTest::addColumn<double>("zero");           // NaN: none
        QTest::newRow("between two") << QList<QPointF>{{-1, -50}, {1, 52}} << 1.0;
        // The segment around 0 mV/V, not the least-squares line (which gives 3 here).
        QTest::newRow("kinked, any order")
            << QList<QPointF>{{2, 110}, {-1, -49}, {-2, -100}, {1, 51}} << 1.0;
        QTest::newRow("all above: first segment extended")
            << QList<QPointF>{{0.5, 25.15}, {1, 50.65}, {2, 150}} << -0.35;
        QTest::newRow("all below: last segment extended")
            << QList<QPointF>{{-2, -100}, {-1, -50.5}} << -1.0;
        QTest::newRow("one signal only") << QList<QPointF>{{1, 5}, {1, 6}} << qQNaN();
    }

    void zeroByTheCurvesOwnSegments() {
        QFETCH(QList<QPointF>, points);
        QFETCH(double, zero);
        std::vector<CapturedPoint> captured;
        for (const QPointF& p : points)
            captured.push_back({p.x(), p.y(), {}});
        const auto found = zeroOf(captured);
        QCOMPARE(found.has_value(), !qIsNaN(zero));
        if (found)
            QVERIFY(qAbs(*found - zero) < 1e-12);
    }

    // Base: etalon = 50 * signal, FS = max(150, 120) = 150. Later: etalon = 0.15 + 50.5 * signal.
    // Sensitivity (least squares) 50 -> 50.5: +1 %; zero 0 -> 0.15 kN: 0.15 / 150 = +0.1 % FS.
    void driftAgainstTheOldest() {
        CalibrationRecord base = calibrationOf(QStringLiteral("S1"), at(2025, 1, 1));
        CalibrationRecord later = base;
        base.points.clear();
        later.points.clear();
        for (const double signal : {0.5, 1.0, 2.0, 3.0}) {
            base.points.push_back({signal, 50.0 * signal, {}});
            later.points.push_back({signal, 0.15 + 50.5 * signal, {}});
        }
        const auto drift = driftBetween(base, later);
        QVERIFY(drift);
        QVERIFY(qAbs(drift->sensitivityPercent - 1.0) < 1e-9);
        QVERIFY(qAbs(drift->zeroPercent - 0.1) < 1e-9);
        QCOMPARE(driftBetween(later, later)->zeroPercent, 0.0);
        base.points.resize(1);
        QVERIFY(!driftBetween(base, later));
    }

    void verdictRule_data() {
        QTest::addColumn<QList<double>>("errors");
        QTest::addColumn<Verdict>("verdict");
        // Full scale max(150, 120) = 150 kN: the limit is 0.15 kN.
        QTest::newRow("no points") << QList<double>{} << Verdict::NotChecked;
        QTest::newRow("within") << QList<double>{0.0, -0.1, 0.14} << Verdict::Pass;
        QTest::newRow("at the limit") << QList<double>{0.15, -0.15} << Verdict::Pass;
        QTest::newRow("one beyond") << QList<double>{0.0, 0.151} << Verdict::Fail;
    }
    void verdictRule() {
        QFETCH(QList<double>, errors);
        QFETCH(Verdict, verdict);
        std::vector<CheckPoint> points;
        for (const double error : errors)
            points.push_back({100.0, 100.0 + error, {}});
        QCOMPARE(verdictOf(points, fullScaleOf(150.0, -120.0), 0.1), verdict);
    }

    // A check's errors in the unit, in % of full scale (max(R+, -R-) = 150 kN) and in display
    // digits (two decimals: 0.01 kN each); the verdict by the rule above.
    void checkErrors_data() {
        QTest::addColumn<double>("displayed");
        QTest::addColumn<double>("percent");
        QTest::addColumn<double>("digits");
        QTest::addColumn<bool>("within");
        QTest::newRow("exact") << 100.0 << 0.0 << 0.0 << true;
        QTest::newRow("at the limit below") << 99.85 << -0.1 << -15.0 << true;
        QTest::newRow("one digit beyond") << 100.16 << 0.16 / 1.5 << 16.0 << false;
    }
    void checkErrors() {
        QFETCH(double, displayed);
        QFETCH(double, percent);
        QFETCH(double, digits);
        QFETCH(bool, within);
        CheckRun run(CheckKind::AsLeft, {150.0, -120.0, 2}, 0.1);
        device::LiveValues live;
        live.Polling = true;
        live.ReadingTime = std::chrono::milliseconds{1000};
        live.DisplayValue = static_cast<float>(displayed);
        QCOMPARE(run.capture(100.0, live, std::chrono::milliseconds{1000}, {}),
                 CaptureResult::Added);
        QCOMPARE(run.points().front().displayed, displayed); // as displayed, not the float
        const CheckError error = run.errorOf(run.points().front());
        QVERIFY(qAbs(error.percent - percent) < 1e-4);
        QVERIFY(qAbs(error.digits - digits) < 1e-3);
        QCOMPARE(error.within, within);
        QCOMPARE(run.verdict(), within ? Verdict::Pass : Verdict::Fail);
        // A reading two polls old is not the present display: nothing is added.
        QCOMPARE(run.capture(0.0, live, 1000ms + device::FreshReadingAge, {}),
                 CaptureResult::Stale);
        QVERIFY(run.remove(0) && !run.remove(0));
        QCOMPARE(run.verdict(), Verdict::NotChecked);
    }

    // The last check of each kind is kept for the record.
    void keepsChecksAndTolerances() {
        CheckResults results;
        QSignalSpy changed(&results, &CheckResults::changed);
        CheckRun run(CheckKind::AsFound, {10.0, 0.0, 1}, 0.5);
        device::LiveValues live;
        live.DisplayValue = 5.0F;
        live.Polling = true;
        live.ReadingTime = 0ms;
        QCOMPARE(run.capture(5.0, live, 0ms, {}), CaptureResult::Added);
        results.keep(run);
        QCOMPARE(results.asFound(), run.points());
        QVERIFY(results.asLeft().empty());
        QCOMPARE(results.tolerancePercent(), 0.5);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.front().front().value<CheckKind>(), CheckKind::AsFound);
    }

    // Benches sharing a store share its tolerances; a bench's own value is the starting value for
    // an id the store has none for, and holds while the store cannot be used.
    void sharesTolerancesThroughTheStore() {
        const QString path = file(QStringLiteral("tolerances.sqlite"));
        RecordStore store({path, ShortWait});
        QSettings benchA(file(QStringLiteral("a.ini")), QSettings::IniFormat);
        QSettings benchB(file(QStringLiteral("b.ini")), QSettings::IniFormat);
        ToleranceSetting a(benchA, &store);
        ToleranceSetting b(benchB, &store);
        QVERIFY(ToleranceSetting(benchB).setPercentFor(QStringLiteral("S/1"), 0.3));
        QCOMPARE(b.percentFor(QStringLiteral("S/1")), 0.3);
        QCOMPARE(b.percentFor(QStringLiteral("S")), DefaultTolerancePercent);
        QCOMPARE(a.percentFor(QStringLiteral("S/1")), DefaultTolerancePercent);
        QVERIFY(a.setPercentFor(QStringLiteral("S/1"), 0.2));
        QCOMPARE(b.percentFor(QStringLiteral("S/1")), 0.2);
        auto raw = std::make_unique<Raw>(path);
        QVERIFY(raw->exec(QStringLiteral("BEGIN IMMEDIATE")));
        QVERIFY(!b.setPercentFor(QStringLiteral("S/1"), 0.5));
        QCOMPARE(b.percentFor(QStringLiteral("S/1")), 0.5);
        raw.reset();
        QCOMPARE(store.reopen().state, StoreState::Ready);
        QCOMPARE(b.percentFor(QStringLiteral("S/1")), 0.2);
    }

    void refusesUpdatesAndDeletes_data() {
        QTest::addColumn<QString>("table");
        for (const char* table :
             {"calibrations", "calibration_points", "calibration_checks", "snapshots",
              "snapshot_blocks", "standards", "corrections", "settings"})
            QTest::newRow(table) << QString::fromLatin1(table);
    }
    void refusesUpdatesAndDeletes() {
        QFETCH(QString, table);
        const QString path = file(QStringLiteral("append.sqlite"));
        {
            RecordStore store({path});
            if (store.history(QStringLiteral("S1")).empty()) {
                StoreSettings settings;
                settings.dueMonths = 24;
                (void)store.setSettings(settings);
                CalibrationRecord c = calibrationOf(QStringLiteral("S1"), at(2026, 1, 1));
                c.asFoundSnapshot =
                    store
                        .addSnapshot(
                            {{}, SnapshotReason::ReadOut, "S1", 0, content(at(2026, 1, 1))})
                        .uuid;
                c.standardUuid = store.addStandard({{}, "E", "1", "K", {}, {}}).uuid;
                const QString uuid = store.record(c).uuid;
                (void)store.correct(
                    {{}, uuid, CorrectedField::Operator, "Dvořák", "Novák", {}, "typo"});
            }
        }
        Raw raw(path);
        const qint64 rows = raw.count(table);
        QVERIFY(rows > 0);
        QVERIFY(!raw.exec(QStringLiteral("UPDATE %1 SET rowid = rowid").arg(table)));
        QVERIFY(!raw.exec(QStringLiteral("DELETE FROM %1").arg(table)));
        QCOMPARE(raw.count(table), rows);
    }

    void correctionsPointToWhatTheyCorrect() {
        RecordStore store({file(QStringLiteral("corrections.sqlite"))});
        const WriteResult written =
            store.record(calibrationOf(QStringLiteral("S2"), at(2026, 5, 1)));
        QCOMPARE(store
                     .correct({{},
                               written.uuid,
                               CorrectedField::Operator,
                               "Dvořák",
                               "Svoboda",
                               at(2026, 5, 2),
                               "wrong name"})
                     .outcome,
                 WriteOutcome::Recorded);
        QCOMPARE(store
                     .correct({{},
                               written.uuid,
                               CorrectedField::Withdrawn,
                               "1",
                               "Svoboda",
                               at(2026, 5, 3),
                               "wrong sensor"})
                     .outcome,
                 WriteOutcome::Recorded);
        QCOMPARE(
            store.correct({{}, "no-such", CorrectedField::Operator, "x", "y", {}, "z"}).outcome,
            WriteOutcome::Refused);

        const CalibrationRecord asRecorded = *store.calibration(written.certificate);
        QCOMPARE(asRecorded.operatorName, QStringLiteral("Novák"));
        QCOMPARE(asRecorded.corrections.size(), std::size_t{2});
        QCOMPARE(asRecorded.corrections.front().reason, QStringLiteral("wrong name"));
        const CalibrationRecord now = corrected(asRecorded);
        QCOMPARE(now.operatorName, QStringLiteral("Dvořák"));
        QVERIFY(now.withdrawn);
        const HistoryEntry entry = store.history(QStringLiteral("S2")).front();
        QCOMPARE(entry.operatorName, QStringLiteral("Dvořák"));
        QVERIFY(entry.corrected && entry.withdrawn);
    }

    // An as-left check made after the record is appended: its rows after those recorded, its
    // verdict as a correction; the latest one appended is the record's as-left check.
    void appendsAsLeftChecksToTheRecord() {
        RecordStore store({file(QStringLiteral("as-left.sqlite"))});
        const WriteResult written =
            store.record(calibrationOf(QStringLiteral("S7"), at(2026, 6, 1)));
        const std::vector<CheckPoint> failing{{50.0, 50.3, at(2026, 6, 1, 13)}}; // 0.2 % FS off
        const std::vector<CheckPoint> passing{{0.0, 0.0, at(2026, 6, 1, 14)},
                                              {150.0, 150.1, at(2026, 6, 1, 14)}};
        QCOMPARE(store.appendAsLeft(written.uuid, failing, "Novák", "after").outcome,
                 WriteOutcome::Recorded);
        CalibrationRecord now = corrected(*store.calibration(written.uuid));
        QCOMPARE(now.asLeft, failing);
        QCOMPARE(now.asLeftVerdict, Verdict::Fail);
        QCOMPARE(store.history(QStringLiteral("S7")).front().asLeftVerdict, Verdict::Fail);

        QVERIFY(store.appendAsLeft(written.uuid, passing, "Novák", "again").kept());
        const CalibrationRecord asRecorded = *store.calibration(written.uuid);
        QCOMPARE(asRecorded.asLeft.size(), std::size_t{5}); // every row is kept
        QCOMPARE(asRecorded.corrections.size(), std::size_t{2});
        QCOMPARE(asRecorded.corrections.back().correctedBy, QStringLiteral("Novák"));
        now = corrected(asRecorded);
        QCOMPARE(now.asLeft, passing);
        QCOMPARE(now.asLeftVerdict, Verdict::Pass);
        QCOMPARE(store
                     .appendAsLeft(QUuid::createUuid().toString(QUuid::WithoutBraces), passing,
                                   "Novák", "none")
                     .outcome,
                 WriteOutcome::Refused);
    }

    // Before a capture: what the store requires is refused, a standard past its due date is
    // warned about once.
    void checksBeforeACapture_data() {
        QTest::addColumn<bool>("requireOperator");
        QTest::addColumn<bool>("requireStandard");
        QTest::addColumn<QString>("operatorName");
        QTest::addColumn<QString>("standard");
        QTest::addColumn<CaptureVerdict>("first");
        QTest::addColumn<CaptureVerdict>("second");
        const auto go = CaptureVerdict::Go;
        const auto refused = CaptureVerdict::Refused;
        QTest::newRow("nothing required") << false << false << ""
                                          << "" << go << go;
        QTest::newRow("operator missing") << true << false << " "
                                          << "due" << refused << refused;
        QTest::newRow("standard missing") << true << true << "Novák"
                                          << "" << refused << refused;
        QTest::newRow("due today") << true << true << "Novák"
                                   << "due" << go << go;
        QTest::newRow("past due") << false << false << ""
                                  << "past" << CaptureVerdict::Warned << go;
    }
    void checksBeforeACapture() {
        QFETCH(bool, requireOperator);
        QFETCH(bool, requireStandard);
        QFETCH(QString, operatorName);
        QFETCH(QString, standard);
        QFETCH(CaptureVerdict, first);
        QFETCH(CaptureVerdict, second);
        RecordStore store({file(QStringLiteral("capture-%1.sqlite").arg(QTest::currentDataTag()))});
        StoreSettings rules;
        rules.requireOperator = requireOperator;
        rules.requireStandard = requireStandard;
        QVERIFY(store.setSettings(rules).kept());
        const QDate today(2026, 3, 1);
        const QString due = store.addStandard({{}, "Z4A", "123", "K-1", {}, today}).uuid;
        const QString past =
            store.addStandard({{}, "Z4B", "456", "K-2", {}, today.addDays(-1)}).uuid;
        const text::LanguageTable texts;
        CaptureCheck check(store, texts, [today] { return today; });
        const CalibrationDetails details{operatorName,
                                         standard == u"due"    ? due
                                         : standard == u"past" ? past
                                                               : QString(),
                                         {},
                                         {}};
        const CaptureOutcome outcome = check.beforeCapture(details);
        QCOMPARE(outcome.verdict, first);
        QCOMPARE(check.beforeCapture(details).verdict, second);
        if (first == CaptureVerdict::Refused)
            QVERIFY(outcome.message.contains(texts.text(requireStandard ? 408 : 407)));
        if (first == CaptureVerdict::Warned)
            QVERIFY(outcome.message.contains("Z4B") && outcome.message.contains("28.2.2026"));
    }

    void conditionsAsTyped_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("humidity"); // -1: not stated
        QTest::newRow("empty") << " " << true << -1.0;
        QTest::newRow("comma") << "45,5" << true << 45.5;
        QTest::newRow("not a number") << "45 %" << false << -1.0;
        QTest::newRow("beyond 100") << "100.5" << false << -1.0;
    }
    void conditionsAsTyped() {
        QFETCH(QString, typed);
        QFETCH(bool, valid);
        QFETCH(double, humidity);
        const ConditionText read = humidityOf(typed);
        QCOMPARE(read.valid, valid);
        QCOMPARE(read.value.value_or(-1.0), humidity);
    }

    void importsSnapshotFilesOnce() {
        const QString files = file(QStringLiteral("snapshots"));
        const backup::SnapshotStore snapshots(files);
        QVERIFY(snapshots.write(content(at(2026, 1, 1)), QStringLiteral("S3"), 0).written);
        QVERIFY(snapshots.write(content(at(2026, 1, 2)), QStringLiteral("S3"), 0).written);
        QVERIFY(QDir().mkpath(files) && QFile(files + "/broken.json").open(QIODevice::WriteOnly));
        RecordStore store({file(QStringLiteral("import.sqlite"))});
        const ImportReport first = store.importSnapshotFiles(files);
        QCOMPARE(first.imported, 2);
        QCOMPARE(first.unreadable, 1);
        const ImportReport second = store.importSnapshotFiles(files);
        QCOMPARE(second.imported, 0);
        QCOMPARE(second.known, 2);
        const auto imported = store.snapshots(QStringLiteral("S3"));
        QCOMPARE(imported.size(), std::size_t{2});
        QCOMPARE(imported.front().content.taken, at(2026, 1, 2));
        QCOMPARE(imported.front().reason, SnapshotReason::BeforeWrite);
        QCOMPARE(QDir(files).entryList({"*.json"}).size(), 3);
    }

    void keepsRecordsPendingWhileTheDatabaseIsLocked() {
        const QString path = file(QStringLiteral("pending.sqlite"));
        RecordStore store({path, ShortWait});
        auto raw = std::make_unique<Raw>(path);
        QVERIFY(raw->exec(QStringLiteral("BEGIN IMMEDIATE")));
        const WriteResult snapshot =
            store.addSnapshot({{}, SnapshotReason::AfterWrite, "S4", 0, content(at(2026, 4, 1))});
        QCOMPARE(snapshot.outcome, WriteOutcome::Pending);
        QCOMPARE(store.status().state, StoreState::Locked);
        QVERIFY(store.status().message.contains(store.pendingDirectory()));
        CalibrationRecord c = calibrationOf(QStringLiteral("S4"), at(2026, 4, 1));
        c.asLeftSnapshot = snapshot.uuid;
        const WriteResult pending = store.record(c);
        QCOMPARE(pending.outcome, WriteOutcome::Pending);
        QCOMPARE(store.pendingCount(), 2);
        QCOMPARE(store.reopen().state, StoreState::Locked);

        raw.reset();
        QCOMPARE(store.reopen().state, StoreState::Ready);
        QCOMPARE(store.pendingCount(), 0);
        const auto taken = store.calibration(pending.uuid);
        QVERIFY(taken);
        QCOMPARE(taken->certificate, QStringLiteral("TC-2026-00001"));
        QCOMPARE(store.snapshot(taken->asLeftSnapshot)->content.sensors.size(), std::size_t{1});
    }

    void saysWhenTheFileIsNoDatabase() {
        const QString path = file(QStringLiteral("damaged.sqlite"));
        QFile garbage(path);
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(4096, 'x'));
        garbage.close();
        RecordStore store({path, ShortWait});
        QCOMPARE(store.status().state, StoreState::Damaged);
        QVERIFY(!store.status().message.isEmpty());
    }

    // A whole calibration leaves one record with the instrument's blocks before and after, byte
    // for byte, and the points written; the recorder sends nothing.
    void recordsAVerifiedCalibration() {
        RecorderRig plain(file(QStringLiteral("plain.sqlite")), false);
        (void)plain.calibrate();
        RecorderRig rig(file(QStringLiteral("recorder.sqlite")), true);
        CheckResults checks;
        CheckRun asFound(CheckKind::AsFound, {150.0, -120.0, 2}, 0.25);
        device::LiveValues live;
        live.Polling = true;
        live.ReadingTime = 0ms;
        live.DisplayValue = 50.1F;
        QCOMPARE(asFound.capture(50.0, live, 0ms, {}), CaptureResult::Added);
        checks.keep(asFound);
        rig.recorder->setChecks(&checks);
        const QByteArray before = rig.instrument().block(0);
        rig.session.captures().note(2.0F, {2.0, 10, 0.0003});
        for (const int series : {1, 2})
            rig.session.series().note({{series, calibration::Direction::Rising}, 100, {2.0, 9, 0}});
        QCOMPARE(rig.calibrate(), session::SaveResult::Verified);
        QCOMPARE(rig.instrument().frames(), plain.instrument().frames());
        const QByteArray after = rig.instrument().block(0);
        QVERIFY(after != before);

        QCOMPARE(rig.store.history(rig.sensorId()).size(), std::size_t{1});
        QVERIFY(rig.recorder->lastRecord());
        const auto record = rig.store.calibration(rig.recorder->lastRecord()->uuid);
        QVERIFY(record);
        QCOMPARE(record->description, QStringLiteral("Siloměr po kalibraci"));
        QCOMPARE(record->identification, rig.session.identification());
        QVERIFY(record->operatorName.isEmpty() && !record->temperature);
        QCOMPARE(record->points.size(), std::size_t{3});
        QCOMPARE(record->points.back().etalon, 100.0);
        QCOMPARE(record->points.back().readings, 10);
        QVERIFY(!record->points.front().readings);
        QCOMPARE(record->asFound, checks.asFound());
        QCOMPARE(record->tolerancePercent, 0.25);
        QCOMPARE(record->asFoundVerdict, Verdict::Pass);
        const QJsonObject figures = QJsonDocument::fromJson(record->figuresJson.toUtf8()).object();
        QCOMPARE(figures.value("points").toArray().size(), 3);
        const QJsonObject series = figures.value("series").toObject();
        QCOMPARE(series.value("readings").toArray().size(), 2);
        QCOMPARE(series.value("loads").toArray().at(0).toObject().value("repeatabilityFs"), 0.0);
        // Read back for the history window as they were taken.
        const auto readBack = seriesReadingsOf(series).readings();
        const auto& taken = rig.session.series().readings();
        QVERIFY(readBack.size() == taken.size() && readBack.back().step == taken.back().step &&
                readBack.back().window == taken.back().window);
        QCOMPARE(rig.store.snapshot(record->asFoundSnapshot)->content.sensor(0)->raw, before);
        QCOMPARE(rig.store.snapshot(record->asLeftSnapshot)->content.sensor(0)->raw, after);
        const auto kept = rig.store.snapshots(rig.sensorId());
        QCOMPARE(kept.size(), std::size_t{3}); // read-out, before the write, after it
        QCOMPARE(kept.at(1).reason, SnapshotReason::BeforeWrite);
        QCOMPARE(kept.at(1).content.sensor(0)->raw, before);

        // The as-left check finished after the record is appended to it, once.
        CheckRun asLeft(CheckKind::AsLeft, {150.0, -120.0, 2}, 0.25);
        live.DisplayValue = 100.0F;
        QCOMPARE(asLeft.capture(100.0, live, 0ms, {}), CaptureResult::Added);
        checks.keep(asLeft);
        checks.finish(CheckKind::AsLeft);
        checks.finish(CheckKind::AsLeft);
        const CalibrationRecord left = *rig.store.calibration(record->uuid);
        QCOMPARE(left.corrections.size(), std::size_t{1});
        QCOMPARE(corrected(left).asLeft, checks.asLeft());
        QCOMPARE(corrected(left).asLeftVerdict, Verdict::Pass);
    }

    // A write that may have failed, or was not verified, is no calibration.
    void recordsNoUnverifiedWrite_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("partly written") << "KW none after 8";
        QTest::newRow("not read back") << "KB none after 1";
    }
    void recordsNoUnverifiedWrite() {
        QFETCH(QString, fault);
        RecorderRig rig(file(QStringLiteral("unverified.sqlite")) + QTest::currentDataTag(), true);
        QVERIFY(rig.calibrate(fault) != session::SaveResult::Verified);
        QVERIFY(!rig.recorder->lastRecord());
        QVERIFY(rig.store.history(rig.sensorId()).empty());
    }

    // While the database cannot be used the snapshots before each write still go to the files
    // and every record to the pending queue; the next connect finds the database usable again
    // and takes them in.
    void keepsRecordsAsideWhileTheStoreIsUnusable_data() {
        QTest::addColumn<bool>("damaged");
        QTest::newRow("locked while writing") << false;
        QTest::newRow("damaged at start") << true;
    }
    void keepsRecordsAsideWhileTheStoreIsUnusable() {
        QFETCH(bool, damaged);
        const QString path = file(QStringLiteral("unusable.sqlite")) + QTest::currentDataTag();
        const QString snapshots = file(QStringLiteral("files-")) + QTest::currentDataTag();
        QFile garbage(path);
        QVERIFY(!damaged || (garbage.open(QIODevice::WriteOnly) &&
                             garbage.write(QByteArray(4096, 'x')) == 4096));
        garbage.close();
        RecorderRig rig(path, true, snapshots);
        auto raw = damaged ? nullptr : std::make_unique<Raw>(path);
        QVERIFY(damaged || raw->exec(QStringLiteral("BEGIN IMMEDIATE")));
        QCOMPARE(rig.calibrate(), session::SaveResult::Verified);
        const QString aside = rig.recorder->lastRecord()->uuid;
        QCOMPARE(rig.recorder->lastRecord()->outcome, WriteOutcome::Pending);
        QCOMPARE(rig.store.pendingCount(), 4); // read-out, before and after the write, the record
        QVERIFY(rig.messages.shown.isEmpty());

        raw.reset();
        QVERIFY(!damaged || garbage.remove());
        QCOMPARE(rig.calibrate(), session::SaveResult::Verified);
        QCOMPARE(rig.store.pendingCount(), 0);
        QCOMPARE(rig.recorder->lastRecord()->outcome, WriteOutcome::Recorded);
        const auto taken = rig.store.calibration(aside);
        QVERIFY(taken && rig.store.snapshot(taken->asLeftSnapshot));
        QCOMPARE(rig.store.snapshots(rig.sensorId()).size(), std::size_t{6});
        QCOMPARE(QDir(snapshots).entryList({"*.json"}).size(), 2); // one before each write
    }

    // The certificate of a recorded calibration: the standard from the store, the gain range
    // from the block as found, the corrections applied; its XML valid against the schema.
    void aRecordedCalibrationHasAValidCertificate() {
        RecordStore store({file(QStringLiteral("certificate.sqlite"))});
        const QString standard = store
                                     .addStandard({{},
                                                   QStringLiteral("HBM Z4A"),
                                                   QStringLiteral("123"),
                                                   QStringLiteral("K-77/2025"),
                                                   QDate(2025, 3, 1),
                                                   QDate(2026, 3, 1)})
                                     .uuid;
        CalibrationRecord c = calibrationOf(QStringLiteral("S5"), at(2026, 2, 1));
        c.asFoundSnapshot = store
                                .addSnapshot({{},
                                              SnapshotReason::ReadOut,
                                              QStringLiteral("S5"),
                                              sensor::ExternalBlock,
                                              content(at(2026, 2, 1, 9))})
                                .uuid;
        const WriteResult written = store.record(c);
        QVERIFY(store
                    .correct({{},
                              written.uuid,
                              CorrectedField::Standard,
                              standard,
                              QStringLiteral("Dvořák"),
                              at(2026, 2, 2),
                              QStringLiteral("typo")})
                    .kept());
        const certificate::CertificateData data =
            certificateOf(*store.calibration(written.certificate), store);
        QCOMPARE(data.certificateNumber, written.certificate);
        QCOMPARE(data.standard.certificateNumber, QStringLiteral("K-77/2025"));
        QCOMPARE(data.laboratory, QSysInfo::machineHostName());
        QVERIFY(data.gainRange > 0.0);
        QCOMPARE(data.asFound.verdict, certificate::Verdict::Fail);
        QCOMPARE(data.asLeft.points.size(), std::size_t{2});
        QVERIFY(data.asLeft.points.back().withinTolerance);
        const std::optional<QString> problems =
            testsupport::dccSchemaProblems(certificate::dccXml(data));
        if (!problems)
            QSKIP(TORANCAL_SKIP_WITHOUT_XMLLINT);
        QVERIFY2(problems->isEmpty(), qPrintable(*problems));
    }

    void aKilledWriterLosesAtMostOneRecord() {
#ifdef Q_OS_UNIX
        const QString path = file(QStringLiteral("killed.sqlite"));
        QProcess writer;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(WriterVariable, path);
        writer.setProcessEnvironment(environment);
        writer.start(QCoreApplication::applicationFilePath());
        int reported = 0;
        while (reported < 30 && writer.waitForReadyRead(10000))
            while (writer.canReadLine())
                reported = writer.readLine().trimmed().toInt();
        writer.kill();
        QVERIFY(writer.waitForFinished());
        QVERIFY(reported >= 30);
        while (writer.canReadLine())
            reported = writer.readLine().trimmed().toInt();

        RecordStore store({path});
        QCOMPARE(store.status().state, StoreState::Ready);
        const auto history = store.history(QStringLiteral("KILL"));
        QVERIFY(int(history.size()) >= reported && int(history.size()) <= reported + 1);
        Raw raw(path);
        QCOMPARE(raw.count(QStringLiteral("calibration_points")), 10 * qint64(history.size()));
        QCOMPARE(history.front().certificate,
                 certificateNumber(QStringLiteral("TC"), 2026, int(history.size())));
#endif
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(WriterVariable))
        return runWriter(qEnvironmentVariable(WriterVariable));
    RecordsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_records.moc"
