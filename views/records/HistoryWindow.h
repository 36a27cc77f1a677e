#pragma once

#include "core/records/Records.h"
#include "views/calibration/CurveSheet.h"
#include "views/calibration/ReportExport.h"

#include <QDialog>
#include <functional>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace records {
class RecordKeeper;
}
namespace text {
class LanguageTable;
class MessageService;
} // namespace text

namespace app {

class HistoryPlot;

// The sheet of a recorded calibration as the curve window held it: the points, ranges, unit and
// identification of the record, the number format and gain range of the block written (its
// as-left snapshot), the figures computed anew from the points as they were at the write, and
// for a calibration its certificate, from the store alone: a reprint shows what was recorded.
[[nodiscard]] calibration::CurveSheet sheetOfRecord(const records::CalibrationRecord& record,
                                                    const records::RecordKeeper& store);

// A sensor's calibrations on record, newest first: date, certificate number, operator,
// standard, both verdicts, due date and marks. The one selected shows its points, figures and
// checks and prints its report again; two or more ticked are overlaid with their drift.
class HistoryWindow : public QDialog {
    Q_OBJECT
public:
    HistoryWindow(records::RecordKeeper& store, const text::LanguageTable& texts,
                  text::MessageService& messages, const QString& sensorId,
                  calibration::ExportQuestions questions, QWidget* parent = nullptr);

    void showSensor(const QString& sensorId);
    // Shows the calibration of the list's row (0: the newest).
    void openRow(int row);
    // Overlays the ticked calibrations, oldest first, and says their drift against the oldest.
    void compareTicked();
    // Writes the selected calibration's certificate again, from the store.
    void printReport();

    QComboBox* const cmbSensor;
    QTreeWidget* const lstRecords;
    QTabWidget* const tabs;
    QTreeWidget* const lstPoints;
    QPlainTextEdit* const txtFigures;
    QPlainTextEdit* const txtChecks;
    HistoryPlot* const plot;
    QLabel* const lblDrift;
    QPushButton* const cmdCompare;
    QPushButton* const cmdPdf;

private:
    [[nodiscard]] QString verdictText(records::Verdict verdict) const;
    [[nodiscard]] QString checksText(const records::CalibrationRecord& record) const;
    [[nodiscard]] QString curveName(const records::CalibrationRecord& record) const;

    records::RecordKeeper& store_;
    const text::LanguageTable& texts_;
    text::MessageService& messages_;
    calibration::ExportQuestions questions_;
    std::optional<records::CalibrationRecord> open_;
};

// The history window on the main window: F4, and the main window's context menu. It opens on
// the sensor `currentSensor` names (empty: the first one with records).
QAction* addHistoryWindow(QWidget& mainWindow, records::RecordKeeper& store,
                          const text::LanguageTable& texts, text::MessageService& messages,
                          std::function<QString()> currentSensor);

} // namespace app
