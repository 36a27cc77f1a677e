#include "views/SensorPageLogic.h"

#include "core/calibration/CurveTable.h"
#include "core/sensor/SensorImage.h"
#include "core/text/DeviceFloat.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "core/text/NumberText.h"
#include "views/SensorPage.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <array>
#include <cmath>

namespace sensor {

namespace {

constexpr int MinSavedPoints = 2;
constexpr int MaxSavedPoints = 10;
constexpr double SmallestRange = 0.01;
constexpr double SmallestOverload = 1.0;
constexpr double LargestOverload = 999999.0;
constexpr qsizetype LongestDescription = 20;
constexpr qsizetype LongestUnit = 3;
constexpr std::int32_t AveragingOff = 1;

constexpr std::array<const char16_t*, 4> FourDigitFormats = {u"####0", u"###0.0", u"##0.00",
                                                             u"#0.000"};
constexpr std::array<const char16_t*, 5> FiveDigitFormats = {u"######0", u"####0.0", u"###0.00",
                                                             u"##0.000", u"#0.0000"};

// Everything the sort and the count can change.
struct TableSnapshot {
    std::array<calibration::CurvePoint, calibration::CurveTable::SlotCount> points{};
    int count = 0;

    explicit TableSnapshot(const calibration::CurveTable& table) : count(table.PointCount()) {
        for (int slot = 1; slot <= calibration::CurveTable::SlotCount; ++slot)
            points[static_cast<std::size_t>(slot - 1)] = table.point(slot);
    }
    bool operator==(const TableSnapshot& other) const {
        if (count != other.count)
            return false;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const auto& a = points[i];
            const auto& b = other.points[i];
            if (a.state != b.state || a.signal != b.signal || a.etalon != b.etalon)
                return false;
        }
        return true;
    }
};

// "OFF" (the first entry) stands for 1; any other entry for the number it shows.
std::int32_t averagingOf(const QComboBox& list) {
    if (list.currentIndex() < 1)
        return AveragingOff;
    const double value = std::nearbyint(device::ValDecimal(list.currentText()));
    return std::fabs(value) < 2147483647.0 ? static_cast<std::int32_t>(value) : AveragingOff;
}

} // namespace

QString rangeNotStorableMessage(bool positive) {
    return positive ? QStringLiteral("Kladný rozsah je příliš velké číslo, snímač jej nemůže "
                                     "uložit. Opravte rozsah.")
                    : QStringLiteral("Záporný rozsah je příliš velké číslo, snímač jej nemůže "
                                     "uložit. Opravte rozsah.");
}

SensorPageLogic::SensorPageLogic(SensorPage& page, calibration::CurveTable& table,
                                 SensorState& sensors, text::MessageService& messages,
                                 const text::LanguageTable& texts, Sources sources, QObject* parent)
    : QObject(parent), page_(page), table_(table), sensors_(sensors), messages_(messages),
      texts_(texts), sources_(std::move(sources)) {
    page_.txtJednotka->installEventFilter(this);
}

bool SensorPageLogic::eventFilter(QObject* watched, QEvent* event) {
    if (watched == page_.txtJednotka && event->type() == QEvent::KeyRelease)
        RefreshRangeCaptions();
    return QObject::eventFilter(watched, event);
}

void SensorPageLogic::RefreshRangeCaptions() {
    const QString unit = QStringLiteral(" [") + trimBlanks(page_.txtJednotka->text()) + u']';
    page_.lblRozsahPopis->setText(texts_.text(66) + unit);
    page_.lblRozsahNegPopis->setText(texts_.text(69) + unit);
}

bool SensorPageLogic::acceptCurve() {
    const TableSnapshot before(table_);
    table_.SortCurvePoints();
    table_.CountCurvePoints();
    if (!(TableSnapshot(table_) == before))
        emit curveTableChanged();

    if (const auto duplicate = table_.FindCurveDuplicate()) {
        messages_.inform(calibration::DuplicateMessage(*duplicate, texts_),
                         text::MsgIcon::Critical);
        messages_.inform(texts_.text(38), text::MsgIcon::Critical);
        return false;
    }
    if (table_.PointCount() < MinSavedPoints) {
        messages_.inform(texts_.text(39), text::MsgIcon::Critical);
        return false;
    }
    if (table_.PointCount() > MaxSavedPoints) {
        messages_.inform(texts_.text(40), text::MsgIcon::Critical);
        return false;
    }
    return true;
}

QString SensorPageLogic::unitFormatForIndex(int index, const QString& current) const {
    if (sources_.displayDigits() == 4) {
        if (index >= 0 && index < static_cast<int>(FourDigitFormats.size()))
            return QString::fromUtf16(FourDigitFormats[static_cast<std::size_t>(index)]);
    } else if (index >= 0 && index < static_cast<int>(FiveDigitFormats.size())) {
        return QString::fromUtf16(FiveDigitFormats[static_cast<std::size_t>(index)]);
    }
    return current;
}

bool SensorPageLogic::TXT2XXX(std::uint8_t cOptions) {
    if (!acceptCurve())
        return false;
    const QString description = trimBlanks(page_.txtPopis->text());
    if (description.isEmpty()) {
        messages_.inform(texts_.text(41), text::MsgIcon::Critical);
        return false;
    }
    // A range the instrument cannot hold would stop the save only after the timer and the
    // navigation were taken; refuse it here, while the page can still be corrected.
    const auto fullScale = device::toSingle(device::ValDecimal(page_.txtRozsah->text()));
    const auto fullScaleNeg = device::toSingle(device::ValDecimal(page_.txtRozsahNeg->text()));
    for (const auto& [value, positive] : {std::pair{fullScale, true}, {fullScaleNeg, false}}) {
        if (!device::isDeviceFloatEncodable(value)) {
            messages_.inform(rangeNotStorableMessage(positive), text::MsgIcon::Critical);
            return false;
        }
    }

    SensorRecord& record = sensors_.CurrentSensor;
    record.FullScale = fullScale;
    record.FullScaleNeg = fullScaleNeg;
    record.Decimals = page_.cmbFormat->currentIndex();
    record.UnitFormat = unitFormatForIndex(record.Decimals, record.UnitFormat.text());
    record.LimitFlags = StandardLimitFlags;
    record.Description = description;
    record.UnitName = trimBlanks(page_.txtJednotka->text());
    record.GainIndex = page_.cmbGain->currentIndex();
    const QDateTime now = sources_.now();
    record.SaveDate = saveDateText(now.date());
    record.SensorId = CheckSensorId(record.SensorId.text(), now, sources_.random);
    record.Options = cOptions;
    record.Slide = averagingOf(*page_.cmbSlide);
    record.SlideRychl = averagingOf(*page_.cmbSlideRychl);
    for (int slot = 1; slot <= table_.PointCount(); ++slot) {
        const auto i = static_cast<std::size_t>(slot - 1);
        record.CurveEtalon[i] = table_.point(slot).etalon;
        record.CurveSignal[i] = table_.point(slot).signal;
    }
    record.CurvePointCount = table_.PointCount();
    return true;
}

bool SensorPageLogic::ValidateSensorPage() {
    if (page_.lblLimitWarning->isVisibleTo(&page_) &&
        !messages_.askYesNo(texts_.text(57), text::MsgIcon::Exclamation))
        return false;

    bool valid = true;
    const auto check = [&](bool passes, int text) {
        if (passes)
            return;
        messages_.inform(texts_.text(text), text::MsgIcon::Critical);
        valid = false;
    };
    const double largest = device::ValDecimal(page_.cmbFormat->currentText());
    const double positive = device::ValDecimal(page_.txtRozsah->text());
    check(positive >= SmallestRange && positive <= largest, 58);
    const double negative = device::ValDecimal(page_.txtRozsahNeg->text());
    check(negative <= 0.0 && negative >= -largest, 70);
    const double overload = device::ValDecimal(page_.txtOverloadProc->text());
    check(overload >= SmallestOverload && overload <= LargestOverload, 59);
    const qsizetype description = trimBlanks(page_.txtPopis->text()).size();
    check(description >= 1 && description <= LongestDescription, 60);
    const qsizetype unit = trimBlanks(page_.txtJednotka->text()).size();
    check(unit >= 1 && unit <= LongestUnit, 61);
    return valid;
}

} // namespace sensor
