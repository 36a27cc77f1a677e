#include "views/session/SensorView.h"

#include "core/calibration/CurveTable.h"
#include "core/text/LanguageTable.h"
#include "core/text/NumberText.h"
#include "views/calibration/CurveEditor.h"
#include "views/calibration/CurvePage.h"
#include "views/common/Controls.h"
#include "views/instrument/SignalPanels.h"
#include "views/instrument/SystemCalibrationFrame.h"
#include "views/sensor/SensorPage.h"

#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

namespace sensor {

namespace {

constexpr int RangeCount = 8;
constexpr int SmallestAverage = 2;

const QColor ExternalLamp(0, 255, 0);
const QColor InternalLamp(255, 255, 0);

int entryNumber(const QString& entry) {
    return static_cast<int>(device::ValDecimal(entry));
}

void setBoxColour(QLineEdit& box, const QColor& colour) {
    QPalette palette = box.palette();
    palette.setColor(QPalette::Base, colour);
    box.setPalette(palette);
}

QStringList entriesOf(const QComboBox& list) {
    QStringList entries;
    entries.reserve(list.count());
    for (int i = 0; i < list.count(); ++i)
        entries.append(list.itemText(i));
    return entries;
}

} // namespace

int formatEntryIndex(int entryCount, int decimals) {
    const int wanted = std::max(decimals, 0);
    return entryCount > wanted ? wanted : entryCount - 1;
}

int gainEntryIndex(int gainIndex) {
    return gainIndex >= 0 && gainIndex < RangeCount ? gainIndex : 0;
}

int slideEntryIndex(const QStringList& entries, int slide) {
    if (slide < SmallestAverage)
        return 0;
    for (int i = 0; i < entries.size(); ++i)
        if (entryNumber(entries.at(i)) >= slide)
            return i;
    return 0;
}

int slideRychlEntryIndex(const QStringList& entries, int slideRychl) {
    if (slideRychl < SmallestAverage)
        return 0;
    for (int i = 0; i < entries.size(); ++i)
        if (entryNumber(entries.at(i)) == slideRychl)
            return i;
    return 0;
}

SensorView::SensorView(Controls controls, const SensorState& sensors,
                       const text::LanguageTable& texts)
    : controls_(controls), sensors_(sensors), texts_(texts) {}

void SensorView::ShowSensor() {
    const SensorRecord& sensor = sensors_.CurrentSensor;
    const int count = std::clamp(static_cast<int>(sensor.CurvePointCount), 0, MaxCurvePoints);
    controls_.curvePage.Label3->setText(QString::number(count));

    SensorPage& page = controls_.page;
    page.txtJednotka->setText(sensor.UnitName.text());
    controls_.instrumentDisplay.lblJednotkaDISP->setText(sensor.UnitName.text());
    page.txtPopis->setText(sensor.Description.text());
    showHeader();
    selectSettings();
    controls_.curveEditor.FillCurveList();
}

void SensorView::showHeader() {
    const bool external = sensors_.workingOnExternal();
    const SensorRecord& sensor = sensors_.CurrentSensor;
    controls_.page.setTitle(texts_.text(45) +
                            (external ? QStringLiteral(" [EXT ID:") : QStringLiteral(" [INT ID:")) +
                            sensor.SensorId.text() + QStringLiteral("]"));
    QLabel& lamp = *controls_.signalDisplay.lblIIntExt;
    lamp.setText(external ? QStringLiteral("EXT") : QStringLiteral("INT"));
    ui::setLampColour(lamp, external ? ExternalLamp : InternalLamp);
    lamp.setVisible(true);
}

void SensorView::selectSettings() {
    const SensorRecord& sensor = sensors_.CurrentSensor;
    SensorPage& page = controls_.page;
    page.cmbFormat->setCurrentIndex(formatEntryIndex(page.cmbFormat->count(), sensor.Decimals));
    page.cmbGain->setCurrentIndex(gainEntryIndex(sensor.GainIndex));
    page.txtDateOfSave->setText(sensor.SaveDate.text());
    page.cmbSlide->setCurrentIndex(slideEntryIndex(entriesOf(*page.cmbSlide), sensor.Slide));
    page.cmbSlideRychl->setCurrentIndex(
        slideRychlEntryIndex(entriesOf(*page.cmbSlideRychl), sensor.SlideRychl));
}

void SensorView::MarkSensorRange(int gainIndex) {
    calibration::SystemCalibrationFrame& boxes = controls_.rangeBoxes;
    for (std::size_t i = 0; i < calibration::SystemCalibrationFrame::Ranges; ++i) {
        setBoxColour(*boxes.txtskK[i], Qt::white);
        setBoxColour(*boxes.txtskN[i], Qt::white);
    }
    // The record keeps the range in three bits, as the read-out uses it.
    const auto range = static_cast<std::size_t>(gainIndex & 7);
    const QColor marked(MarkedRangeRed, MarkedRangeGreen, MarkedRangeBlue);
    setBoxColour(*boxes.txtskK[range], marked);
    setBoxColour(*boxes.txtskN[range], marked);
}

} // namespace sensor
