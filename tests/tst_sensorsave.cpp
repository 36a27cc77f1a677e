#include "core/instrument/SetupReadout.h"
#include "core/sensor/SensorReadout.h"
#include "core/session/SensorSave.h"
#include "core/session/StartUp.h"
#include "core/text/HexCodes.h"
#include "core/text/NumberText.h"
#include "sim/Fault.h"
#include "sim/SensorBlock.h"
#include "tests/support/SessionRig.h"
#include "views/SensorPage.h"
#include "views/SensorPageLogic.h"
#include "views/Twips.h"

#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>

using namespace sensor;

namespace {

constexpr int ExternalImageSize = 104 + 8 * 3; // the default external sensor has 3 points

// The save on a session, with the sensor page it copies from.
struct Rig : testsupport::SessionRig {
    sensor::SensorPage page{nullptr, ui::Twips(96)};
    sensor::SensorState& sensors = session.sensors();
    calibration::CurveTable& table = session.curve();
    SensorPageLogic logic{page,
                          table,
                          sensors,
                          messages,
                          texts,
                          {[] { return 5; },
                           [] { return QDateTime(QDate(2025, 12, 6), QTime(9, 0)); },
                           [] { return 0.0; }}};
    session::SensorSave save{session,
                             {[this](std::uint8_t options) { return logic.TXT2XXX(options); },
                              [] { return QDate(2025, 12, 6); }}};

    Rig() {
        page.cmbSlide->addItems(session::SlideEntries());
        page.cmbSlideRychl->addItems(session::SlideRychlEntries());
        page.cmbGain->addItems(session::GainEntries());
        page.cmbFormat->addItems(device::displayFormats(5));
        QObject::connect(&session, &session::Session::sensorChanged, [this] { showSensor(); });
        QObject::connect(&session.runner(), &session::ActionRunner::ended,
                         [this] { ended = true; });
    }

    // The read-out as the wizard runs it, then a clean log.
    void start(int mask = 3) {
        instrument().setSensorMask(mask);
        QVERIFY(run([this](const device::Link& link) {
            QCOMPARE(session.readOut(link), session::ReadOutResult::Read);
        }));
        instrument().clearLog();
        messages.clear();
        status.texts.clear();
        calls.clear();
    }
    session::SaveResult saveSensor(bool onlyWhenChanged) {
        session::SaveResult result = session::SaveResult::PageRejected;
        (void)run(
            [&](const device::Link& link) { result = save.SaveSensor(link, onlyWhenChanged); });
        return result;
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
    }
    void confirmAndSave() {
        QVERIFY(run([this](const device::Link& link) { save.ConfirmAndSave(link); }));
    }
    [[nodiscard]] QList<QByteArray> blockWrites() { return framesOf("KW"); }

    bool ended = false;
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
        QCOMPARE(rig.saveSensor(true), session::SaveResult::Unchanged);
        QCOMPARE(rig.instrument().frameCount(), 0);
        QCOMPARE(rig.calls, QStringList({"stop", "disable", "enable"}));

        // Without an image of the block nothing can be compared, so the block is written.
        rig.sensors.SensorImage.clear();
        QCOMPARE(rig.saveSensor(true), session::SaveResult::Written);
        QCOMPARE(rig.blockWrites().size(), ExternalImageSize);
    }

    void changedDescriptionWritesTheWholeImage() {
        Rig rig;
        rig.start();
        rig.page.txtPopis->setText("Nový popis");
        QCOMPARE(rig.saveSensor(true), session::SaveResult::Written);

        const QList<QByteArray> writes = rig.blockWrites();
        QCOMPARE(writes.size(), ExternalImageSize);
        for (int i = 0; i < writes.size(); ++i)
            QCOMPARE(writes[i].mid(5, 4), "00" + device::LongToHex(i, 2).toLatin1());
        QVERIFY(rig.status.texts.contains("T52 (93%)"));
        QCOMPARE(rig.framesOf("X").size(), 1);
        QCOMPARE(rig.calls.last(), QString("enable"));
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
        QCOMPARE(rig.saveSensor(true), session::SaveResult::Written);
        QCOMPARE(rig.blockWrites().size(), ExternalImageSize);
        QCOMPARE(static_cast<unsigned char>(rig.instrument().block(0)[99]), 0xD0);
    }

    // With the external sensor alone the internal block is the one written (both sensors and
    // the internal one alone are tst_finalstep's).
    void externalSensorAloneWritesTheInternalBlock() {
        Rig rig;
        rig.start(1);
        rig.sensors.CurrentSensor = rig.sensors.SensorRecords[ExternalBlock];
        rig.session.loadSensorCurve();
        rig.showSensor();
        QCOMPARE(rig.saveSensor(false), session::SaveResult::Written);
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
        QCOMPARE(rig.saveSensor(true), session::SaveResult::WriteFailed);
        QCOMPARE(rig.blockWrites().size(), 4 + 3);
        QCOMPARE(rig.messages.texts(), QStringList{"T47 [-5]"});
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::None);
        QCOMPARE(rig.calls, QStringList({"stop", "disable", "enable"}));
        QVERIFY(!rig.status.visible);
        QCOMPARE(rig.sensors.SensorImage, inSensor);

        rig.instrument().clearFaults();
        rig.instrument().clearLog();
        QCOMPARE(rig.saveSensor(true), session::SaveResult::Written);
        QCOMPARE(rig.blockWrites().size(), ExternalImageSize);
    }

    // A block that does not read back is reported by the read-out, not taken for a mismatch
    // (a block that reads back different is tst_finalstep's).
    void unreadableBlockIsNoMismatch() {
        Rig rig;
        rig.start();
        rig.page.txtPopis->setText("Nový popis");
        // In the read-out after the write the internal block reads again, the external one
        // does not.
        rig.instrument().addFault(*sim::parseFault(u"KB none after 1").fault);
        QCOMPARE(rig.saveSensor(false), session::SaveResult::Written);
        QCOMPARE(rig.messages.texts(), QStringList{blockReadFailedMessage(ExternalBlock)});
    }

    void rejectedPageSendsNothing_data() {
        QTest::addColumn<float>("etalon");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("one point") << 0.0F << QStringList({"T39", "T49"});
        QTest::newRow("unstorable point")
            << 3.0e38F << QStringList{session::ValueNotStorableMessage};
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
        QCOMPARE(rig.saveSensor(false), session::SaveResult::PageRejected);
        QCOMPARE(rig.messages.texts(), messages);
        QCOMPARE(rig.instrument().frameCount(), 0);
        QVERIFY(rig.calls.isEmpty());
    }

    void confirmedSaveAsksAndWrites() {
        Rig rig;
        rig.start();
        const SensorRecord before = rig.sensors.CurrentSensor;
        rig.page.txtPopis->setText("Nový popis");
        rig.messages.answer(text::MsgAnswer::No);
        rig.confirmAndSave();
        QCOMPARE(rig.messages.texts(), QStringList{"T46"});
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Question);
        QCOMPARE(rig.messages.shown.first().buttons, text::MsgButtons::YesNo);
        QCOMPARE(rig.instrument().frameCount(), 0);
        QVERIFY(rig.sensors.CurrentSensor == before);
        QVERIFY(rig.calls.isEmpty());

        rig.messages.answer(text::MsgAnswer::Yes);
        rig.confirmAndSave();
        QCOMPARE(rig.blockWrites().size(), ExternalImageSize);
        QCOMPARE(rig.framesOf("X").size(), 1);
        QCOMPARE(rig.framesOf("KB").size(), 0);
        QCOMPARE(rig.calls.last(), QString("enable"));
        QVERIFY(rig.sensors.SensorRecords[0] == SensorRecord{});
        QVERIFY(rig.sensors.SensorRecords[1] == SensorRecord{});
        QCOMPARE(rig.sensors.CurrentSensor.Description.trimmed(), QString("Nový popis"));
        // Not read again: what was written is the comparison base.
        QCOMPARE(rig.saveSensor(true), session::SaveResult::Unchanged);
    }
};

QTEST_MAIN(SensorSaveTest)
#include "tst_sensorsave.moc"
