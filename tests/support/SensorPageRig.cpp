#include "tests/support/SensorPageRig.h"

#include "core/instrument/SetupReadout.h"
#include "core/session/StartUp.h"

#include <QComboBox>

namespace testsupport {

SensorPageRig::SensorPageRig(int displayDigits, const QDateTime& time)
    : digits(displayDigits), now(time) {
    for (int n = text::LanguageTable::First; n <= text::LanguageTable::Last; ++n)
        texts.set(n, QStringLiteral("T%1").arg(n));
    page.cmbSlide->addItems(session::SlideEntries());
    page.cmbSlideRychl->addItems(session::SlideRychlEntries());
    page.cmbGain->addItems(session::GainEntries());
    page.cmbFormat->addItems(device::displayFormats(displayDigits));
}

} // namespace testsupport
