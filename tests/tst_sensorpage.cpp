#include "core/calibration/CurveTable.h"
#include "core/instrument/SetupReadout.h"
#include "core/session/StartUp.h"
#include "core/text/LanguageTable.h"
#include "tests/support/ScriptedMessages.h"
#include "views/SensorPage.h"
#include "views/SensorPageLogic.h"
#include "views/Twips.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

using namespace sensor;

namespace {

// The sensor page with its checks and its copy into the record, outside the window: the lists
// filled as at start-up, language text n reading "Tn", 14 March 2025 10:00 and no randomness.
// It passes every check: 4 digits, format "999.9", two points.
struct Rig {
    SensorPage page{nullptr, ui::Twips(96)};
    calibration::CurveTable table;
    SensorState sensors;
    testsupport::ScriptedMessages messages;
    text::LanguageTable texts;
    SensorPageLogic logic{page,
                          table,
                          sensors,
                          messages,
                          texts,
                          {[] { return 4; },
                           [] { return QDateTime(QDate(2025, 3, 14), QTime(10, 0)); },
                           [] { return 0.0; }}};

    Rig() {
        for (int n = text::LanguageTable::First; n <= text::LanguageTable::Last; ++n)
            texts.set(n, QStringLiteral("T%1").arg(n));
        page.cmbSlide->addItems(session::SlideEntries());
        page.cmbSlideRychl->addItems(session::SlideRychlEntries());
        page.cmbGain->addItems(session::GainEntries());
        page.cmbFormat->addItems(device::displayFormats(4));
        page.cmbFormat->setCurrentIndex(1);
        page.txtPopis->setText("Siloměr");
        page.txtJednotka->setText("kN");
        page.txtRozsah->setText("500");
        page.txtRozsahNeg->setText("-500");
        page.cmbGain->setCurrentIndex(5);
        setPoints(2);
    }
    void setPoints(int count) {
        table.clear();
        for (int i = 0; i < count; ++i)
            QVERIFY(table.append(float(i) / 4, float(10 * i)));
    }
    QLineEdit* box(const QString& name) { return page.findChild<QLineEdit*>(name); }
};

} // namespace

class SensorPageTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void validateChecks_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("failure"); // empty: the check passes
        const auto row = [](const char* name, const char* box, const QString& text,
                            const char* failure) { QTest::newRow(name) << box << text << failure; };
        row("range 999.9", "txtRozsah", "999.9", "");
        row("range 1000", "txtRozsah", "1000", "T58");
        row("range 0.005", "txtRozsah", "0,005", "T58");
        row("negative 0", "txtRozsahNeg", "0", "");
        row("negative -1000", "txtRozsahNeg", "-1000", "T70");
        row("negative 0.1", "txtRozsahNeg", "0.1", "T70");
        row("overload 0.5", "txtOverloadProc", "0.5", "T59");
        row("overload 1000000", "txtOverloadProc", "1000000", "T59");
        row("overload 1", "txtOverloadProc", "1", "");
        row("overload 999999", "txtOverloadProc", "999999", "");
        row("description 21", "txtPopis", QString(21, 'd'), "T60");
        row("description padded 20", "txtPopis", "  " + QString(20, 'd') + " ", "");
        row("unit 3", "txtJednotka", " mm3 ", "");
        row("unit 4", "txtJednotka", "kgf2", "T61");
    }
    void validateChecks() {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, failure);
        Rig rig;
        rig.box(box)->setText(text);
        QCOMPARE(rig.logic.ValidateSensorPage(), failure.isEmpty());
        QCOMPARE(rig.messages.texts(), failure.isEmpty() ? QStringList() : QStringList{failure});
        QVERIFY(failure.isEmpty() || rig.messages.shown.first().icon == text::MsgIcon::Critical);
    }

    void limitWarningAsksFirst() {
        Rig rig;
        rig.page.lblLimitWarning->show();
        rig.page.txtRozsah->setText("1000");
        rig.messages.answer(text::MsgAnswer::No);
        QVERIFY(!rig.logic.ValidateSensorPage());
        QCOMPARE(rig.messages.texts(), QStringList{"T57"});
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Exclamation);
        QCOMPARE(rig.messages.shown.first().buttons, text::MsgButtons::YesNo);

        rig.messages.clear();
        rig.messages.answer(text::MsgAnswer::Yes);
        QVERIFY(!rig.logic.ValidateSensorPage());
        QCOMPARE(rig.messages.texts(), QStringList({"T57", "T58"}));
    }

    // A refused copy says why and leaves the record untouched.
    void copyChecks_data() {
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("failure");
        const auto row = [](const char* name, int points, const char* box, const char* text,
                            const QStringList& failure) {
            QTest::newRow(name) << points << QString(box) << QString(text) << failure;
        };
        row("one point", 1, "", "", {"T39"});
        row("ten points", 10, "", "", {});
        row("eleven points", 11, "", "", {"T40"});
        row("etalon twice", -3, "", "", {"T42 10 T43", "T38"});
        row("blank description", 2, "txtPopis", "   ", {"T41"});
        row("range beyond float", 2, "txtRozsah", "1e39", {rangeNotStorableMessage(true)});
        row("negative range beyond the device code", 2, "txtRozsahNeg", "-2e38",
            {rangeNotStorableMessage(false)});
    }
    void copyChecks() {
        QFETCH(int, points);
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QStringList, failure);
        Rig rig;
        rig.setPoints(std::abs(points));
        if (points < 0)
            rig.table.setPoint(3, 2.0F, 10.0F);
        if (!box.isEmpty())
            rig.box(box)->setText(text);
        QCOMPARE(rig.logic.TXT2XXX(StandardCurveOptions), failure.isEmpty());
        QCOMPARE(rig.messages.texts(), failure);
        if (failure.isEmpty()) {
            QCOMPARE(rig.sensors.CurrentSensor.CurvePointCount, points);
            QCOMPARE(rig.sensors.CurrentSensor.CurveEtalon[9], 90.0F);
        } else {
            QCOMPARE(rig.messages.shown.last().icon, text::MsgIcon::Critical);
            QVERIFY(rig.sensors.CurrentSensor == SensorRecord{});
        }
    }

    void pageIsCopiedIntoTheRecord() {
        Rig rig;
        rig.sensors.CurrentSensor.SensorId = QStringLiteral("53ekab17");
        rig.sensors.CurrentSensor.AuxText = QStringLiteral("aux123");
        rig.page.txtPopis->setText("  Siloměr 5 t ");
        rig.page.txtJednotka->setText(" t ");
        rig.page.txtRozsah->setText("12,5");
        rig.page.cmbFormat->setCurrentText("99.99");
        rig.page.cmbSlide->setCurrentText("16");
        QVERIFY(rig.logic.TXT2XXX(StandardCurveOptions));

        const SensorRecord& record = rig.sensors.CurrentSensor;
        QCOMPARE(record.Description.text(), QString("Siloměr 5 t").leftJustified(32));
        QCOMPARE(record.UnitName.text(), QString("t     "));
        QCOMPARE(record.FullScale, 12.5F);
        QCOMPARE(record.FullScaleNeg, -500.0F);
        QCOMPARE(record.Decimals, 2);
        QCOMPARE(record.UnitFormat.trimmed(), QString("##0.00"));
        QCOMPARE(record.GainIndex, 5);
        QCOMPARE(record.LimitFlags, StandardLimitFlags);
        QCOMPARE(record.Options, StandardCurveOptions);
        QCOMPARE(record.SaveDate.text(), QString("250314"));
        // Lower-case letters are not valid: a new identifier for 14 March 2025 at 10:00:00.
        QCOMPARE(record.SensorId.text(), QString("9314KAA5"));
        QCOMPARE(record.AuxText.text(), QString("aux123"));
        QCOMPARE(record.Slide, 16);
        QCOMPARE(record.SlideRychl, 1); // "OFF"
        QCOMPARE(record.CurveSignal[1], 0.25F);
        QCOMPARE(record.CurveEtalon[1], 10.0F);
    }

    void reorderedTableIsAnnounced() {
        Rig rig;
        QSignalSpy changed(&rig.logic, &SensorPageLogic::curveTableChanged);
        QVERIFY(rig.logic.TXT2XXX());
        QCOMPARE(changed.count(), 0);
        rig.table.clear();
        rig.table.setSlot(1, {100.0F, 2.0F, calibration::SlotState::Used});
        rig.table.setSlot(2, {0.0F, 0.0F, calibration::SlotState::Used});
        QVERIFY(rig.logic.TXT2XXX());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(rig.sensors.CurrentSensor.CurveEtalon[1], 100.0F);
    }

    void unitKeyRefreshesRangeCaptions() {
        Rig rig;
        for (const auto& [unit, shown] : {std::pair{" mm ", "mm"}, {"", ""}}) {
            rig.page.txtJednotka->setText(unit);
            QTest::keyClick(rig.page.txtJednotka, Qt::Key_End);
            QCOMPARE(rig.page.lblRozsahPopis->text(), "T66 [" + QString(shown) + "]");
            QCOMPARE(rig.page.lblRozsahNegPopis->text(), "T69 [" + QString(shown) + "]");
        }
    }

    // Only Ctrl with the right button on the description's caption asks for expert mode.
    void expertGesture() {
        Rig rig;
        QSignalSpy requested(&rig.page, &SensorPage::expertModeRequested);
        const std::pair<Qt::MouseButton, Qt::KeyboardModifiers> clicks[] = {
            {Qt::RightButton, {}},
            {Qt::RightButton, Qt::ControlModifier | Qt::ShiftModifier},
            {Qt::LeftButton, Qt::ControlModifier},
            {Qt::RightButton, Qt::ControlModifier}};
        for (const auto& [button, modifiers] : clicks) {
            QCOMPARE(requested.count(), 0);
            QTest::mouseClick(rig.page.Label2, button, modifiers);
        }
        QCOMPARE(requested.count(), 1);
    }
};

QTEST_MAIN(SensorPageTest)
#include "tst_sensorpage.moc"
