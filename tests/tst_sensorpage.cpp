#include "core/calibration/CurveTable.h"
#include "core/instrument/SetupReadout.h"
#include "core/sensor/SensorSettings.h"
#include "core/session/StartUp.h"
#include "core/text/LanguageTable.h"
#include "tests/support/ScriptedMessages.h"
#include "views/common/Twips.h"
#include "views/sensor/SensorPage.h"
#include "views/sensor/SensorPageLogic.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

using namespace sensor;
using Points = QList<QPointF>; // (signal, etalon), in slot order

namespace {

// Texts of a page that passes every check: four digits, format "999.9".
SensorSettings passing() {
    return {"Siloměr", "kN", "500", "-500", "100", "999.9", 1, 7, 0, "OFF", 0, "OFF"};
}

calibration::CurveTable tableOf(const Points& points) {
    calibration::CurveTable table;
    for (const QPointF& point : points)
        (void)table.append(float(point.x()), float(point.y()));
    return table;
}

Points rising(int count) {
    Points points;
    for (int i = 0; i < count; ++i)
        points.append({i / 4.0, 10.0 * i});
    return points;
}

SensorPageLogic::Sources fixedSources() {
    return {[] { return 4; }, [] { return QDateTime(QDate(2025, 3, 14), QTime(10, 0)); },
            [] { return 0.0; }};
}

// The page and its logic outside the window.
struct Rig {
    SensorPage page{nullptr, ui::Twips(96)};
    calibration::CurveTable table = tableOf(rising(10));
    SensorState sensors;
    testsupport::ScriptedMessages messages;
    text::LanguageTable texts;
    SensorPageLogic logic{page, table, sensors, messages, texts, fixedSources()};

    Rig() {
        for (int n = text::LanguageTable::First; n <= text::LanguageTable::Last; ++n)
            texts.set(n, QStringLiteral("T%1").arg(n));
        texts.set(616, QStringLiteral("%1 T616")); // names the range
        page.cmbSlide->addItems(session::SlideEntries());
        page.cmbSlideRychl->addItems(session::SlideRychlEntries());
        page.cmbGain->addItems(session::GainEntries());
        page.cmbFormat->addItems(device::displayFormats(4));
        page.txtPopis->setText("Siloměr");
        page.txtJednotka->setText("kN");
        page.txtRozsah->setText("500");
        page.txtRozsahNeg->setText("-500");
    }
};

} // namespace

// The sensor page's rules on its texts, then the page that collects them and shows refusals.
class SensorPageTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // Each box on both sides of its limits.
    void settingsChecks() {
        using S = SensorSettings;
        using F = SettingsFault;
        for (const auto& [box, passes, fails, fault] :
             {std::tuple{&S::fullScale, QStringList{"999.9"}, QStringList{"1000", "0,005"},
                         F::PositiveRange},
              {&S::fullScaleNeg, {"0"}, {"-1000", "0.1"}, F::NegativeRange},
              {&S::overload, {"1", "999999"}, {"0.5", "1000000"}, F::Overload},
              {&S::description, {" " + QString(20, 'd') + " "}, {QString(21, 'd')}, F::Description},
              {&S::unit, {" mm3 "}, {"kgf2"}, F::Unit}})
            for (const QString& text : passes + fails) {
                SensorSettings settings = passing();
                settings.*box = text;
                const QList<F> expected = fails.contains(text) ? QList{fault} : QList<F>{};
                QVERIFY2(checkSensorSettings(settings) == expected, qPrintable(text));
            }
    }

    // Texts trimmed, numbers read with a comma, the format of the chosen digits, "OFF" as 1.
    void copyIntoTheRecord() {
        const SensorSettings settings{
            "  Siloměr 5 t ", " t ", "12,5", "-500", "100", "99.99", 2, 7, 12, "16", 0, "OFF"};
        SensorRecord record;
        record.SensorId = QStringLiteral("53ekab17");
        const CopyContext context{5, QDateTime(QDate(2025, 3, 14), QTime(10, 0)),
                                  [] { return 0.0; }, StandardCurveOptions};
        QVERIFY(!copySensorSettings(settings, tableOf(rising(3)), context, record));
        QCOMPARE((QStringList{record.Description.text().trimmed(), record.UnitName.text(),
                              record.UnitFormat.text().trimmed(), record.SaveDate.text(),
                              record.SensorId.text()}),
                 (QStringList{"Siloměr 5 t", "t     ", "###0.00", "250314", "9314KAA5"}));
        QCOMPARE((QList<double>{record.FullScale, record.FullScaleNeg, double(record.Decimals),
                                double(record.Slide), double(record.SlideRychl),
                                double(record.CurvePointCount), record.CurveSignal[2],
                                record.CurveEtalon[2]}),
                 (QList<double>{12.5, -500.0, 2, 16, 1, 3, 0.5, 20.0}));
    }

    // The ranges against the curve at the ends of the gain range (1: positive, -1: negative).
    void rangesAgainstTheCurve() {
        const Points up{{1.0, 100.0}, {2.0, 200.0}};
        for (const auto& [points, gain, positive, negative, side, limit] :
             {std::tuple{up, 7, "400", "-100", 1, 391.0F},
              {up, 7, "100", "-400", -1, -391.0F},
              {up, 7, "391", "-391", 0, 0.0F},
              {{{1.0, 1.0}, {2.0, 2.0}}, 0, "900", "-100", 1, 500.0F},
              {{{1.0, 200.0}, {2.0, 100.0}}, 7, "100", "-100", -1, -91.0F}}) {
            SensorSettings settings = passing();
            settings.fullScale = QString::fromLatin1(positive);
            settings.fullScaleNeg = QString::fromLatin1(negative);
            const auto beyond = rangeBeyondCurve(
                settings, tableOf(points), session::gainRangeLimit(session::GainEntries()[gain]));
            QCOMPARE(beyond ? (beyond->positive ? 1 : -1) : 0, side);
            QCOMPARE(beyond ? beyond->limit : 0.0F, limit);
        }
    }

    // Every box and list reaches the settings.
    void pageReachesTheSettings() {
        Rig rig;
        rig.page.txtOverloadProc->setText("150");
        rig.page.cmbFormat->setCurrentIndex(2);
        rig.page.cmbGain->setCurrentIndex(5);
        rig.page.cmbSlide->setCurrentIndex(12);
        rig.page.cmbSlideRychl->setCurrentIndex(13);
        const SensorSettings s = rig.logic.settings();
        QCOMPARE((QStringList{s.description, s.unit, s.fullScale, s.fullScaleNeg, s.overload,
                              s.formatEntry, s.slideEntry, s.slideRychlEntry}),
                 (QStringList{"Siloměr", "kN", "500", "-500", "150", "99.99", "16", "30"}));
        QCOMPARE((QList<int>{s.formatIndex, s.gainIndex, s.slideIndex, s.slideRychlIndex}),
                 (QList<int>{2, 5, 12, 13}));

        QSignalSpy changed(&rig.logic, &SensorPageLogic::curveTableChanged);
        QVERIFY(rig.logic.TXT2XXX(StandardCurveOptions));
        const SensorRecord& record = rig.sensors.CurrentSensor;
        QCOMPARE(record.UnitFormat.text().trimmed(), QString("##0.00"));
        QCOMPARE(record.SaveDate.text(), QString("250314"));
        QCOMPARE(record.Options, StandardCurveOptions);
        QCOMPARE(record.CurvePointCount, 10);
        QCOMPARE(changed.count(), 0);
        rig.table = tableOf({{1.0, 100.0}, {0.0, 0.0}});
        QVERIFY(rig.logic.TXT2XXX());
        QCOMPARE(changed.count(), 1);
    }

    // Each refusal of the copy with its text as a critical message (two points are the fewest a
    void copyRefusalsAreShown() {
        for (const auto& [points, box, text, shown] :
             {std::tuple{rising(1), "", "", QStringList{"T39"}},
              {rising(11), "", "", {"T40"}},
              {{{0.0, 0.0}, {0.25, 10.0}, {2.0, 10.0}}, "", "", {"T42 10 T43", "T38"}},
              {rising(2), "txtPopis", " ", {"T41"}},
              {rising(2), "txtRozsah", "1e39", {"T218 T616"}},
              {rising(2), "txtRozsahNeg", "-2e38", {"T219 T616"}}}) {
            Rig rig;
            rig.table = tableOf(points);
            if (*box)
                rig.page.findChild<QLineEdit*>(box)->setText(text);
            QVERIFY(!rig.logic.TXT2XXX());
            QCOMPARE(rig.messages.texts(), shown);
            for (const auto& message : rig.messages.shown)
                QCOMPARE(message.icon, text::MsgIcon::Critical);
            QVERIFY(rig.sensors.CurrentSensor == SensorRecord{});
        }
    }

    // Shown, the limit warning asks first and No ends the check.
    void checkAsksAndReports() {
        Rig rig;
        rig.page.lblLimitWarning->show();
        rig.page.txtRozsah->setText("10000");
        rig.page.txtRozsahNeg->setText("0.1");
        rig.page.txtOverloadProc->setText("0");
        rig.page.txtPopis->clear();
        rig.page.txtJednotka->setText("kgf2");
        QVERIFY(!rig.logic.ValidateSensorPage()); // No is the question's default answer
        QCOMPARE(rig.messages.texts(), QStringList{"T57"});
        QCOMPARE(rig.messages.shown.first().icon, text::MsgIcon::Exclamation);
        QCOMPARE(rig.messages.shown.first().buttons, text::MsgButtons::YesNo);
        rig.messages.answer(text::MsgAnswer::Yes);
        QVERIFY(!rig.logic.ValidateSensorPage());
        QCOMPARE(rig.messages.texts(),
                 QStringList({"T57", "T57", "T58", "T70", "T59", "T60", "T61"}));
        QCOMPARE(rig.messages.shown.last().icon, text::MsgIcon::Critical);
    }

    void unitKeyRefreshesRangeCaptions() {
        Rig rig;
        rig.page.txtJednotka->setText(" mm ");
        QTest::keyClick(rig.page.txtJednotka, Qt::Key_End);
        QCOMPARE(rig.page.lblRozsahPopis->text(), QString("T66 [mm]"));
        QCOMPARE(rig.page.lblRozsahNegPopis->text(), QString("T69 [mm]"));
    }
};

QTEST_MAIN(SensorPageTest)
#include "tst_sensorpage.moc"
