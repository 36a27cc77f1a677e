#include "core/instrument/Lifecycle.h"
#include "core/sensor/SensorReadout.h"
#include "core/text/Encoding.h"
#include "sim/Fault.h"
#include "sim/SensorBlock.h"
#include "sim/SimulatedLine.h"
#include "tests/support/FakeStatusPanel.h"
#include "tests/support/Frames.h"
#include "tests/support/ManualClock.h"
#include "tests/support/SensorPageRig.h"
#include "views/SensorSave.h"

#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>

using namespace sensor;

namespace {

constexpr int ExternalImageSize = 104 + 8 * 3; // the default external sensor has 3 points

struct Rig : testsupport::SensorPageRig {
    device::Lifecycle lifecycle;
    testsupport::ManualClock clock{&lifecycle};
    sim::SimulatedLine line{clock};
    testsupport::FakeStatusPanel status;
    device::LiveValues live;
    RangeBoxTexts boxes;
    QStringList calls;
    std::function<void()> beforeRead;
    SensorSave save{page,     logic, sensors,   {line, clock}, status,
                    messages, texts, lifecycle, window()};

    Rig() : SensorPageRig(5, QDateTime(QDate(2025, 12, 6), QTime(9, 0))) {
        boxes.zero.fill("32768");
        boxes.k.fill("0,001544225");
        line.attach(1);
        line.setPortNumber(1);
        (void)line.open();
    }

    SensorSave::Window window() {
        const auto record = [this](const char* call) {
            return [this, call] { calls.append(call); };
        };
        return {[](const std::function<void()>& action) {
                    action();
                    return true;
                },
                record("disable"),
                record("enable"),
                record("stop"),
                record("reset"),
                [this] {
                    calls.append("read");
                    if (beforeRead)
                        beforeRead();
                    readSensors();
                    return 1;
                },
                record("end"),
                [] { return QDate(2025, 12, 6); }};
    }

    // The read-out as the wizard runs it, then a clean log.
    void start(int mask = 3) {
        instrument().setSensorMask(mask);
        readSensors();
        instrument().clearLog();
        messages.clear();
        status.texts.clear();
    }
    void readSensors() {
        ReadSensors({line, clock}, status, messages, texts, boxes, sensors, live);
        showSensor();
    }
    void showSensor() {
        const SensorRecord& sensor = sensors.CurrentSensor;
        page.txtPopis->setText(sensor.Description.text());
        page.txtJednotka->setText(sensor.UnitName.text());
        page.cmbFormat->setCurrentIndex(sensor.Decimals);
        page.txtRozsah->setText(device::GeneralNumber(sensor.FullScale, 15));
        page.txtRozsahNeg->setText(device::GeneralNumber(sensor.FullScaleNeg, 15));
        page.cmbGain->setCurrentIndex(sensor.GainIndex);
        page.cmbSlide->setCurrentIndex(
            std::max(0, page.cmbSlide->findText(QString::number(sensor.Slide))));
        page.cmbSlideRychl->setCurrentIndex(
            std::max(0, page.cmbSlideRychl->findText(QString::number(sensor.SlideRychl))));
        table.clear();
        for (std::size_t i = 0; i < std::size_t(sensor.CurvePointCount); ++i)
            QVERIFY(table.append(sensor.CurveSignal[i], sensor.CurveEtalon[i]));
    }
    sim::Instrument& instrument() { return line.instrument(1); }
    [[nodiscard]] QList<QByteArray> blockWrites() {
        return testsupport::framesOf(instrument(), "KW");
    }
};

} // namespace

class SensorSaveTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void unchangedSensorIsNotWritten() {
        Rig rig;
        rig.start();
        // Only the save date differs from the block as read.
        QCOMPARE(rig.save.SaveSensor(true), SaveUnchanged);
        QCOMPARE(rig.instrument().frameCount(), 0);
        QCOMPARE(rig.calls, QStringList({"stop", "disable", "enable"}));

        // Without an image of the block nothing can be compared, so the block is written.
        rig.sensors.SensorImage.clear();
        QCOMPARE(rig.save.SaveSensor(true), SaveWritten);
        QCOMPARE(rig.blockWrites().size(), ExternalImageSize);
    }

    void changedDescriptionWritesTheWholeImage() {
        Rig rig;
        rig.start();
        rig.page.txtPopis->setText("Nový popis");
        QCOMPARE(rig.save.SaveSensor(true), SaveWritten);

        const QList<QByteArray> writes = rig.blockWrites();
        QCOMPARE(writes.size(), ExternalImageSize);
        for (int i = 0; i < writes.size(); ++i)
            QCOMPARE(writes[i].mid(5, 4), "00" + device::LongToHex(i, 2).toLatin1());
        QVERIFY(rig.status.texts.contains("T52 (93%)"));
        QCOMPARE(rig.calls, QStringList({"stop", "disable", "reset", "read", "enable"}));
        QVERIFY(rig.messages.shown.isEmpty());
        // The read-out that follows replaced the sensor globals.
        QCOMPARE(rig.sensors.SensorImage, rig.instrument().block(0));
        QCOMPARE(rig.sensors.CurrentSensor.Description.trimmed(), QString("Nový popis"));
    }

    void threeBytePointsAreRewritten() {
        Rig rig;
        sim::SensorBlockContent content = sim::defaultExternalSensor();
        content.options = 0x90;
        rig.instrument().setBlock(0, sim::makeSensorBlock(content));
        rig.start();
        QCOMPARE(rig.sensors.CurrentSensor.CurvePointCount, 3);
        QCOMPARE(rig.save.SaveSensor(true), SaveWritten);
        QCOMPARE(rig.blockWrites().size(), ExternalImageSize);
        QCOMPARE(static_cast<unsigned char>(rig.instrument().block(0)[99]), 0xD0);
    }

    // With the external sensor alone the internal block is the one written (both sensors and
    // the internal one alone are tst_finalstep's).
    void externalSensorAloneWritesTheInternalBlock() {
        Rig rig;
        rig.start(1);
        rig.sensors.CurrentSensor = rig.sensors.SensorRecords[ExternalBlock];
        rig.showSensor();
        QCOMPARE(rig.save.SaveSensor(false), SaveWritten);
        const QList<QByteArray> writes = rig.blockWrites();
        QCOMPARE(writes.size(), ExternalImageSize);
        for (const QByteArray& frame : writes)
            QCOMPARE(frame.mid(5, 2), QByteArray("20"));
        QCOMPARE(writes.last().mid(7, 2), device::LongToHex(ExternalImageSize - 1, 2).toLatin1());
    }

    // A block left half written is not the base of the next comparison: the next save that
    // writes only changes writes it again.
    void failedWriteIsReportedAndWrittenAgain() {
        Rig rig;
        rig.start();
        const QByteArray inSensor = rig.sensors.SensorImage;
        rig.page.txtPopis->setText("Nový popis");
        rig.instrument().addFault(*sim::parseFault(u"KW none after 4").fault);
        QCOMPARE(rig.save.SaveSensor(true), SaveWriteFailed);
        QCOMPARE(rig.blockWrites().size(), 4 + 3);
        QCOMPARE(rig.messages.texts(), QStringList{"T47 [-5]"});
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::None);
        QCOMPARE(rig.calls, QStringList({"stop", "disable", "enable"}));
        QVERIFY(!rig.status.visible);
        QCOMPARE(rig.sensors.SensorImage, inSensor);

        rig.instrument().clearFaults();
        rig.instrument().clearLog();
        QCOMPARE(rig.save.SaveSensor(true), SaveWritten);
        QCOMPARE(rig.blockWrites().size(), ExternalImageSize);
    }

    // A block that does not read back is reported by the read-out, not taken for a mismatch
    // (a block that reads back different is tst_finalstep's).
    void unreadableBlockIsNoMismatch() {
        Rig rig;
        rig.start();
        rig.page.txtPopis->setText("Nový popis");
        // The internal block reads again, the external one does not.
        rig.beforeRead = [&rig] {
            rig.instrument().addFault(*sim::parseFault(u"KB none after 1").fault);
        };
        QCOMPARE(rig.save.SaveSensor(false), SaveWritten);
        QCOMPARE(rig.messages.texts(), QStringList{blockReadFailedMessage(ExternalBlock)});
    }

    void rejectedPageSendsNothing_data() {
        QTest::addColumn<float>("etalon");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("one point") << 0.0F << QStringList({"T39", "T49"});
        QTest::newRow("unstorable point") << 3.0e38F << QStringList{ValueNotStorableMessage};
    }

    void rejectedPageSendsNothing() {
        QFETCH(float, etalon);
        QFETCH(QStringList, messages);
        Rig rig;
        rig.start();
        rig.table.clear();
        rig.table.setSlot(1, {etalon, 1.0F, calibration::SlotState::Used});
        if (etalon != 0.0F)
            rig.table.setSlot(2, {0.0F, 0.0F, calibration::SlotState::Used});
        QCOMPARE(rig.save.SaveSensor(false), SavePageRejected);
        QCOMPARE(rig.messages.texts(), messages);
        QCOMPARE(rig.instrument().frameCount(), 0);
        QVERIFY(rig.calls.isEmpty());
    }

    void saveButtonAsksAndWrites() {
        Rig rig;
        rig.start();
        const SensorRecord before = rig.sensors.CurrentSensor;
        rig.page.txtPopis->setText("Nový popis");
        rig.messages.answer(text::MsgAnswer::No);
        rig.page.cmdAction[1]->click();
        QCOMPARE(rig.messages.texts(), QStringList{"T46"});
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Question);
        QCOMPARE(rig.messages.shown.first().buttons, text::MsgButtons::YesNo);
        QCOMPARE(rig.instrument().frameCount(), 0);
        QVERIFY(rig.sensors.CurrentSensor == before);
        QVERIFY(rig.calls.isEmpty());

        rig.messages.answer(text::MsgAnswer::Yes);
        rig.page.cmdAction[1]->click();
        QCOMPARE(rig.blockWrites().size(), ExternalImageSize);
        QCOMPARE(rig.calls, QStringList({"stop", "disable", "reset", "enable"}));
        QVERIFY(rig.sensors.SensorRecords[0] == SensorRecord{});
        QVERIFY(rig.sensors.SensorRecords[1] == SensorRecord{});
        QCOMPARE(rig.sensors.CurrentSensor.Description.trimmed(), QString("Nový popis"));
        // Not read again: what was written is the comparison base.
        QCOMPARE(rig.save.SaveSensor(true), SaveUnchanged);
    }
};

QTEST_MAIN(SensorSaveTest)
#include "tst_sensorsave.moc"
