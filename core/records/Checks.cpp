#include "core/records/Checks.h"

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
    bool ok = false;
    const double percent = store_.value(toleranceKey(sensorId)).toString().toDouble(&ok);
    return ok && percent > 0.0 && std::isfinite(percent) ? percent : DefaultTolerancePercent;
}

void ToleranceSetting::setPercentFor(const QString& sensorId, double percent) {
    store_.setValue(toleranceKey(sensorId), QString::number(percent, 'g', 10));
}

} // namespace records
