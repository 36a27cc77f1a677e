#include "views/SystemCalibration.h"

#include "core/instrument/Clock.h"
#include "core/instrument/Lifecycle.h"
#include "core/instrument/LiveValues.h"
#include "core/instrument/SetupReadout.h"
#include "core/instrument/Timing.h"
#include "core/text/Encoding.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "core/text/StatusPanel.h"
#include "views/LiveSignal.h"
#include "views/SystemCalibrationFrame.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <array>
#include <cmath>

namespace calibration {

namespace {

constexpr int DeviceAddress = 0;
constexpr char DefaultZeroText[] = "32767";
// The factory constant of the most sensitive range; the others double it per range down.
constexpr float DefaultHighestGainK = 0.0001193F;
constexpr int HighestGain = 7;
constexpr double ReferenceSignal = 2.0;

struct Constant {
    QString box;
    double value = 0.0;
    int address = 0;
};

QString boxName(const SystemCalibrationFrame& frame, std::size_t range, bool zero) {
    return (zero ? QStringLiteral("N ") : QStringLiteral("k ")) + frame.lblGx[range]->text();
}

} // namespace

QString constantNotStorableMessage(const QString& boxName, const QString& text) {
    return QStringLiteral("Hodnotu \u201E%1\u201C v poli %2 nelze zapsat do přístroje, číslo je "
                          "příliš velké. Nic nebylo zapsáno.")
        .arg(text, boxName);
}

QString constantsNotWrittenMessage(const QStringList& boxNames) {
    return QStringLiteral("Přístroj nepotvrdil zápis konstant %1. Po resetu jsou zobrazeny "
                          "konstanty, které přístroj skutečně obsahuje.")
        .arg(boxNames.join(QStringLiteral(", ")));
}

SystemCalibration::SystemCalibration(SystemCalibrationFrame& frame, device::LiveValues& live,
                                     std::function<int()> gainIndex, device::orvoLib::Link link,
                                     text::StatusPanel& status, text::MessageService& messages,
                                     const text::LanguageTable& texts, device::Lifecycle& lifecycle,
                                     Window window, QObject* parent)
    : QObject(parent), frame_(frame), live_(live), gainIndex_(std::move(gainIndex)), link_(link),
      status_(status), messages_(messages), texts_(texts), lifecycle_(lifecycle),
      window_(std::move(window)) {
    connect(frame_.cmdSKSetNula, &QPushButton::clicked, this, &SystemCalibration::SetNula);
    connect(frame_.cmdSKSetGain, &QPushButton::clicked, this, &SystemCalibration::SetGain2mVV);
    connect(frame_.cmdLoadDef, &QPushButton::clicked, this,
            &SystemCalibration::LoadDefaultConstants);
    connect(frame_.cmdSKSave, &QPushButton::clicked, this,
            [this] { (void)window_.runExclusive([this] { SaveSystemCalibration(); }); });
    connect(frame_.cmdReset, &QPushButton::clicked, this,
            [this] { (void)window_.runExclusive([this] { ResetInstrument(); }); });
}

int SystemCalibration::activeRange() const {
    const int range = gainIndex_();
    return range >= 0 && range <= HighestGain ? range : -1;
}

bool SystemCalibration::signalStale() {
    if (!live_.SignalStale)
        return false;
    messages_.inform(device::lostLineMessage(texts_), text::MsgIcon::Critical);
    return true;
}

void SystemCalibration::SetNula() {
    const int range = activeRange();
    if (range < 0 || signalStale())
        return;
    live_.ActiveZero = live_.SignalDiv;
    frame_.txtskN[static_cast<std::size_t>(range)]->setText(
        device::FormatNumber(live_.ActiveZero, u"####0"));
}

void SystemCalibration::SetGain2mVV() {
    const int range = activeRange();
    if (range < 0 || signalStale())
        return;
    const float divisions = live_.SignalDiv - live_.ActiveZero;
    const auto k = static_cast<float>(ReferenceSignal / static_cast<double>(divisions));
    if (divisions == 0.0F || !std::isfinite(k)) {
        messages_.inform(QString::fromUtf8(GainNotDeterminedMessage), text::MsgIcon::Exclamation);
        return;
    }
    live_.ActiveK = k;
    frame_.txtskK[static_cast<std::size_t>(range)]->setText(device::rangeKText(k));
}

void SystemCalibration::LoadDefaultConstants() {
    for (std::size_t i = 0; i < SystemCalibrationFrame::Ranges; ++i) {
        const auto exponent = static_cast<float>(static_cast<int>(i) - HighestGain);
        const double k =
            static_cast<double>(DefaultHighestGainK) / std::pow(2.0, static_cast<double>(exponent));
        frame_.txtskN[i]->setText(QString::fromLatin1(DefaultZeroText));
        frame_.txtskK[i]->setText(device::rangeKText(k));
    }
}

void SystemCalibration::SaveSystemCalibration() {
    // Every box is read and checked before the first write, so a bad box leaves the instrument
    // as it was and an edit made during the writes cannot mix into them.
    std::array<Constant, 2 * SystemCalibrationFrame::Ranges> constants;
    for (std::size_t i = 0; i < SystemCalibrationFrame::Ranges; ++i) {
        const auto range = static_cast<int>(i);
        const std::array<std::pair<QLineEdit*, bool>, 2> boxes{
            {{frame_.txtskN[i], true}, {frame_.txtskK[i], false}}};
        for (const auto& [box, zero] : boxes) {
            const QString text = box->text().trimmed();
            const double value = device::ValDecimal(text);
            const QString name = boxName(frame_, i, zero);
            if (!device::isDeviceFloatEncodable(value)) {
                messages_.inform(constantNotStorableMessage(name, text), text::MsgIcon::Critical);
                return;
            }
            constants[2 * i + (zero ? 0 : 1)] = {
                name, value, zero ? device::rangeZeroAddress(range) : device::rangeKAddress(range)};
        }
    }

    window_.stopPolling();
    link_.clock.delay(device::timing::QuietLine);
    status_.showStatus();
    QStringList notWritten;
    {
        const device::Lifecycle::CriticalSection writing(lifecycle_);
        for (std::size_t i = 0; i < SystemCalibrationFrame::Ranges; ++i) {
            status_.setStatusText(
                texts_.text(52) + u' ' +
                device::FormatNumber(static_cast<double>(i) * 100.0 / 7.0, u"##0") + u'%');
            for (const Constant& constant : {constants[2 * i], constants[2 * i + 1]}) {
                if (device::orvoLib::WriteFloat(link_, DeviceAddress, constant.address,
                                                constant.value, device::timing::ByteTimeout,
                                                true) != 1)
                    notWritten.append(constant.box);
            }
        }
    }
    link_.clock.delay(device::timing::QuietLine);
    status_.hideStatus();
    if (!notWritten.isEmpty())
        messages_.inform(constantsNotWrittenMessage(notWritten), text::MsgIcon::Critical);

    ResetInstrument();
    (void)window_.readFromInstrument();
    window_.startPolling();
}

void SystemCalibration::ResetInstrument() {
    window_.disableNavigation();
    status_.showStatus();
    status_.setStatusText(texts_.text(29));
    window_.stopPolling();
    link_.clock.delay(device::timing::QuietLine);
    link_.line.send("$00X\r");
    link_.clock.delay(device::timing::ResetRecovery);
    window_.enableNavigation();
    status_.hideStatus();
}

} // namespace calibration
