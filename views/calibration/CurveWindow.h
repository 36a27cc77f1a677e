#pragma once

#include "core/calibration/PlotReach.h"
#include "views/calibration/CurveSheet.h"
#include "views/calibration/ReportExport.h"

#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;
class QSettings;
class QTableWidget;

namespace device {
class Clock;
class LiveSignal;
} // namespace device
namespace text {
class LanguageTable;
class MessageService;
} // namespace text

namespace app {
struct WindowParts;
}
namespace session {
class Session;
}

namespace calibration {

class CurveEditor;
class CurvePlot;
class DeviationPlot;

// The curve window: the plot, the points' deviations under it, a table of the points' figures,
// the curve's figures and its warnings, and the report's export. The plots open fitted to the
// points; cmdWhole (and Ctrl+G) shows the whole ±G. cmdCreep is wired by addCurveWindow. Not modal:
// the operator goes on capturing while it is open, and it follows every change of the table and
// every reading.
class CurveWindow : public QWidget {
    Q_OBJECT
public:
    using SheetSource = std::function<CurveSheet()>;
    // The certificate of the calibration recorded with the sheet's curve, if there is one; asked
    // at each export, so the report becomes the certificate once the calibration is recorded.
    using CertificateSource =
        std::function<std::optional<certificate::CertificateData>(const CurveSheet&)>;

    // The sensor's tolerance in % FS, asked when the sheet names another sensor and each time
    // the window is shown (it may come from a laboratory server).
    using ToleranceSource = std::function<double(const QString& sensorId)>;

    CurveWindow(SheetSource source, const text::LanguageTable& texts,
                text::MessageService& messages, QWidget* parent = nullptr,
                CertificateSource certificate = {}, ToleranceSource tolerance = {});

    // Takes the sheet anew and shows it.
    void refresh();
    // The last creep check, shown among the figures and carried into the report.
    void setCreep(const CreepResult& creep);
    [[nodiscard]] PlotExtent extent() const;
    [[nodiscard]] const CurveSheet& sheet() const { return sheet_; }
    [[nodiscard]] ReportExport& reportExport() { return export_; }

    CurvePlot* const plot;
    DeviationPlot* const deviation;
    QTableWidget* const tblPoints;
    QLabel* const lblFigures;
    QLabel* const lblWarnings;
    QPushButton* const cmdWhole;
    QPushButton* const cmdCreep;
    QPushButton* const cmdPdf;
    QPushButton* const cmdCsv;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showTable();
    void showFigures();
    void exportReport(bool pdf);

    SheetSource source_;
    CertificateSource certificate_;
    ToleranceSource tolerance_;
    // The tolerance last asked, with the sensor it was asked for.
    std::optional<std::pair<QString, double>> toleranceOf_;
    std::optional<CreepResult> creep_;
    const text::LanguageTable& texts_;
    ReportExport export_;
    CurveSheet sheet_;
    // The table's texts as last shown: a reading alone leaves the table as it is.
    QStringList shownRows_;
};

struct CurveWindowParts {
    session::Session& session;
    device::LiveSignal& liveSignal;
    CurveEditor& editor;
    const device::Clock& clock;
    QSettings& settings;
    const text::LanguageTable& texts;
    CurveWindow::CertificateSource certificate;
    CurveWindow::ToleranceSource tolerance;
};

// The F6 action on the curve page and in its list's context menu, which opens the curve window
// (made at the first use); the window follows the curve editor and the live signal, and its
// cmdCreep opens the creep check (CreepDialog), whose result it keeps.
void addCurveWindow(QWidget& mainWindow, const app::WindowParts& parts, CurveWindowParts curve);

} // namespace calibration
