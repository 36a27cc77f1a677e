#include "core/session/SystemCalibration.h"

#include "core/instrument/Lifecycle.h"
#include "core/instrument/LiveSignal.h"
#include "core/instrument/OrvoLib.h"
#include "core/instrument/SerialLine.h"
#include "core/instrument/SetupReadout.h"
#include "core/instrument/Timing.h"
#include "core/session/Session.h"
#include "core/text/DeviceFloat.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "core/text/NumberText.h"
#include "core/text/StatusPanel.h"

#include <QRegularExpression>
#include <array>
#include <cmath>

namespace session {

namespace {

constexpr int DeviceAddress = 0;
constexpr char DefaultZeroText[] = "32767";
// The factory constant of the most sensitive range; the others double it per range down.
constexpr float DefaultHighestGainK = 0.0001193F;
constexpr int HighestGain = 7;
constexpr double ReferenceSignal = 2.0;
constexpr int WritingText = 52;
constexpr int NotANumberText = 300;
constexpr int ConstantNotStorableText = 109;
constexpr int ConstantsNotWrittenText = 110;

struct Constant {
    QString box;
    double value = 0.0;
    int address = 0;
};

QString boxName(int range, bool zero) {
    return (zero ? QStringLiteral("N ") : QStringLiteral("k ")) + device::rangeName(range);
}

// The whole box is one number as ValDecimal reads it (blanks ignored, the first comma a decimal
// point): ValDecimal would read a blank box, or the text around a number, as 0 or a part of it.
bool holdsOneNumber(const QString& text) {
    QString compact = text;
    compact.remove(QRegularExpression(QStringLiteral("[ \\t\\r\\n]")));
    const QRegularExpression number(
        QStringLiteral("^[+-]?([0-9]+([.,][0-9]*)?|[.,][0-9]+)([eEdD][+-]?[0-9]+)?$"));
    return number.match(compact).hasMatch();
}

} // namespace

QString constantNotStorableMessage(const text::LanguageTable& texts, const QString& boxName,
                                   const QString& text) {
    return texts.text(ConstantNotStorableText).arg(text, boxName);
}

QString constantsNotWrittenMessage(const text::LanguageTable& texts, const QStringList& boxNames) {
    return texts.text(ConstantsNotWrittenText).arg(boxNames.join(QStringLiteral(", ")));
}

int SystemCalibration::activeRange() const {
    const int range = session_.sensors().CurrentSensor.GainIndex;
    return range >= 0 && range <= HighestGain ? range : -1;
}

bool SystemCalibration::signalStale() {
    if (session_.signalFresh())
        return false;
    session_.outlets().messages.inform(
        device::staleSignalMessage(session_.outlets().texts, session_.line().portNumber()),
        text::MsgIcon::Critical);
    return true;
}

void SystemCalibration::SetNula() {
    const int range = activeRange();
    if (range < 0 || signalStale())
        return;
    device::LiveValues& live = session_.live();
    live.ActiveZero = live.SignalDiv;
    session_.setRangeZeroText(range, device::FormatNumber(live.ActiveZero, u"####0"));
}

void SystemCalibration::SetGain2mVV() {
    const int range = activeRange();
    if (range < 0 || signalStale())
        return;
    device::LiveValues& live = session_.live();
    const float divisions = live.SignalDiv - live.ActiveZero;
    const auto k = static_cast<float>(ReferenceSignal / static_cast<double>(divisions));
    if (divisions == 0.0F || !std::isfinite(k)) {
        session_.outlets().messages.inform(session_.outlets().texts.text(GainNotDeterminedText),
                                           text::MsgIcon::Exclamation);
        return;
    }
    live.ActiveK = k;
    session_.setRangeKText(range, device::rangeKText(k));
}

void SystemCalibration::LoadDefaultConstants() {
    device::SystemConstants defaults;
    for (std::size_t i = 0; i < device::RangeCount; ++i) {
        const auto exponent = static_cast<float>(static_cast<int>(i) - HighestGain);
        const double k =
            static_cast<double>(DefaultHighestGainK) / std::pow(2.0, static_cast<double>(exponent));
        defaults.zero[i] = QString::fromLatin1(DefaultZeroText);
        defaults.k[i] = device::rangeKText(k);
    }
    session_.setConstants(defaults);
}

void SystemCalibration::SaveSystemCalibration(const device::Link& link) {
    // Every constant is read and checked before the first write, so a bad box leaves the
    // instrument as it was and an edit made during the writes cannot mix into them.
    const Session::Outlets& out = session_.outlets();
    const device::SystemConstants& texts = session_.constants();
    std::array<Constant, 2 * device::RangeCount> constants;
    for (std::size_t i = 0; i < device::RangeCount; ++i) {
        const auto range = static_cast<int>(i);
        for (const bool zero : {true, false}) {
            const QString text = (zero ? texts.zero[i] : texts.k[i]).trimmed();
            if (!holdsOneNumber(text)) {
                out.messages.inform(out.texts.text(NotANumberText)
                                        .arg(zero ? QStringLiteral("N") : QStringLiteral("k"),
                                             device::rangeName(range), text),
                                    text::MsgIcon::Critical);
                return;
            }
            const double value = device::ValDecimal(text);
            const QString name = boxName(range, zero);
            if (!device::isDeviceFloatEncodable(value)) {
                out.messages.inform(constantNotStorableMessage(out.texts, name, text),
                                    text::MsgIcon::Critical);
                return;
            }
            constants[2 * i + (zero ? 0 : 1)] = {
                name, value, zero ? device::rangeZeroAddress(range) : device::rangeKAddress(range)};
        }
    }

    ActionRunner& runner = session_.runner();
    runner.stopPolling();
    link.delay(device::timing::QuietLine);
    session_.beforeWrite(WriteWatch::Constants);
    out.status.showStatus();
    QStringList notWritten;
    {
        const device::Lifecycle::CriticalSection writing(runner.lifecycle());
        for (std::size_t i = 0; i < device::RangeCount; ++i) {
            out.status.setStatusText(
                out.texts.text(WritingText) + u' ' +
                device::FormatNumber(static_cast<double>(i) * 100.0 / 7.0, u"##0") + u'%');
            for (const Constant& constant : {constants[2 * i], constants[2 * i + 1]}) {
                if (device::orvoLib::WriteFloat(link, DeviceAddress, constant.address,
                                                constant.value, device::timing::ByteTimeout,
                                                true) != 1)
                    notWritten.append(constant.box);
            }
        }
    }
    link.delay(device::timing::QuietLine);
    out.status.hideStatus();
    if (!notWritten.isEmpty())
        out.messages.inform(
            session_.withFailureNote(constantsNotWrittenMessage(out.texts, notWritten), true),
            text::MsgIcon::Critical);

    ResetInstrument(link);
}

void SystemCalibration::ResetInstrument(const device::Link& link) {
    session_.resetInstrument(link);
    // The boxes show what the instrument holds after its restart, and the live signal comes
    // back. The read-out would replace the operator's points, not yet saved, with the curve
    // stored in the sensor.
    (void)session_.readOut(link, Session::Points::Keep);
    session_.runner().startPolling();
}

} // namespace session
