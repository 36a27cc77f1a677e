#include "views/instrument/SignalPanels.h"

#include "core/instrument/Measurement.h"
#include "core/text/LanguageTable.h"
#include "views/common/Controls.h"
#include "views/common/Twips.h"

#include <QColor>
#include <QLabel>

namespace device {

namespace {

const QColor IndicatorRed(255, 0, 0);
const QColor IndicatorOrange(255, 128, 0);
const QColor IndicatorYellow(255, 255, 0);
constexpr int SignalLostText = 302;
constexpr int StableText = 540;
const QColor StableGreen(0, 130, 0);

QLabel* makeLamp(QWidget* parent, const QString& name, const QString& caption,
                 const QColor& colour) {
    QLabel* lamp = ui::makeControl<QLabel>(parent, name);
    lamp->setText(caption);
    lamp->setAlignment(Qt::AlignCenter);
    lamp->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QFont font = lamp->font();
    font.setBold(true);
    lamp->setFont(font);
    ui::setLampColour(*lamp, colour);
    return lamp;
}

void enlarge(QLabel& label, double factor, bool bold) {
    QFont font = label.font();
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setBold(bold);
    label.setFont(font);
}

void setShown(QWidget& indicator, bool shown) {
    if (indicator.isHidden() == shown)
        indicator.setVisible(shown);
}

void showSignalLost(SignalDisplayFrame& signal, InstrumentDisplayFrame& instrument, bool lost,
                    const text::LanguageTable& texts) {
    if (signal.lblSignal->isEnabled() != lost)
        return;
    for (QLabel* label :
         {signal.lblSignal, signal.lblIUnit, signal.lblILimHI, signal.lblILimLO, signal.lblIDef,
          signal.lblIBatt, signal.lblIIntExt, instrument.lblSignalDIV, instrument.lblSignalDISP,
          instrument.lblJednotkaDISP, instrument.lblBAT})
        label->setEnabled(!lost);
    signal.setTitle(lost ? texts.text(SignalLostText) : QString());
}

} // namespace

SignalDisplayFrame::SignalDisplayFrame(QWidget* parent, const ui::Twips& twips)
    : QGroupBox(parent), lblSignal(ui::makeControl<QLabel>(this, QStringLiteral("lblSignal"))),
      lblIUnit(ui::makeControl<QLabel>(this, QStringLiteral("lblIUnit"))),
      lblILimHI(makeLamp(this, QStringLiteral("lblILimHI"), QStringLiteral("OL^"), IndicatorRed)),
      lblILimLO(makeLamp(this, QStringLiteral("lblILimLO"), QStringLiteral("OLv"), IndicatorRed)),
      lblIDef(makeLamp(this, QStringLiteral("lblIDef"), QStringLiteral("DEF"), IndicatorOrange)),
      lblIBatt(makeLamp(this, QStringLiteral("lblIBatt"), QStringLiteral("BAT"), IndicatorRed)),
      lblIIntExt(
          makeLamp(this, QStringLiteral("lblIIntExt"), QStringLiteral("INT"), IndicatorYellow)),
      lblStable(ui::makeControl<QLabel>(this, QStringLiteral("lblStable"))) {
    lblSignal->setText(QStringLiteral("-000.000"));
    lblSignal->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    enlarge(*lblSignal, 3.0, true);
    twips.place(*lblSignal, 240, 240, 3480, 780);

    lblIUnit->setText(QStringLiteral("mV/V"));
    lblIUnit->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    enlarge(*lblIUnit, 1.5, false);
    twips.place(*lblIUnit, 3840, 240, 1080, 690);
    // Under the unit, beside the signal it speaks of.
    lblStable->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    enlarge(*lblStable, 1.0, true);
    ui::setTextColour(*lblStable, StableGreen);
    twips.place(*lblStable, 3840, 915, 1080, 270);

    int left = 240;
    for (QLabel* lamp : {lblILimHI, lblILimLO, lblIDef, lblIBatt, lblIIntExt}) {
        twips.place(*lamp, left, 1200, 780, 360);
        lamp->hide();
        left += 945;
    }
}

InstrumentDisplayFrame::InstrumentDisplayFrame(QWidget* parent, const ui::Twips& twips)
    : QGroupBox(parent),
      lblSignalDIV(ui::makeControl<QLabel>(this, QStringLiteral("lblSignalDIV"))),
      lblSignalDISP(ui::makeControl<QLabel>(this, QStringLiteral("lblSignalDISP"))),
      lblJednotkaDISP(ui::makeControl<QLabel>(this, QStringLiteral("lblJednotkaDISP"))),
      lblBAT(ui::makeControl<QLabel>(this, QStringLiteral("lblBAT"))) {
    for (QLabel* display : {lblSignalDISP, lblSignalDIV, lblBAT}) {
        display->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        display->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    enlarge(*lblSignalDISP, 1.75, true);
    twips.place(*lblSignalDISP, 240, 300, 2280, 540);
    lblJednotkaDISP->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    enlarge(*lblJednotkaDISP, 1.25, false);
    twips.place(*lblJednotkaDISP, 2640, 300, 825, 540);
    twips.place(*lblSignalDIV, 240, 960, 2280, 360);
    twips.place(*lblBAT, 2640, 960, 825, 360);
}

void showSignalUpdate(SignalDisplayFrame& signal, InstrumentDisplayFrame& instrument,
                      const SignalUpdate& update, const text::LanguageTable& texts) {
    showSignalLost(signal, instrument, update.signalLost, texts);
    const QString stable = update.stable ? texts.text(StableText) : QString();
    if (signal.lblStable->text() != stable)
        signal.lblStable->setText(stable);
    switch (update.kind) {
    case SignalUpdate::Kind::NoReading:
        signal.lblSignal->setText(update.signalText);
        return;
    case SignalUpdate::Kind::Malformed:
        return;
    case SignalUpdate::Kind::Reading:
        break;
    }
    setShown(*signal.lblILimHI, update.overRange);
    setShown(*signal.lblILimLO, update.underRange);
    // The tooltip follows every reading, so it never lists errors that have gone or misses
    // ones that came while the indicator was already showing.
    if (signal.lblIDef->toolTip() != update.errorList)
        signal.lblIDef->setToolTip(update.errorList);
    setShown(*signal.lblIDef, update.instrumentError);
    setShown(*signal.lblIBatt, update.lowBattery);
    signal.lblSignal->setText(update.signalText);
    instrument.lblSignalDIV->setText(update.divisionsText);
    instrument.lblSignalDISP->setText(update.displayText);
    instrument.lblBAT->setText(update.batteryText);
}

} // namespace device
