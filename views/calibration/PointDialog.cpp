#include "views/calibration/PointDialog.h"

#include "core/text/DeviceFloat.h"
#include "core/text/LanguageTable.h"
#include "core/text/NumberText.h"
#include "views/common/WindowPlacement.h"

#include <QEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

namespace calibration {

namespace {

constexpr QStringView SignalFormat = u"####0.00000";
constexpr int TitleText = 607;
constexpr int EtalonText = 484;
constexpr int CancelText = 606;

template <typename Control>
std::array<Control*, 2> controlArray(QWidget* parent, const QString& name) {
    std::array<Control*, 2> controls{};
    for (std::size_t i = 0; i < controls.size(); ++i) {
        controls[i] = new Control(parent);
        controls[i]->setObjectName(QStringLiteral("%1_%2").arg(name).arg(i));
    }
    return controls;
}

// A typed number the sensor block can hold as its device float, as the 32-bit value stored.
std::optional<float> storableValue(double value) {
    if (!(std::fabs(value) <= std::numeric_limits<float>::max()))
        return std::nullopt;
    const auto single = static_cast<float>(value);
    if (!device::isDeviceFloatEncodable(single))
        return std::nullopt;
    return single;
}

void centreOnScreen(QWidget& dialog) {
    dialog.adjustSize();
    if (const QScreen* shown = dialog.screen()) {
        QRect frame = dialog.rect();
        frame.moveCenter(shown->availableGeometry().center());
        dialog.move(frame.topLeft());
    }
}

} // namespace

frmOrvoCalibInputBox::frmOrvoCalibInputBox(QWidget* parent)
    : QDialog(parent), lblSigEth(controlArray<QLabel>(this, QStringLiteral("lblSigEth"))),
      txtCalBod(controlArray<QLineEdit>(this, QStringLiteral("txtCalBod"))),
      cmdOK(controlArray<QPushButton>(this, QStringLiteral("cmdOK"))) {
    setObjectName(QStringLiteral("frmOrvoCalibInputBox"));
    setModal(true);

    lblSigEth[0]->setText(QStringLiteral("Signal"));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (QLineEdit* box : txtCalBod) {
        box->setFont(fixed);
        box->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(QString(14, u'0')));
        box->installEventFilter(this);
    }
    cmdOK[0]->setText(QStringLiteral("&OK"));
    cmdOK[0]->setDefault(true);
    connect(cmdOK[0], &QPushButton::clicked, this, &frmOrvoCalibInputBox::accept);
    connect(cmdOK[1], &QPushButton::clicked, this, &frmOrvoCalibInputBox::reject);

    auto* rows = new QGridLayout;
    for (std::size_t i = 0; i < 2; ++i) {
        lblSigEth[i]->setBuddy(txtCalBod[i]);
        rows->addWidget(lblSigEth[i], static_cast<int>(i), 0);
        rows->addWidget(txtCalBod[i], static_cast<int>(i), 1);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK[0]);
    buttons->addWidget(cmdOK[1]);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rows);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    centreOnScreen(*this);
}

void frmOrvoCalibInputBox::applyTexts(const text::LanguageTable& texts) {
    setWindowTitle(texts.text(TitleText));
    lblSigEth[1]->setText(texts.text(EtalonText));
    cmdOK[1]->setText(texts.text(CancelText));
    // Wide enough for the whole title beside the title bar's icon and buttons.
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    if (auto* rows = qobject_cast<QBoxLayout*>(layout()))
        rows->addStrut(fontMetrics().horizontalAdvance(windowTitle()) * 5 / 4 + 4 * titleBar);
    centreOnScreen(*this);
}

bool frmOrvoCalibInputBox::ask() {
    confirmed_ = false;
    placeClear();
    exec();
    return confirmed_;
}

void frmOrvoCalibInputBox::placeClear() {
    const QWidget* main = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    if (main == nullptr || !main->isVisible())
        return;
    if (ui::placeBeside(*this, main->frameGeometry(), width()))
        return;
    if (keepClear_ != nullptr && keepClear_->isVisible())
        ui::placeBeside(*this, QRect(keepClear_->mapToGlobal(QPoint(0, 0)), keepClear_->size()),
                        width());
}

bool frmOrvoCalibInputBox::ask(float signal, float etalon, const QString& etalonFormat,
                               std::optional<bool> signalFocus) {
    SIG = signal;
    ETH = etalon;
    ETHFormat = etalonFormat;
    if (signalFocus)
        SignalFocus = *signalFocus;
    return ask();
}

void frmOrvoCalibInputBox::UPDATE() {
    txtCalBod[0]->setText(device::FormatFixed(SIG, SignalFormat));
    txtCalBod[1]->setText(device::FormatFixed(ETH, ETHFormat));
    selectBox(SignalFocus ? 0 : 1);
}

void frmOrvoCalibInputBox::selectBox(std::size_t index) {
    txtCalBod[index]->setFocus(Qt::OtherFocusReason);
    txtCalBod[index]->selectAll();
}

void frmOrvoCalibInputBox::accept() {
    const std::optional<float> etalon = storableValue(device::ValDecimal(txtCalBod[1]->text()));
    if (!etalon) {
        selectBox(1);
        return;
    }
    const std::optional<float> signal = storableValue(device::ValDecimal(txtCalBod[0]->text()));
    if (!signal) {
        selectBox(0);
        return;
    }
    ETH = *etalon;
    SIG = *signal;
    confirmed_ = true;
    QDialog::accept();
}

void frmOrvoCalibInputBox::reject() {
    ETH = CancelledEtalon;
    confirmed_ = false;
    QDialog::reject();
}

void frmOrvoCalibInputBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window restored from the task bar is shown again spontaneously: keep what was typed.
    if (!event->spontaneous()) {
        confirmed_ = false;
        UPDATE();
    }
}

void frmOrvoCalibInputBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (childAt(event->position().toPoint()) == nullptr) {
        UPDATE();
        event->accept();
        return;
    }
    QDialog::mouseDoubleClickEvent(event);
}

bool frmOrvoCalibInputBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        for (QLineEdit* box : txtCalBod)
            if (watched == box)
                box->selectAll();
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace calibration
