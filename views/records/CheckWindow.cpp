#include "views/records/CheckWindow.h"

#include "core/instrument/Clock.h"
#include "core/instrument/LiveSignal.h"
#include "core/instrument/SerialLine.h"
#include "core/records/Rules.h"
#include "core/sensor/SensorImage.h"
#include "core/session/Session.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "core/text/NumberText.h"
#include "views/calibration/CurvePage.h"
#include "views/common/Controls.h"
#include "views/common/WindowParts.h"
#include "views/common/WindowPlacement.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

namespace app {

namespace {

constexpr int AsFoundEntryText = 480;
constexpr int AsFoundTitleText = 482;
constexpr int AsLeftTitleText = 483;
constexpr int FirstColumnText = 484; // 484..488: etalon, displayed, error, % FS, digits
constexpr int CaptureText = 489;
constexpr int DeleteText = 490;
constexpr int ToleranceText = 491;
constexpr int PassText = 492;
constexpr int FailText = 493;
constexpr int NotCheckedText = 494;
constexpr int NoEtalonText = 495;
constexpr int BadToleranceText = 497;
constexpr int Columns = 5;

QColor verdictColour(bool good) {
    return good ? QColor(0, 110, 0) : QColor(170, 0, 0);
}

} // namespace

CheckWindow::CheckWindow(records::CheckKind kind, Sources sources, QWidget* parent)
    : QWidget(parent, Qt::Window),
      lblSensor(ui::makeControl<QLabel>(this, QStringLiteral("lblSensor"))),
      txtTolerance(ui::makeControl<QLineEdit>(this, QStringLiteral("txtTolerance"))),
      txtEtalon(ui::makeControl<QLineEdit>(this, QStringLiteral("txtEtalon"))),
      cmdCapture(ui::makeControl<QPushButton>(this, QStringLiteral("cmdCapture"))),
      cmdDelete(ui::makeControl<QPushButton>(this, QStringLiteral("cmdDelete"))),
      tblPoints(ui::makeControl<QTableWidget>(this, QStringLiteral("tblPoints"))),
      lblVerdict(ui::makeControl<QLabel>(this, QStringLiteral("lblVerdict"))), sources_(sources),
      run_(kind, {}, records::DefaultTolerancePercent) {
    const sensor::SensorRecord& sensor = sources_.session.sensors().CurrentSensor;
    sensorId_ = sensor.SensorId.text().trimmed();
    unitFormat_ = sensor.UnitFormat.text();
    run_ = records::CheckRun(
        kind, {sensor.FullScale, sensor.FullScaleNeg, sensor::decimalsOfPattern(unitFormat_)},
        sources_.tolerance.percentFor(sensorId_));
    const text::LanguageTable& texts = sources_.texts;
    setObjectName(kind == records::CheckKind::AsFound ? QStringLiteral("frmAsFoundCheck")
                                                      : QStringLiteral("frmAsLeftCheck"));
    setWindowTitle(
        texts.text(kind == records::CheckKind::AsFound ? AsFoundTitleText : AsLeftTitleText));
    const QString unit = sensor.UnitName.text().trimmed();
    lblSensor->setText(QStringLiteral("%1  %2  %3 … %4 %5")
                           .arg(sensorId_, sensor.Description.text().trimmed(),
                                number(sensor.FullScaleNeg), number(sensor.FullScale), unit));
    txtTolerance->setText(device::GeneralNumber(run_.tolerancePercent(), 6));
    cmdCapture->setText(texts.text(CaptureText));
    cmdDelete->setText(texts.text(DeleteText));
    QStringList headers;
    for (int column = 0; column < Columns; ++column)
        headers.append(texts.text(FirstColumnText + column));
    for (int column : {0, 1, 2})
        headers[column] += QStringLiteral(" [%1]").arg(unit);
    tblPoints->setColumnCount(Columns);
    tblPoints->setHorizontalHeaderLabels(headers);
    tblPoints->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblPoints->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblPoints->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto* form = new QFormLayout;
    form->addRow(lblSensor);
    form->addRow(texts.text(ToleranceText), txtTolerance);
    form->addRow(texts.text(FirstColumnText) + QStringLiteral(" [%1]").arg(unit), txtEtalon);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(cmdCapture);
    layout->addWidget(tblPoints);
    layout->addWidget(cmdDelete);
    layout->addWidget(lblVerdict);

    QAction* captureKey =
        ui::makeAction(*this, QStringLiteral("checkCaptureAction"), QKeySequence(Qt::Key_F5));
    connect(captureKey, &QAction::triggered, this, &CheckWindow::capture);
    connect(cmdCapture, &QPushButton::clicked, this, &CheckWindow::capture);
    connect(txtEtalon, &QLineEdit::returnPressed, this, &CheckWindow::capture);
    connect(cmdDelete, &QPushButton::clicked, this, &CheckWindow::deleteSelected);
    connect(txtTolerance, &QLineEdit::editingFinished, this, &CheckWindow::changeTolerance);
    refresh();
    // Wide enough for every column, and a few rows high.
    int tableWidth = tblPoints->verticalHeader()->sizeHint().width() + 2 * tblPoints->frameWidth() +
                     style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int column = 0; column < Columns; ++column)
        tableWidth += tblPoints->horizontalHeader()->sectionSizeHint(column);
    const QMargins margins = layout->contentsMargins();
    resize(std::max(sizeHint().width(), tableWidth + margins.left() + margins.right()),
           sizeHint().height() + 6 * fontMetrics().height());
}

void CheckWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    sources_.results.finish(run_.kind());
    emit closed();
}

QString CheckWindow::number(double value) const {
    return device::FormatNumber(value, unitFormat_.trimmed());
}

void CheckWindow::capture() {
    text::MessageService& messages = sources_.session.outlets().messages;
    if (txtEtalon->text().trimmed().isEmpty()) {
        messages.inform(sources_.texts.text(NoEtalonText), text::MsgIcon::Exclamation);
        return;
    }
    const double etalon = device::ValDecimal(txtEtalon->text());
    if (run_.capture(etalon, sources_.session.live(), sources_.clock.now(),
                     QDateTime::currentDateTime()) == records::CaptureResult::Stale) {
        messages.inform(
            device::staleSignalMessage(sources_.texts, sources_.session.line().portNumber()),
            text::MsgIcon::Critical);
        return;
    }
    sources_.results.keep(run_);
    refresh();
    txtEtalon->selectAll();
}

void CheckWindow::deleteSelected() {
    const int row = tblPoints->currentRow();
    if (row < 0 || !run_.remove(static_cast<std::size_t>(row)))
        return;
    sources_.results.keep(run_);
    refresh();
}

void CheckWindow::changeTolerance() {
    const double percent = device::ValDecimal(txtTolerance->text());
    if (!(percent > 0.0) || !std::isfinite(percent)) {
        sources_.session.outlets().messages.inform(sources_.texts.text(BadToleranceText),
                                                   text::MsgIcon::Exclamation);
        txtTolerance->setText(device::GeneralNumber(run_.tolerancePercent(), 6));
        return;
    }
    if (percent == run_.tolerancePercent())
        return;
    run_.setTolerancePercent(percent);
    sources_.tolerance.setPercentFor(sensorId_, percent);
    sources_.results.keep(run_);
    refresh();
}

void CheckWindow::refresh() {
    const auto& points = run_.points();
    tblPoints->setRowCount(static_cast<int>(points.size()));
    for (int row = 0; row < tblPoints->rowCount(); ++row) {
        const records::CheckPoint& point = points[static_cast<std::size_t>(row)];
        const records::CheckError error = run_.errorOf(point);
        const QString cells[Columns] = {number(point.etalon), number(point.displayed),
                                        number(error.unit), device::GeneralNumber(error.percent, 4),
                                        device::GeneralNumber(error.digits, 4)};
        for (int column = 0; column < Columns; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (column >= 2)
                item->setForeground(verdictColour(error.within));
            tblPoints->setItem(row, column, item);
        }
    }
    const records::Verdict verdict = run_.verdict();
    const int text = verdict == records::Verdict::NotChecked ? NotCheckedText
                     : verdict == records::Verdict::Pass     ? PassText
                                                             : FailText;
    lblVerdict->setText(sources_.texts.text(text));
    ui::setTextColour(*lblVerdict, verdict == records::Verdict::Fail   ? verdictColour(false)
                                   : verdict == records::Verdict::Pass ? verdictColour(true)
                                                                       : QColor(Qt::black));
}

std::function<void()> addCheckWindows(QWidget& mainWindow, const WindowParts& parts,
                                      CheckWindow::Sources sources) {
    QAction* open = ui::makeAction(*parts.fraCURVE.lstKrivka, QStringLiteral("mKontrolaPred"),
                                   QKeySequence(Qt::Key_F4), sources.texts.text(AsFoundEntryText));
    auto window = std::make_shared<QPointer<CheckWindow>>();
    const auto show = [window](CheckWindow* shown) {
        *window = shown;
        shown->setAttribute(Qt::WA_DeleteOnClose);
        // Beside the calibrator, so the display stays in sight while the loads are applied.
        if (const QWidget* calibrator = shown->parentWidget())
            ui::placeBeside(*shown, calibrator->frameGeometry(), shown->width());
        shown->show();
        shown->raise();
        shown->activateWindow();
    };
    QObject::connect(open, &QAction::triggered, &mainWindow, [&mainWindow, sources, window, show] {
        // The curve page is shown only while the sensor is not yet written: the instrument still
        // shows what it found.
        if (!window->isNull()) {
            (*window)->raise();
            (*window)->activateWindow();
            return;
        }
        show(new CheckWindow(records::CheckKind::AsFound, sources, &mainWindow));
    });
    return [&mainWindow, sources, window, show] {
        if (!window->isNull())
            (*window)->close();
        auto* check = new CheckWindow(records::CheckKind::AsLeft, sources, &mainWindow);
        session::ActionRunner& runner = sources.session.runner();
        QObject::connect(check, &CheckWindow::closed, &runner, &session::ActionRunner::requestEnd);
        runner.startPolling();
        show(check);
    };
}

} // namespace app
