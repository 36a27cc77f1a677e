// The polling of the live signal through the main window. The real port's side of a lost
// device (reads fail, opening again works once it is back) is in tst_simulator.

#include "core/instrument/LiveSignal.h"
#include "sim/SensorBlock.h"
#include "tests/support/WindowRig.h"
#include "views/CurvePage.h"
#include "views/PointDialog.h"
#include "views/SignalPanels.h"
#include "views/SystemCalibrationFrame.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace std::chrono_literals;
using Tick = device::LiveSignal::Tick;

namespace {

constexpr int Port = 4;

// An instrument whose reply to "$00M" is 1,234;32900;0080C8 at a load of 0.198 mV/V.
sim::Instrument workedInstrument() {
    sim::Instrument instrument;
    sim::SensorBlockContent sensor = sim::defaultExternalSensor();
    sensor.decimals = 3;
    sensor.points = {{0.0, 0.0}, {0.198, 1.234}};
    instrument.setBlock(0, sim::makeSensorBlock(sensor));
    instrument.setSetupFloat(sim::Instrument::rangeZeroAddress(sensor.gain), 32768.0);
    instrument.setSetupFloat(sim::Instrument::rangeKAddress(sensor.gain), 0.0015);
    instrument.setLoad(0.198);
    instrument.setRangeFlags(0x80);
    return instrument;
}

struct Rig : testsupport::WindowRig {
    sim::Instrument& instrument = line.attach(Port, workedInstrument());

    Rig() {
        writeLanguageFile(u"64=Reading failed.\r\n65=Check the cable.\r\n");
        start();
        window->session().live().ActiveZero = 32768.0F;
        window->session().live().ActiveK = 0.0015F;
        window->session().sensors().CurrentSensor.UnitFormat = QStringLiteral("##0.000");
    }

    [[nodiscard]] bool openPort() {
        return line.setPortNumber(Port) && line.open() == device::OpenResult::Opened;
    }
    // One tick of tmrCasovac, 200 ms after the last.
    void tick() {
        clock.advance(200ms);
        window->PollSignal();
    }
    [[nodiscard]] device::SignalDisplayFrame& signal() const { return *window->fraDISPLAY; }
    [[nodiscard]] QString signalText() const { return signal().lblSignal->text(); }
    // The request the next tick sends is answered with this fault.
    void faultNextRequest(sim::FaultKind kind) {
        instrument.addFault({kind, sim::Command::Measure, 0, 1, {}});
    }
};

// The indicators shown (HI, LO, DEF, BATT), then the texts of the signal and the expert panel.
QStringList indicatorsOf(const Rig& rig) {
    const auto& signal = rig.signal();
    const auto& expert = *rig.window->fraORVODISPLAY;
    QStringList seen;
    for (const auto& [label, name] : {std::pair{signal.lblILimHI, "HI"},
                                      {signal.lblILimLO, "LO"},
                                      {signal.lblIDef, "DEF"},
                                      {signal.lblIBatt, "BATT"}})
        if (!label->isHidden())
            seen.append(QString::fromLatin1(name));
    return seen << signal.lblSignal->text() << expert.lblSignalDIV->text()
                << expert.lblSignalDISP->text() << expert.lblBAT->text();
}

} // namespace

class TestLiveSignal : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // How a reply reads is tst_measurement's; here it reaches the window.
    void workedReplyReachesEveryDisplay() {
        Rig rig;
        QCOMPARE(rig.instrument.measurementReply(), QByteArray("1,234;32900;0080C8\r"));
        QVERIFY(rig.openPort());
        rig.tick();
        QCOMPARE(rig.signalText(), QStringLiteral("-----"));
        QCOMPARE(rig.instrument.frames(), QList<QByteArray>({"$00M"}));

        rig.tick();
        QCOMPARE(rig.window->session().live().SignalMVV, (32900.0F - 32768.0F) * 0.0015F);
        QCOMPARE(indicatorsOf(rig), (QStringList{"LO", "   0.198", "32900", "1.234 ", "B=200"}));
        QCOMPARE(rig.instrument.frameCount(), 2);
        QVERIFY(rig.messages.shown.isEmpty());
    }

    void statusChangesRebuildTheTooltip() {
        Rig rig;
        QVERIFY(rig.openPort());
        rig.tick();
        QLabel& def = *rig.signal().lblIDef;
        for (const auto& [flags, tooltip] : {std::pair{0x01, "E50 SysCalibration "},
                                             {0x03, "E50 SysCalibration ,E51 ClockREG "},
                                             {0x02, ",E51 ClockREG "},
                                             {0x00, ""}}) {
            rig.instrument.setStatus(flags);
            rig.tick(); // sends the request that sees the status
            rig.tick(); // shows its reply
            QCOMPARE(def.toolTip(), QString::fromLatin1(tooltip));
            QCOMPARE(def.isHidden(), flags == 0);
        }
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
        Rig rig;
        rig.instrument.setRangeFlags(0x00);
        rig.instrument.setStatus(0x04);
        rig.instrument.setBattery(100);
        QVERIFY(rig.openPort());
        rig.tick();
        rig.faultNextRequest(static_cast<sim::FaultKind>(fault));
        rig.tick();
        const QStringList before = indicatorsOf(rig);
        QCOMPARE(before,
                 (QStringList{"HI", "LO", "DEF", "BATT", "   0.198", "32900", "1.234 ", "B=100"}));
        const QString tooltip = rig.signal().lblIDef->toolTip();

        rig.tick();
        QStringList expected = before;
        expected[4] = signal;
        QCOMPARE(indicatorsOf(rig), expected);
        QCOMPARE(rig.signal().lblIDef->toolTip(), tooltip);
        QCOMPARE(rig.instrument.frameCount(), 3);
    }

    void nothingIsSentOnAClosedOrBusyLine() {
        Rig rig;
        rig.tick();
        QCOMPARE(rig.window->liveSignal().tick(), Tick::StillLost);

        QVERIFY(rig.openPort());
        QVERIFY(rig.window->session().runner().run([&](const device::Link&) { rig.tick(); }));
        QCOMPARE(rig.instrument.frameCount(), 0);
        QVERIFY(rig.messages.shown.isEmpty());
    }

    // The loss over the real line and the curve kept through it are in tst_endtoend and
    // tst_faultmatrix.
    void vanishedPortIsReportedOnceAndReopened() {
        Rig rig;
        rig.window->tmrCasovac.start();
        QVERIFY(rig.openPort());
        rig.tick();
        rig.tick();

        rig.line.vanish();
        rig.tick();
        QCOMPARE(rig.messages.shown.size(), 1);
        QCOMPARE(rig.messages.shown.first().text,
                 QStringLiteral("Reading failed.\r\nCheck the cable."));
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Critical);
        QVERIFY(!rig.line.isOpen());
        QCOMPARE(rig.signalText(), QStringLiteral("-----"));
        QVERIFY(rig.window->tmrCasovac.isActive());

        // Nothing is sent and nothing said again while it is gone.
        const int framesBefore = rig.instrument.frameCount();
        for (int i = 0; i < 5; ++i)
            rig.tick();
        QCOMPARE(rig.signalText(), QStringLiteral("-----"));
        QVERIFY(rig.window->liveSignal().portLost());
        QCOMPARE(rig.messages.shown.size(), 1);
        QCOMPARE(rig.instrument.frameCount(), framesBefore);

        // Capturing a point or a range's zero or gain would take the last signal read: refused
        // with the same message, the point dialog never shown and no box changed.
        app::frmOrvoCalibration& window = *rig.window;
        window.session().sensors().CurrentSensor.GainIndex = 7;
        const auto dialogShown = std::make_shared<int>(0);
        const auto closeDialog = [&window, dialogShown] {
            QTimer::singleShot(0, &window.InputBox(), [&window, dialogShown] {
                *dialogShown += window.InputBox().isVisible() ? 1 : 0;
                window.InputBox().reject();
            });
        };
        closeDialog();
        window.fraCURVE->cmdSCAN->click();
        const QString zero = window.fraORVOSETUP->txtskN[7]->text();
        const QString gain = window.fraORVOSETUP->txtskK[7]->text();
        window.fraORVOSETUP->cmdSKSetNula->click();
        window.fraORVOSETUP->cmdSKSetGain->click();
        QCOMPARE(rig.messages.texts(), QStringList(3 + 1, rig.messages.texts().first()));
        QCOMPARE(window.fraORVOSETUP->txtskN[7]->text(), zero);
        QCOMPARE(window.fraORVOSETUP->txtskK[7]->text(), gain);
        QTest::qWait(0);
        QCOMPARE(*dialogShown, 0);

        rig.line.reappear();
        rig.tick();
        QCOMPARE(rig.line.openedPorts(), QList<int>({Port, Port}));
        QVERIFY(!rig.window->liveSignal().portLost());
        QCOMPARE(rig.instrument.frameCount(), framesBefore + 1);
        // Captures take the signal again once a reading has come.
        rig.tick();
        closeDialog();
        window.fraCURVE->cmdSCAN->click();
        QCOMPARE(*dialogShown, 1);
        QCOMPARE(rig.messages.shown.size(), 4);
    }

    void ticksBehindTheLossMessageDoNothing() {
        Rig rig;
        QVERIFY(rig.openPort());
        rig.tick();
        rig.line.vanish();
        QList<Tick> behind;
        rig.messages.whileShown = [&] {
            rig.line.reappear();
            behind.append(rig.window->liveSignal().tick());
            rig.tick();
        };
        QCOMPARE(rig.window->liveSignal().tick(), Tick::PortLost);
        QCOMPARE(behind, QList<Tick>({Tick::Skipped}));
        QCOMPARE(rig.messages.shown.size(), 1);
        QVERIFY(!rig.line.isOpen());
        QCOMPARE(rig.line.openedPorts(), QList<int>({Port}));

        rig.messages.whileShown = nullptr;
        QCOMPARE(rig.window->liveSignal().tick(), Tick::Polled);
        QVERIFY(rig.line.isOpen());
    }
};

QTEST_MAIN(TestLiveSignal)
#include "tst_livesignal.moc"
