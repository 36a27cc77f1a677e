#include "core/calibration/CurveTable.h"
#include "core/instrument/LiveValues.h"
#include "core/sensor/SensorImage.h"
#include "core/session/SensorSave.h"
#include "sim/SensorBlock.h"
#include "tests/support/ExpectedImage.h"
#include "tests/support/WindowRig.h"
#include "views/CurveEditor.h"
#include "views/CurvePage.h"
#include "views/PortPage.h"
#include "views/SensorPage.h"
#include "views/SignalPanels.h"
#include "views/StatusPanel.h"
#include "views/SystemCalibrationFrame.h"
#include "views/frmOrvoCalibration.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPointF>
#include <QPushButton>
#include <QTest>

using app::frmOrvoCalibration;
using text::MsgAnswer;

namespace {

constexpr int InstrumentPort = 2;

// The calibration points as (signal, etalon).
using Points = QList<QPointF>;

struct Harness : testsupport::InstrumentRig {
    Harness() : InstrumentRig(InstrumentPort) {}

    // The window on the sensor page of the instrument's sensor.
    frmOrvoCalibration& toSensorPage(const QString& commandLine = {}) {
        startActive(commandLine);
        next();
        return *window;
    }
    // Then on the curve page, with an empty log.
    frmOrvoCalibration& toCurvePage(const QString& commandLine = {}) {
        toSensorPage(commandLine);
        next();
        instrument().clearLog();
        return *window;
    }

    [[nodiscard]] int step() const { return static_cast<int>(window->session().step()); }
    [[nodiscard]] sensor::SensorPage& page() const { return *window->fraSNIMAC; }

    void setPoints(const Points& points) {
        calibration::CurveTable& table = window->session().curve();
        table.clear();
        for (const QPointF& point : points)
            QVERIFY(table.append(float(point.x()), float(point.y())));
        table.SortCurvePoints();
        window->curveEditor().FillCurveList();
    }
    [[nodiscard]] Points points() const { return testsupport::pointsOf(window->session().curve()); }
};

using testsupport::expectedImage;

using testsupport::SaveDateLength;
using testsupport::SaveDateOffset;
using testsupport::withoutSaveDate;

// The curve page as step 2 leaves it: Back, Next and Cancel usable, the live signal running.
void verifyCurvePage(Harness& harness) {
    const frmOrvoCalibration& window = *harness.window;
    QVERIFY(window.fraCURVE->isVisible() && window.fraDISPLAY->isVisible());
    QVERIFY(window.fraCOMM->isHidden() && window.fraSNIMAC->isHidden());
    QVERIFY(window.fraSTATUS->isHidden());
    for (QPushButton* button : {window.cmdBack, window.cmdNext, window.cmdCancel})
        QVERIFY2(button->isEnabled(), qPrintable(button->objectName()));
    QCOMPARE(
        QStringList({window.cmdBack->text(), window.cmdNext->text(), window.cmdCancel->text()}),
        QStringList({"T3", "T4", "T5"}));
    QVERIFY(window.tmrCasovac.isActive());
    QCOMPARE(harness.step(), 3);
    QVERIFY(!window.hasEnded());
}

// The final step wrote the whole block, reset the instrument after it, said so and ended.
void verifyFinished(Harness& harness, int block, const QByteArray& image) {
    const QList<QByteArray> frames = harness.instrument().frames();
    const QList<QByteArray> writes = harness.framesOf("KW");
    QCOMPARE(writes.size(), image.size());
    const QByteArray field = block == 0 ? "00" : "20";
    for (const QByteArray& write : writes)
        QCOMPARE(write.mid(5, 2), field);
    const QByteArray inSensor = harness.instrument().block(block);
    QCOMPARE(withoutSaveDate(inSensor.left(image.size())), withoutSaveDate(image));
    QCOMPARE(inSensor.mid(SaveDateOffset, SaveDateLength),
             sensor::saveDateText(QDate::currentDate()).toLatin1());
    // The save resets and reads the sensor back; the final step resets once more.
    QCOMPARE(frames.at(frames.lastIndexOf(writes.last()) + 1), QByteArray("$00X"));
    QCOMPARE(frames.last(), QByteArray("$00X"));
    QCOMPARE(harness.instrument().resetCount(), 2);
    QCOMPARE(harness.messages.texts().last(), QStringLiteral("T56"));
    QCOMPARE(harness.messages.shown.last().icon, text::MsgIcon::Information);
    QVERIFY(harness.window->hasEnded());
    QVERIFY(!harness.line.isOpen());
}

} // namespace

class FinalStepTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // A changed gain range is asked about first (without an answer the question takes its
    // default, No); a page that fails its checks stays and sends nothing.
    void leavingTheSensorPage_data() {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("gain"); // -1: as read
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("writes"); // -1: the sensor page stays
        const auto row = [](const char* name, const char* description, const char* unit, int gain,
                            bool yes, const QStringList& messages, int writes) {
            QTest::newRow(name) << QString::fromUtf8(description) << QString(unit) << gain << yes
                                << messages << writes;
        };
        row("unchanged", "", "", -1, false, {}, 0);
        row("changed description", "Nový popis", "", -1, false, {}, 128);
        row("changed unit", "", " N ", -1, false, {}, 128);
        row("invalid unit", "", "kgf/m", -1, false, {"T61"}, -1);
        row("gain range, no", "", "", 6, false, {"T55"}, -1);
        row("gain range, yes", "", "", 6, true, {"T55"}, 128);
    }

    void leavingTheSensorPage() {
        QFETCH(QString, description);
        QFETCH(QString, unit);
        QFETCH(int, gain);
        QFETCH(bool, yes);
        QFETCH(QStringList, messages);
        QFETCH(int, writes);
        Harness harness;
        frmOrvoCalibration& window = harness.toSensorPage();
        if (!description.isEmpty())
            harness.page().txtPopis->setText(description);
        if (!unit.isEmpty())
            harness.page().txtJednotka->setText(unit);
        if (gain >= 0)
            harness.page().cmbGain->setCurrentIndex(gain);
        if (yes)
            harness.messages.answer(MsgAnswer::Yes);
        harness.instrument().clearLog();
        harness.next();

        QCOMPARE(harness.messages.texts(), messages);
        if (gain >= 0) {
            QCOMPARE(harness.messages.shown.first().icon, text::MsgIcon::Question);
            QCOMPARE(harness.messages.shown.first().buttons, text::MsgButtons::YesNo);
        }
        if (writes < 0) {
            QVERIFY(!window.fraSNIMAC->isHidden() && window.fraCURVE->isHidden());
            QCOMPARE(harness.step(), 2);
            QCOMPARE(harness.instrument().frameCount(), 0);
            QVERIFY(!window.tmrCasovac.isActive());
            return;
        }
        verifyCurvePage(harness);
        QCOMPARE(harness.framesOf("KW").size(), writes);
        QCOMPARE(harness.instrument().resetCount(), writes > 0 ? 1 : 0);
        if (writes == 0)
            QCOMPARE(harness.instrument().frameCount(), 0);
        const QString shownUnit = unit.isEmpty() ? QStringLiteral("kg") : unit.trimmed();
        QCOMPARE(window.fraCURVE->lblCEth->text(), QStringLiteral("Etalon [%1]").arg(shownUnit));
        if (!description.isEmpty())
            QCOMPARE(harness.instrument().block(0).mid(8, 10), QByteArray("Nov\xFD popis"));
        if (gain >= 0)
            QCOMPARE(int(harness.instrument().block(0).at(4)), gain);
        // The curve read with the sensor is on the page.
        QCOMPARE(window.fraCURVE->lstKrivka->count(), 3);
    }

    void rangesAreCheckedAgainstTheCurve_data() {
        QTest::addColumn<Points>("points");
        QTest::addColumn<int>("gain");
        QTest::addColumn<QString>("fullScale");
        QTest::addColumn<QString>("fullScaleNeg");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const Points& points, int gain, const char* fullScale,
                            const char* fullScaleNeg, const char* message) {
            QTest::newRow(name) << points << gain << QString(fullScale) << QString(fullScaleNeg)
                                << QString(message);
        };
        const Points rising{{1.0, 100.0}, {2.0, 200.0}};
        row("one point", {{1.0, 100.0}}, 7, "100", "-100", "T73 0.00 kg    ");
        row("positive range above", rising, 7, "400", "-100", "T73 391.00 kg    ");
        row("negative range below", rising, 7, "100", "-400", "T74 -391.00 kg    ");
        row("largest gain range", {{1.0, 1.0}, {2.0, 2.0}}, 0, "900", "-100", "T73 500.00 kg    ");
        // A falling curve: its value at the negative end is the larger one.
        row("falling curve", {{1.0, 200.0}, {2.0, 100.0}}, 7, "100", "-100", "T74 -91.00 kg    ");
        row("ranges at the curve's ends", rising, 7, "391", "-391", "");
    }

    void rangesAreCheckedAgainstTheCurve() {
        QFETCH(Points, points);
        QFETCH(int, gain);
        QFETCH(QString, fullScale);
        QFETCH(QString, fullScaleNeg);
        QFETCH(QString, message);
        Harness harness;
        frmOrvoCalibration& window = harness.toSensorPage();
        harness.page().txtRozsah->setText(fullScale);
        harness.page().txtRozsahNeg->setText(fullScaleNeg);
        harness.page().cmbGain->setCurrentIndex(gain);
        harness.messages.answer(MsgAnswer::Yes);
        harness.next();
        verifyCurvePage(harness);
        harness.setPoints(points);
        harness.instrument().clearLog();
        harness.messages.clear();

        harness.next();
        if (message.isEmpty()) {
            QVERIFY(window.hasEnded());
            QCOMPARE(harness.framesOf("KW").size(), 104 + 8 * points.size());
            return;
        }
        QCOMPARE(harness.messages.texts(), QStringList{message});
        QCOMPARE(harness.messages.shown.first().icon, text::MsgIcon::None);
        QCOMPARE(harness.messages.shown.first().buttons, text::MsgButtons::Ok);
        QVERIFY(harness.framesOf("KW").isEmpty() && harness.framesOf("X").isEmpty());
        verifyCurvePage(harness);
        QCOMPARE(harness.points(), points);
    }

    // A range typed while the sensor had no curve to save is checked as it will be written,
    // not as it was read.
    void typedRangeOfANewCurveIsChecked() {
        Harness harness;
        frmOrvoCalibration& window = harness.toSensorPage();
        harness.setPoints({});
        harness.page().txtRozsah->setText(QStringLiteral("500"));
        harness.next();
        QCOMPARE(harness.messages.texts(), QStringList({"T39", "T49"}));
        verifyCurvePage(harness);
        QCOMPARE(window.session().sensors().CurrentSensor.FullScale, 100.0F);

        harness.setPoints({{0.0, 0.0}, {1.0, 100.0}});
        harness.messages.clear();
        harness.instrument().clearLog();
        harness.next();
        QCOMPARE(harness.messages.texts(), QStringList{"T73 391.00 kg    "});
        QVERIFY(harness.framesOf("KW").isEmpty());
        verifyCurvePage(harness);
    }

    // The internal sensor (field 20); the external one is finished in
    // failedFinalSaveKeepsTheCurvePage.
    void finalStepWritesResetsAndEnds() {
        Harness harness;
        harness.instrument().setSensorMask(2);
        const QByteArray before = harness.instrument().block(1);
        frmOrvoCalibration& window = harness.toCurvePage();
        const Points points{{-1.0, -125.0}, {0.0, 0.0}, {4.0, 500.0}};
        harness.setPoints(points);
        harness.instrument().clearLog();

        harness.next();
        const QByteArray image = expectedImage(sim::defaultInternalSensor(), points);
        verifyFinished(harness, 1, image);
        QCOMPARE(harness.messages.texts(), QStringList{"T56"});
        // The rest of the block keeps what it held.
        QCOMPARE(harness.instrument().block(1).mid(image.size()), before.mid(image.size()));
        QVERIFY(window.fraCURVE->isHidden() && window.fraDISPLAY->isHidden());
        QVERIFY(!window.cmdNext->isEnabled() && !window.cmdCancel->isEnabled());
        QCOMPARE(window.cmdCancel->text(), QStringLiteral("T68"));
    }

    // A final save that fails keeps the curve page with the operator's points, not those read
    // back; with the cause mended, Next finishes. Line faults are tst_faultmatrix's.
    void failedFinalSaveKeepsTheCurvePage_data() {
        QTest::addColumn<bool>("readBackDiffers");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("eleven points") << false << QStringList({"T40", "T49"});
        QTest::newRow("block read back differs")
            << true << QStringList{session::ReadBackMismatchMessage};
    }

    void failedFinalSaveKeepsTheCurvePage() {
        QFETCH(bool, readBackDiffers);
        QFETCH(QStringList, messages);
        Harness harness;
        frmOrvoCalibration& window = harness.toCurvePage();
        Points points{{0.0, 0.0}, {1.0, 50.0}, {2.0, 100.0}};
        for (int i = 1; !readBackDiffers && i <= 8; ++i)
            points.append(QPointF(2.0 + 0.125 * i, 100.0 + 5.0 * i));
        harness.setPoints(points);
        bool damaged = false;
        harness.clock.setOnDelay([&] {
            if (!readBackDiffers || damaged || harness.framesOf("X").isEmpty())
                return;
            damaged = true;
            QByteArray block = harness.instrument().block(0);
            block[118] = char(block[118] ^ 0x01);
            harness.instrument().setBlock(0, block);
        });
        harness.next();
        harness.clock.setOnDelay({});

        QCOMPARE(damaged, readBackDiffers);
        QCOMPARE(harness.messages.texts(), messages);
        QCOMPARE(harness.messages.shown.first().icon, text::MsgIcon::Critical);
        QCOMPARE(harness.framesOf("KW").size(), readBackDiffers ? 128 : 0);
        QCOMPARE(harness.instrument().resetCount(), readBackDiffers ? 1 : 0);
        verifyCurvePage(harness);
        QCOMPARE(harness.points(), points);
        QCOMPARE(window.fraCURVE->lstKrivka->count(), points.size());

        points = points.mid(0, 3);
        harness.setPoints(points);
        harness.instrument().clearLog();
        harness.messages.clear();
        harness.next();
        verifyFinished(harness, 0, expectedImage(sim::defaultExternalSensor(), points));
        QCOMPARE(harness.messages.texts(), QStringList{"T56"});
    }

    // Closing the window while a sensor is written lets the write finish and then ends the
    // program before anything else is sent.
    void closeDuringTheWriteFinishesIt_data() {
        QTest::addColumn<bool>("finalStep");
        QTest::newRow("leaving the sensor page") << false;
        QTest::newRow("final step") << true;
    }

    void closeDuringTheWriteFinishesIt() {
        QFETCH(bool, finalStep);
        Harness harness;
        frmOrvoCalibration& window = harness.toSensorPage();
        harness.page().txtPopis->setText(QStringLiteral("Nový popis"));
        if (finalStep) {
            harness.next();
            verifyCurvePage(harness);
        }
        harness.instrument().clearLog();
        bool closed = false;
        harness.clock.setOnDelay([&] {
            if (!closed && harness.framesOf("KW").size() == 20) {
                closed = true;
                window.close();
            }
        });
        harness.next();
        harness.clock.setOnDelay({});

        QVERIFY(closed);
        const QList<QByteArray> writes = harness.framesOf("KW");
        QCOMPARE(writes.size(), 128);
        QCOMPARE(harness.instrument().frames().last(), writes.last());
        QCOMPARE(harness.instrument().block(0).mid(8, 10), QByteArray("Nov\xFD popis"));
        QVERIFY(window.hasEnded());
        QVERIFY(!window.isVisible());
        QVERIFY(!harness.line.isOpen());
        QVERIFY(harness.messages.shown.isEmpty());
    }

    // The expert gesture on the sensor page widens the next curve page; its system calibration
    // works on the sensor's range, and RESET waits while another action holds the line.
    void expertCurvePage() {
        Harness harness;
        frmOrvoCalibration& window = harness.toCurvePage();
        QCOMPARE(window.windowWidthTwips(), frmOrvoCalibration::NormalWidthTwips);
        harness.back();
        QTest::mouseClick(window.fraSNIMAC->Label2, Qt::RightButton, Qt::ControlModifier);
        QVERIFY(window.session().expert());
        QCOMPARE(window.windowWidthTwips(), frmOrvoCalibration::NormalWidthTwips);
        harness.next();
        verifyCurvePage(harness);
        QCOMPARE(window.windowWidthTwips(), frmOrvoCalibration::ExpertWidthTwips);
        QVERIFY(!window.fraORVOSETUP->isHidden() && !window.fraORVODISPLAY->isHidden());

        window.session().live().SignalDiv = 32800.0F;
        window.fraORVOSETUP->cmdSKSetNula->click();
        QCOMPARE(window.fraORVOSETUP->txtskN[7]->text(), QStringLiteral("32800"));
        QCOMPARE(window.session().live().ActiveZero, 32800.0F);
        harness.instrument().clearLog();
        QVERIFY(window.session().runner().run(
            [&](const device::Link&) { window.fraORVOSETUP->cmdReset->click(); }));
        QVERIFY(harness.framesOf("X").isEmpty());
        window.fraORVOSETUP->cmdReset->click();
        QCOMPARE(harness.framesOf("X").size(), 1);
        QVERIFY(!window.tmrCasovac.isActive());
        QVERIFY(window.cmdNext->isEnabled());
    }
};

QTEST_MAIN(FinalStepTest)
#include "tst_finalstep.moc"
