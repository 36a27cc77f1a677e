#pragma once

#include "views/CurveSheet.h"

#include <QDateTime>
#include <QString>

class QIODevice;
class QWidget;

namespace text {
class LanguageTable;
class MessageService;
} // namespace text

namespace calibration {

// What the operator types into the export dialog; kept for this report only.
struct ReportSigner {
    QString name;
    QString reference;
};

// The report: the instrument, the sensor, date and time, the operator and the reference, the
// points with their figures, the curve's figures and warnings; the PDF also holds the plot.
// The PDF is one A4 page (more when the points do not fit), the CSV UTF-8 with ";" between
// fields and "." as decimal point.
[[nodiscard]] bool writePdfReport(const QString& path, const CurveSheet& sheet,
                                  const ReportSigner& signer, const QDateTime& when,
                                  const text::LanguageTable& texts);
void writeCsvReport(QIODevice& device, const CurveSheet& sheet, const ReportSigner& signer,
                    const QDateTime& when, const text::LanguageTable& texts);

// The export dialog (name and reference), then the file dialog, then the file; a file that
// cannot be written is reported.
void askAndExportReport(QWidget& parent, const CurveSheet& sheet, const text::LanguageTable& texts,
                        text::MessageService& messages, bool pdf);

} // namespace calibration
