#pragma once

#include "core/certificate/CertificateData.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace text {
class LanguageTable;
}

namespace calibration {

// An as-found or as-left check as the certificate prints it: a title, a table (etalon,
// displayed, error in the unit, in % of full scale and in display digits, within tolerance) and
// the verdict. A check that was not made has no rows and says so in its verdict.
struct CertificateCheck {
    QString title;
    QStringList headers;
    QList<QStringList> rows;
    QString verdict;
    certificate::Verdict outcome = certificate::Verdict::NotChecked;
};

// What the certificate of a recorded calibration prints besides the curve: its number, when the
// calibration was made, the operator, the reference standard with its own certificate and due
// date, the conditions, the tolerance and the next due date (each a label and its value; what
// the record does not hold is "not stated"), and both checks.
struct CertificateContent {
    QString title;
    QString signedBy; // the operator, or "not stated"
    std::vector<std::pair<QString, QString>> fields;
    std::vector<CertificateCheck> checks;
};

// Numbers carry the desktop's decimal separator; values in the unit the decimals of the
// display pattern `unitFormat` (such as "###0.00"), whose last digit counts the digits.
[[nodiscard]] CertificateContent certificateContent(const certificate::CertificateData& data,
                                                    QStringView unitFormat,
                                                    const text::LanguageTable& texts);

} // namespace calibration
