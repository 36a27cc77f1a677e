#include "core/records/CalibrationRecorder.h"

#include "core/calibration/CurveFigures.h"
#include "core/calibration/Series.h"
#include "core/session/Session.h"
#include "core/session/StartUp.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <utility>

namespace records {

namespace {

constexpr int NotRecordedText = 451;
constexpr int AsLeftReasonText = 432;
constexpr int AsLeftNotRecordedText = 433;

QJsonValue optional(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue();
}

QJsonValue lineJson(const std::optional<calibration::Line>& line) {
    return line ? QJsonValue(QJsonObject{{"intercept", line->intercept}, {"slope", line->slope}})
                : QJsonValue();
}

QJsonValue nonlinearityJson(const std::optional<calibration::Nonlinearity>& n) {
    return n ? QJsonValue(QJsonObject{
                   {"point", n->point}, {"deviation", n->deviation}, {"percent", n->percent}})
             : QJsonValue();
}

QString warningName(calibration::WarningKind kind) {
    switch (kind) {
    case calibration::WarningKind::NotMonotonic:
        return QStringLiteral("not-monotonic");
    case calibration::WarningKind::LikelyMistyped:
        return QStringLiteral("likely-mistyped");
    case calibration::WarningKind::TooClose:
        return QStringLiteral("too-close");
    case calibration::WarningKind::PositiveBeyond:
        return QStringLiteral("positive-beyond");
    case calibration::WarningKind::NegativeBeyond:
        return QStringLiteral("negative-beyond");
    }
    return {};
}

} // namespace

QJsonObject toJson(const calibration::SeriesReadings& readings,
                   const calibration::SeriesFigures& figures) {
    QJsonArray taken;
    for (const calibration::SeriesReading& r : readings.readings())
        taken.append(
            QJsonObject{{"series", r.step.series},
                        {"direction",
                         r.step.direction == calibration::Direction::Rising ? "rising" : "falling"},
                        {"etalon", r.etalon},
                        {"signal", r.window.mean},
                        {"readings", r.window.readings},
                        {"deviation", r.window.deviation}});
    QJsonArray loads;
    for (const calibration::LoadFigures& l : figures.loads)
        loads.append(QJsonObject{{"etalon", l.etalon},
                                 {"risingMean", l.risingMean},
                                 {"fallingMean", optional(l.fallingMean)},
                                 {"risingSeries", l.risingSeries},
                                 {"fallingSeries", l.fallingSeries},
                                 {"repeatabilityReading", optional(l.repeatabilityReading)},
                                 {"repeatabilityFs", optional(l.repeatabilityFs)},
                                 {"reversibilityFs", optional(l.reversibilityFs)},
                                 {"interpolationFs", optional(l.interpolationFs)}});
    return QJsonObject{{"readings", taken},
                       {"loads", loads},
                       {"risingSeries", figures.risingSeries},
                       {"fallingSeries", figures.fallingSeries},
                       {"zeroReturnFs", optional(figures.zeroReturnFs)},
                       {"orientationClass", figures.orientation ? QJsonValue(calibration::className(
                                                                      *figures.orientation))
                                                                : QJsonValue()}};
}

calibration::SeriesReadings seriesReadingsOf(const QJsonObject& series) {
    calibration::SeriesReadings readings;
    for (const QJsonValue& each : series.value("readings").toArray()) {
        const QJsonObject r = each.toObject();
        const int number = r.value("series").toInt();
        const QString direction = r.value("direction").toString();
        if (number < 1 || number > calibration::SeriesPlan::MaxSeries ||
            (direction != u"rising" && direction != u"falling") || !r.value("etalon").isDouble() ||
            !r.value("signal").isDouble())
            continue;
        readings.note({{number, direction == u"rising" ? calibration::Direction::Rising
                                                       : calibration::Direction::Falling},
                       static_cast<float>(r.value("etalon").toDouble()),
                       {r.value("signal").toDouble(), r.value("readings").toInt(),
                        r.value("deviation").toDouble()}});
    }
    return readings;
}

QJsonObject toJson(const calibration::CurveFigures& figures) {
    QJsonArray points;
    for (const calibration::PointFigures& p : figures.points)
        points.append(QJsonObject{{"number", p.number},
                                  {"signal", p.signal},
                                  {"etalon", p.etalon},
                                  {"negativeBranch", p.negativeBranch},
                                  {"deviation", optional(p.deviation)},
                                  {"percent", optional(p.percent)},
                                  {"digits", optional(p.digits)},
                                  {"residual", optional(p.residual)}});
    QJsonArray warnings;
    for (const calibration::CurveWarning& w : figures.warnings)
        warnings.append(QJsonObject{{"kind", warningName(w.kind)},
                                    {"point", w.point},
                                    {"other", w.other},
                                    {"value", w.value}});
    return QJsonObject{{"points", points},
                       {"zeroPoint", figures.zeroPoint},
                       {"positiveTerminal", lineJson(figures.positiveTerminal)},
                       {"negativeTerminal", lineJson(figures.negativeTerminal)},
                       {"fullScale", figures.fullScale},
                       {"digit", figures.digit},
                       {"unitsPerMvV", optional(figures.unitsPerMvV)},
                       {"mvvPer1000Units", optional(figures.mvvPer1000Units)},
                       {"positiveNonlinearity", nonlinearityJson(figures.positive)},
                       {"negativeNonlinearity", nonlinearityJson(figures.negative)},
                       {"leastSquares", lineJson(figures.leastSquares)},
                       {"rms", optional(figures.rms)},
                       {"warnings", warnings}};
}

CalibrationRecorder::CalibrationRecorder(session::Session& session, RecordKeeper& store,
                                         session::WriteWatch* files, TimeSource now,
                                         QObject* parent)
    : QObject(parent), session_(session), store_(store), files_(files), now_(std::move(now)) {
    if (!now_)
        now_ = [] { return QDateTime::currentDateTimeUtc(); };
    session_.setWriteWatch(this);
    connect(&session_, &session::Session::instrumentOpened, this,
            [this] { awaitingAsFound_ = true; });
    connect(&session_, &session::Session::sensorsRead, this, [this] { takeAsFound(); });
    connect(&session_, &session::Session::sensorWritten, this, &CalibrationRecorder::sensorWritten);
}

CalibrationRecorder::~CalibrationRecorder() {
    appendAsLeft(false);
    session_.setWriteWatch(files_);
}

void CalibrationRecorder::setChecks(const CheckResults* checks) {
    checks_ = checks;
    asFoundCheckRecorded_ = false;
    if (checks_ != nullptr)
        connect(checks_, &CheckResults::changed, this, [this](CheckKind kind) {
            if (kind == CheckKind::AsFound)
                asFoundCheckRecorded_ = false;
            else
                asLeft_ = checks_->asLeft();
        });
    if (checks_ != nullptr)
        connect(checks_, &CheckResults::finished, this, [this](CheckKind kind) {
            if (kind == CheckKind::AsLeft)
                appendAsLeft(true);
        });
}

void CalibrationRecorder::appendAsLeft(bool tell) {
    if (asLeft_.empty() || !lastRecord_)
        return;
    const std::vector<CheckPoint> points = std::exchange(asLeft_, {});
    const session::Session::Outlets& out = session_.outlets();
    const WriteResult appended =
        lastRecord_->outcome == WriteOutcome::Recorded
            ? store_.appendAsLeft(lastRecord_->uuid, points, details_.operatorName.trimmed(),
                                  out.texts.text(AsLeftReasonText), now_())
            : WriteResult{WriteOutcome::Failed,
                          {},
                          {},
                          lastRecord_->message.isEmpty() ? store_.status().message
                                                         : lastRecord_->message};
    if (!appended.kept() && tell)
        out.messages.inform(out.texts.text(AsLeftNotRecordedText).arg(appended.message),
                            text::MsgIcon::Exclamation);
}

QString CalibrationRecorder::keep(SnapshotReason reason, int block,
                                  std::optional<backup::Backup> content) {
    if (!content)
        content = backup::backupOf(session_, now_());
    if (!content)
        return {};
    const backup::SensorBackup* held = content->sensor(block);
    Snapshot snapshot{{},
                      reason,
                      held != nullptr ? held->decoded.SensorId.trimmed() : QString(),
                      block,
                      std::move(*content)};
    const WriteResult written = store_.addSnapshot(std::move(snapshot));
    return written.kept() ? written.uuid : QString();
}

void CalibrationRecorder::takeAsFound() {
    if (!awaitingAsFound_)
        return;
    awaitingAsFound_ = false;
    // Each connect tries a store that could not be used again: once it can, the records kept
    // aside meanwhile go in and the new ones follow them there.
    if (!store_.status().usable())
        (void)store_.reopen();
    started_ = now_();
    asFound_ = keep(SnapshotReason::ReadOut, session_.sensors().workingBlock());
}

QString CalibrationRecorder::beforeWrite(int block) {
    const QString file = files_ != nullptr ? files_->beforeWrite(block) : QString();
    const int named = block == Constants ? session_.sensors().workingBlock() : block;
    // The store keeps what the file keeps; without a file, the same from the session.
    std::optional<backup::Backup> content;
    if (!file.isEmpty()) {
        backup::ReadResult read = backup::readBackupFile(file, session_.outlets().texts);
        if (auto* held = std::get_if<backup::Backup>(&read))
            content = std::move(*held);
    }
    (void)keep(SnapshotReason::BeforeWrite, named, std::move(content));
    return file;
}

QString CalibrationRecorder::failed(bool writing) {
    return files_ != nullptr ? files_->failed(writing) : QString();
}

void CalibrationRecorder::sensorWritten(int block, session::SaveResult result) {
    if (result != session::SaveResult::Verified)
        return;
    const QDateTime ended = now_();
    const QString asLeft = keep(SnapshotReason::AfterWrite, block);
    // After the verified read-out the sensor in use and the curve table are what was written.
    const sensor::SensorRecord& sensor = session_.sensors().CurrentSensor;
    const calibration::CurveTable& curve = session_.curve();

    CalibrationRecord record;
    record.sensorId = sensor.SensorId.trimmed();
    record.block = block;
    record.description = sensor.Description.trimmed();
    record.unit = sensor.UnitName.trimmed();
    record.fullScale = sensor.FullScale;
    record.fullScaleNeg = sensor.FullScaleNeg;
    record.identification = session_.identification();
    record.operatorName = details_.operatorName.trimmed();
    record.standardUuid = details_.standardUuid;
    record.temperature = details_.temperature;
    record.humidity = details_.humidity;
    record.programVersion = QCoreApplication::applicationVersion();
    record.started = started_.isValid() ? started_ : ended;
    record.ended = ended;
    record.asFoundSnapshot = asFound_;
    record.asLeftSnapshot = asLeft;
    if (checks_ != nullptr) {
        record.tolerancePercent = checks_->tolerancePercent();
        if (!asFoundCheckRecorded_)
            record.asFound = checks_->asFound();
        asFoundCheckRecorded_ = true;
    }
    // The curve table keeps no capture times: each point carries the time it was recorded.
    for (int slot = 1; slot <= curve.PointCount(); ++slot) {
        CapturedPoint& point = record.points.emplace_back(
            CapturedPoint{curve.point(slot).signal, curve.point(slot).etalon, ended});
        if (const auto window = session_.captures().of(curve.point(slot).signal)) {
            point.readings = window->readings;
            point.deviation = window->deviation;
        }
    }
    const QStringList gains = session::GainEntries();
    calibration::CurveScale scale;
    scale.fullScale = sensor.FullScale;
    scale.fullScaleNeg = sensor.FullScaleNeg;
    scale.gainRange = sensor.GainIndex >= 0 && sensor.GainIndex < gains.size()
                          ? session::gainRangeLimit(gains.at(sensor.GainIndex))
                          : 0.0;
    scale.unitFormat = sensor.UnitFormat.text();
    const calibration::CurveFigures figures = calibration::computeCurveFigures(curve, scale);
    QJsonObject figuresJson = toJson(figures);
    // Repeated series keep their readings beside the points they were averaged into.
    if (!session_.series().empty())
        figuresJson.insert("series", toJson(session_.series(), calibration::computeSeriesFigures(
                                                                   session_.series(), figures)));
    record.figuresJson =
        QString::fromUtf8(QJsonDocument(figuresJson).toJson(QJsonDocument::Compact));

    lastRecord_ = store_.record(std::move(record));
    // What the instrument holds now is what a further write in this session finds.
    asFound_ = asLeft;
    started_ = ended;
    const session::Session::Outlets& out = session_.outlets();
    if (!lastRecord_->kept())
        out.messages.inform(out.texts.text(NotRecordedText) + QStringLiteral("\n\n") +
                                lastRecord_->message,
                            text::MsgIcon::Exclamation);
}

} // namespace records
