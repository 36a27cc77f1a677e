#include "views/records/HistoryWindow.h"

#include "core/records/CalibrationRecorder.h"
#include "core/records/CertificateOf.h"
#include "core/records/Drift.h"
#include "core/records/RecordStore.h"
#include "core/records/Rules.h"
#include "core/session/StartUp.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "views/common/Controls.h"
#include "views/records/HistoryPlot.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <memory>

namespace app {

namespace {

constexpr int NotUploadedText = 472;
constexpr int TitleText = 510;
constexpr int SensorText = 511;
constexpr int DateText = 512;
constexpr int CertificateText = 513;
constexpr int OperatorText = 514;
constexpr int StandardText = 515;
constexpr int AsFoundText = 516;
constexpr int AsLeftText = 517;
constexpr int DueText = 518;
constexpr int MarksText = 519;
constexpr int CorrectedText = 520;
constexpr int WithdrawnText = 521;
constexpr int PassText = 522;
constexpr int FailText = 523;
constexpr int NotCheckedText = 524;
constexpr int PointsTabText = 525;
constexpr int FiguresTabText = 526;
constexpr int ChecksTabText = 527;
constexpr int CompareTabText = 528;
constexpr int CompareText = 529;
constexpr int PdfText = 530;
constexpr int AsFoundCheckText = 531;
constexpr int AsLeftCheckText = 532;
constexpr int CheckLineText = 533;
constexpr int ToleranceText = 534;
constexpr int DriftText = 535;
constexpr int TooFewText = 536;
constexpr int RestoreKindText = 537;
constexpr int BackupKindText = 538;
constexpr int NotWrittenText = 227;
constexpr int WrittenText = 343;

constexpr int UuidRole = Qt::UserRole;

QString timeText(const QDateTime& when) {
    return when.toLocalTime().toString(QStringLiteral("d.M.yyyy HH:mm"));
}

QString dateText(QDate day) {
    return day.isValid() ? day.toString(QStringLiteral("d.M.yyyy")) : QString();
}

QString signedNumber(double value) {
    const QString text = calibration::fixedNumber(value, 3);
    return text.startsWith(u'-') || text == calibration::fixedNumber(0.0, 3) ? text : u'+' + text;
}

// The number pattern of a display whose last digit is `digit`: "###0.00" for 0.01.
QString formatOfDigit(double digit) {
    const int decimals =
        digit > 0.0 && digit < 1.0 ? static_cast<int>(std::lround(-std::log10(digit))) : 0;
    return decimals > 0 ? QStringLiteral("###0.") + QString(decimals, u'0')
                        : QStringLiteral("####0");
}

} // namespace

calibration::CurveSheet sheetOfRecord(const records::CalibrationRecord& record,
                                      const records::RecordKeeper& store) {
    calibration::CurveSheet sheet;
    for (const records::CapturedPoint& p : record.points)
        if (!sheet.table.append(static_cast<float>(p.signal), static_cast<float>(p.etalon)))
            break;
    sheet.scale.fullScale = record.fullScale;
    sheet.scale.fullScaleNeg = record.fullScaleNeg;
    // The block as written holds the number format and the gain.
    const std::optional<records::Snapshot> asLeft =
        record.asLeftSnapshot.isEmpty() ? std::nullopt : store.snapshot(record.asLeftSnapshot);
    if (const backup::SensorBackup* block =
            asLeft ? asLeft->content.sensor(record.block) : nullptr) {
        sheet.scale.unitFormat = block->decoded.UnitFormat.text().trimmed();
        const QStringList gains = session::GainEntries();
        if (block->decoded.GainIndex >= 0 && block->decoded.GainIndex < gains.size()) {
            sheet.gainEntry = gains.at(block->decoded.GainIndex);
            sheet.scale.gainRange = session::gainRangeLimit(sheet.gainEntry);
        }
    }
    const QJsonObject figures = QJsonDocument::fromJson(record.figuresJson.toUtf8()).object();
    if (sheet.scale.unitFormat.isEmpty())
        sheet.scale.unitFormat = formatOfDigit(figures["digit"].toDouble(1.0));
    sheet.formatEntry = QString(sheet.scale.unitFormat).replace(u'#', u'9').replace(u'0', u'9');
    sheet.unit = record.unit;
    sheet.description = record.description;
    sheet.sensorId = record.sensorId;
    sheet.instrument = record.identification;
    sheet.figures = calibration::computeCurveFigures(sheet.table, sheet.scale);
    // What the curve window showed when it was written: the readings behind each point and the
    // repeated series.
    for (const records::CapturedPoint& p : record.points)
        if (p.readings && p.deviation)
            sheet.captures.note(static_cast<float>(p.signal),
                                {p.signal, *p.readings, *p.deviation});
    calibration::setSeries(sheet, records::seriesReadingsOf(figures.value("series").toObject()));
    if (record.kind == records::RecordKind::Calibration)
        sheet.certificate = records::certificateOf(record, store);
    return sheet;
}

HistoryWindow::HistoryWindow(records::RecordKeeper& store, const text::LanguageTable& texts,
                             text::MessageService& messages, const QString& sensorId,
                             calibration::ExportQuestions questions, QWidget* parent)
    : QDialog(parent), cmbSensor(ui::makeControl<QComboBox>(this, QStringLiteral("cmbSensor"))),
      lstRecords(ui::makeControl<QTreeWidget>(this, QStringLiteral("lstRecords"))),
      tabs(ui::makeControl<QTabWidget>(this, QStringLiteral("tabRecord"))),
      lstPoints(ui::makeControl<QTreeWidget>(this, QStringLiteral("lstPoints"))),
      txtFigures(ui::makeControl<QPlainTextEdit>(this, QStringLiteral("txtFigures"))),
      txtChecks(ui::makeControl<QPlainTextEdit>(this, QStringLiteral("txtChecks"))),
      plot(new HistoryPlot(texts, this)),
      lblDrift(ui::makeControl<QLabel>(this, QStringLiteral("lblDrift"))),
      cmdCompare(ui::makeControl<QPushButton>(this, QStringLiteral("cmdCompare"))),
      cmdPdf(ui::makeControl<QPushButton>(this, QStringLiteral("cmdPdf"))), store_(store),
      texts_(texts), messages_(messages), questions_(std::move(questions)) {
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(texts.text(TitleText));
    plot->setObjectName(QStringLiteral("pltHistory"));
    lstRecords->setRootIsDecorated(false);
    lstRecords->setAllColumnsShowFocus(true);
    lstRecords->setHeaderLabels({texts.text(DateText), texts.text(CertificateText),
                                 texts.text(OperatorText), texts.text(StandardText),
                                 texts.text(AsFoundText), texts.text(AsLeftText),
                                 texts.text(DueText), texts.text(MarksText)});
    lstPoints->setRootIsDecorated(false);
    lstPoints->header()->setStretchLastSection(false);
    for (QPlainTextEdit* text : {txtFigures, txtChecks}) {
        text->setReadOnly(true);
        text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    }
    lblDrift->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* comparison = new QWidget(this);
    auto* compareLayout = new QVBoxLayout(comparison);
    compareLayout->addWidget(plot, 1);
    compareLayout->addWidget(lblDrift);
    tabs->addTab(lstPoints, texts.text(PointsTabText));
    tabs->addTab(txtFigures, texts.text(FiguresTabText));
    tabs->addTab(txtChecks, texts.text(ChecksTabText));
    tabs->addTab(comparison, texts.text(CompareTabText));
    cmdCompare->setText(texts.text(CompareText));
    cmdPdf->setText(texts.text(PdfText));
    cmdPdf->setEnabled(false);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(texts.text(SensorText), this));
    top->addWidget(cmbSensor, 1);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(lstRecords);
    splitter->addWidget(tabs);
    splitter->setSizes({150, 450});
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(cmdCompare, QDialogButtonBox::ActionRole);
    buttons->addButton(cmdPdf, QDialogButtonBox::ActionRole);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(splitter, 1);
    layout->addWidget(buttons);
    resize(900, 680);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cmdCompare, &QPushButton::clicked, this, &HistoryWindow::compareTicked);
    connect(cmdPdf, &QPushButton::clicked, this, &HistoryWindow::printReport);
    connect(lstRecords, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        openRow(item ? lstRecords->indexOfTopLevelItem(item) : -1);
    });
    QStringList ids = store_.sensorIds();
    if (!sensorId.isEmpty() && !ids.contains(sensorId))
        ids.prepend(sensorId);
    cmbSensor->addItems(ids);
    connect(cmbSensor, &QComboBox::currentTextChanged, this, &HistoryWindow::showSensor);
    if (!sensorId.isEmpty())
        cmbSensor->setCurrentText(sensorId);
    showSensor(cmbSensor->currentText());
}

QString HistoryWindow::verdictText(records::Verdict verdict) const {
    switch (verdict) {
    case records::Verdict::Pass:
        return texts_.text(PassText);
    case records::Verdict::Fail:
        return texts_.text(FailText);
    case records::Verdict::NotChecked:
        break;
    }
    return texts_.text(NotCheckedText);
}

void HistoryWindow::showSensor(const QString& sensorId) {
    if (cmbSensor->currentText() != sensorId)
        cmbSensor->setCurrentText(sensorId);
    lstRecords->clear();
    for (const records::HistoryEntry& entry : store_.history(sensorId)) {
        QString number =
            entry.certificate.isEmpty() ? texts_.text(NotUploadedText) : entry.certificate;
        if (entry.kind == records::RecordKind::Restore)
            number = texts_.text(RestoreKindText);
        else if (entry.kind == records::RecordKind::Backup)
            number = texts_.text(BackupKindText);
        QStringList marks;
        if (entry.corrected)
            marks << texts_.text(CorrectedText);
        if (entry.withdrawn)
            marks << texts_.text(WithdrawnText);
        auto* row = new QTreeWidgetItem(
            lstRecords, {timeText(entry.ended), number, entry.operatorName, entry.standardName,
                         verdictText(entry.asFoundVerdict), verdictText(entry.asLeftVerdict),
                         dateText(entry.dueOn), marks.join(QStringLiteral(", "))});
        row->setData(0, UuidRole, entry.uuid);
        row->setCheckState(0, Qt::Unchecked);
        if (entry.withdrawn)
            for (int column = 0; column < row->columnCount(); ++column)
                row->setForeground(column, Qt::gray);
    }
    for (int column = 0; column < lstRecords->columnCount(); ++column)
        lstRecords->resizeColumnToContents(column);
    plot->setCurves({});
    lblDrift->clear();
    // The newest opens (through the list's current item).
    if (lstRecords->topLevelItemCount() > 0)
        lstRecords->setCurrentItem(lstRecords->topLevelItem(0));
    else
        openRow(-1);
}

void HistoryWindow::openRow(int row) {
    QTreeWidgetItem* item = row >= 0 ? lstRecords->topLevelItem(row) : nullptr;
    open_ = item ? store_.calibration(item->data(0, UuidRole).toString()) : std::nullopt;
    if (open_)
        open_ = records::corrected(*open_);
    lstPoints->clear();
    txtFigures->clear();
    txtChecks->clear();
    cmdPdf->setEnabled(open_ && open_->kind == records::RecordKind::Calibration &&
                       !open_->points.empty());
    if (!open_)
        return;
    const calibration::CurveSheet sheet = sheetOfRecord(*open_, store_);
    lstPoints->setHeaderLabels(
        calibration::unitsOnSecondLine(calibration::pointHeaders(sheet, texts_)));
    for (const QStringList& cells : calibration::pointRows(sheet)) {
        auto* line = new QTreeWidgetItem(lstPoints, cells);
        for (int column = 0; column < line->columnCount(); ++column)
            line->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (int column = 0; column < lstPoints->columnCount(); ++column)
        lstPoints->resizeColumnToContents(column);
    QStringList figures = calibration::figureLines(sheet, texts_);
    figures << QString() << calibration::warningLines(sheet, texts_);
    txtFigures->setPlainText(figures.join(u'\n').trimmed());
    txtChecks->setPlainText(checksText(*open_));
}

QString HistoryWindow::checksText(const records::CalibrationRecord& record) const {
    const double fullScale = records::fullScaleOf(record.fullScale, record.fullScaleNeg);
    const int decimals = calibration::decimalsOf(sheetOfRecord(record, store_).scale.unitFormat);
    QStringList lines{
        texts_.text(ToleranceText).arg(calibration::fixedNumber(record.tolerancePercent, 3))};
    const auto phase = [&](int title, const std::vector<records::CheckPoint>& points,
                           records::Verdict verdict) {
        lines << QString() << texts_.text(title).arg(verdictText(verdict));
        for (const records::CheckPoint& p : points) {
            const double percent = fullScale > 0.0 ? p.error() / fullScale * 100.0 : 0.0;
            const bool within =
                records::withinTolerance(p.error(), fullScale, record.tolerancePercent);
            lines << texts_.text(CheckLineText)
                             .arg(calibration::fixedNumber(p.etalon, decimals), record.unit,
                                  calibration::fixedNumber(p.displayed, decimals),
                                  calibration::fixedNumber(p.error(), decimals),
                                  calibration::fixedNumber(percent, 3)) +
                         QStringLiteral("  ") + texts_.text(within ? PassText : FailText);
        }
    };
    phase(AsFoundCheckText, record.asFound, record.asFoundVerdict);
    phase(AsLeftCheckText, record.asLeft, record.asLeftVerdict);
    return lines.join(u'\n');
}

QString HistoryWindow::curveName(const records::CalibrationRecord& record) const {
    return record.certificate + QStringLiteral("  ") + timeText(record.ended);
}

void HistoryWindow::compareTicked() {
    std::vector<records::CalibrationRecord> chosen;
    for (int row = 0; row < lstRecords->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = lstRecords->topLevelItem(row);
        if (item->checkState(0) != Qt::Checked)
            continue;
        if (auto record = store_.calibration(item->data(0, UuidRole).toString());
            record && record->points.size() >= 2)
            chosen.push_back(std::move(*record));
    }
    if (chosen.size() < 2) {
        plot->setCurves({});
        lblDrift->clear();
        messages_.inform(texts_.text(TooFewText), text::MsgIcon::Information);
        return;
    }
    std::stable_sort(chosen.begin(), chosen.end(),
                     [](const auto& a, const auto& b) { return a.ended < b.ended; });
    std::vector<HistoryPlot::Curve> curves;
    QStringList drifts;
    for (const records::CalibrationRecord& record : chosen) {
        curves.push_back({curveName(record), sheetOfRecord(record, store_)});
        if (&record == &chosen.front())
            continue;
        if (const auto drift = records::driftBetween(chosen.front(), record))
            drifts << texts_.text(DriftText).arg(record.certificate, chosen.front().certificate,
                                                 signedNumber(drift->sensitivityPercent),
                                                 signedNumber(drift->zeroPercent));
    }
    plot->setCurves(std::move(curves));
    lblDrift->setText(drifts.join(u'\n'));
    tabs->setCurrentIndex(tabs->count() - 1);
}

void HistoryWindow::printReport() {
    if (!open_ || !questions_.path)
        return;
    const calibration::CurveSheet sheet = sheetOfRecord(*open_, store_);
    const QDateTime when = open_->ended.toLocalTime();
    calibration::ReportExport naming(texts_, messages_, questions_);
    const QString path = questions_.path(naming.proposedPath(sheet, true, when.date()), true);
    if (path.isEmpty())
        return;
    // The certificate holds the operator and the reference standard as recorded.
    if (calibration::writePdfReport(path, sheet, {}, when, texts_))
        messages_.inform(texts_.text(WrittenText).arg(QDir::toNativeSeparators(path)),
                         text::MsgIcon::Information);
    else
        messages_.inform(texts_.text(NotWrittenText).arg(path), text::MsgIcon::Critical);
}

QAction* addHistoryWindow(QWidget& mainWindow, records::RecordKeeper& store,
                          const text::LanguageTable& texts, text::MessageService& messages,
                          std::function<QString()> currentSensor) {
    QAction* open = ui::makeAction(mainWindow, QStringLiteral("historyAction"),
                                   QKeySequence(Qt::Key_F3), texts.text(TitleText));
    auto window = std::make_shared<QPointer<HistoryWindow>>();
    QObject::connect(open, &QAction::triggered, &mainWindow,
                     [&mainWindow, &store, &texts, &messages, currentSensor, window] {
                         const QString sensor = currentSensor ? currentSensor() : QString();
                         if (window->isNull())
                             *window = new HistoryWindow(
                                 store, texts, messages, sensor,
                                 calibration::exportDialogs(mainWindow, texts), &mainWindow);
                         else if (!sensor.isEmpty())
                             (*window)->showSensor(sensor);
                         (*window)->show();
                         (*window)->raise();
                         (*window)->activateWindow();
                     });
    // The main window has no menu bar: its context menu offers the window, and the other
    // windows offered there.
    ui::offerInContextMenu(*open);
    mainWindow.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&mainWindow, &QWidget::customContextMenuRequested, &mainWindow,
                     [&mainWindow](const QPoint& at) {
                         QMenu menu(&mainWindow);
                         menu.addActions(ui::contextMenuActions(mainWindow));
                         menu.exec(mainWindow.mapToGlobal(at));
                     });
    return open;
}

} // namespace app
