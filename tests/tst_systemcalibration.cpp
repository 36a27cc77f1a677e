#include "core/session/SystemCalibration.h"
#include "sim/Fault.h"
#include "tests/support/SessionRig.h"

#include <QLocale>
#include <QTest>

using session::SystemCalibration;

namespace {

struct Rig : testsupport::SessionRig {
    SystemCalibration calibration{session};

    explicit Rig(int gain = 3) { session.sensors().CurrentSensor.GainIndex = gain; }
    void save() {
        QVERIFY(run([this](const device::Link& link) { calibration.SaveSystemCalibration(link); }));
    }
    [[nodiscard]] const device::SystemConstants& constants() const { return session.constants(); }
};

} // namespace

class SystemCalibrationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void zeroAndGainFromTheLiveSignal() {
        Rig rig(6);
        device::LiveValues& live = rig.session.live();
        live.SignalDiv = 32770.4F;
        rig.calibration.SetNula();
        QCOMPARE(rig.constants().zero[6], QString("32770"));
        QCOMPARE(live.ActiveZero, 32770.4F);
        QCOMPARE(rig.constants().zero[2], QString("32768"));

        live.ActiveZero = 32768.0F;
        live.SignalDiv = 32768.0F + 12952.0F;
        rig.calibration.SetGain2mVV();
        QCOMPARE(rig.constants().k[6], QString("1.54416 E-4"));
        QCOMPARE(live.ActiveK, static_cast<float>(2.0 / 12952.0));
        QCOMPARE(rig.constants().k[5], QString("0,001544225"));
        QVERIFY(rig.messages.shown.isEmpty());

        // No difference to the zero: k cannot be determined and nothing changes.
        live.SignalDiv = live.ActiveZero;
        rig.calibration.SetGain2mVV();
        QCOMPARE(rig.constants().k[6], QString("1.54416 E-4"));
        QCOMPARE(rig.messages.texts(), QStringList{session::GainNotDeterminedMessage});

        // A stale signal is refused with the lost-line message.
        live.SignalStale = true;
        rig.messages.clear();
        rig.calibration.SetNula();
        QCOMPARE(rig.constants().zero[6], QString("32770"));
        QCOMPARE(rig.messages.texts(), QStringList{"T64\r\nT65"});
        QCOMPARE(rig.instrument().frameCount(), 0);
    }

    void defaultsForAllRanges() {
        Rig rig;
        rig.calibration.LoadDefaultConstants();
        const QStringList k{"1.52704 E-2", "7.63520 E-3", "3.81760 E-3", "1.90880 E-3",
                            "9.54400 E-4", "4.77200 E-4", "2.38600 E-4", "1.19300 E-4"};
        for (std::size_t i = 0; i < 8; ++i) {
            QCOMPARE(rig.constants().zero[i], QString("32767"));
            QCOMPARE(rig.constants().k[i], k[qsizetype(i)]);
        }
    }

    // The constants are written with progress, the instrument is reset and read again, and the
    // operator's points survive the read-out.
    void saveWritesAllConstantsAndKeepsThePoints() {
        Rig rig;
        device::SystemConstants edited;
        for (std::size_t i = 0; i < 8; ++i) {
            edited.zero[i] = QStringLiteral(" 3276%1 ").arg(i);
            edited.k[i] = QStringLiteral("0,00%1").arg(i + 1);
        }
        rig.session.setConstants(edited);
        rig.session.curve().setSlot(1, {7.0F, 0.5F, calibration::SlotState::Used});
        rig.save();

        QCOMPARE(rig.status.texts.mid(0, 9),
                 QStringList({"T52 0%", "T52 14%", "T52 29%", "T52 43%", "T52 57%", "T52 71%",
                              "T52 86%", "T52 100%", "T29"}));
        QVERIFY(!rig.status.visible);
        QCOMPARE(rig.framesOf("EW").size(), 64);
        QCOMPARE(rig.framesOf("X").size(), 1);
        // The float of range 0's zero goes in from its highest address down.
        QCOMPARE(rig.framesOf("EW").mid(0, 4),
                 QList<QByteArray>({"$00EW238F", "$00EW227F", "$00EW21F0", "$00EW2000"}));
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(rig.instrument().setupFloat(0x20 + 8 * i), 32760.0 + i);
            QCOMPARE(float(rig.instrument().setupFloat(0x24 + 8 * i)), 0.001F * float(i + 1));
        }
        QVERIFY(rig.messages.shown.isEmpty());
        QCOMPARE(rig.calls.first(), QString("stop"));
        QCOMPARE(rig.calls.last(), QString("start"));
        QCOMPARE(rig.session.curve().point(1).etalon, 7.0F);
        // The boxes now show what the instrument holds.
        QCOMPARE(rig.constants().zero[3], QString("32763"));
    }

    void failedWriteIsReportedOnceAndStillResets() {
        Rig rig;
        // The 5th byte written is the first of range 0's constant k; its echo and those of the
        // three bytes after it are lost.
        rig.instrument().addFault(*sim::parseFault(u"EW none after 4 count 4").fault);
        rig.save();
        QCOMPARE(rig.messages.texts(),
                 QStringList{session::constantsNotWrittenMessage({"k G1(1)"})});
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Critical);
        QCOMPARE(rig.framesOf("EW").size(), 64);
        QCOMPARE(rig.framesOf("X").size(), 1);
    }

    void unstorableConstantWritesNothing_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<bool>("zero");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::newRow("k beyond float") << 2 << false << "1e39" << QStringLiteral("k G3(4)");
        QTest::newRow("N beyond the device code")
            << 7 << true << "-2e38" << QStringLiteral("N G8(128)");
    }

    void unstorableConstantWritesNothing() {
        QFETCH(int, range);
        QFETCH(bool, zero);
        QFETCH(QString, text);
        QFETCH(QString, name);
        Rig rig;
        if (zero)
            rig.session.setRangeZeroText(range, text);
        else
            rig.session.setRangeKText(range, text);
        rig.save();
        QCOMPARE(rig.messages.texts(),
                 QStringList{session::constantNotStorableMessage(name, text)});
        QCOMPARE(rig.instrument().frameCount(), 0);
        QVERIFY(rig.calls.isEmpty());
    }

    // An end asked for during the writes lets them finish, then nothing more is sent.
    void endDuringSaveFinishesTheWrites() {
        Rig rig;
        rig.clock.setOnDelay([&rig] {
            if (rig.instrument().frameCount() == 10)
                rig.session.runner().requestEnd();
        });
        rig.save();
        QCOMPARE(rig.framesOf("EW").size(), 64);
        QCOMPARE(rig.framesOf("X").size(), 0);
        QCOMPARE(rig.calls.last(), QString("ended"));
        QVERIFY(!rig.line.isOpen());
    }

    void resetSendsOnlyTheResetCommand() {
        Rig rig;
        QVERIFY(rig.run([&rig](const device::Link&) {
            // Another action holds the line: a second one does nothing.
            QVERIFY(!rig.run([](const device::Link&) { QFAIL("ran while the line was held"); }));
        }));
        QVERIFY(rig.run([&rig](const device::Link& link) { rig.session.resetInstrument(link); }));
        QCOMPARE(rig.instrument().frames(), QList<QByteArray>{"$00X"});
        QCOMPARE(rig.instrument().resetCount(), 1);
        QCOMPARE(rig.calls, QStringList({"disable", "stop", "enable"}));
        QCOMPARE(rig.status.texts, QStringList{"T29"});
        QVERIFY(!rig.status.visible);
        QCOMPARE(rig.clock.waited(), std::chrono::milliseconds(1500));
    }
};

QTEST_MAIN(SystemCalibrationTest)
#include "tst_systemcalibration.moc"
