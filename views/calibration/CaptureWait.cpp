#include "views/calibration/CaptureWait.h"

#include "core/calibration/CurveTable.h"
#include "core/instrument/Clock.h"
#include "core/instrument/LiveSignal.h"
#include "core/session/Session.h"
#include "core/session/StartUp.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "views/calibration/CurveEditor.h"
#include "views/calibration/CurvePage.h"
#include "views/common/Controls.h"
#include "views/instrument/StatusPanel.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSettings>
#include <cmath>

namespace calibration {

namespace {

constexpr int CountdownText = 541;
constexpr int TakeUnstableText = 542;
constexpr int StabilityText = 543;
constexpr int BandText = 544;
constexpr int HoldText = 545;
constexpr int AutoCaptureText = 546;

QDoubleSpinBox* spinBox(QWidget& parent, double value, double low, double high, double step) {
    auto* box = new QDoubleSpinBox(&parent);
    box->setDecimals(1);
    box->setRange(low, high);
    box->setSingleStep(step);
    box->setValue(value);
    return box;
}

// The signal span that automatic capture measures its 1 % against: the sensor's gain range.
double signalSpan(const session::Session& session) {
    const QStringList gains = session::GainEntries();
    const int gain = session.sensors().CurrentSensor.GainIndex;
    return gain >= 0 && gain < gains.size() ? session::gainRangeLimit(gains.at(gain)) : 0.0;
}

} // namespace

CaptureWait::CaptureWait(Parts parts, QObject* parent)
    : QObject(parent),
      mStability(ui::makeAction(*parts.page.lstKrivka, QStringLiteral("mStability"), QKeySequence(),
                                parts.texts.text(StabilityText))),
      mAutoCapture(ui::makeAction(*parts.page.lstKrivka, QStringLiteral("mAutoCapture"),
                                  QKeySequence(), parts.texts.text(AutoCaptureText))),
      parts_(parts), setting_(StabilitySetting::load(parts.settings)) {
    mAutoCapture->setCheckable(true);
    mAutoCapture->setChecked(setting_.autoCapture);
    connect(mAutoCapture, &QAction::toggled, this, [this](bool on) {
        StabilitySetting changed = setting_;
        changed.autoCapture = on;
        setSetting(changed);
    });
    connect(mStability, &QAction::triggered, this, &CaptureWait::askSetting);

    parts_.liveSignal.setStabilityRule([this] {
        const session::Session& session = parts_.session;
        return stabilityRule(setting_, session.curve(),
                             session.sensors().CurrentSensor.UnitFormat.text(),
                             session.live().ActiveK);
    });
    parts_.editor.setStability({[this]() { return parts_.session.live().Stability.stable(); },
                                [this] { startWaiting(); }, parts_.session.captures()});
    connect(&parts_.liveSignal, &device::LiveSignal::updated, this, &CaptureWait::follow);
    connect(parts_.status.cmdStatusCancel, &QPushButton::clicked, this, [this] {
        if (waiting())
            stopWaiting();
    });
    // An action that takes the line takes the status panel too.
    connect(&parts_.session.runner(), &session::ActionRunner::busyChanged, this, [this](bool busy) {
        if (busy && waiting())
            stopWaiting();
    });
    countdown_.setInterval(std::chrono::milliseconds(250));
    connect(&countdown_, &QTimer::timeout, this, &CaptureWait::checkDeadline);
}

void CaptureWait::setSetting(const StabilitySetting& setting) {
    setting_ = setting;
    setting_.save(parts_.settings);
    if (mAutoCapture->isChecked() != setting_.autoCapture)
        mAutoCapture->setChecked(setting_.autoCapture);
}

void CaptureWait::startWaiting() {
    if (waiting())
        return;
    since_ = parts_.clock.now();
    parts_.status.showStatus();
    parts_.status.cmdStatusCancel->show();
    parts_.status.cmdStatusCancel->raise();
    showCountdown();
    countdown_.start();
}

void CaptureWait::stopWaiting() {
    since_.reset();
    countdown_.stop();
    parts_.status.cmdStatusCancel->hide();
    parts_.status.hideStatus();
}

void CaptureWait::showCountdown() {
    const auto left = MaxWait - (parts_.clock.now() - *since_);
    const auto seconds =
        static_cast<int>(std::ceil(std::max(0.0, std::chrono::duration<double>(left).count())));
    parts_.status.setStatusText(parts_.texts.text(CountdownText).arg(seconds));
}

void CaptureWait::follow(const device::SignalUpdate& update) {
    const device::LiveValues& live = parts_.session.live();
    if (waiting()) {
        if (update.signalLost) {
            stopWaiting();
            parts_.session.outlets().messages.inform(
                device::staleSignalMessage(parts_.texts, parts_.session.line().portNumber()),
                text::MsgIcon::Critical);
        } else if (const auto stable = live.Stability.stable()) {
            stopWaiting();
            captureLater(*stable);
        } else {
            checkDeadline();
        }
        return;
    }
    // A repeated series comes back to the loads of the curve.
    const CurveTable none;
    const auto fired = trigger_.update(update.stable ? live.Stability.stable() : std::nullopt,
                                       parts_.editor.repeatsLoads() ? none : parts_.session.curve(),
                                       signalSpan(parts_.session));
    if (fired && setting_.autoCapture && parts_.page.isVisible() && !capturing_ &&
        QApplication::activeModalWidget() == nullptr) {
        QApplication::beep();
        captureLater(*fired);
    }
}

void CaptureWait::checkDeadline() {
    if (!waiting())
        return;
    if (parts_.clock.now() - *since_ < MaxWait) {
        showCountdown();
        return;
    }
    stopWaiting();
    const QScopedValueRollback asking(capturing_, true);
    const QString question =
        parts_.texts.text(TakeUnstableText).arg(std::chrono::seconds(MaxWait).count());
    if (!parts_.session.outlets().messages.askYesNo(question, text::MsgIcon::Question))
        return;
    const device::LiveValues& live = parts_.session.live();
    if (!readingFresh(live, parts_.clock.now())) {
        parts_.session.outlets().messages.inform(
            device::staleSignalMessage(parts_.texts, parts_.session.line().portNumber()),
            text::MsgIcon::Critical);
        return;
    }
    parts_.editor.captureWindow({live.SignalMVV, 1, 0.0});
}

void CaptureWait::captureLater(const device::SignalWindow& window) {
    capturing_ = true;
    QMetaObject::invokeMethod(
        this,
        [this, window] {
            parts_.editor.captureWindow(window);
            capturing_ = false;
        },
        Qt::QueuedConnection);
}

void CaptureWait::askSetting() {
    QDialog dialog(parts_.page.window());
    dialog.setWindowTitle(parts_.texts.text(StabilityText).remove(QStringLiteral("...")));
    auto* form = new QFormLayout(&dialog);
    QDoubleSpinBox* band = spinBox(dialog, setting_.bandDigits, StabilitySetting::MinBandDigits,
                                   StabilitySetting::MaxBandDigits, 0.5);
    QDoubleSpinBox* hold = spinBox(dialog, setting_.holdSeconds, StabilitySetting::MinHoldSeconds,
                                   StabilitySetting::MaxHoldSeconds, 0.2);
    form->addRow(parts_.texts.text(BandText), band);
    form->addRow(parts_.texts.text(HoldText), hold);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return;
    StabilitySetting changed = setting_;
    changed.bandDigits = band->value();
    changed.holdSeconds = hold->value();
    setSetting(changed);
}

} // namespace calibration
