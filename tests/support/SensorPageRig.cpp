#include "tests/support/SensorPageRig.h"

#include "app/StartUp.h"
#include "device/SetupReadout.h"

#include <QComboBox>

namespace testsupport {

SensorPageRig::SensorPageRig(int displayDigits, const QDateTime& time)
    : digits(displayDigits), now(time) {
    for (int n = ui::LanguageTable::First; n <= ui::LanguageTable::Last; ++n)
        texts.set(n, QStringLiteral("T%1").arg(n));
    page.cmbSlide->addItems(app::SlideEntries());
    page.cmbSlideRychl->addItems(app::SlideRychlEntries());
    page.cmbGain->addItems(app::GainEntries());
    page.cmbFormat->addItems(device::displayFormats(displayDigits));
}

} // namespace testsupport
