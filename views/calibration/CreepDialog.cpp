#include "views/calibration/CreepDialog.h"

#include "core/instrument/Clock.h"
#include "core/instrument/LiveSignal.h"
#include "core/session/Session.h"
#include "core/session/StartUp.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "views/calibration/CurveSheet.h"
#include "views/common/Controls.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <cmath>

namespace calibration {

namespace {

constexpr int TitleText = 586;
constexpr int DurationText = 587;
constexpr int StartText = 588;
constexpr int LeftText = 589;
constexpr int StartReadingText = 590;
constexpr int At30ReadingText = 591;
constexpr int EndReadingText = 592;
constexpr int NotStableText = 594;
constexpr int FellToZeroText = 595;
constexpr int StoppedText = 596;

const QString MinutesKey = QStringLiteral("Creep/minutes");
constexpr double NoGainZero = 0.01; // mV/V, while the sensor names no gain range

QString reading(std::optional<double> signal) {
    return signal ? fixedNumber(*signal, FullSignalDecimals) + QStringLiteral(" mV/V")
                  : QStringLiteral("-");
}

} // namespace

CreepDialog::CreepDialog(Parts parts, QWidget* parent)
    : QDialog(parent), spnMinutes(ui::makeControl<QSpinBox>(this, QStringLiteral("spnMinutes"))),
      cmdStart(ui::makeControl<QPushButton>(this, QStringLiteral("cmdStart"))),
      lblLeft(ui::makeControl<QLabel>(this, QStringLiteral("lblLeft"))),
      lblStart(ui::makeControl<QLabel>(this, QStringLiteral("lblStart"))),
      lblAt30(ui::makeControl<QLabel>(this, QStringLiteral("lblAt30"))),
      lblEnd(ui::makeControl<QLabel>(this, QStringLiteral("lblEnd"))),
      lblResult(ui::makeControl<QLabel>(this, QStringLiteral("lblResult"))),
      buttons(new QDialogButtonBox(QDialogButtonBox::Cancel | QDialogButtonBox::Close, this)),
      parts_(parts) {
    setObjectName(QStringLiteral("frmCreep"));
    setWindowTitle(parts.texts.text(TitleText));
    setModal(false);
    spnMinutes->setRange(static_cast<int>(CreepCheck::ShortestDuration.count()),
                         static_cast<int>(CreepCheck::LongestDuration.count()));
    const int kept = parts.settings.value(MinutesKey).toInt();
    spnMinutes->setValue(kept >= spnMinutes->minimum() && kept <= spnMinutes->maximum()
                             ? kept
                             : static_cast<int>(CreepCheck::DefaultDuration.count()));
    cmdStart->setText(parts.texts.text(StartText));
    lblResult->setWordWrap(true);
    lblResult->setMinimumWidth(fontMetrics().averageCharWidth() * 50);
    auto* form = new QFormLayout(this);
    form->addRow(parts.texts.text(DurationText), spnMinutes);
    form->addRow(QString(), cmdStart);
    form->addRow(QString(), lblLeft);
    form->addRow(parts.texts.text(StartReadingText), lblStart);
    form->addRow(parts.texts.text(At30ReadingText), lblAt30);
    form->addRow(parts.texts.text(EndReadingText), lblEnd);
    form->addRow(lblResult);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &CreepDialog::reject);
    connect(cmdStart, &QPushButton::clicked, this, &CreepDialog::start);
    connect(&parts.liveSignal, &device::LiveSignal::updated, this, &CreepDialog::follow);
    countdown_.setInterval(std::chrono::milliseconds(250));
    connect(&countdown_, &QTimer::timeout, this, &CreepDialog::checkSignal);
    showReadings();
}

bool CreepDialog::running() const {
    return check_ && !stopped_ && check_->state() == CreepCheck::State::Running;
}

double CreepDialog::zeroBelow() const {
    const QStringList gains = session::GainEntries();
    const int gain = parts_.session.sensors().CurrentSensor.GainIndex;
    const double g = gain >= 0 && gain < gains.size() ? session::gainRangeLimit(gains.at(gain)) : 0;
    return g > 0.0 ? g * ZeroShareOfGain : NoGainZero;
}

void CreepDialog::start() {
    if (running())
        return;
    const device::LiveValues& live = parts_.session.live();
    text::MessageService& messages = parts_.session.outlets().messages;
    if (!readingFresh(live, parts_.clock.now())) {
        messages.inform(
            device::staleSignalMessage(parts_.texts, parts_.session.line().portNumber()),
            text::MsgIcon::Critical);
        return;
    }
    if (!live.Stability.stable() || std::fabs(live.SignalMVV) <= zeroBelow()) {
        messages.inform(parts_.texts.text(NotStableText), text::MsgIcon::Exclamation);
        return;
    }
    parts_.settings.setValue(MinutesKey, spnMinutes->value());
    check_.emplace(std::chrono::minutes(spnMinutes->value()), zeroBelow());
    stopped_ = false;
    check_->add(*live.ReadingTime, live.SignalMVV);
    lblResult->clear();
    countdown_.start();
    showReadings();
}

void CreepDialog::follow(const device::SignalUpdate& update) {
    if (!running())
        return;
    const device::LiveValues& live = parts_.session.live();
    if (update.signalLost || !live.ReadingTime) {
        checkSignal();
        return;
    }
    if (update.kind != device::SignalUpdate::Kind::Reading)
        return;
    switch (check_->add(*live.ReadingTime, live.SignalMVV)) {
    case CreepCheck::State::Running:
        showReadings();
        break;
    case CreepCheck::State::Finished:
        countdown_.stop();
        showReadings();
        lblResult->setText(creepLine(*check_->result(), parts_.texts));
        emit measured(*check_->result());
        break;
    case CreepCheck::State::ZeroReading:
        end(parts_.texts.text(FellToZeroText), true);
        break;
    }
}

// A check runs only on the instrument's present readings: a lost line or polling stopped by an
// action ends it.
void CreepDialog::checkSignal() {
    if (!running())
        return;
    if (readingFresh(parts_.session.live(), parts_.clock.now())) {
        showReadings();
        return;
    }
    end(device::staleSignalMessage(parts_.texts, parts_.session.line().portNumber()), true);
}

void CreepDialog::showReadings() {
    const bool active = running();
    buttons->button(QDialogButtonBox::Cancel)->setVisible(active);
    buttons->button(QDialogButtonBox::Close)->setVisible(!active);
    spnMinutes->setEnabled(!active);
    cmdStart->setEnabled(!active);
    const auto left =
        check_ && active ? check_->left(parts_.clock.now()) : std::chrono::milliseconds(0);
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(left).count();
    lblLeft->setText(
        active ? parts_.texts.text(LeftText).arg(QStringLiteral("%1:%2")
                                                     .arg(seconds / 60)
                                                     .arg(seconds % 60, 2, 10, QLatin1Char('0')))
               : QString());
    lblStart->setText(reading(check_ ? check_->start() : std::nullopt));
    lblAt30->setText(reading(check_ ? check_->at30() : std::nullopt));
    lblEnd->setText(reading(check_ ? check_->end() : std::nullopt));
}

void CreepDialog::end(const QString& why, bool tell) {
    stopped_ = true;
    countdown_.stop();
    showReadings();
    lblResult->setText(why);
    if (tell)
        parts_.session.outlets().messages.inform(why, text::MsgIcon::Exclamation);
}

void CreepDialog::reject() {
    if (running()) {
        end(parts_.texts.text(StoppedText), false);
        return;
    }
    QDialog::reject();
}

} // namespace calibration
