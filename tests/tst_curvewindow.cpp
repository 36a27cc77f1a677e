#include "core/instrument/LiveSignal.h"
#include "core/text/LanguageTable.h"
#include "tests/support/WindowRig.h"
#include "views/calibration/CreepDialog.h"
#include "views/calibration/CurveEditor.h"
#include "views/calibration/CurvePage.h"
#include "views/calibration/CurvePlot.h"
#include "views/calibration/CurveReport.h"
#include "views/calibration/CurveWindow.h"
#include "views/calibration/DeviationPlot.h"
#include "views/calibration/ReportExport.h"

#include <QAction>
#include <QBuffer>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableWidget>

using namespace std::chrono_literals;

class TestCurveWindow : public QObject {
    Q_OBJECT

private slots:
    // The live marker and the points land where their values belong, at either scale and
    // extent; in the deviation plot a point beyond the tolerance stands out with its error bar.
    void plotPixels() {
        calibration::CurveSheet sheet;
        for (const auto& [signal, etalon] : {std::pair{0.0f, 0.0f}, {1.0f, 50.0f}, {2.0f, 100.0f}})
            QVERIFY(sheet.table.append(signal, etalon));
        sheet.scale = {100, -100, 3.91, QStringLiteral("###0.00")};
        sheet.figures = calibration::computeCurveFigures(sheet.table, sheet.scale);
        sheet.live = 1.5f;
        const text::LanguageTable texts;
        using calibration::PlotExtent;
        for (const auto& [ratio, extent, from] :
             {std::tuple{1.0, PlotExtent::Fitted, -3.0}, {2.0, PlotExtent::WholeGain, -4.0}}) {
            QImage image(QSize(720, 480) * ratio, QImage::Format_ARGB32);
            image.setDevicePixelRatio(ratio);
            QPainter painter(&image);
            const QRectF area(0, 0, 720, 480);
            calibration::CurvePlot::draw(painter, area, sheet, texts, extent);
            const auto frame = calibration::CurvePlot::frameFor(
                area, sheet, QFontMetricsF(painter.font()), texts, extent);
            painter.end();
            const auto colourAt = [&](double signal, double value) {
                return image.pixelColor((frame.at(signal, value) * ratio).toPoint());
            };
            QCOMPARE(colourAt(1.5, 75.0), calibration::CurvePlot::LiveColour);
            for (const auto& point : sheet.figures.points)
                QCOMPARE(colourAt(point.signal, point.etalon), calibration::CurvePlot::PointColour);
            QCOMPARE(frame.signalFrom, from); // round ticks around the points or ±3.91
        }
        sheet.figures.points[1].percent = 0.5;
        sheet.errorBars = {std::nullopt, 0.3};
        QImage image(720, 240, QImage::Format_ARGB32);
        QPainter painter(&image);
        const QRectF area(0, 0, 720, 240);
        calibration::DeviationPlot::draw(painter, area, sheet, texts);
        const auto frame = calibration::DeviationPlot::frameFor(
            area, sheet, QFontMetricsF(painter.font()), PlotExtent::Fitted);
        painter.end();
        QCOMPARE(frame.percentTo, 1.0); // 0.5 + 0.3 padded and rounded
        const auto colourAt = [&](double signal, double percent) {
            return image.pixelColor(frame.at(signal, percent).toPoint());
        };
        QCOMPARE(colourAt(1, 0.5), calibration::DeviationPlot::OutsideColour);
        QCOMPARE(colourAt(2, 0), calibration::DeviationPlot::WithinColour);
        QVERIFY(qGray(colourAt(1, 0.8).rgb()) < 200); // the bar, over a grid line of 228
        QCOMPARE(colourAt(1.5, -0.09), calibration::DeviationPlot::BandColour);
    }

    // The report holds the two typed fields, the points with their figures and the warnings;
    // its numbers carry the desktop's decimal separator, the CSV's signals all 5 decimals.
    void reportFiles() {
        for (const auto& [locale, points, range] :
             {std::tuple{QLocale::c(), "2;2.00000;100.00;0.000;0.000;0.0;0.000", "-100.00 kg"},
              {QLocale(QLocale::Czech), "2;2,00000;100,00;0,000;0,000;0,0;0,000", "-100,00 kg"}}) {
            QLocale::setDefault(locale);
            calibration::CurveSheet sheet;
            QVERIFY(sheet.table.append(0.0F, 0.0F) && sheet.table.append(2.0F, 100.0F));
            sheet.scale = {100, -100, 3.91, QStringLiteral("###0.00")};
            sheet.figures = calibration::computeCurveFigures(sheet.table, sheet.scale);
            sheet.unit = QStringLiteral("kg");
            const calibration::ReportSigner signer{QStringLiteral("Jan Novák"),
                                                   QStringLiteral("a;b")};
            const QDateTime when(QDate(2026, 3, 1), QTime(8, 30));
            const text::LanguageTable texts;
            QBuffer csv;
            QVERIFY(csv.open(QIODevice::WriteOnly));
            calibration::writeCsvReport(csv, sheet, signer, when, texts);
            const QStringList lines = QString::fromUtf8(csv.data()).split(QStringLiteral("\r\n"));
            QVERIFY(lines.contains(QStringLiteral("Pracovník;Jan Novák")));
            QVERIFY(lines.contains(QStringLiteral("Referenční etalon;\"a;b\"")));
            QVERIFY2(lines.contains(QString::fromUtf8(points)), qPrintable(lines.join(u'|')));
            QVERIFY(lines.last(2).first().startsWith(QStringLiteral("Záporný rozsah ") + range));
            QVERIFY(calibration::figureLines(sheet, texts)
                        .first()
                        .contains(locale.toString(20.0, 'f', 4)));
        }
        QLocale::setDefault(QLocale::c());
    }

    // Operator and reference are asked once per sensor, never for a certificate; the file is
    // offered in the documents folder, then where the last one went, named by sensor and date; a
    // note says where it went.
    void exportsAskOnceAndTellWhere() {
        QTemporaryDir dir;
        QTemporaryDir home; // without a documents folder, the home folder is offered
        const QByteArray homeBefore = qgetenv("HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        testsupport::ScriptedMessages messages;
        const text::LanguageTable texts;
        int asked = 0;
        QStringList proposed;
        calibration::ReportExport exports(
            texts, messages,
            {[&asked] {
                 ++asked;
                 return calibration::ReportSigner{QStringLiteral("Jan"), QStringLiteral("N1")};
             },
             [&](const QString& offered, bool) {
                 proposed.append(offered);
                 return dir.filePath(QFileInfo(offered).fileName());
             }});
        calibration::CurveSheet sheet;
        QVERIFY(sheet.table.append(0.0F, 0.0F) && sheet.table.append(2.0F, 100.0F));
        sheet.scale = {100, -100, 3.91, QStringLiteral("###0.00")};
        sheet.figures = calibration::computeCurveFigures(sheet.table, sheet.scale);
        sheet.sensorId = QStringLiteral("53EKAB17");
        const QString name = "protokol-53EKAB17-" + QDate::currentDate().toString(Qt::ISODate);
        QCOMPARE(exports.proposedPath(sheet, true, QDate::currentDate()),
                 QDir(home.path()).filePath(name + ".pdf"));
        QVERIFY(QDir(home.path()).mkdir(QStringLiteral("Documents")));
        exports.exportReport(sheet, true);
        exports.exportReport(sheet, false);
        qputenv("HOME", homeBefore);
        QCOMPARE(asked, 1);
        QCOMPARE(proposed, QStringList({home.filePath(QStringLiteral("Documents/") + name + ".pdf"),
                                        dir.filePath(name + ".csv")}));
        QCOMPARE(messages.texts(), QStringList({text::BuiltInText(343).arg(QDir::toNativeSeparators(
                                                    dir.filePath(name + ".pdf"))),
                                                text::BuiltInText(343).arg(QDir::toNativeSeparators(
                                                    dir.filePath(name + ".csv")))}));
        QVERIFY(QFileInfo(dir.filePath(name + ".csv")).size() > 0);
        sheet.sensorId = QStringLiteral("4B02MQA5");
        exports.exportReport(sheet, false);
        QCOMPARE(asked, 2);
        // A recorded calibration's certificate holds its operator and standard: nothing asked.
        sheet.sensorId = QStringLiteral("7C11RT02");
        sheet.certificate = certificate::CertificateData{};
        exports.exportReport(sheet, false);
        QCOMPARE(asked, 2);
    }

    // F6 opens the window, which follows the table and the polls; the final step asks once
    // about the warnings (the negative range lies beyond the points) and No writes nothing.
    void windowFollowsAndFinishAsks() {
        testsupport::InstrumentRig rig(1);
        app::frmOrvoCalibration& window = rig.startAt(session::WizardStep::Finish);
        window.fraCURVE->lstKrivka->findChild<QAction*>(QStringLiteral("mKrivkaGraf"))->trigger();
        auto* curve = window.findChild<calibration::CurveWindow*>(QStringLiteral("frmCurve"));
        QVERIFY(curve != nullptr && curve->isVisible());
        QCOMPARE(curve->tblPoints->rowCount(), 3);
        QVERIFY(window.session().curve().append(3.0F, 150.0F));
        window.curveEditor().FillCurveList();
        QCOMPARE(curve->tblPoints->rowCount(), 4);
        rig.instrument().setLoad(1.25);
        for (int tick = 0; tick < 3; ++tick) {
            rig.clock.advance(200ms);
            window.PollSignal();
        }
        QVERIFY(std::fabs(curve->sheet().live.value_or(0.0F) - 1.25F) < 1e-3F);

        rig.messages.answer(text::MsgAnswer::No);
        rig.next();
        QCOMPARE(rig.messages.shown.size(), 1);
        QVERIFY(rig.messages.shown[0].text.startsWith(window.LangText().text(199)));
        QVERIFY(rig.framesOf("KW").isEmpty());
    }

    // The creep check refuses a signal without load, runs on the polls' clock, remembers its
    // duration and puts its result among the figures; a lost signal ends it with a message.
    void creepCheckInTheWindow() {
        testsupport::InstrumentRig rig(1);
        app::frmOrvoCalibration& window = rig.startAt(session::WizardStep::Finish);
        window.fraCURVE->lstKrivka->findChild<QAction*>(QStringLiteral("mKrivkaGraf"))->trigger();
        auto* curve = window.findChild<calibration::CurveWindow*>(QStringLiteral("frmCurve"));
        curve->cmdCreep->click();
        auto* creep = curve->findChild<calibration::CreepDialog*>(QStringLiteral("frmCreep"));
        QVERIFY(creep != nullptr && creep->isVisible());
        creep->spnMinutes->setValue(1);
        const auto poll = [&](int ticks) {
            for (int tick = 0; tick < ticks; ++tick) {
                rig.clock.advance(200ms);
                window.PollSignal();
            }
        };
        rig.instrument().setLoad(0.0);
        poll(15);
        creep->cmdStart->click();
        QCOMPARE(rig.messages.texts(), QStringList{window.LangText().text(594)});
        rig.instrument().setLoad(1.5);
        poll(15);
        creep->cmdStart->click();
        QVERIFY(creep->running() && creep->buttons->button(QDialogButtonBox::Cancel)->isVisible());
        poll(5 * 60 - 1); // a reading every 200 ms, the last one just short of a minute
        QVERIFY(creep->running());
        poll(1);
        QVERIFY(!creep->running());
        QCOMPARE(rig.settings.value("Creep/minutes").toInt(), 1);
        QVERIFY(
            curve->lblFigures->text().contains(window.LangText().text(593).section(u' ', 0, 1)));
        creep->cmdStart->click();
        rig.instrument().addFault(sim::Fault::silenceFrom(1));
        poll(4);
        QVERIFY(!creep->running());
        QCOMPARE(
            rig.messages.texts().last(),
            device::staleSignalMessage(window.LangText(), window.session().line().portNumber()));
    }
};

QTEST_MAIN(TestCurveWindow)
#include "tst_curvewindow.moc"
