#include "core/records/RecordJson.h"
#include "core/records/RecordStore.h"
#include "core/records/Rules.h"

#include <QUuid>

namespace records {

namespace {

constexpr int NoSuchRecordText = 413;

} // namespace

WriteResult RecordStore::appendAsLeft(const QString& calibrationUuid,
                                      const std::vector<CheckPoint>& points, const QString& who,
                                      const QString& reason, QDateTime at) {
    if (!status_.usable())
        return failure(status_.message);
    const std::optional<CalibrationRecord> recorded = calibration(calibrationUuid);
    if (!recorded || recorded->kind != RecordKind::Calibration || recorded->uuid != calibrationUuid)
        return {WriteOutcome::Refused, {}, {}, texts_.text(NoSuchRecordText).arg(calibrationUuid)};
    if (points.empty())
        return {WriteOutcome::Refused, {}, {}, {}};
    // The rows as recorded, of every check appended before, keep their positions.
    const std::size_t first = recorded->asLeft.size();
    const Verdict verdict =
        verdictOf(points, fullScaleOf(recorded->fullScale, recorded->fullScaleNeg),
                  recorded->tolerancePercent);
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!at.isValid())
        at = QDateTime::currentDateTimeUtc();
    return write({}, uuid, {}, [&] {
        for (std::size_t i = 0; i < points.size(); ++i) {
            QSqlQuery check = prepared(Sql::InsertCheck);
            check.bindValue(QStringLiteral(":uuid"), calibrationUuid);
            check.bindValue(QStringLiteral(":phase"), QStringLiteral("as-left"));
            check.bindValue(QStringLiteral(":position"), static_cast<int>(first + i));
            check.bindValue(QStringLiteral(":etalon"), points[i].etalon);
            check.bindValue(QStringLiteral(":displayed"), points[i].displayed);
            check.bindValue(QStringLiteral(":error"), points[i].error());
            check.bindValue(QStringLiteral(":captured"),
                            points[i].capturedAt.isValid() ? QVariant(isoTime(points[i].capturedAt))
                                                           : QVariant());
            if (!exec(check))
                return false;
        }
        QSqlQuery insert = prepared(Sql::InsertCorrection);
        insert.bindValue(QStringLiteral(":uuid"), uuid);
        insert.bindValue(QStringLiteral(":calibration"), calibrationUuid);
        insert.bindValue(QStringLiteral(":field"), fieldName(CorrectedField::AsLeft));
        insert.bindValue(QStringLiteral(":value"), appendedCheckValue(verdict, first));
        insert.bindValue(QStringLiteral(":by"), who);
        insert.bindValue(QStringLiteral(":at"), isoTime(at));
        insert.bindValue(QStringLiteral(":reason"), reason);
        return exec(insert);
    });
}

} // namespace records
