#include "app/PortSetting.h"
#include "app/Services.h"
#include "app/frmOrvoCalibration.h"
#include "device/LiveSignal.h"
#include "device/QtSerialLine.h"
#include "device/SignalPanels.h"
#include "sim/SensorBlock.h"
#include "sim/SimulatedLine.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/SimProcess.h"
#include "ui/Clock.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

using namespace std::chrono_literals;
using app::frmOrvoCalibration;
using Tick = device::LiveSignal::Tick;

namespace {

constexpr int Port = 4;

// Records the messages and runs something while one is open, as the timer does behind a
// modal box.
class MessagesWithTicks final : public ui::MessageService {
public:
    ui::MsgAnswer show(const QString& text, ui::MsgIcon icon, ui::MsgButtons buttons,
                       ui::MsgAnswer defaultAnswer) override {
        const ui::MsgAnswer answer = recorded.show(text, icon, buttons, defaultAnswer);
        if (whileShown)
            whileShown();
        return answer;
    }

    testsupport::ScriptedMessages recorded;
    std::function<void()> whileShown;
};

// An instrument whose reply to "$00M" is 1,234;32900;0080C8 at a load of 0.198 mV/V.
sim::Instrument workedInstrument() {
    sim::Instrument instrument;
    sim::SensorBlockContent sensor = sim::defaultExternalSensor();
    sensor.decimals = 3;
    sensor.points = {{0.0, 0.0}, {0.198, 1.234}};
    instrument.setBlock(0, sim::makeSensorBlock(sensor));
    instrument.setSensorMask(3);
    instrument.setSetupFloat(sim::Instrument::rangeZeroAddress(sensor.gain), 32768.0);
    instrument.setSetupFloat(sim::Instrument::rangeKAddress(sensor.gain), 0.0015);
    instrument.setLoad(0.198);
    instrument.setStatus(0x00);
    instrument.setRangeFlags(0x80);
    instrument.setBattery(0xC8);
    return instrument;
}

struct Harness {
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    app::PortSetting portSetting{settings};
    ui::Lifecycle lifecycle;
    testsupport::ManualClock clock{&lifecycle};
    MessagesWithTicks messages;
    sim::SimulatedLine line{clock};
    sim::Instrument& instrument = line.attach(Port, workedInstrument());
    std::unique_ptr<frmOrvoCalibration> window;

    Harness() {
        QFile language(dir.filePath(QStringLiteral("ToranCal.lang")));
        if (language.open(QIODevice::WriteOnly))
            language.write("64=Reading failed.\r\n65=Check the cable.\r\n");
        language.close();
        window = std::make_unique<frmOrvoCalibration>(
            app::Services{line, clock, messages, lifecycle, portSetting, language.fileName(), {}});
        window->liveValues().ActiveZero = 32768.0F;
        window->liveValues().ActiveK = 0.0015F;
        window->sensorState().CurrentSensor.UnitFormat = QStringLiteral("##0.000");
    }

    [[nodiscard]] bool openPort() {
        return line.setPortNumber(Port) && line.open() == device::OpenResult::Opened;
    }
    // One tick of tmrCasovac, 200 ms after the last.
    void tick() {
        clock.advance(200ms);
        window->PollSignal();
    }
    [[nodiscard]] const QList<testsupport::ScriptedMessages::Shown>& shown() const {
        return messages.recorded.shown;
    }
    [[nodiscard]] device::SignalDisplayFrame& signal() const { return *window->fraDISPLAY; }
    [[nodiscard]] device::InstrumentDisplayFrame& expert() const { return *window->fraORVODISPLAY; }
    // The request the next tick sends is answered with this fault.
    void faultNextRequest(sim::FaultKind kind) {
        instrument.addFault({kind, sim::Command::Measure, 0, 1, {}});
    }
};

struct Indicators {
    bool overRange;
    bool underRange;
    bool error;
    bool lowBattery;
    QString signal;
    QString divisions;
    QString display;
    QString battery;
    bool operator==(const Indicators&) const = default;
};

Indicators indicatorsOf(const Harness& harness) {
    const auto& signal = harness.signal();
    const auto& expert = harness.expert();
    return {!signal.lblILimHI->isHidden(), !signal.lblILimLO->isHidden(),
            !signal.lblIDef->isHidden(),   !signal.lblIBatt->isHidden(),
            signal.lblSignal->text(),      expert.lblSignalDIV->text(),
            expert.lblSignalDISP->text(),  expert.lblBAT->text()};
}

} // namespace

class TestLiveSignal : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void workedReplyReachesEveryDisplay() {
        Harness harness;
        QCOMPARE(harness.instrument.measurementReply(), QByteArray("1,234;32900;0080C8\r"));
        QVERIFY(harness.openPort());

        harness.tick();
        QCOMPARE(harness.signal().lblSignal->text(), QStringLiteral("-----"));
        QCOMPARE(harness.instrument.frames(), QList<QByteArray>({"$00M"}));

        harness.tick();
        const device::LiveValues& values = harness.window->liveValues();
        QCOMPARE(values.DisplayValue, 1.234F);
        QCOMPARE(values.SignalDiv, 32900.0F);
        QCOMPARE(values.SignalMVV, (32900.0F - 32768.0F) * 0.0015F);
        QCOMPARE(values.StatusFlags, 0);
        QCOMPARE(values.RangeFlags, 0x80);
        QCOMPARE(values.BatteryLevel, 200);
        QCOMPARE(indicatorsOf(harness),
                 (Indicators{false, true, false, false, "   0.198", "32900", "1.234 ", "B=200"}));
        QCOMPARE(harness.instrument.frameCount(), 2);
        QVERIFY(harness.shown().isEmpty());
    }

    void statusChangesRebuildTheTooltip() {
        Harness harness;
        QVERIFY(harness.openPort());
        harness.tick();
        QLabel& def = *harness.signal().lblIDef;
        const auto readStatus = [&](int flags) {
            harness.instrument.setStatus(flags);
            harness.tick(); // sends the request that sees the status
            harness.tick(); // shows its reply
        };
        readStatus(0x01);
        QVERIFY(!def.isHidden());
        QCOMPARE(def.toolTip(), QStringLiteral("E50 SysCalibration "));
        readStatus(0x03);
        QVERIFY(!def.isHidden());
        QCOMPARE(def.toolTip(), QStringLiteral("E50 SysCalibration ,E51 ClockREG "));
        readStatus(0x02);
        QCOMPARE(def.toolTip(), QStringLiteral(",E51 ClockREG "));
        readStatus(0x00);
        QVERIFY(def.isHidden());
        QVERIFY(def.toolTip().isEmpty());
    }

    void batteryIndicator_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("shown");
        QTest::newRow("126") << 126 << true;
        QTest::newRow("127") << 127 << false;
        QTest::newRow("0") << 0 << true;
    }

    void batteryIndicator() {
        QFETCH(int, level);
        QFETCH(bool, shown);
        Harness harness;
        harness.instrument.setBattery(level);
        QVERIFY(harness.openPort());
        harness.tick();
        harness.tick();
        QCOMPARE(!harness.signal().lblIBatt->isHidden(), shown);
        QCOMPARE(harness.expert().lblBAT->text(), QStringLiteral("B=%1").arg(level));
    }

    void shortAndMalformedRepliesKeepTheOtherDisplays_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("signal");
        QTest::newRow("no reply") << int(sim::FaultKind::NoReply) << "-----";
        QTest::newRow("garbage without separators") << int(sim::FaultKind::Garbage) << "   0.198";
    }

    void shortAndMalformedRepliesKeepTheOtherDisplays() {
        QFETCH(int, fault);
        QFETCH(QString, signal);
        Harness harness;
        harness.instrument.setRangeFlags(0x00);
        harness.instrument.setStatus(0x04);
        harness.instrument.setBattery(100);
        QVERIFY(harness.openPort());
        harness.tick();
        harness.faultNextRequest(static_cast<sim::FaultKind>(fault));
        harness.tick();
        const Indicators before = indicatorsOf(harness);
        QCOMPARE(before,
                 (Indicators{true, true, true, true, "   0.198", "32900", "1.234 ", "B=100"}));
        const QString tooltip = harness.signal().lblIDef->toolTip();

        harness.tick();
        Indicators expected = before;
        expected.signal = signal;
        QCOMPARE(indicatorsOf(harness), expected);
        QCOMPARE(harness.signal().lblIDef->toolTip(), tooltip);
        QCOMPARE(harness.instrument.frameCount(), 3);
    }

    void nothingIsSentOnAClosedOrBusyLine() {
        Harness harness;
        harness.tick();
        QCOMPARE(harness.window->liveSignal().tick(), Tick::PortClosed);
        QCOMPARE(harness.signal().lblSignal->text(), QStringLiteral("-000.000"));

        QVERIFY(harness.openPort());
        QVERIFY(harness.window->runExclusive([&] { harness.tick(); }));
        QCOMPARE(harness.instrument.frameCount(), 0);
        QVERIFY(harness.shown().isEmpty());
    }

    void vanishedPortIsReportedOnceAndReopened() {
        Harness harness;
        calibration::CurveTable& curve = harness.window->curveTable();
        QVERIFY(curve.append(0.1F, 10.0F));
        QVERIFY(curve.append(0.2F, 20.0F));
        const QStringList rows = curve.CurveListRows(u"##0.0");
        harness.window->shellState().WizardStep = 3;
        harness.window->tmrCasovac.start();
        QVERIFY(harness.openPort());
        harness.tick();
        harness.tick();

        harness.line.vanish();
        harness.tick();
        QCOMPARE(harness.shown().size(), 1);
        QCOMPARE(harness.shown().first().text,
                 QStringLiteral("Reading failed.\r\nCheck the cable."));
        QCOMPARE(harness.shown().first().icon, ui::MsgIcon::Critical);
        QVERIFY(!harness.line.isOpen());
        QVERIFY(harness.window->liveSignal().portLost());
        QCOMPARE(harness.signal().lblSignal->text(), QStringLiteral("-----"));
        QVERIFY(!harness.window->hasEnded());
        QVERIFY(harness.window->tmrCasovac.isActive());
        QCOMPARE(curve.PointCount(), 2);
        QCOMPARE(curve.CurveListRows(u"##0.0"), rows);
        QCOMPARE(harness.window->shellState().WizardStep, 3);

        const int framesBefore = harness.instrument.frameCount();
        for (int i = 0; i < 5; ++i) {
            harness.tick();
            QCOMPARE(harness.signal().lblSignal->text(), QStringLiteral("-----"));
        }
        QCOMPARE(harness.shown().size(), 1);
        QCOMPARE(harness.line.openedPorts(), QList<int>({Port}));
        QCOMPARE(harness.instrument.frameCount(), framesBefore);

        harness.line.reappear();
        harness.tick();
        QVERIFY(harness.line.isOpen());
        QCOMPARE(harness.line.portNumber(), Port);
        QCOMPARE(harness.line.openedPorts(), QList<int>({Port, Port}));
        QVERIFY(!harness.window->liveSignal().portLost());
        QCOMPARE(harness.instrument.frameCount(), framesBefore + 1);
        harness.instrument.setLoad(0.0);
        harness.tick();
        harness.tick();
        QCOMPARE(harness.signal().lblSignal->text(), QStringLiteral("   0.000"));
        QCOMPARE(harness.shown().size(), 1);
        QCOMPARE(curve.CurveListRows(u"##0.0"), rows);
    }

    void ticksBehindTheLossMessageDoNothing() {
        Harness harness;
        QVERIFY(harness.openPort());
        harness.tick();
        harness.line.vanish();
        QList<Tick> behind;
        harness.messages.whileShown = [&] {
            harness.line.reappear();
            behind.append(harness.window->liveSignal().tick());
            harness.tick();
        };
        QCOMPARE(harness.window->liveSignal().tick(), Tick::PortLost);
        QCOMPARE(behind, QList<Tick>({Tick::Skipped}));
        QCOMPARE(harness.shown().size(), 1);
        QVERIFY(!harness.line.isOpen());
        QCOMPARE(harness.line.openedPorts(), QList<int>({Port}));

        harness.messages.whileShown = nullptr;
        QCOMPARE(harness.window->liveSignal().tick(), Tick::Polled);
        QVERIFY(harness.line.isOpen());
    }

    // The same over QSerialPort: toran-sim hangs up its terminal and removes the link, as a
    // pulled adapter takes its device away, and a second one comes up at the same place.
    void realPortHangsUpAndComesBack() {
        if (testsupport::SimProcess::executable().isEmpty())
            QSKIP("toran-sim not found (TORANCAL_BIN_DIR)");
        QTemporaryDir ports;
        const QString link = ports.filePath(QStringLiteral("COM2"));
        const QStringList options{"--baud", "0", "--load", "0.5"};
        auto first = std::make_unique<testsupport::SimProcess>(
            link, options + QStringList{"--hangup-after", "2"});
        QVERIFY2(first->isReady(), qPrintable(first->error()));

        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        app::PortSetting portSetting(settings);
        ui::Lifecycle lifecycle;
        ui::EventLoopClock clock(lifecycle);
        device::QtSerialLine line(ports.path());
        testsupport::ScriptedMessages messages;
        frmOrvoCalibration window(
            app::Services{line, clock, messages, lifecycle, portSetting, {}, {}});
        window.liveValues().ActiveZero = 32768.0F;
        window.liveValues().ActiveK = 0.0001193F;
        QLabel& signal = *window.fraDISPLAY->lblSignal;
        const auto tickWithReply = [&] {
            window.PollSignal();
            QTRY_VERIFY(line.bytesWaiting() > 0);
        };

        QVERIFY(line.setPortNumber(2));
        QCOMPARE(line.open(), device::OpenResult::Opened);
        tickWithReply();
        tickWithReply();
        window.PollSignal();
        QCOMPARE(signal.text(), QStringLiteral("   0.500"));

        QTRY_VERIFY(!QFileInfo::exists(link));
        QTRY_VERIFY([&] {
            window.PollSignal();
            return window.liveSignal().portLost();
        }());
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown.first().icon, ui::MsgIcon::Critical);
        QVERIFY(!line.isOpen());
        for (int i = 0; i < 3; ++i) {
            QTest::qWait(10);
            window.PollSignal();
        }
        QCOMPARE(signal.text(), QStringLiteral("-----"));
        QCOMPARE(messages.shown.size(), 1);
        first.reset();

        testsupport::SimProcess second(link, options);
        QVERIFY2(second.isReady(), qPrintable(second.error()));
        tickWithReply();
        QVERIFY(!window.liveSignal().portLost());
        QCOMPARE(line.portNumber(), 2);
        window.PollSignal();
        QCOMPARE(signal.text(), QStringLiteral("   0.500"));
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(second.command(QStringLiteral("frames")), QStringLiteral("2"));
    }
};

QTEST_MAIN(TestLiveSignal)
#include "tst_livesignal.moc"
