#pragma once

#include "core/certificate/CertificateData.h"
#include "core/records/RecordStore.h"
#include "views/calibration/CurveSheet.h"

#include <optional>

namespace app {

// The certificate of the calibration `recorded` (the store's answer when it was recorded) when
// the sheet still shows it: the same sensor and the same points as written. None for a record
// not in the database (pending or failed) and once the curve or the sensor has changed, so the
// report of a calibration in progress stays a report.
[[nodiscard]] std::optional<certificate::CertificateData>
recordedCertificate(const records::RecordKeeper& store, const records::WriteResult& recorded,
                    const calibration::CurveSheet& sheet);

} // namespace app
