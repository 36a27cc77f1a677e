#include "core/records/RecordStore.h"
#include "core/text/LanguageTable.h"
#include "support/ScriptedMessages.h"
#include "views/calibration/CertificateContent.h"
#include "views/calibration/CurveReport.h"
#include "views/common/Controls.h"
#include "views/records/HistoryPlot.h"
#include "views/records/HistoryWindow.h"
#include "views/records/LabDetailsWindow.h"
#include "views/records/RecordedCertificate.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace records;

namespace {

// A calibration of `sensorId` that ended on 1 March of `year`: etalon = zero + slope * signal.
CalibrationRecord calibrationOf(const QString& sensorId, int year, double slope, double zero) {
    CalibrationRecord c;
    c.sensorId = sensorId;
    c.description = QStringLiteral("Siloměr S-40");
    c.unit = QStringLiteral("kN");
    c.fullScale = 150.0;
    c.fullScaleNeg = -120.0;
    c.operatorName = QStringLiteral("Novák");
    c.ended = QDateTime(QDate(year, 3, 1), QTime(12, 0), Qt::UTC);
    c.started = c.ended.addSecs(-600);
    for (const double signal : {-2.0, 0.0, 1.0, 2.0, 3.0})
        c.points.push_back({signal, zero + slope * signal, c.ended});
    c.asLeft = {{100.0, 100.05, c.ended}};
    c.figuresJson = QStringLiteral("{\"digit\":0.01}");
    return c;
}

} // namespace

class HistoryTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    text::LanguageTable texts_;
    testsupport::ScriptedMessages messages_;

private slots:
    void listsOpensComparesAndPrints() {
        RecordStore store({dir_.filePath(QStringLiteral("records.sqlite"))});
        for (const auto& c : {calibrationOf(QStringLiteral("S1"), 2024, 50.0, 0.0),
                              calibrationOf(QStringLiteral("S1"), 2026, 50.5, 0.15),
                              calibrationOf(QStringLiteral("S1"), 2025, 50.2, 0.0),
                              calibrationOf(QStringLiteral("S2"), 2025, 40.0, 0.0)})
            QVERIFY(store.record(c).outcome == WriteOutcome::Recorded);
        QString pdf;
        calibration::ExportQuestions questions{{}, [&](const QString& proposed, bool) {
                                                   return pdf = dir_.filePath(
                                                              QFileInfo(proposed).fileName());
                                               }};
        app::HistoryWindow window(store, texts_, messages_, QStringLiteral("S1"), questions);

        QCOMPARE(window.cmbSensor->count(), 2);
        QCOMPARE(window.cmbSensor->currentText(), QStringLiteral("S1"));
        // Newest first; the newest opened.
        QCOMPARE(window.lstRecords->topLevelItemCount(), 3);
        QStringList numbers;
        for (int row = 0; row < 3; ++row)
            numbers << window.lstRecords->topLevelItem(row)->text(1);
        QCOMPARE(numbers,
                 (QStringList{QStringLiteral("TC-2026-00001"), QStringLiteral("TC-2025-00001"),
                              QStringLiteral("TC-2024-00001")}));
        QCOMPARE(window.lstPoints->topLevelItemCount(), 5);
        QVERIFY(
            window.txtChecks->toPlainText().replace(u',', u'.').contains(QStringLiteral("100.05")));

        // The oldest and the newest ticked: overlaid oldest first, drift against the oldest.
        window.compareTicked();
        QCOMPARE(window.plot->curves().size(), std::size_t{0});
        QCOMPARE(messages_.shown.size(), 1);
        window.lstRecords->topLevelItem(0)->setCheckState(0, Qt::Checked);
        window.lstRecords->topLevelItem(2)->setCheckState(0, Qt::Checked);
        window.compareTicked();
        QCOMPARE(window.plot->curves().size(), std::size_t{2});
        QVERIFY(window.plot->curves().front().name.startsWith(QStringLiteral("TC-2024-00001")));
        const QString drift = window.lblDrift->text().replace(u',', u'.');
        QVERIFY2(drift.contains(QStringLiteral("+1.000")) &&
                     drift.contains(QStringLiteral("+0.100")),
                 qPrintable(drift));

        // The report again, dated as recorded.
        window.openRow(2);
        window.printReport();
        QVERIFY(pdf.endsWith(QStringLiteral("protokol-S1-2024-03-01.pdf")));
        QVERIFY(QFileInfo(pdf).size() > 0);
    }

    // A certificate printed from a record, stated in full or with nothing stated: its number,
    // the standard with its own certificate and due date, the conditions, both checks with
    // their verdicts, "not stated" for what the record lacks; the CSV carries the same.
    void certificateFromRecord() {
        QLocale::setDefault(QLocale::c());
        RecordStore store({dir_.filePath(QStringLiteral("certificates.sqlite"))});
        const WriteResult standard = store.addStandard(
            {{}, "Siloměr R", "R-7", "CMI-123", QDate(2026, 1, 31), QDate(2027, 1, 31)});
        const QString notStated = text::BuiltInText(437);
        for (const bool stated : {true, false}) {
            CalibrationRecord c = calibrationOf(QStringLiteral("C1"), 2024, 50.0, 0.0);
            c.asFound = {{100.0, 100.3, c.ended}};
            if (stated) {
                c.standardUuid = standard.uuid;
                c.temperature = 21.5;
                c.humidity = 45.0;
            } else {
                c.operatorName.clear();
                c.asLeft.clear();
            }
            const WriteResult written = store.record(c);
            const calibration::CurveSheet sheet =
                app::sheetOfRecord(*store.calibration(written.uuid), store);
            QVERIFY(sheet.certificate);
            const calibration::CertificateContent content =
                calibration::certificateContent(*sheet.certificate, sheet.scale.unitFormat, texts_);
            QStringList values;
            for (const auto& field : content.fields)
                values << field.second;
            QCOMPARE(values.first(), written.certificate);
            QCOMPARE(values.mid(2, 6), stated ? QStringList({"Novák", "Siloměr R (R-7)", "CMI-123",
                                                             "31.01.2027", "21.5 °C", "45.0 %"})
                                              : QStringList(6, notStated));
            QCOMPARE(values.last(), "01.03.2025");
            QCOMPARE(content.checks.front().rows,
                     QList<QStringList>(
                         {{"100.00", "100.30", "0.30", "0.200", "30.0", text::BuiltInText(523)}}));
            QCOMPARE(content.checks.front().verdict, text::BuiltInText(493));
            QCOMPARE(content.checks.back().verdict, text::BuiltInText(stated ? 492 : 447));

            QBuffer csv;
            QVERIFY(csv.open(QIODevice::WriteOnly));
            calibration::writeCsvReport(csv, sheet, {}, {}, texts_);
            const QStringList lines = QString::fromUtf8(csv.data()).split(QStringLiteral("\r\n"));
            for (const QString& line :
                 {text::BuiltInText(436) + u';' + written.certificate,
                  text::BuiltInText(441) + u';' + values.at(6),
                  QStringLiteral("100.00;100.30;0.30;0.200;30.0;") + text::BuiltInText(523),
                  text::BuiltInText(stated ? 492 : 447)})
                QVERIFY2(lines.contains(line), qPrintable(line));
        }
    }

    // The curve window's report is the certificate only while it shows the calibration as
    // recorded: not for a pending record, nor once a point has changed.
    void curveWindowCertificate() {
        RecordStore store({dir_.filePath(QStringLiteral("recorded.sqlite"))});
        const WriteResult written =
            store.record(calibrationOf(QStringLiteral("S1"), 2025, 50.0, 0.0));
        calibration::CurveSheet sheet = app::sheetOfRecord(*store.calibration(written.uuid), store);
        sheet.certificate.reset();
        QCOMPARE(app::recordedCertificate(store, written, sheet)->certificateNumber,
                 written.certificate);
        QVERIFY(
            !app::recordedCertificate(store, {WriteOutcome::Pending, written.uuid, {}, {}}, sheet));
        sheet.table.setPoint(2, 0.0F, 0.5F);
        QVERIFY(!app::recordedCertificate(store, written, sheet));
    }

    void f4OpensItOnTheSensorInUse() {
        RecordStore store({dir_.filePath(QStringLiteral("keys.sqlite"))});
        QVERIFY(store.record(calibrationOf(QStringLiteral("S1"), 2025, 50.0, 0.0)).kept());
        QWidget main;
        QAction* open = app::addHistoryWindow(main, store, texts_, messages_,
                                              [] { return QStringLiteral("S1"); });
        QCOMPARE(open->shortcut(), QKeySequence(Qt::Key_F3));
        open->trigger();
        auto* window = main.findChild<app::HistoryWindow*>();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->lstRecords->topLevelItemCount(), 1);
    }

    // F2 and the context menu open the details; what is typed is remembered and handed over; a
    // capture is refused while a required entry is empty, and a past-due standard is warned of.
    void labDetailsGuardTheCapture() {
        RecordStore store({dir_.filePath(QStringLiteral("details.sqlite"))});
        StoreSettings rules;
        rules.requireOperator = true;
        QVERIFY(store.setSettings(rules).kept());
        QSettings settings(dir_.filePath(QStringLiteral("details.ini")), QSettings::IniFormat);
        std::vector<CalibrationDetails> handed;
        const auto handOver = [&handed](const CalibrationDetails& d) { handed.push_back(d); };
        QWidget main;
        messages_.clear();
        const std::function<bool()> mayCapture =
            app::addLabDetailsWindow(main, {store, texts_, messages_}, settings, handOver);
        QCOMPARE(handed.size(), std::size_t{1});
        auto* open = main.findChild<QAction*>(QStringLiteral("labDetailsAction"));
        QVERIFY(open && open->shortcut() == QKeySequence(Qt::Key_F2));
        QVERIFY(ui::contextMenuActions(main).contains(open));

        QVERIFY(!mayCapture());
        QCOMPARE(messages_.shown.size(), 1);
        QVERIFY(messages_.shown.front().text.contains(texts_.text(407)));
        auto* window = main.findChild<app::LabDetailsWindow*>();
        QVERIFY(window && window->isVisible() && window->lblRequired->isVisible());
        QTest::keyClicks(window->txtOperator, QStringLiteral("Novak"));
        window->txtName->setText(QStringLiteral("Z4A"));
        window->dteCalibrated->setDate(QDate(2020, 1, 1));
        window->dteDue->setDate(QDate(2021, 1, 1));
        window->cmdAddStandard->click();
        QCOMPARE(window->cmbStandard->currentText().left(3), QStringLiteral("Z4A"));
        QCOMPARE(handed.back().operatorName, QStringLiteral("Novak"));
        QVERIFY(!handed.back().standardUuid.isEmpty());

        messages_.clear();
        QVERIFY(mayCapture());
        QVERIFY(mayCapture());
        QCOMPARE(messages_.shown.size(), 1); // the due date, once
        QVERIFY(messages_.shown.front().text.contains(QStringLiteral("1.1.2021")));

        QWidget next;
        handed.clear();
        (void)app::addLabDetailsWindow(next, {store, texts_, messages_}, settings, handOver);
        QCOMPARE(handed.front().operatorName, QStringLiteral("Novak"));
    }
};

QTEST_MAIN(HistoryTest)
#include "tst_history.moc"
