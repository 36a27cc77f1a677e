#pragma once

#include "core/calibration/CurveTable.h"
#include "core/text/LanguageTable.h"
#include "tests/support/ScriptedMessages.h"
#include "views/SensorPage.h"
#include "views/SensorPageLogic.h"
#include "views/Twips.h"

#include <QDateTime>

namespace testsupport {

// The sensor page with its checks and its copy into the record, outside the window: the choice
// lists filled as at start-up, language text n reading "Tn", a fixed clock and no randomness.
struct SensorPageRig {
    SensorPageRig(int displayDigits, const QDateTime& time);

    sensor::SensorPage page{nullptr, ui::Twips(96)};
    calibration::CurveTable table;
    sensor::SensorState sensors;
    ScriptedMessages messages;
    text::LanguageTable texts;
    int digits;
    QDateTime now;
    sensor::SensorPageLogic logic{
        page,     table, sensors,
        messages, texts, {[this] { return digits; }, [this] { return now; }, [] { return 0.0; }}};
};

} // namespace testsupport
