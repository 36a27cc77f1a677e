#include "core/instrument/LiveSignal.h"

#include "core/instrument/Clock.h"
#include "core/instrument/Measurement.h"
#include "core/instrument/PortDevices.h"
#include "core/instrument/SerialLine.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"

#include <QScopedValueRollback>

namespace device {

namespace {

constexpr char MeasureFrame[] = "$00M\r";
constexpr int ReadFailedText = 64;
constexpr int ReadFailedAdviceText = 65;
constexpr int StaleSignalText = 301;

} // namespace

QString lostLineMessage(const text::LanguageTable& texts, int port) {
    return onPort(port, texts.text(ReadFailedText) + QStringLiteral("\r\n") +
                            texts.text(ReadFailedAdviceText));
}

QString staleSignalMessage(const text::LanguageTable& texts, int port) {
    return onPort(port, texts.text(StaleSignalText));
}

LiveSignal::LiveSignal(SerialLine& line, text::MessageService& messages,
                       const text::LanguageTable& texts, LiveValues& values, const Clock& clock,
                       UnitFormatSource unitFormat, QObject* parent)
    : QObject(parent), line_(line), messages_(messages), texts_(texts), values_(values),
      clock_(clock), unitFormat_(std::move(unitFormat)) {}

LiveSignal::Tick LiveSignal::tick() {
    if (reporting_)
        return Tick::Skipped;
    if (!line_.isOpen()) {
        // Polling runs only while the instrument is connected. A port closed under it was lost
        // here and reported, or an action found it gone, could not open it again and said so.
        // Either way it is tried again without a word, and the page and its points stay.
        if (!portLost())
            lostPort_ = line_.portNumber();
        values_.ReadingTime.reset();
        if (!reopenLostPort()) {
            showNoSignal();
            return Tick::StillLost;
        }
    }
    // Open again, by this tick or by an action that connected meanwhile.
    lostPort_ = 0;

    const std::optional<QByteArray> reply = line_.readAll();
    if (!reply) {
        reportLoss();
        return Tick::PortLost;
    }
    SignalUpdate update =
        applyMeasurementReply(*reply, values_, unitFormat_ ? unitFormat_() : QString());
    const std::chrono::milliseconds now = clock_.now();
    if (update.kind == SignalUpdate::Kind::Reading) {
        values_.ReadingTime = now;
        if (stabilityRule_)
            values_.Stability.setRule(stabilityRule_());
        values_.Stability.add(values_.SignalMVV);
    } else {
        values_.Stability.restart();
    }
    update.signalLost = signalLost(values_, now);
    update.stable = !update.signalLost && values_.Stability.stable().has_value();
    emit updated(update);
    line_.send(MeasureFrame);
    return Tick::Polled;
}

bool LiveSignal::reopenLostPort() {
    return line_.setPortNumber(lostPort_) && line_.open() == OpenResult::Opened;
}

void LiveSignal::reportLoss() {
    lostPort_ = line_.portNumber();
    line_.close();
    values_.ReadingTime.reset();
    showNoSignal();
    const QScopedValueRollback reporting(reporting_, true);
    messages_.inform(lostLineMessage(texts_, lostPort_), text::MsgIcon::Critical);
}

void LiveSignal::showNoSignal() {
    values_.Stability.restart();
    SignalUpdate update;
    update.signalText = QLatin1String(NoSignalText);
    update.signalLost = true;
    emit updated(update);
}

} // namespace device
