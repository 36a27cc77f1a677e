#include "core/records/RecordStore.h"
#include "core/text/LanguageTable.h"
#include "support/ScriptedMessages.h"
#include "views/records/HistoryPlot.h"
#include "views/records/HistoryWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
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
};

QTEST_MAIN(HistoryTest)
#include "tst_history.moc"
