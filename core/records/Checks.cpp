#include "core/records/Checks.h"

#include "core/records/RecordStore.h"
#include "core/records/Rules.h"

#include <QSettings>
#include <QUrl>
#include <cmath>

namespace records {

namespace {

QString toleranceKey(const QString& sensorId) {
    const QString id = sensorId.trimmed();
    // Percent-encoded, so a "/" or "\" in an id cannot open a group of its own.
    return QStringLiteral("CheckTolerance/") +
           (id.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(QUrl::toPercentEncoding(id)));
}

QString storeKey(const QString& sensorId) {
    const QString id = sensorId.trimmed();
    return QStringLiteral("tolerance/") + (id.isEmpty() ? QStringLiteral("-") : id);
}

std::optional<double> positive(const QString& text) {
    bool ok = false;
    const double percent = text.toDouble(&ok);
    return ok && percent > 0.0 && std::isfinite(percent) ? std::optional(percent) : std::nullopt;
}

} // namespace

CaptureResult CheckRun::capture(double etalon, const device::LiveValues& live,
                                std::chrono::milliseconds now, const QDateTime& at) {
    if (!device::readingFresh(live, now))
        return CaptureResult::Stale;
    // As the display shows it: the reading comes as a float, and 99.85 would be 99.8499984.
    const double step = std::pow(10.0, scale_.decimals);
    points_.push_back(
        {etalon, std::round(static_cast<double>(live.DisplayValue) * step) / step, at});
    return CaptureResult::Added;
}

bool CheckRun::remove(std::size_t index) {
    if (index >= points_.size())
        return false;
    points_.erase(points_.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

double CheckRun::fullScale() const {
    return fullScaleOf(scale_.fullScale, scale_.fullScaleNeg);
}

CheckError CheckRun::errorOf(const CheckPoint& point) const {
    const double error = point.error();
    const double scale = fullScale();
    return {error, scale > 0.0 ? error / scale * 100.0 : 0.0,
            error * std::pow(10.0, scale_.decimals),
            withinTolerance(error, scale, tolerancePercent_)};
}

Verdict CheckRun::verdict() const {
    return verdictOf(points_, fullScale(), tolerancePercent_);
}

void CheckResults::keep(const CheckRun& run) {
    (run.kind() == CheckKind::AsFound ? asFound_ : asLeft_) = run.points();
    tolerancePercent_ = run.tolerancePercent();
    emit changed(run.kind());
}

double ToleranceSetting::percentFor(const QString& sensorId) const {
    if (records_ != nullptr)
        if (const std::optional<QString> kept = records_->setting(storeKey(sensorId)))
            if (const std::optional<double> percent = positive(*kept))
                return *percent;
    return positive(settings_.value(toleranceKey(sensorId)).toString())
        .value_or(DefaultTolerancePercent);
}

bool ToleranceSetting::setPercentFor(const QString& sensorId, double percent) {
    const QString text = QString::number(percent, 'g', 10);
    settings_.setValue(toleranceKey(sensorId), text);
    return records_ == nullptr || records_->setSetting(storeKey(sensorId), text).kept();
}

} // namespace records
