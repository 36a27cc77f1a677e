#include "views/sensor/SensorPageLogic.h"

#include "core/calibration/CurveTable.h"
#include "core/sensor/SensorSettings.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "views/sensor/SensorPage.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <array>

namespace sensor {

namespace {

constexpr int NoDescriptionText = 41;
constexpr int DuplicatePointsText = 38;
constexpr int TooFewPointsText = 39;
constexpr int TooManyPointsText = 40;
constexpr int PositiveRangeText = 218;
constexpr int NegativeRangeText = 219;
constexpr int RangeNotStorableText = 616;
constexpr int LimitWarningText = 57;

int faultText(SettingsFault fault) {
    switch (fault) {
    case SettingsFault::PositiveRange:
        return 58;
    case SettingsFault::NegativeRange:
        return 70;
    case SettingsFault::Overload:
        return 59;
    case SettingsFault::Description:
        return 60;
    case SettingsFault::Unit:
        return 61;
    }
    return 0;
}

std::array<QLineEdit*, 6> boxesOf(const SensorPage& page) {
    return {page.txtPopis,     page.txtJednotka,     page.txtRozsah,
            page.txtRozsahNeg, page.txtOverloadProc, page.txtDateOfSave};
}

std::array<QComboBox*, 4> listsOf(const SensorPage& page) {
    return {page.cmbFormat, page.cmbGain, page.cmbSlide, page.cmbSlideRychl};
}

// Shown when a measuring range is too large for the instrument's number code.
QString rangeNotStorableMessage(const text::LanguageTable& texts, bool positive) {
    return texts.text(RangeNotStorableText)
        .arg(texts.text(positive ? PositiveRangeText : NegativeRangeText));
}

} // namespace

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

PageEntries SensorPageLogic::entries() const {
    PageEntries entries{page_.title(), {}, {}};
    for (const QLineEdit* box : boxesOf(page_))
        entries.texts.append(box->text());
    for (const QComboBox* list : listsOf(page_))
        entries.choices.append(list->currentIndex());
    return entries;
}

void SensorPageLogic::restoreEntries(const PageEntries& entries) {
    page_.setTitle(entries.title);
    const auto boxes = boxesOf(page_);
    for (std::size_t i = 0; i < boxes.size() && i < std::size_t(entries.texts.size()); ++i)
        boxes[i]->setText(entries.texts.at(static_cast<qsizetype>(i)));
    const auto lists = listsOf(page_);
    for (std::size_t i = 0; i < lists.size() && i < std::size_t(entries.choices.size()); ++i)
        lists[i]->setCurrentIndex(entries.choices.at(static_cast<qsizetype>(i)));
    RefreshRangeCaptions();
}

SensorSettings SensorPageLogic::settings() const {
    return {page_.txtPopis->text(),
            page_.txtJednotka->text(),
            page_.txtRozsah->text(),
            page_.txtRozsahNeg->text(),
            page_.txtOverloadProc->text(),
            page_.cmbFormat->currentText(),
            page_.cmbFormat->currentIndex(),
            page_.cmbGain->currentIndex(),
            page_.cmbSlide->currentIndex(),
            page_.cmbSlide->currentText(),
            page_.cmbSlideRychl->currentIndex(),
            page_.cmbSlideRychl->currentText()};
}

bool SensorPageLogic::acceptCurve() {
    const CurvePreparation prepared = prepareCurveForSensor(table_);
    if (prepared.reordered)
        emit curveTableChanged();
    if (!prepared.fault)
        return true;
    switch (*prepared.fault) {
    case CurveFault::Duplicate:
        messages_.inform(calibration::DuplicateMessage(*table_.FindCurveDuplicate(), texts_),
                         text::MsgIcon::Critical);
        messages_.inform(texts_.text(DuplicatePointsText), text::MsgIcon::Critical);
        break;
    case CurveFault::TooFewPoints:
        messages_.inform(texts_.text(TooFewPointsText), text::MsgIcon::Critical);
        break;
    case CurveFault::TooManyPoints:
        messages_.inform(texts_.text(TooManyPointsText), text::MsgIcon::Critical);
        break;
    }
    return false;
}

bool SensorPageLogic::TXT2XXX(std::uint8_t cOptions) {
    if (!acceptCurve())
        return false;
    const CopyContext context{sources_.displayDigits(), sources_.now(), sources_.random, cOptions};
    const auto fault = copySensorSettings(settings(), table_, context, sensors_.CurrentSensor);
    if (!fault)
        return true;
    if (*fault == CopyFault::NoDescription)
        messages_.inform(texts_.text(NoDescriptionText), text::MsgIcon::Critical);
    else
        messages_.inform(
            rangeNotStorableMessage(texts_, *fault == CopyFault::PositiveRangeNotStorable),
            text::MsgIcon::Critical);
    return false;
}

bool SensorPageLogic::ValidateSensorPage() {
    if (page_.lblLimitWarning->isVisibleTo(&page_) &&
        !messages_.askYesNo(texts_.text(LimitWarningText), text::MsgIcon::Exclamation))
        return false;
    const QList<SettingsFault> faults = checkSensorSettings(settings());
    for (const SettingsFault fault : faults)
        messages_.inform(texts_.text(faultText(fault)), text::MsgIcon::Critical);
    return faults.isEmpty();
}

} // namespace sensor
