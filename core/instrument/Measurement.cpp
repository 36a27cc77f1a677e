#include "core/instrument/Measurement.h"

#include "core/text/HexCodes.h"
#include "core/text/NumberText.h"

#include <array>
#include <cmath>

namespace device {

namespace {

constexpr std::array<const char*, 8> ErrorTexts = {
    "E50 SysCalibration ", ",E51 ClockREG ", ",E52 SetupREG ", ",E53 PDP ",
    ",E54 Wrong unit ",    ",E55  Buffer  ", ",E56 Curve ",    ",E57 ........ ",
};

std::uint8_t hexByte(QByteArrayView field) {
    return static_cast<std::uint8_t>(HexToLong(field.first(std::min<qsizetype>(2, field.size()))));
}

// The value as a 32-bit float; a value a float cannot hold leaves the old one (the statement
// that would overflow is skipped).
void assignFloat(float& target, double value) {
    if (std::isfinite(value) && std::fabs(value) <= 3.4028234663852886e38)
        target = static_cast<float>(value);
}

} // namespace

QString instrumentErrorTexts(std::uint8_t statusFlags) {
    QString text;
    for (std::size_t bit = 0; bit < ErrorTexts.size(); ++bit)
        if (statusFlags & (1U << bit))
            text += QLatin1String(ErrorTexts[bit]);
    return text;
}

SignalUpdate applyMeasurementReply(const QByteArray& reply, LiveValues& values,
                                   const QString& unitFormat) {
    SignalUpdate update;
    if (reply.size() < 6) {
        update.kind = SignalUpdate::Kind::NoReading;
        update.signalText = QLatin1String(NoSignalText);
        return update;
    }
    const qsizetype first = reply.indexOf(';');
    const qsizetype second = first < 0 ? -1 : reply.indexOf(';', first + 1);
    if (second < 0) {
        update.kind = SignalUpdate::Kind::Malformed;
        return update;
    }
    update.kind = SignalUpdate::Kind::Reading;
    const QByteArrayView text(reply);
    const auto field = [&](qsizetype from, qsizetype length) {
        return QString::fromLatin1(text.sliced(from, length));
    };
    assignFloat(values.DisplayValue, ValDecimal(field(0, first)));
    const QByteArrayView flags = text.sliced(second + 1);
    values.StatusFlags = hexByte(flags);
    values.BatteryLevel = hexByte(flags.size() > 4 ? flags.sliced(4) : QByteArrayView());
    values.RangeFlags = hexByte(flags.size() > 2 ? flags.sliced(2) : QByteArrayView());
    assignFloat(values.SignalDiv, ValDecimal(field(first + 1, second - first - 1)));
    // Single precision throughout, as the instrument's constants are stored.
    const float signal = (values.SignalDiv - values.ActiveZero) * values.ActiveK;
    if (std::isfinite(signal))
        values.SignalMVV = signal;

    update.overRange = (values.RangeFlags & 0x80) == 0;
    update.underRange = (values.RangeFlags & 0x01) == 0;
    update.instrumentError = values.StatusFlags != 0;
    update.errorList = instrumentErrorTexts(values.StatusFlags);
    update.lowBattery = values.BatteryLevel < BatteryLow;
    update.signalText = FormatFixed(values.SignalMVV, u"###0.000");
    update.divisionsText = FormatFixed(values.SignalDiv, u"####0");
    update.displayText = FormatNumber(values.DisplayValue, unitFormat);
    update.batteryText = QStringLiteral("B=%1").arg(values.BatteryLevel);
    return update;
}

} // namespace device
