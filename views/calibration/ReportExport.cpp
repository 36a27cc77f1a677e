#include "views/calibration/ReportExport.h"

#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"

#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QSaveFile>
#include <QStandardPaths>

namespace calibration {

namespace {

constexpr int ExportTitleText = 208;
constexpr int NameText = 209;
constexpr int ReferenceInputText = 210;
constexpr int NotWrittenText = 227;
constexpr int PdfFilterText = 228;
constexpr int CsvFilterText = 229;
constexpr int WrittenText = 343;

std::optional<ReportSigner> askSigner(QWidget& parent, const text::LanguageTable& texts) {
    QDialog dialog(&parent);
    dialog.setObjectName(QStringLiteral("frmReportExport"));
    dialog.setWindowTitle(texts.text(ExportTitleText));
    auto* name = new QLineEdit(&dialog);
    name->setObjectName(QStringLiteral("txtOperator"));
    auto* reference = new QLineEdit(&dialog);
    reference->setObjectName(QStringLiteral("txtReference"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QFormLayout(&dialog);
    layout->addRow(texts.text(NameText), name);
    layout->addRow(texts.text(ReferenceInputText), reference);
    layout->addRow(buttons);
    dialog.setMinimumWidth(dialog.fontMetrics().averageCharWidth() * 60);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return ReportSigner{name->text().trimmed(), reference->text().trimmed()};
}

} // namespace

ExportQuestions exportDialogs(QWidget& parent, const text::LanguageTable& texts) {
    return {[&parent, &texts] { return askSigner(parent, texts); },
            [&parent, &texts](const QString& proposed, bool pdf) {
                return QFileDialog::getSaveFileName(
                    &parent, texts.text(ExportTitleText), proposed,
                    texts.text(pdf ? PdfFilterText : CsvFilterText));
            }};
}

ReportExport::ReportExport(const text::LanguageTable& texts, text::MessageService& messages,
                           ExportQuestions questions)
    : texts_(texts), messages_(messages), questions_(std::move(questions)) {}

QString ReportExport::proposedPath(const CurveSheet& sheet, bool pdf, QDate today) const {
    // A documents folder the desktop names but never made would leave the file dialog in the
    // working directory: the home folder is offered instead.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString folder = !folder_.isEmpty()
                               ? folder_
                               : (QFileInfo(documents).isDir() ? documents : QDir::homePath());
    QString name = QStringLiteral("protokol");
    if (!sheet.sensorId.isEmpty())
        name += u'-' + sheet.sensorId;
    name += u'-' + today.toString(Qt::ISODate) +
            (pdf ? QStringLiteral(".pdf") : QStringLiteral(".csv"));
    return QDir(folder).filePath(name);
}

void ReportExport::exportReport(const CurveSheet& sheet, bool pdf) {
    // Another sensor is another calibration, signed anew. A certificate names its operator and
    // reference standard as recorded.
    if (!sheet.certificate && (!signer_ || signedSensor_ != sheet.sensorId)) {
        signer_ = questions_.signer();
        if (!signer_)
            return;
        signedSensor_ = sheet.sensorId;
    }
    const QDateTime now = QDateTime::currentDateTime();
    const QString path = questions_.path(proposedPath(sheet, pdf, now.date()), pdf);
    if (path.isEmpty())
        return;
    folder_ = QFileInfo(path).absolutePath();
    const ReportSigner signer = sheet.certificate ? ReportSigner{} : *signer_;
    bool written = false;
    if (pdf) {
        written = writePdfReport(path, sheet, signer, now, texts_);
    } else {
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            writeCsvReport(file, sheet, signer, now, texts_);
            written = file.commit();
        }
    }
    if (written)
        messages_.inform(texts_.text(WrittenText).arg(QDir::toNativeSeparators(path)),
                         text::MsgIcon::Information);
    else
        messages_.inform(texts_.text(NotWrittenText).arg(path), text::MsgIcon::Critical);
}

} // namespace calibration
