#pragma once

#include "core/instrument/Link.h"

#include <QString>
#include <QStringList>

namespace text {
class LanguageTable;
}

namespace session {

class Session;

// The system calibration of the instrument's gain ranges on the session's constants: the zero
// and the constant of the active range from the live signal, factory defaults, writing all 16
// constants and the reset.
class SystemCalibration {
public:
    explicit SystemCalibration(Session& session) : session_(session) {}

    // These send nothing.
    void SetNula();
    void SetGain2mVV();
    void LoadDefaultConstants();
    // The write: every constant checked (a box that is not one number refuses the whole save before
    // anything is sent), then all written, then ResetInstrument.
    void SaveSystemCalibration(const device::Link& link);
    // RESET: the instrument reset, its setup and sensors read again (the operator's curve points
    // stay) and the polling started, so the boxes and the live signal are the instrument's.
    void ResetInstrument(const device::Link& link);

private:
    [[nodiscard]] int activeRange() const;
    // True, after telling the operator that the instrument is not answering, when the live
    // values are not fresh (device::readingFresh).
    bool signalStale();

    Session& session_;
};

// Shown when a box holds a number the instrument cannot store; nothing is written.
[[nodiscard]] QString constantNotStorableMessage(const text::LanguageTable& texts,
                                                 const QString& boxName, const QString& text);
// Shown after the writes when some constants were not confirmed by the instrument.
[[nodiscard]] QString constantsNotWrittenMessage(const text::LanguageTable& texts,
                                                 const QStringList& boxNames);
// Text shown when the 2 mV/V signal does not differ from the zero of the range.
inline constexpr int GainNotDeterminedText = 111;

} // namespace session
