#include "views/calibration/CurveWindow.h"

#include "core/instrument/LiveSignal.h"
#include "core/session/Session.h"
#include "core/text/LanguageTable.h"
#include "views/calibration/CreepDialog.h"
#include "views/calibration/CurveEditor.h"
#include "views/calibration/CurvePage.h"
#include "views/calibration/CurvePlot.h"
#include "views/calibration/CurveReport.h"
#include "views/calibration/DeviationPlot.h"
#include "views/common/ActionGuard.h"
#include "views/common/Controls.h"
#include "views/common/WindowParts.h"
#include "views/common/WindowPlacement.h"
#include "views/sensor/SensorPage.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace calibration {

namespace {

constexpr int TitleText = 180;
constexpr int OpenText = 181;
constexpr int NoWarningText = 193;
constexpr int PdfText = 206;
constexpr int CsvText = 207;
constexpr int CreepText = 585;
constexpr int WholeText = 597;
// Narrower than this, the plot and the table get too cramped to read beside the calibrator.
constexpr int MinimumWidthChars = 60;

} // namespace

CurveWindow::CurveWindow(SheetSource source, const text::LanguageTable& texts,
                         text::MessageService& messages, QWidget* parent,
                         CertificateSource certificate, ToleranceSource tolerance)
    : QWidget(parent, Qt::Window), plot(new CurvePlot(texts, this)),
      deviation(new DeviationPlot(texts, this)),
      tblPoints(ui::makeControl<QTableWidget>(this, QStringLiteral("tblPoints"))),
      lblFigures(ui::makeControl<QLabel>(this, QStringLiteral("lblFigures"))),
      lblWarnings(ui::makeControl<QLabel>(this, QStringLiteral("lblWarnings"))),
      cmdWhole(ui::makeControl<QPushButton>(this, QStringLiteral("cmdWhole"))),
      cmdCreep(ui::makeControl<QPushButton>(this, QStringLiteral("cmdCreep"))),
      cmdPdf(ui::makeControl<QPushButton>(this, QStringLiteral("cmdPdf"))),
      cmdCsv(ui::makeControl<QPushButton>(this, QStringLiteral("cmdCsv"))),
      source_(std::move(source)), certificate_(std::move(certificate)),
      tolerance_(std::move(tolerance)), texts_(texts),
      export_(texts, messages, exportDialogs(*this, texts)) {
    setObjectName(QStringLiteral("frmCurve"));
    plot->setObjectName(QStringLiteral("picCurve"));
    deviation->setObjectName(QStringLiteral("picDeviation"));
    deviation->alignWith(*plot);
    setWindowTitle(texts.text(TitleText));
    tblPoints->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblPoints->setSelectionMode(QAbstractItemView::NoSelection);
    tblPoints->setFocusPolicy(Qt::NoFocus);
    tblPoints->verticalHeader()->hide();
    tblPoints->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    lblFigures->setWordWrap(true);
    lblWarnings->setWordWrap(true);
    cmdPdf->setText(texts.text(PdfText));
    cmdCsv->setText(texts.text(CsvText));
    cmdWhole->setText(texts.text(WholeText));
    cmdWhole->setCheckable(true);
    cmdCreep->setText(texts.text(CreepText));
    connect(cmdWhole, &QPushButton::toggled, this, [this] {
        plot->setExtent(extent());
        deviation->setExtent(extent());
    });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this), &QShortcut::activated,
            cmdWhole, &QPushButton::toggle);
    connect(cmdPdf, &QPushButton::clicked, this, [this] { exportReport(true); });
    connect(cmdCsv, &QPushButton::clicked, this, [this] { exportReport(false); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdWhole);
    buttons->addWidget(cmdCreep);
    buttons->addStretch();
    buttons->addWidget(cmdPdf);
    buttons->addWidget(cmdCsv);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(plot, 3);
    layout->addWidget(deviation, 1);
    layout->addWidget(tblPoints);
    layout->addWidget(lblFigures);
    layout->addWidget(lblWarnings);
    layout->addLayout(buttons);
    // Room for the plot and ten rows, but never more than the screen: at a large scaling its
    // buttons would be out of reach.
    const QFontMetrics metrics = fontMetrics();
    QSize preferred(metrics.averageCharWidth() * 125, metrics.height() * 50);
    if (const QScreen* shown = screen())
        preferred = preferred.boundedTo(shown->availableGeometry().size() * 0.9);
    resize(preferred);
    refresh();
}

void CurveWindow::refresh() {
    sheet_ = source_();
    if (tolerance_) {
        if (!toleranceOf_ || toleranceOf_->first != sheet_.sensorId)
            toleranceOf_ = {sheet_.sensorId, tolerance_(sheet_.sensorId)};
        sheet_.tolerancePercent = toleranceOf_->second;
    }
    sheet_.creep = creep_;
    plot->setSheet(sheet_);
    deviation->setSheet(sheet_);
    showTable();
    showFigures();
}

void CurveWindow::setCreep(const CreepResult& creep) {
    creep_ = creep;
    refresh();
}

PlotExtent CurveWindow::extent() const {
    return cmdWhole->isChecked() ? PlotExtent::WholeGain : PlotExtent::Fitted;
}

void CurveWindow::showEvent(QShowEvent* event) {
    toleranceOf_.reset();
    QWidget::showEvent(event);
}

void CurveWindow::exportReport(bool pdf) {
    CurveSheet sheet = sheet_;
    if (certificate_)
        sheet.certificate = certificate_(sheet);
    export_.exportReport(sheet, pdf);
}

void CurveWindow::showTable() {
    QStringList headers = pointHeaders(sheet_, texts_);
    QList<QStringList> rows = pointRows(sheet_);
    appendCaptureColumns(headers, rows, sheet_, texts_);
    appendSeriesColumns(headers, rows, sheet_, texts_);
    QStringList shown = headers;
    for (const QStringList& row : rows)
        shown += row;
    if (shown == shownRows_)
        return;
    shownRows_ = shown;
    tblPoints->clear();
    tblPoints->setColumnCount(static_cast<int>(headers.size()));
    tblPoints->setHorizontalHeaderLabels(unitsOnSecondLine(headers));
    tblPoints->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(rows[r][c]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            tblPoints->setItem(r, c, item);
        }
    // As tall as its rows, up to ten of them; the plot takes the rest.
    const int shownRows = std::clamp(static_cast<int>(rows.size()), 1, 10);
    tblPoints->setFixedHeight(tblPoints->horizontalHeader()->sizeHint().height() +
                              shownRows * tblPoints->verticalHeader()->defaultSectionSize() +
                              2 * tblPoints->frameWidth());
}

void CurveWindow::showFigures() {
    lblFigures->setText(figureLines(sheet_, texts_).join(u'\n'));
    const QStringList warnings = warningLines(sheet_, texts_);
    lblWarnings->setText(warnings.isEmpty() ? texts_.text(NoWarningText) : warnings.join(u'\n'));
    ui::setTextColour(*lblWarnings, warnings.isEmpty() ? QColor(0, 110, 0) : QColor(170, 0, 0));
}

void addCurveWindow(QWidget& mainWindow, const app::WindowParts& parts, CurveWindowParts curve) {
    QListWidget* list = parts.fraCURVE.lstKrivka;
    QAction* open = ui::makeAction(*list, QStringLiteral("mKrivkaGraf"), QKeySequence(Qt::Key_F6),
                                   curve.texts.text(OpenText));

    const sensor::SensorPage& page = parts.fraSNIMAC;
    auto window = std::make_shared<QPointer<CurveWindow>>();
    QObject::connect(open, &QAction::triggered, &mainWindow, [&mainWindow, &page, window, curve] {
        if (window->isNull()) {
            session::Session& session = curve.session;
            const text::LanguageTable& texts = curve.texts;
            *window = new CurveWindow(
                [&session, &page, &texts] { return curveSheet(session, page, texts); }, texts,
                session.outlets().messages, &mainWindow, curve.certificate, curve.tolerance);
            CurveWindow& shown = **window;
            ui::opensModalWindow(*shown.cmdPdf);
            ui::opensModalWindow(*shown.cmdCsv);
            auto* creep = new CreepDialog(
                {session, curve.liveSignal, curve.clock, texts, curve.settings}, &shown);
            QObject::connect(shown.cmdCreep, &QPushButton::clicked, creep, [creep] {
                creep->show();
                creep->raise();
                creep->activateWindow();
            });
            QObject::connect(creep, &CreepDialog::measured, &shown, &CurveWindow::setCreep);
            // Beside the calibrator, so capturing goes on in sight of the plot.
            ui::placeBeside(shown, mainWindow.frameGeometry(),
                            shown.fontMetrics().averageCharWidth() * MinimumWidthChars);
        }
        (*window)->refresh();
        (*window)->show();
        (*window)->raise();
        (*window)->activateWindow();
    });
    const auto follow = [window] {
        if (!window->isNull() && (*window)->isVisible())
            (*window)->refresh();
    };
    QObject::connect(&curve.editor, &CurveEditor::curveListFilled, &mainWindow, follow);
    QObject::connect(&curve.liveSignal, &device::LiveSignal::updated, &mainWindow, follow);
    for (QLineEdit* box : {page.txtRozsah, page.txtRozsahNeg, page.txtJednotka, page.txtPopis})
        QObject::connect(box, &QLineEdit::textChanged, &mainWindow, follow);
    for (QComboBox* list : {page.cmbFormat, page.cmbGain})
        QObject::connect(list, &QComboBox::currentIndexChanged, &mainWindow, follow);
}

} // namespace calibration
