#include "views/calibration/CurveEditor.h"

#include "core/calibration/CurveMarks.h"
#include "core/calibration/CurveTable.h"
#include "core/calibration/StableCapture.h"
#include "core/instrument/LiveSignal.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "core/text/NumberText.h"
#include "views/calibration/CurvePage.h"
#include "views/calibration/PointDialog.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <algorithm>

namespace calibration {

namespace {
constexpr int NoRisingText = 575;
}

CurveEditor::CurveEditor(CurvePage& page, CurveTable& table, frmOrvoCalibInputBox& dialog,
                         text::MessageService& messages, const text::LanguageTable& texts,
                         Sources sources, QObject* parent)
    : QObject(parent), page_(page), table_(table), dialog_(dialog), messages_(messages),
      texts_(texts), sources_(std::move(sources)) {
    connect(page.cmdListAction[0], &QPushButton::clicked, this, &CurveEditor::AddCurvePoint);
    connect(page.cmdListAction[1], &QPushButton::clicked, this, &CurveEditor::DeleteCurvePoint);
    connect(page.cmdListAction[2], &QPushButton::clicked, this, &CurveEditor::ClearCurvePoints);
    connect(page.cmdSCAN, &QPushButton::clicked, this, &CurveEditor::CaptureSignalPoint);
    connect(page.mKrivkaNew, &QAction::triggered, this, &CurveEditor::NewCurve);
    connect(page.mKrivkaBodAdd, &QAction::triggered, this, &CurveEditor::AddCurvePoint);
    connect(page.mKrivkaBodDelete, &QAction::triggered, this, &CurveEditor::DeleteCurvePoint);
    connect(page.lstKrivka, &QListWidget::itemDoubleClicked, this, &CurveEditor::EditCurvePoint);
    // Delete in the list asks as "Smazat bod" does.
    auto* deleteKey = new QShortcut(QKeySequence::Delete, page.lstKrivka);
    deleteKey->setContext(Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, &CurveEditor::DeleteCurvePoint);
    connect(page.lstKrivka, &QListWidget::itemSelectionChanged, this,
            &CurveEditor::updateDeleteButton);
}

int CurveEditor::selectedRow() const {
    const auto selected = page_.lstKrivka->selectedItems();
    return selected.isEmpty() ? -1 : page_.lstKrivka->row(selected.first());
}

void CurveEditor::updateDeleteButton() {
    page_.cmdListAction[1]->setEnabled(selectedRow() >= 0);
}

void CurveEditor::FillCurveList() {
    if (stability_)
        stability_->captures.keepOnly(table_);
    if (series_)
        series_->readings.keepOnly(table_);
    page_.lstKrivka->clear();
    page_.lstKrivka->addItems(table_.CurveListRows(sources_.unitFormat()));
    markRows();
    page_.Label3->setText(QString::number(table_.PointCount()));
    updateDeleteButton();
    page_.cmdListAction[2]->setEnabled(table_.PointCount() > 0);
    emit curveListFilled();
}

void CurveEditor::markRows() {
    CurveScale scale = scale_ ? scale_() : CurveScale{};
    if (scale.unitFormat.isEmpty())
        scale.unitFormat = sources_.unitFormat();
    const std::vector<RowMarks> marks =
        curveRowMarks(table_, scale, texts_, sources_.unitName().trimmed());
    QListWidget& list = *page_.lstKrivka;
    const bool anyMarked = std::any_of(marks.begin(), marks.end(),
                                       [](const RowMarks& row) { return row.kind.has_value(); });
    if (!anyMarked)
        return;
    // Every row gets an icon, a blank one where it is sound, so the columns stay aligned.
    const int side = list.fontMetrics().height();
    list.setIconSize(QSize(side, side));
    QPixmap blank(side, side);
    blank.fill(Qt::transparent);
    for (int row = 0; row < list.count() && row < static_cast<int>(marks.size()); ++row) {
        const RowMarks& mark = marks[static_cast<std::size_t>(row)];
        QListWidgetItem& item = *list.item(row);
        if (!mark.kind) {
            item.setIcon(QIcon(blank));
            continue;
        }
        item.setIcon(list.style()->standardIcon(*mark.kind == RowMarkKind::Duplicate
                                                    ? QStyle::SP_MessageBoxCritical
                                                    : QStyle::SP_MessageBoxWarning));
        item.setToolTip(mark.reasons.join(u'\n'));
    }
}

void CurveEditor::reportDuplicateOf(float signal, float etalon) {
    for (int slot = 1; slot <= table_.PointCount(); ++slot) {
        const CurvePoint& point = table_.point(slot);
        if (point.signal != signal || point.etalon != etalon)
            continue;
        if (const auto duplicate = table_.duplicateOf(slot))
            messages_.inform(DuplicateMessage(*duplicate, texts_), text::MsgIcon::Critical);
        return;
    }
}

void CurveEditor::storeNewPoint() {
    if (!table_.append(dialog_.SIG, dialog_.ETH))
        return;
    table_.SortCurvePoints();
    reportDuplicateOf(dialog_.SIG, dialog_.ETH);
    FillCurveList();
    selectSignal(dialog_.SIG);
}

bool CurveEditor::repeatsLoads() const {
    const std::optional<SeriesStep> step = series_ ? series_->step() : std::nullopt;
    return step && *step != SeriesStep{};
}

void CurveEditor::selectSignal(float signal) {
    const int row = table_.FindSignal(signal) - 1;
    if (row >= 0)
        page_.lstKrivka->setCurrentRow(row);
}

void CurveEditor::storeSeriesReading(const SeriesStep& step, const device::SignalWindow& window) {
    const float etalon = dialog_.ETH;
    if (step.direction == Direction::Falling && !series_->readings.risingMean(etalon)) {
        messages_.inform(texts_.text(NoRisingText)
                             .arg(device::FormatNumber(etalon, sources_.unitFormat()).trimmed(),
                                  sources_.unitName().trimmed()),
                         text::MsgIcon::Exclamation);
        return;
    }
    // A signal typed over the captured one is a reading of its own.
    const device::SignalWindow reading = dialog_.SIG == static_cast<float>(window.mean)
                                             ? window
                                             : device::SignalWindow{dialog_.SIG, 1, 0.0};
    series_->readings.note({step, etalon, reading});
    const std::optional<float> placed = series_->readings.placeInCurve(etalon, table_);
    if (!placed) {
        // A new load finds the table full; the list forgets its reading.
        messages_.inform(texts_.text(67), text::MsgIcon::Critical);
        FillCurveList();
        return;
    }
    // The point keeps its window while it is the mean of this reading alone.
    if (stability_ && step.direction == Direction::Rising &&
        *placed == static_cast<float>(reading.mean))
        stability_->captures.note(*placed, reading);
    reportDuplicateOf(*placed, etalon);
    FillCurveList();
    selectSignal(*placed);
}

void CurveEditor::CaptureSignalPoint() {
    if (captureGate_ && !captureGate_())
        return;
    // A point captured from a silent instrument would pair the last signal read with today's
    // load.
    const std::optional<float> signal = sources_.liveSignal();
    if (!signal) {
        messages_.inform(device::staleSignalMessage(texts_, sources_.port()),
                         text::MsgIcon::Critical);
        return;
    }
    if (!stability_) {
        captureWindow({*signal, 1, 0.0});
        return;
    }
    if (const auto window = stability_->stable())
        captureWindow(*window);
    else if (!table_.isFull())
        stability_->waitForStable();
    else
        messages_.inform(texts_.text(67), text::MsgIcon::Critical);
}

void CurveEditor::captureWindow(const device::SignalWindow& window) {
    // Refused before the operator types an etalon that could not be kept.
    if (table_.isFull()) {
        messages_.inform(texts_.text(67), text::MsgIcon::Critical);
        return;
    }
    const auto signal = static_cast<float>(window.mean);
    const std::optional<SeriesStep> step = series_ ? series_->step() : std::nullopt;
    const QString title = dialog_.windowTitle();
    if (step)
        dialog_.setWindowTitle(title + QStringLiteral(" \u2013 ") + stepText(*step, texts_));
    const bool confirmed = dialog_.ask(signal, 0.0F, sources_.unitFormat(), false);
    dialog_.setWindowTitle(title);
    if (!confirmed)
        return;
    if (step) {
        storeSeriesReading(*step, window);
        return;
    }
    if (stability_ && dialog_.SIG == signal)
        stability_->captures.note(signal, window);
    storeNewPoint();
}

void CurveEditor::AddCurvePoint() {
    if (table_.isFull()) {
        messages_.inform(texts_.text(TableFullText), text::MsgIcon::Critical);
        return;
    }
    if (!dialog_.ask(0.0F, 0.0F, sources_.unitFormat(), true))
        return;
    if (table_.isFull()) {
        messages_.inform(texts_.text(TableFullText), text::MsgIcon::Critical);
        return;
    }
    storeNewPoint();
}

void CurveEditor::EditCurvePoint() {
    const int row = selectedRow();
    if (row < 0 || row >= table_.PointCount())
        return;
    const int slot = row + 1;
    const CurvePoint point = table_.point(slot);
    if (!dialog_.ask(point.signal, point.etalon, sources_.unitFormat(), std::nullopt))
        return;
    table_.setPoint(slot, dialog_.SIG, dialog_.ETH);
    table_.SortCurvePoints();
    reportDuplicateOf(dialog_.SIG, dialog_.ETH);
    FillCurveList();
}

void CurveEditor::DeleteCurvePoint() {
    const int row = selectedRow();
    if (row < 0 || row >= table_.PointCount()) {
        messages_.inform(texts_.text(62), text::MsgIcon::Critical);
        return;
    }
    const int slot = row + 1;
    const QString question =
        texts_.text(63) + u' ' +
        device::FormatNumber(table_.point(slot).etalon, sources_.unitFormat()) + u' ' +
        sources_.unitName() + QStringLiteral(" ?");
    if (!messages_.askYesNo(question, text::MsgIcon::Question))
        return;
    table_.RemoveCurvePoint(slot);
    FillCurveList();
}

void CurveEditor::ClearCurvePoints() {
    if (page_.lstKrivka->count() == 0) {
        messages_.inform(texts_.text(72), text::MsgIcon::Exclamation);
        return;
    }
    if (!messages_.askYesNo(texts_.text(71), text::MsgIcon::Question))
        return;
    table_.clear();
    FillCurveList();
}

void CurveEditor::NewCurve() {
    if (!messages_.askYesNo(texts_.text(NewCurveQuestionText), text::MsgIcon::Exclamation))
        return;
    sources_.startNewCurve();
    table_.clear();
    // The list follows the table at once; an empty table must not keep old rows on screen.
    FillCurveList();
    messages_.inform(texts_.text(NewCurveNoticeText), text::MsgIcon::Information);
}

} // namespace calibration
