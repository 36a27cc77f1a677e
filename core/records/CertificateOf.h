#pragma once

#include "core/certificate/CertificateData.h"
#include "core/records/Records.h"

#include <optional>

namespace records {

class RecordKeeper;

// The certificate of a recorded calibration: everything as recorded, with its corrections
// applied. The laboratory is the bench (host name), the issue date the day it was recorded
// (UTC), so the certificate printed again is the same. What the record does not hold stays
// empty, which the certificate prints as "not stated"; a gain range of 0 is not known.
[[nodiscard]] certificate::CertificateData
certificateOf(const CalibrationRecord& recorded, const std::optional<ReferenceStandard>& standard,
              double gainRange);

// The same with the reference standard from the store and the gain range from the sensor block
// as left (as found without an as-left snapshot).
[[nodiscard]] certificate::CertificateData certificateOf(const CalibrationRecord& recorded,
                                                         const RecordKeeper& store);

} // namespace records
