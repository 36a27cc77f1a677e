#include "core/instrument/Lifecycle.h"
#include "core/instrument/LiveValues.h"
#include "core/text/LanguageTable.h"
#include "sim/Fault.h"
#include "sim/SimulatedLine.h"
#include "tests/support/FakeStatusPanel.h"
#include "tests/support/Frames.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedMessages.h"
#include "views/SystemCalibration.h"
#include "views/SystemCalibrationFrame.h"
#include "views/Twips.h"

#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>

using namespace calibration;

namespace {

struct Rig {
    device::Lifecycle lifecycle;
    testsupport::ManualClock clock{&lifecycle};
    sim::SimulatedLine line{clock};
    SystemCalibrationFrame frame{nullptr, ui::Twips(96)};
    device::LiveValues live;
    testsupport::FakeStatusPanel status;
    testsupport::ScriptedMessages messages;
    text::LanguageTable texts;
    int gain = 3;
    bool lineTaken = false;
    QStringList calls;
    SystemCalibration calibration{frame,         live,      [this] { return gain; },
                                  {line, clock}, status,    messages,
                                  texts,         lifecycle, window()};

    Rig() {
        texts.set(29, "T29");
        texts.set(52, "T52");
        line.attach(1);
        line.setPortNumber(1);
        (void)line.open();
    }
    SystemCalibration::Window window() {
        const auto record = [this](const char* call) {
            return [this, call] { calls.append(call); };
        };
        return {[this](const std::function<void()>& action) {
                    if (lineTaken)
                        return false;
                    try {
                        action();
                    } catch (const device::EndRequested&) {
                        calls.append("ended");
                    }
                    return true;
                },
                record("disable"),
                record("enable"),
                record("stop"),
                record("start"),
                [this] {
                    calls.append("read");
                    return 1;
                }};
    }
    sim::Instrument& instrument() { return line.instrument(1); }
    [[nodiscard]] QList<QByteArray> framesOf(const QByteArray& command) {
        return testsupport::framesOf(instrument(), command);
    }
};

} // namespace

class SystemCalibrationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void setNulaKeepsTheFraction() {
        Rig rig;
        rig.live.SignalDiv = 32770.4F;
        rig.frame.cmdSKSetNula->click();
        QCOMPARE(rig.frame.txtskN[3]->text(), QString("32770"));
        QCOMPARE(rig.live.ActiveZero, 32770.4F);
        QCOMPARE(rig.frame.txtskN[2]->text(), QString("32768"));
        QCOMPARE(rig.instrument().frameCount(), 0);
    }

    void setGainFromTwoMillivolts() {
        Rig rig;
        rig.gain = 6;
        rig.live.ActiveZero = 32768.0F;
        rig.live.SignalDiv = 32768.0F + 12952.0F;
        rig.frame.cmdSKSetGain->click();
        QCOMPARE(rig.frame.txtskK[6]->text(), QString("1.54416 E-4"));
        QCOMPARE(rig.live.ActiveK, static_cast<float>(2.0 / 12952.0));
        QCOMPARE(rig.frame.txtskK[5]->text(), QString("0,001544225"));
        QVERIFY(rig.messages.shown.isEmpty());
        QCOMPARE(rig.instrument().frameCount(), 0);

        // No difference to the zero: k cannot be determined and nothing changes.
        rig.live.SignalDiv = rig.live.ActiveZero;
        rig.frame.cmdSKSetGain->click();
        QCOMPARE(rig.live.ActiveK, static_cast<float>(2.0 / 12952.0));
        QCOMPARE(rig.frame.txtskK[6]->text(), QString("1.54416 E-4"));
        QCOMPARE(rig.messages.texts(), QStringList{GainNotDeterminedMessage});
    }

    void defaultsForAllRanges() {
        Rig rig;
        rig.frame.cmdLoadDef->click();
        const QStringList k{"1.52704 E-2", "7.63520 E-3", "3.81760 E-3", "1.90880 E-3",
                            "9.54400 E-4", "4.77200 E-4", "2.38600 E-4", "1.19300 E-4"};
        for (std::size_t i = 0; i < 8; ++i) {
            QCOMPARE(rig.frame.txtskN[i]->text(), QString("32767"));
            QCOMPARE(rig.frame.txtskK[i]->text(), k[qsizetype(i)]);
        }
        QCOMPARE(rig.instrument().frameCount(), 0);
    }

    void saveWritesAllConstantsWithProgress() {
        Rig rig;
        for (std::size_t i = 0; i < 8; ++i) {
            rig.frame.txtskN[i]->setText(QStringLiteral(" 3276%1 ").arg(i));
            rig.frame.txtskK[i]->setText(QStringLiteral("0,00%1").arg(i + 1));
        }
        rig.frame.cmdSKSave->click();

        QCOMPARE(rig.status.texts,
                 QStringList({"T52 0%", "T52 14%", "T52 29%", "T52 43%", "T52 57%", "T52 71%",
                              "T52 86%", "T52 100%", "T29"}));
        QVERIFY(!rig.status.visible);
        QCOMPARE(rig.framesOf("EW").size(), 64);
        QCOMPARE(rig.instrument().frames().last(), QByteArray("$00X"));
        // The float of range 0's zero goes in from its highest address down.
        QCOMPARE(rig.framesOf("EW").mid(0, 4),
                 QList<QByteArray>({"$00EW238F", "$00EW227F", "$00EW21F0", "$00EW2000"}));
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(rig.instrument().setupFloat(0x20 + 8 * i), 32760.0 + i);
            QCOMPARE(float(rig.instrument().setupFloat(0x24 + 8 * i)), 0.001F * float(i + 1));
        }
        QCOMPARE(rig.calls, QStringList({"stop", "disable", "stop", "enable", "read", "start"}));
        QVERIFY(rig.messages.shown.isEmpty());
    }

    void failedWriteIsReportedOnceAndStillResets() {
        Rig rig;
        // The 5th byte written is the first of range 0's constant k; its echo and those of the
        // three bytes after it are lost.
        rig.instrument().addFault(*sim::parseFault(u"EW none after 4 count 4").fault);
        rig.frame.cmdSKSave->click();
        QCOMPARE(rig.messages.texts(), QStringList{constantsNotWrittenMessage({"k G1(1)"})});
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Critical);
        QCOMPARE(rig.framesOf("EW").size(), 64);
        QCOMPARE(rig.instrument().frames().last(), QByteArray("$00X"));
        QCOMPARE(rig.calls.mid(4), QStringList({"read", "start"}));
    }

    void unstorableBoxWritesNothing_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<bool>("zero");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::newRow("k beyond float") << 2 << false << "1e39" << QStringLiteral("k G3(4)");
        QTest::newRow("N beyond the device code")
            << 7 << true << "-2e38" << QStringLiteral("N G8(128)");
    }

    void unstorableBoxWritesNothing() {
        QFETCH(int, range);
        QFETCH(bool, zero);
        QFETCH(QString, text);
        QFETCH(QString, name);
        Rig rig;
        (zero ? rig.frame.txtskN : rig.frame.txtskK)[std::size_t(range)]->setText(text);
        rig.frame.cmdSKSave->click();
        QCOMPARE(rig.messages.texts(), QStringList{constantNotStorableMessage(name, text)});
        QCOMPARE(rig.instrument().frameCount(), 0);
        QVERIFY(rig.calls.isEmpty());
        QVERIFY(rig.status.texts.isEmpty());
    }

    void endDuringSaveFinishesTheWrites() {
        Rig rig;
        rig.clock.setOnDelay([&rig] {
            if (rig.instrument().frameCount() == 10)
                rig.lifecycle.requestEnd();
        });
        rig.frame.cmdSKSave->click();
        QCOMPARE(rig.framesOf("EW").size(), 64);
        QCOMPARE(rig.framesOf("X").size(), 0);
        QCOMPARE(rig.calls, QStringList({"stop", "ended"}));
    }

    void resetSendsOnlyTheResetCommand() {
        Rig rig;
        rig.lineTaken = true; // another action holds the line: the buttons do nothing
        rig.frame.cmdReset->click();
        rig.frame.cmdSKSave->click();
        QCOMPARE(rig.instrument().frameCount(), 0);

        rig.lineTaken = false;
        rig.frame.cmdReset->click();
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
