#include "core/instrument/Identify.h"
#include "core/instrument/LiveSignal.h"
#include "core/instrument/Timing.h"
#include "core/sensor/SensorReadout.h"
#include "core/session/SensorSave.h"
#include "core/session/SystemCalibration.h"
#include "core/text/HexCodes.h"
#include "core/text/NumberText.h"
#include "sim/Fault.h"
#include "sim/SensorBlock.h"
#include "tests/support/SessionRig.h"
#include "tests/support/TestLink.h"

#include <QLocale>
#include <QTest>
#include <optional>

using namespace std::chrono_literals;
using session::SaveResult;

namespace {

constexpr int ExternalImageSize = 104 + 8 * 3; // the default external sensor has 3 points

// A session after the read-out, with a clean log.
struct Rig : testsupport::SessionRig {
    session::SystemCalibration calibration{session};
    bool refusePage = false;
    session::SensorSave save{session,
                             {[this](std::uint8_t options) {
                                  sensor().Options = options;
                                  return !refusePage;
                              },
                              [] { return QDate(2025, 12, 6); }}};

    explicit Rig(int mask = 3, int options = -1) {
        sim::SensorBlockContent content = sim::defaultExternalSensor();
        content.options = options < 0 ? content.options : options;
        instrument().setBlock(0, sim::makeSensorBlock(content));
        instrument().setSensorMask(mask);
        for (const int n : {104, 105, 106, 107}) // the sensor's description and identifier
            texts.set(n, QStringLiteral("T%1 %2/%3").arg(n).arg("%1", "%2"));
        (void)run([this](const device::Link& link) { (void)session.readOut(link); });
        instrument().clearLog();
        status.texts.clear();
        calls.clear();
    }
    SaveResult saveSensor(bool onlyWhenChanged) {
        SaveResult result = SaveResult::PageRejected;
        (void)run(
            [&](const device::Link& link) { result = save.SaveSensor(link, onlyWhenChanged); });
        return result;
    }
    void saveConstants() {
        (void)run([this](const device::Link& link) { calibration.SaveSystemCalibration(link); });
    }
    sensor::SensorRecord& sensor() { return session.sensors().CurrentSensor; }
    [[nodiscard]] const device::SystemConstants& constants() const { return session.constants(); }
    // A reading of `divisions` that the running polling has just brought.
    void reading(float divisions) {
        session.runner().startPolling();
        session.live().SignalDiv = divisions;
        session.live().ReadingTime = clock.now();
    }
};

} // namespace

// The session and its actions without a window, and the search for the instrument's port.
class SessionTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // An action started during another's wait does nothing.
    void oneActionAtATimeAndTheEndUnwinds() {
        Rig rig;
        bool endedInsideTheWait = true;
        rig.clock.setOnDelay([&rig, &endedInsideTheWait] {
            QVERIFY(!rig.run([](const device::Link&) { QFAIL("ran while the line was held"); }));
            rig.session.runner().requestEnd();
            endedInsideTheWait = rig.calls.contains("ended");
        });
        bool finished = false;
        QVERIFY(rig.run([&finished](const device::Link& link) {
            link.line.send("$00@\r");
            link.delay(100ms);
            link.line.send("$00@\r");
            finished = true;
        }));
        QVERIFY(!finished && !endedInsideTheWait && !rig.line.isOpen());
        QCOMPARE(rig.calls, QStringList({"stop", "stop", "ended"}));
        QVERIFY(!rig.run([](const device::Link&) { QFAIL("ran after the end"); }));
        QCOMPARE(rig.instrument().frames(), QList<QByteArray>{"$00@"});
    }

    // An end asked for during a sensor's or the constants' write lets it finish.
    void endDuringAWriteFinishesIt() {
        for (const QByteArray command : {"KW", "EW"}) {
            Rig rig;
            rig.sensor().Description = QStringLiteral("Nový popis");
            rig.clock.setOnDelay([&rig, command] {
                if (rig.framesOf(command).size() == 20)
                    rig.session.runner().requestEnd();
            });
            command == "KW" ? (void)rig.saveSensor(true) : rig.saveConstants();
            QCOMPARE(rig.framesOf(command).size(), command == "KW" ? ExternalImageSize : 64);
            QCOMPARE(rig.instrument().frames().last(), rig.framesOf(command).last());
            QCOMPARE(rig.calls.last(), QString("ended"));
            QVERIFY(rig.messages.shown.isEmpty());
        }
    }

    // The reset waits while the instrument restarts.
    void resetWaitsForTheRestart() {
        Rig rig;
        QVERIFY(rig.run([&rig](const device::Link& link) { rig.session.resetInstrument(link); }));
        QCOMPARE(rig.instrument().frames(), QList<QByteArray>{"$00X"});
        QCOMPARE(rig.calls, QStringList({"disable", "stop", "enable"}));
        QVERIFY(rig.clock.waited() >= device::timing::ResetRecovery);
    }

    // On the sensor's range (7, the external one's).
    void zeroGainAndDefaults() {
        Rig rig;
        device::LiveValues& live = rig.session.live();
        rig.reading(32770.4F);
        rig.calibration.SetNula();
        QCOMPARE(rig.constants().zero[7], QString("32770"));
        QCOMPARE(live.ActiveZero, 32770.4F);
        live.ActiveZero = 32768.0F;
        live.SignalDiv = 32768.0F + 12952.0F;
        rig.calibration.SetGain2mVV();
        QCOMPARE(rig.constants().k[7], QString("1.54416 E-4"));
        QCOMPARE(live.ActiveK, static_cast<float>(2.0 / 12952.0));
        // No difference to the zero: k cannot be determined and nothing changes.
        live.SignalDiv = live.ActiveZero;
        rig.calibration.SetGain2mVV();
        QCOMPARE(rig.constants().k[7], QString("1.54416 E-4"));
        QCOMPARE(rig.messages.texts(), QStringList{"T111"});

        rig.calibration.LoadDefaultConstants();
        const auto& zeros = rig.constants().zero;
        QCOMPARE(QStringList(zeros.begin(), zeros.end()), QStringList(8, "32767"));
        QCOMPARE(rig.constants().k[0], QString("1.52704 E-2"));
        QCOMPARE(rig.constants().k[7], QString("1.19300 E-4"));
    }

    // A reading is taken while the polling runs and one came within the last two polls; the
    // panels call the signal lost after two polls without one, but not right after a start.
    void onlyAFreshReadingIsTaken() {
        Rig rig;
        device::LiveSignal signal(rig.line, rig.messages, rig.texts, rig.session.live(), rig.clock,
                                  {});
        QString fresh;
        QString lost;
        QObject::connect(&signal, &device::LiveSignal::updated,
                         [&](const device::SignalUpdate& update) {
                             fresh += rig.session.signalFresh() ? u'+' : u'-';
                             lost += update.signalLost ? u'L' : u'.';
                         });
        const auto tick = [&rig, &signal] {
            rig.clock.advance(device::timing::PollInterval);
            QCOMPARE(signal.tick(), device::LiveSignal::Tick::Polled);
        };
        const auto takeZeroAndGain = [&rig] {
            rig.calibration.SetNula();
            rig.calibration.SetGain2mVV();
        };
        rig.instrument().setLoad(1.0);
        rig.session.runner().startPolling();
        tick(); // finds nothing yet
        tick();
        rig.instrument().addFault({sim::FaultKind::NoReply, sim::Command::Measure, 0, 2, {}});
        tick();
        tick(); // one reply lost
        tick(); // two
        const device::SystemConstants before = rig.constants();
        takeZeroAndGain();
        QCOMPARE(rig.constants(), before);
        QCOMPARE(rig.messages.texts(), QStringList(2, "COM1: T301"));
        tick();
        QCOMPARE(fresh, QString("-+++-+"));
        QCOMPARE(lost, QString("....L."));
        rig.session.runner().stopPolling();
        takeZeroAndGain();
        QCOMPARE(rig.messages.texts(), QStringList(4, "COM1: T301"));
        rig.session.runner().startPolling();
        tick();
        tick();
        rig.calibration.SetNula();
        QCOMPARE(rig.messages.shown.size(), 4);
        QVERIFY(rig.constants().zero[7] != before.zero[7]);
    }

    // RESET: the boxes show again what the instrument holds (not DEF! values never written),
    // the points stay and the polling starts again once the reset's wait is over.
    void resetReadsAgainAndRestartsThePolling() {
        Rig rig;
        const device::SystemConstants held = rig.constants();
        rig.calibration.LoadDefaultConstants();
        rig.session.curve().setSlot(1, {7.0F, 0.5F, calibration::SlotState::Used});
        rig.reading(32770.0F);
        QVERIFY(
            rig.run([&rig](const device::Link& link) { rig.calibration.ResetInstrument(link); }));
        const QList<QByteArray> frames = rig.instrument().frames();
        QCOMPARE(frames.first(), QByteArray("$00X"));
        QVERIFY(frames.size() > 1 && rig.framesOf("X").size() == 1);
        QCOMPARE(rig.constants(), held);
        QCOMPARE(rig.session.curve().point(1).etalon, 7.0F);
        QCOMPARE(rig.calls.last(), QString("start"));
        QVERIFY(rig.session.live().Polling && !rig.session.signalFresh());
        QVERIFY(rig.messages.shown.isEmpty());
    }

    // All 16 constants are written with progress.
    void saveWritesAllConstantsAndKeepsThePoints() {
        Rig rig;
        device::SystemConstants edited;
        for (std::size_t i = 0; i < 8; ++i) {
            edited.zero[i] = QStringLiteral(" 3276%1 ").arg(i);
            edited.k[i] = QStringLiteral("0,00%1").arg(i + 1);
        }
        rig.session.setConstants(edited);
        rig.session.curve().setSlot(1, {7.0F, 0.5F, calibration::SlotState::Used});
        rig.saveConstants();
        QCOMPARE(rig.status.texts.first(), QString("T52 0%"));
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(rig.instrument().setupFloat(0x20 + 8 * i), 32760.0 + i);
            QCOMPARE(float(rig.instrument().setupFloat(0x24 + 8 * i)), 0.001F * float(i + 1));
        }
        QCOMPARE(rig.framesOf("X").size(), 1);
        QCOMPARE(rig.calls.last(), QString("start"));
        QCOMPARE(rig.session.curve().point(1).etalon, 7.0F);
        QCOMPARE(rig.constants().zero[3], QString("32763"));
        QVERIFY(rig.messages.shown.isEmpty());
    }

    // A lost echo: the rest is written and the instrument reset all the same. A box that the
    // instrument cannot store, or that is not one number, refuses the save before any frame.
    void failedConstants() {
        for (const auto& [fault, kText, message] :
             {std::tuple{QStringLiteral("EW none after 4 count 4"), QString(),
                         QStringLiteral("T110")},
              {QString(), QStringLiteral("1e39"), QStringLiteral("T109")},
              {QString(), QStringLiteral("  "), QStringLiteral("T300 k G1(1) ")},
              {QString(), QStringLiteral(" 1,5 E-3x"), QStringLiteral("T300 k G1(1) 1,5 E-3x")},
              {QString(), QStringLiteral("abc"), QStringLiteral("T300 k G1(1) abc")}}) {
            Rig rig;
            rig.texts.set(300, QStringLiteral("T300 %1 %2 %3"));
            if (!fault.isEmpty())
                rig.instrument().addFault(*sim::parseFault(fault).fault);
            const bool written = kText.isEmpty();
            if (!written)
                rig.session.setRangeKText(0, kText);
            rig.saveConstants();
            QCOMPARE(rig.messages.texts(), QStringList{message});
            QCOMPARE(rig.framesOf("EW").size(), written ? 64 : 0);
            QCOMPARE(rig.framesOf("X").size(), written ? 1 : 0);
        }
    }

    // Only a changed sensor is written, into the external block whenever that sensor is there.
    void saveWritesOnlyAChangedSensor_data() {
        QTest::addColumn<int>("mask");
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("block"); // -1: nothing written
        QTest::newRow("as read") << 3 << "" << -1;
        QTest::newRow("no image in hand") << 3 << "no image" << 0;
        QTest::newRow("three-byte points") << 3 << "options" << 0;
        QTest::newRow("described, both sensors") << 3 << "description" << 0;
        QTest::newRow("described, internal alone") << 2 << "description" << 1;
        QTest::newRow("described, external alone") << 1 << "description" << 0;
    }
    void saveWritesOnlyAChangedSensor() {
        QFETCH(int, mask);
        QFETCH(QString, change);
        QFETCH(int, block);
        Rig rig(mask, change == u"options" ? 0x90 : -1);
        if (change == u"no image")
            rig.session.sensors().SensorImage.clear();
        if (change == u"description")
            rig.sensor().Description = QStringLiteral("Nový popis");
        const int size = 104 + 8 * rig.sensor().CurvePointCount;
        QCOMPARE(rig.saveSensor(true), block < 0 ? SaveResult::Unchanged : SaveResult::Verified);
        const QList<QByteArray> writes = rig.framesOf("KW");
        QCOMPARE(writes.size(), block < 0 ? 0 : size);
        for (int i = 0; i < writes.size(); ++i)
            QCOMPARE(writes[i].mid(5, 4),
                     (device::LongToHex(32 * block, 2) + device::LongToHex(i, 2)).toLatin1());
        QCOMPARE(rig.framesOf("X").size(), block < 0 ? 0 : 1);
        if (change == u"options")
            QCOMPARE(uchar(rig.instrument().block(0)[99]), 0xD0);
        if (change == u"description")
            QCOMPARE(rig.instrument().block(block).mid(8, 10), QByteArray("Nov\xFD popis"));
        QCOMPARE(rig.calls.last(), QString("enable"));
        QVERIFY(rig.messages.shown.isEmpty());
    }

    // A block left half written is not the base of the next comparison.
    void failedWriteIsWrittenAgain() {
        Rig rig;
        rig.sensor().Description = QStringLiteral("Nový popis");
        rig.instrument().addFault(*sim::parseFault(u"KW none after 4").fault);
        QCOMPARE(rig.saveSensor(true), SaveResult::NotWritten);
        QCOMPARE(rig.framesOf("KW").size(), 4 + 3);
        QCOMPARE(rig.calls, QStringList({"stop", "disable", "enable"}));
        rig.instrument().clearFaults();
        rig.instrument().clearLog();
        QCOMPARE(rig.saveSensor(true), SaveResult::Verified);
        QCOMPARE(rig.framesOf("KW").size(), ExternalImageSize);
    }

    // Saved means read back after the reset and equal to what was written; any other outcome is
    // told as what it is, and the operator's sensor and points stay for a second save.
    void saveOutcomes_data() {
        QTest::addColumn<int>("mask");
        QTest::addColumn<QString>("fault");   // added before the save
        QTest::addColumn<QString>("atReset"); // what changes while the instrument restarts
        QTest::addColumn<SaveResult>("result");
        QTest::addColumn<QString>("message"); // the last one shown
        const QString named = QStringLiteral("Nový popis/");
        QTest::newRow("verified") << 3 << ""
                                  << "" << SaveResult::Verified << "";
        QTest::newRow("first byte unanswered")
            << 3 << "KW none"
            << "" << SaveResult::NotWritten << "T47 [-1]\nT104 " + named;
        // The description starts at offset 8, the first byte that the save changes.
        QTest::newRow("unchanged bytes unanswered")
            << 3 << "KW none after 7"
            << "" << SaveResult::NotWritten << "T47 [-8]\nT104 " + named;
        QTest::newRow("changed byte unanswered")
            << 3 << "KW none after 8"
            << "" << SaveResult::PartlyWritten << "T47 [-9]\nT105 " + named;
        QTest::newRow("wrong echo")
            << 3 << "KW wrong after 2"
            << "" << SaveResult::PartlyWritten << "T47 [-10003]\nT105 " + named;
        QTest::newRow("block not read back") << 3 << "KB none after 1"
                                             << "" << SaveResult::NotVerified << "T106 " + named;
        QTest::newRow("mask bit gone") << 3 << ""
                                       << "mask 2" << SaveResult::NotVerified << "T106 " + named;
        QTest::newRow("setup not read") << 3 << "ER none"
                                        << "" << SaveResult::NotVerified << "T106 " + named;
        QTest::newRow("differs") << 3 << ""
                                 << "damage" << SaveResult::Differs << "T107 " + named;
        // The internal block written, an external sensor found after the reset: the internal
        // block as read, not the external image in hand, is compared.
        QTest::newRow("internal, external appears") << 2 << ""
                                                    << "mask 3" << SaveResult::Verified << "";
        QTest::newRow("internal differs, external appears")
            << 2 << ""
            << "mask 3 damage" << SaveResult::Differs << "T107 " + named;
    }
    void saveOutcomes() {
        QFETCH(int, mask);
        QFETCH(QString, fault);
        QFETCH(QString, atReset);
        QFETCH(SaveResult, result);
        QFETCH(QString, message);
        Rig rig(mask);
        if (!fault.isEmpty())
            rig.instrument().addFault(*sim::parseFault(fault).fault);
        rig.sensor().Description = QStringLiteral("Nový popis");
        const int block = rig.session.sensors().workingBlock();
        const sensor::SensorRecord written = rig.sensor();
        const calibration::CurveTable points = rig.session.curve();
        bool changed = false;
        rig.clock.setOnDelay([&] {
            if (changed || rig.framesOf("X").isEmpty())
                return;
            changed = true;
            if (atReset.contains(u"mask"))
                rig.instrument().setSensorMask(atReset.section(u' ', 1, 1).toInt());
            if (atReset.contains(u"damage")) {
                QByteArray image = rig.instrument().block(block);
                image[118] = char(image[118] ^ 0x01);
                rig.instrument().setBlock(block, image);
            }
        });
        QCOMPARE(rig.saveSensor(false), result);
        const bool sent = result != SaveResult::NotWritten && result != SaveResult::PartlyWritten;
        QCOMPARE(rig.framesOf("X").size(), sent ? 1 : 0);
        QCOMPARE(rig.calls.last(), QString("enable"));
        if (result == SaveResult::Verified) {
            QVERIFY(rig.messages.shown.isEmpty());
            return;
        }
        QCOMPARE(rig.messages.shown.last().text, message + written.SensorId.trimmed());
        QCOMPARE(rig.messages.shown.last().icon, text::MsgIcon::Critical);
        QCOMPARE(rig.sensor().Description.trimmed(), QString("Nový popis"));
        QCOMPARE(rig.sensor().SensorId.text(), written.SensorId.text());
        QVERIFY(rig.session.curve() == points);
    }

    // A refused page or a point the number code cannot hold: nothing is sent.
    void rejectedSensorSendsNothing() {
        for (const bool refusePage : {true, false}) {
            Rig rig;
            rig.refusePage = refusePage;
            rig.sensor().CurveEtalon[0] = refusePage ? 0.0F : 3.0e38F;
            QCOMPARE(rig.saveSensor(false), SaveResult::PageRejected);
            QCOMPARE(rig.messages.texts(), QStringList{refusePage ? "T49" : "T108"});
            QCOMPARE(rig.instrument().frameCount(), 0);
            QVERIFY(rig.calls.isEmpty());
        }
    }

    // The page's Save asks first, always writes, resets and does not read again.
    void confirmedSaveAsksAndWrites() {
        Rig rig;
        rig.sensor().Description = QStringLiteral("Nový popis");
        const auto confirmAndSave = [&rig] {
            (void)rig.run([&rig](const device::Link& link) { rig.save.ConfirmAndSave(link); });
        };
        confirmAndSave(); // No is the question's default answer
        QCOMPARE(rig.messages.texts(), QStringList{"T46"});
        QCOMPARE(rig.instrument().frameCount(), 0);
        rig.messages.answer(text::MsgAnswer::Yes);
        confirmAndSave();
        QCOMPARE(rig.framesOf("KW").size(), ExternalImageSize);
        QCOMPARE(rig.framesOf("X").size(), 1);
        QCOMPARE(rig.framesOf("KB").size(), 0);
        QVERIFY(rig.session.sensors().SensorRecords[0] == sensor::SensorRecord{});
        // What was written is the comparison base.
        QCOMPARE(rig.saveSensor(true), SaveResult::Unchanged);
    }

    // COM1 to COM49 in rising order: the first port that identifies wins and is left closed.
    void portSearch() {
        using State = sim::SimulatedLine::PortState;
        using Ports = std::function<void(sim::SimulatedLine&)>;
        for (const auto& [ports, found, opened] :
             {std::tuple{Ports([](sim::SimulatedLine& line) {
                             line.attach(7);
                             line.attach(3);
                         }),
                         3, QList<int>{3}},
              {[](sim::SimulatedLine& line) { // lower case, left open by a connect
                   line.attach(6);
                   line.attach(2).setIdentification("toran r-40 v2.10\r");
                   QVERIFY(line.setPortNumber(2) && line.open() == device::OpenResult::Opened);
               },
               6,
               {2, 2, 6}},
              {[](sim::SimulatedLine& line) { // busy, refused and silent
                   line.setPortState(2, State::InUse);
                   line.setPortState(3, State::PermissionDenied);
                   line.setPortState(5, State::Silent);
                   line.attach(8);
               },
               8,
               {5, 8}}}) {
            testsupport::ManualClock clock;
            sim::SimulatedLine line{clock};
            ports(line);
            const device::PortSearchResult result =
                device::SearchInstrumentPort(testsupport::link(line, clock));
            QCOMPARE(result.port, found);
            QCOMPARE(result.permissionRefused, found == 8);
            QCOMPARE(line.openedPorts(), opened);
            QVERIFY(!line.isOpen());
        }
    }

    // The search names each port before it tries it. A cancel ends the probe in progress at its
    // next wait and closes the port; outside a cancellable exchange a cancel does nothing.
    void portSearchReportsAndCancels() {
        enum class Stop { CancelInProbe, ProgressRefuses, CancelIgnored };
        for (const auto& [stop, tried, found] :
             {std::tuple{Stop::CancelInProbe, QList<int>{1, 2, 3}, 0},
              {Stop::ProgressRefuses, {1, 2, 3, 4, 5}, 0},
              {Stop::CancelIgnored, {1, 2, 3, 4, 5, 6, 7}, 7}}) {
            device::Lifecycle lifecycle;
            testsupport::ManualClock clock(&lifecycle);
            sim::SimulatedLine line{clock};
            line.setPortState(3, sim::SimulatedLine::PortState::Silent);
            line.attach(7);
            std::optional<device::Lifecycle::Cancellable> cancellable;
            if (stop != Stop::CancelIgnored)
                cancellable.emplace(lifecycle);
            if (stop != Stop::ProgressRefuses)
                clock.setOnDelay([&] { lifecycle.requestCancel(); });
            QList<int> reported;
            const device::PortSearchResult result =
                device::SearchInstrumentPort(testsupport::link(line, clock), [&](int port) {
                    reported.append(port);
                    return !(stop == Stop::ProgressRefuses && port == 5);
                });
            QCOMPARE(reported, tried);
            QCOMPARE(result.port, found);
            QCOMPARE(result.cancelled, found == 0);
            QVERIFY(!line.isOpen());
            // Cut short at the first wait, before anything was sent to the silent port.
            if (stop == Stop::CancelInProbe)
                QCOMPARE(clock.waited(), device::timing::IdentifySettle);
        }
    }
};

QTEST_MAIN(SessionTest)
#include "tst_session.moc"
