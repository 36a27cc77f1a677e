#pragma once

#include "views/calibration/CurveSheet.h"
#include "views/calibration/ReportExport.h"

#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;

namespace device {
class LiveSignal;
}
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

// The curve window: the plot, a table of the points' figures, the curve's figures and its
// warnings, and the report's export. Not modal: the operator goes on capturing while it is open,
// and it follows every change of the table and every reading.
class CurveWindow : public QWidget {
    Q_OBJECT
public:
    using SheetSource = std::function<CurveSheet()>;
    // The certificate of the calibration recorded with the sheet's curve, if there is one; asked
    // at each export, so the report becomes the certificate once the calibration is recorded.
    using CertificateSource =
        std::function<std::optional<certificate::CertificateData>(const CurveSheet&)>;

    CurveWindow(SheetSource source, const text::LanguageTable& texts,
                text::MessageService& messages, QWidget* parent = nullptr,
                CertificateSource certificate = {});

    // Takes the sheet anew and shows it.
    void refresh();
    [[nodiscard]] const CurveSheet& sheet() const { return sheet_; }
    [[nodiscard]] ReportExport& reportExport() { return export_; }

    CurvePlot* const plot;
    QTableWidget* const tblPoints;
    QLabel* const lblFigures;
    QLabel* const lblWarnings;
    QPushButton* const cmdPdf;
    QPushButton* const cmdCsv;

private:
    void showTable();
    void showFigures();
    void exportReport(bool pdf);

    SheetSource source_;
    CertificateSource certificate_;
    const text::LanguageTable& texts_;
    ReportExport export_;
    CurveSheet sheet_;
    // The table's texts as last shown: a reading alone leaves the table as it is.
    QStringList shownRows_;
};

// The F6 action on the curve page and in its list's context menu, which opens the curve window
// (made at the first use); the window follows the curve editor and the live signal.
void addCurveWindow(QWidget& mainWindow, const app::WindowParts& parts, session::Session& session,
                    device::LiveSignal& liveSignal, CurveEditor& editor,
                    const text::LanguageTable& texts,
                    CurveWindow::CertificateSource certificate = {});

} // namespace calibration
