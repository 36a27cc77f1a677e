#include "core/calibration/StableCapture.h"

#include "core/calibration/CurveFigures.h"
#include "core/calibration/CurveTable.h"
#include "core/instrument/Timing.h"

#include <QSettings>
#include <algorithm>
#include <cmath>

namespace calibration {

namespace {

const QString BandKey = QStringLiteral("Stability/BandDigits");
const QString HoldKey = QStringLiteral("Stability/HoldSeconds");
const QString AutoKey = QStringLiteral("Stability/AutoCapture");

double within(const QSettings& store, const QString& key, double fallback, double low,
              double high) {
    bool ok = false;
    const double value = store.value(key).toDouble(&ok);
    return ok && value >= low && value <= high ? value : fallback;
}

} // namespace

StabilitySetting StabilitySetting::load(const QSettings& store) {
    StabilitySetting setting;
    setting.bandDigits = within(store, BandKey, setting.bandDigits, MinBandDigits, MaxBandDigits);
    setting.holdSeconds =
        within(store, HoldKey, setting.holdSeconds, MinHoldSeconds, MaxHoldSeconds);
    setting.autoCapture = store.value(AutoKey, false).toBool();
    return setting;
}

void StabilitySetting::save(QSettings& store) const {
    store.setValue(BandKey, bandDigits);
    store.setValue(HoldKey, holdSeconds);
    store.setValue(AutoKey, autoCapture);
}

device::StabilityRule stabilityRule(const StabilitySetting& setting, const CurveTable& curve,
                                    QStringView unitFormat, float activeK) {
    device::StabilityRule rule;
    const double poll = std::chrono::duration<double>(device::timing::PollInterval).count();
    rule.readings = std::max(2, static_cast<int>(std::lround(setting.holdSeconds / poll)));
    rule.band = setting.bandDigits * DivisionsPerDigit * std::fabs(activeK);
    const int count = curve.PointCount();
    if (count < 2)
        return rule;
    const CurvePoint& first = curve.point(1);
    const CurvePoint& last = curve.point(count);
    const double signalSpan = static_cast<double>(last.signal) - first.signal;
    const double etalonSpan = static_cast<double>(last.etalon) - first.etalon;
    if (signalSpan == 0.0 || etalonSpan == 0.0)
        return rule;
    const double unitsPerMvV = std::fabs(etalonSpan / signalSpan);
    rule.band = setting.bandDigits * lastDigit(unitFormat) / unitsPerMvV;
    return rule;
}

std::optional<device::SignalWindow> PointCaptures::of(float signal) const {
    const auto found = captures_.find(signal);
    return found == captures_.end() ? std::nullopt : std::optional(found->second);
}

void PointCaptures::keepOnly(const CurveTable& curve) {
    std::erase_if(captures_,
                  [&curve](const auto& entry) { return curve.FindSignal(entry.first) == 0; });
}

std::optional<device::SignalWindow>
AutoCaptureTrigger::update(const std::optional<device::SignalWindow>& stable,
                           const CurveTable& curve, double span) {
    const bool becameStable = stable && !wasStable_;
    wasStable_ = stable.has_value();
    if (!stable)
        return std::nullopt;
    const double apart = SpanShare * std::fabs(span);
    const auto farFrom = [&](double signal) { return std::fabs(stable->mean - signal) > apart; };
    const bool moved = !lastStableMean_ || farFrom(*lastStableMean_);
    lastStableMean_ = stable->mean;
    if (!becameStable || !moved)
        return std::nullopt;
    for (int slot = 1; slot <= curve.PointCount(); ++slot)
        if (!farFrom(curve.point(slot).signal))
            return std::nullopt;
    return stable;
}

} // namespace calibration
