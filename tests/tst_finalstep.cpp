#include "app/PortPage.h"
#include "app/PortSetting.h"
#include "app/Services.h"
#include "app/StatusPanel.h"
#include "app/frmOrvoCalibration.h"
#include "calibration/CurveEditor.h"
#include "calibration/CurvePage.h"
#include "calibration/CurveTable.h"
#include "calibration/SystemCalibrationFrame.h"
#include "device/LiveValues.h"
#include "device/SignalPanels.h"
#include "sensor/SensorImage.h"
#include "sensor/SensorPage.h"
#include "sensor/SensorSave.h"
#include "sim/Fault.h"
#include "sim/SensorBlock.h"
#include "sim/SimulatedLine.h"
#include "tests/support/ExpectedImage.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/WindowRig.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPointF>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using app::frmOrvoCalibration;
using ui::MsgAnswer;

namespace {

constexpr int InstrumentPort = 2;
constexpr int SaveDateOffset = 49;
constexpr int SaveDateLength = 6;

// The calibration points as (signal, etalon).
using Points = QList<QPointF>;

struct Harness : testsupport::WindowRig {
    Harness() {
        writeNumberedTexts();
        line.attach(InstrumentPort);
        portSetting.setComPort(InstrumentPort);
    }

    sim::Instrument& instrument() { return line.instrument(InstrumentPort); }
    void addFault(QStringView text) { instrument().addFault(*sim::parseFault(text).fault); }

    // The window on the sensor page of the instrument's sensor.
    frmOrvoCalibration& toSensorPage(const QString& commandLine = {}) {
        WindowRig::start(commandLine);
        if (!activate())
            qWarning("the window did not become active");
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

    void next() { QTest::mouseClick(window->cmdNext, Qt::LeftButton); }
    void back() { QTest::mouseClick(window->cmdBack, Qt::LeftButton); }
    [[nodiscard]] int step() const { return window->shellState().WizardStep; }
    [[nodiscard]] sensor::SensorPage& page() const { return *window->fraSNIMAC; }

    void setPoints(const Points& points) {
        calibration::CurveTable& table = window->curveTable();
        table.clear();
        for (const QPointF& point : points)
            QVERIFY(table.append(float(point.x()), float(point.y())));
        table.SortCurvePoints();
        window->curveEditor().FillCurveList();
    }
    [[nodiscard]] Points points() const {
        Points list;
        const calibration::CurveTable& table = window->curveTable();
        for (int slot = 1; slot <= table.PointCount(); ++slot)
            list.append(QPointF(table.point(slot).signal, table.point(slot).etalon));
        return list;
    }

    [[nodiscard]] QList<QByteArray> framesOf(const QByteArray& command) {
        QList<QByteArray> found;
        for (const QByteArray& frame : instrument().frames())
            if (frame.startsWith("$00" + command))
                found.append(frame);
        return found;
    }
};

using testsupport::expectedImage;

QByteArray withoutSaveDate(QByteArray image) {
    return image.replace(SaveDateOffset, SaveDateLength, QByteArray(SaveDateLength, '-'));
}

// The curve page as step 2 leaves it: Back, Next and Cancel usable, the live signal running.
void verifyCurvePage(Harness& harness) {
    const frmOrvoCalibration& window = *harness.window;
    QVERIFY(window.fraCURVE->isVisible() && window.fraDISPLAY->isVisible());
    QVERIFY(window.fraCOMM->isHidden() && window.fraSNIMAC->isHidden());
    QVERIFY(window.fraSTATUS->isHidden());
    for (QPushButton* button : {window.cmdBack, window.cmdNext, window.cmdCancel})
        QVERIFY2(button->isEnabled(), qPrintable(button->objectName()));
    QCOMPARE(window.cmdBack->text(), QStringLiteral("T3"));
    QCOMPARE(window.cmdNext->text(), QStringLiteral("T4"));
    QCOMPARE(window.cmdCancel->text(), QStringLiteral("T5"));
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
    QCOMPARE(harness.messages.shown.last().icon, ui::MsgIcon::Information);
    QVERIFY(harness.window->hasEnded());
    QVERIFY(!harness.line.isOpen());
}

} // namespace

class FinalStepTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void changedGainRangeIsConfirmed() {
        Harness harness;
        frmOrvoCalibration& window = harness.toSensorPage();
        harness.page().cmbGain->setCurrentIndex(6);
        const int frames = harness.instrument().frameCount();

        // Without an answer the question takes its default, No.
        harness.next();
        QCOMPARE(harness.messages.texts(), QStringList{"T55"});
        QCOMPARE(harness.messages.shown.first().icon, ui::MsgIcon::Question);
        QCOMPARE(harness.messages.shown.first().buttons, ui::MsgButtons::YesNo);
        QVERIFY(!window.fraSNIMAC->isHidden() && window.fraCURVE->isHidden());
        QCOMPARE(harness.step(), 2);
        QCOMPARE(harness.instrument().frameCount(), frames);
        QVERIFY(!window.tmrCasovac.isActive());

        harness.messages.answer(MsgAnswer::Yes);
        harness.next();
        QCOMPARE(harness.messages.texts(), QStringList({"T55", "T55"}));
        verifyCurvePage(harness);
        QCOMPARE(int(harness.instrument().block(0).at(4)), 6);

        // The sensor now has the range of the page: no question on the way back.
        harness.back();
        harness.next();
        QCOMPARE(harness.messages.shown.size(), 2);
        verifyCurvePage(harness);
    }

    void leavingTheSensorPage_data() {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("writes");
        QTest::newRow("unchanged") << QString() << QString() << 0;
        QTest::newRow("changed description") << QStringLiteral("Nový popis") << QString() << 128;
        QTest::newRow("changed unit") << QString() << QStringLiteral(" N ") << 128;
    }

    void leavingTheSensorPage() {
        QFETCH(QString, description);
        QFETCH(QString, unit);
        QFETCH(int, writes);
        Harness harness;
        frmOrvoCalibration& window = harness.toSensorPage();
        if (!description.isEmpty())
            harness.page().txtPopis->setText(description);
        if (!unit.isEmpty())
            harness.page().txtJednotka->setText(unit);
        harness.instrument().clearLog();
        harness.next();

        QVERIFY(harness.messages.shown.isEmpty());
        verifyCurvePage(harness);
        QCOMPARE(harness.framesOf("KW").size(), writes);
        QCOMPARE(harness.instrument().resetCount(), writes > 0 ? 1 : 0);
        if (writes == 0)
            QCOMPARE(harness.instrument().frameCount(), 0);
        const QString shownUnit = unit.isEmpty() ? QStringLiteral("kg") : unit.trimmed();
        QCOMPARE(window.fraCURVE->lblCEth->text(), QStringLiteral("Etalon [%1]").arg(shownUnit));
        QCOMPARE(window.windowWidthTwips(), frmOrvoCalibration::NormalWidthTwips);
        if (!description.isEmpty())
            QCOMPARE(harness.instrument().block(0).mid(8, 10), QByteArray("Nov\xFD popis"));
        // The curve read with the sensor is on the page.
        QCOMPARE(window.fraCURVE->lstKrivka->count(), 3);
    }

    void rejectedSensorPageStays() {
        Harness harness;
        frmOrvoCalibration& window = harness.toSensorPage();
        harness.page().txtJednotka->setText(QStringLiteral("kgf/m"));
        harness.instrument().clearLog();
        harness.next();
        QCOMPARE(harness.messages.texts(), QStringList{"T61"});
        QVERIFY(!window.fraSNIMAC->isHidden());
        QCOMPARE(harness.step(), 2);
        QCOMPARE(harness.instrument().frameCount(), 0);
        QVERIFY(!window.tmrCasovac.isActive());
    }

    void expertWidth_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<int>("width");
        QTest::newRow("normal") << QString() << int(frmOrvoCalibration::NormalWidthTwips);
        QTest::newRow("expert") << QStringLiteral("expert")
                                << int(frmOrvoCalibration::ExpertWidthTwips);
    }

    void expertWidth() {
        QFETCH(QString, commandLine);
        QFETCH(int, width);
        Harness harness;
        frmOrvoCalibration& window = harness.toCurvePage(commandLine);
        QCOMPARE(window.windowWidthTwips(), width);
        QCOMPARE(window.width(), window.twips().px(width));
        QVERIFY(!window.fraORVOSETUP->isHidden() && !window.fraORVODISPLAY->isHidden());
    }

    void expertGestureWidensAtTheNextCurvePage() {
        Harness harness;
        frmOrvoCalibration& window = harness.toCurvePage();
        QCOMPARE(window.windowWidthTwips(), frmOrvoCalibration::NormalWidthTwips);
        harness.back();
        QVERIFY(!window.fraSNIMAC->isHidden());
        QTest::mouseClick(window.fraSNIMAC->Label2, Qt::RightButton, Qt::ControlModifier);
        QVERIFY(window.shellState().expert());
        QCOMPARE(window.windowWidthTwips(), frmOrvoCalibration::NormalWidthTwips);
        harness.next();
        verifyCurvePage(harness);
        QCOMPARE(window.windowWidthTwips(), frmOrvoCalibration::ExpertWidthTwips);
    }

    void rangesAreCheckedAgainstTheCurve_data() {
        QTest::addColumn<Points>("points");
        QTest::addColumn<int>("gain");
        QTest::addColumn<QString>("fullScale");
        QTest::addColumn<QString>("fullScaleNeg");
        QTest::addColumn<QString>("message");
        const Points rising{{1.0, 100.0}, {2.0, 200.0}};
        QTest::newRow("one point") << Points{{1.0, 100.0}} << 7 << "100"
                                   << "-100"
                                   << "T73 0.00 kg    ";
        QTest::newRow("positive range above") << rising << 7 << "400"
                                              << "-100"
                                              << "T73 391.00 kg    ";
        QTest::newRow("negative range below") << rising << 7 << "100"
                                              << "-400"
                                              << "T74 -391.00 kg    ";
        QTest::newRow("largest gain range") << Points{{1.0, 1.0}, {2.0, 2.0}} << 0 << "900"
                                            << "-100"
                                            << "T73 500.00 kg    ";
        // A falling curve: its value at the negative end is the larger one.
        QTest::newRow("falling curve") << Points{{1.0, 200.0}, {2.0, 100.0}} << 7 << "100"
                                       << "-100"
                                       << "T74 -91.00 kg    ";
        QTest::newRow("ranges at the curve's ends") << rising << 7 << "391"
                                                    << "-391" << QString();
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
        QCOMPARE(harness.messages.shown.first().icon, ui::MsgIcon::None);
        QCOMPARE(harness.messages.shown.first().buttons, ui::MsgButtons::Ok);
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
        QCOMPARE(window.sensorState().CurrentSensor.FullScale, 100.0F);

        harness.setPoints({{0.0, 0.0}, {1.0, 100.0}});
        harness.messages.clear();
        harness.instrument().clearLog();
        harness.next();
        QCOMPARE(harness.messages.texts(), QStringList{"T73 391.00 kg    "});
        QVERIFY(harness.framesOf("KW").isEmpty());
        verifyCurvePage(harness);
    }

    void finalStepWritesResetsAndEnds_data() {
        QTest::addColumn<int>("mask");
        QTest::addColumn<Points>("points");
        QTest::newRow("external sensor")
            << 3 << Points{{0.0, 0.0}, {1.25, 62.5}, {2.5, 125.0}, {3.5, 175.0}};
        QTest::newRow("internal sensor") << 2 << Points{{-1.0, -125.0}, {0.0, 0.0}, {4.0, 500.0}};
    }

    void finalStepWritesResetsAndEnds() {
        QFETCH(int, mask);
        QFETCH(Points, points);
        Harness harness;
        harness.instrument().setSensorMask(mask);
        const int block = mask == 3 ? 0 : 1;
        const QByteArray before = harness.instrument().block(block);
        frmOrvoCalibration& window = harness.toCurvePage();
        QVERIFY(harness.messages.shown.isEmpty());
        harness.setPoints(points);
        harness.instrument().clearLog();

        harness.next();
        const sim::SensorBlockContent content =
            mask == 3 ? sim::defaultExternalSensor() : sim::defaultInternalSensor();
        const QByteArray image = expectedImage(content, points);
        verifyFinished(harness, block, image);
        QCOMPARE(harness.messages.texts(), QStringList{"T56"});
        // The rest of the block keeps what it held.
        QCOMPARE(harness.instrument().block(block).mid(image.size()), before.mid(image.size()));
        QVERIFY(window.fraCURVE->isHidden() && window.fraDISPLAY->isHidden());
        QVERIFY(!window.cmdNext->isEnabled() && !window.cmdCancel->isEnabled());
        QCOMPARE(window.cmdCancel->text(), QStringLiteral("T68"));
    }

    void failedFinalSaveKeepsTheCurvePage_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("extraPoints");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("no echo of the 5th byte")
            << "KW none after 4" << 0 << QStringList{"T47 [-5]"};
        QTest::newRow("wrong echo of the 5th byte")
            << "KW wrong after 4 count 1" << 0 << QStringList{"T47 [-10005]"};
        QTest::newRow("eleven points") << QString() << 8 << QStringList({"T40", "T49"});
    }

    void failedFinalSaveKeepsTheCurvePage() {
        QFETCH(QString, fault);
        QFETCH(int, extraPoints);
        QFETCH(QStringList, messages);
        Harness harness;
        frmOrvoCalibration& window = harness.toCurvePage();
        Points points{{0.0, 0.0}, {1.0, 50.0}, {2.0, 100.0}};
        for (int i = 1; i <= extraPoints; ++i)
            points.append(QPointF(2.0 + 0.125 * i, 100.0 + 5.0 * i));
        harness.setPoints(points);
        if (!fault.isEmpty())
            harness.addFault(fault);

        harness.next();
        QCOMPARE(harness.messages.texts(), messages);
        QCOMPARE(harness.messages.shown.first().icon,
                 fault.isEmpty() ? ui::MsgIcon::Critical : ui::MsgIcon::None);
        QVERIFY(harness.framesOf("X").isEmpty());
        verifyCurvePage(harness);
        QCOMPARE(harness.points(), points);
        QCOMPARE(window.fraCURVE->lstKrivka->count(), points.size());

        // The operator mends the cause and finishes.
        harness.instrument().clearFaults();
        points = points.mid(0, 3);
        harness.setPoints(points);
        harness.instrument().clearLog();
        harness.messages.clear();
        harness.next();
        verifyFinished(harness, 0, expectedImage(sim::defaultExternalSensor(), points));
        QCOMPARE(harness.messages.texts(), QStringList{"T56"});
    }

    // The block read back after the write differs: the save reports it, and the curve page
    // keeps the operator's points rather than those read back.
    void readBackMismatchKeepsTheOperatorsPoints() {
        Harness harness;
        frmOrvoCalibration& window = harness.toCurvePage();
        const Points points{{0.0, 0.0}, {1.0, 50.0}, {2.0, 100.0}, {3.0, 150.0}};
        harness.setPoints(points);
        bool damaged = false;
        harness.clock.setOnDelay([&] {
            if (damaged || harness.framesOf("X").isEmpty())
                return;
            damaged = true;
            QByteArray block = harness.instrument().block(0);
            block[118] = char(block[118] ^ 0x01);
            harness.instrument().setBlock(0, block);
        });
        harness.next();
        harness.clock.setOnDelay({});

        QVERIFY(damaged);
        QCOMPARE(harness.messages.texts(), QStringList{sensor::ReadBackMismatchMessage});
        QCOMPARE(harness.instrument().resetCount(), 1);
        verifyCurvePage(harness);
        QCOMPARE(harness.points(), points);
        QCOMPARE(window.fraCURVE->lstKrivka->count(), points.size());
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

    void sensorPageButtons() {
        Harness harness;
        frmOrvoCalibration& window = harness.toSensorPage();
        const sensor::SensorRecord before = window.sensorState().CurrentSensor;
        harness.page().txtPopis->setText(QStringLiteral("Nový popis"));
        harness.instrument().clearLog();

        // Close has no effect on the sensor.
        harness.page().cmdAction[0]->click();
        QVERIFY(harness.messages.shown.isEmpty());
        QCOMPARE(harness.instrument().frameCount(), 0);

        // Save asks first; No (the default) sends nothing and keeps the record.
        harness.page().cmdAction[1]->click();
        QCOMPARE(harness.messages.texts(), QStringList{"T46"});
        QCOMPARE(harness.messages.shown.first().icon, ui::MsgIcon::Question);
        QCOMPARE(harness.instrument().frameCount(), 0);
        QVERIFY(window.sensorState().CurrentSensor == before);

        harness.messages.answer(MsgAnswer::Yes);
        harness.page().cmdAction[1]->click();
        QCOMPARE(harness.framesOf("KW").size(), 128);
        QCOMPARE(harness.instrument().frames().last(), QByteArray("$00X"));
        QCOMPARE(window.sensorState().CurrentSensor.Description.trimmed(), QString("Nový popis"));
        QVERIFY(!window.fraSNIMAC->isHidden());
        QCOMPARE(harness.step(), 2);
        QVERIFY(window.cmdNext->isEnabled());
    }

    void systemCalibrationWorksOnTheSensorsRange() {
        Harness harness;
        frmOrvoCalibration& window = harness.toCurvePage(QStringLiteral("expert"));
        window.liveValues().SignalDiv = 32800.0F;
        window.fraORVOSETUP->cmdSKSetNula->click();
        QCOMPARE(window.fraORVOSETUP->txtskN[7]->text(), QStringLiteral("32800"));
        QCOMPARE(window.liveValues().ActiveZero, 32800.0F);

        // RESET waits while another action holds the line.
        QVERIFY(window.runExclusive([&] { window.fraORVOSETUP->cmdReset->click(); }));
        QVERIFY(harness.framesOf("X").isEmpty());
        window.fraORVOSETUP->cmdReset->click();
        QCOMPARE(harness.framesOf("X").size(), 1);
        QVERIFY(!window.tmrCasovac.isActive());
        QVERIFY(window.cmdNext->isEnabled());
    }
};

QTEST_MAIN(FinalStepTest)
#include "tst_finalstep.moc"
