#pragma once

#include "views/calibration/CurveSheet.h"

#include <QDateTime>
#include <QString>

class QIODevice;

namespace text {
class LanguageTable;
}

namespace calibration {

// What the operator types into the export dialog.
struct ReportSigner {
    QString name;
    QString reference;
};

// The report: the instrument, the sensor, date and time, the operator and the reference, the
// points with their figures, the curve's figures and warnings; the PDF also holds the plot and
// the deviation plot. Numbers carry the desktop's decimal separator. The PDF is one A4 page
// (more when the points do not fit); the CSV is UTF-8 with ";" between fields, which a spreadsheet
// reads beside a decimal comma as well as a decimal point, and the signals with all their 5
// decimals.
[[nodiscard]] bool writePdfReport(const QString& path, const CurveSheet& sheet,
                                  const ReportSigner& signer, const QDateTime& when,
                                  const text::LanguageTable& texts);
void writeCsvReport(QIODevice& device, const CurveSheet& sheet, const ReportSigner& signer,
                    const QDateTime& when, const text::LanguageTable& texts);

} // namespace calibration
