#pragma once

#include "views/calibration/CurveReport.h"

#include <QDate>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace text {
class LanguageTable;
class MessageService;
} // namespace text

namespace calibration {

// What an export asks the operator; the window's dialogs, scripted in tests.
struct ExportQuestions {
    // The operator and the reference standard; none when cancelled.
    std::function<std::optional<ReportSigner>()> signer;
    // The file to write, starting from `proposed`; empty when cancelled.
    std::function<QString(const QString& proposed, bool pdf)> path;
};

// The export dialog (operator and reference) and the file dialog, over `parent`.
[[nodiscard]] ExportQuestions exportDialogs(QWidget& parent, const text::LanguageTable& texts);

// The curve window's exports. The operator and the reference are asked once per calibration
// (until another sensor is read), never for a recorded calibration's certificate, which holds
// them; the folder of the last file is offered next; both live in memory only. A written file
// is named in a note, one that cannot be written in an error.
class ReportExport {
public:
    ReportExport(const text::LanguageTable& texts, text::MessageService& messages,
                 ExportQuestions questions);

    void exportReport(const CurveSheet& sheet, bool pdf);
    // The file offered: the documents folder (the home folder while there is none), then the
    // last folder used; the name holds the sensor's identifier and the date.
    [[nodiscard]] QString proposedPath(const CurveSheet& sheet, bool pdf, QDate today) const;

private:
    const text::LanguageTable& texts_;
    text::MessageService& messages_;
    ExportQuestions questions_;
    std::optional<ReportSigner> signer_;
    QString signedSensor_;
    QString folder_;
};

} // namespace calibration
