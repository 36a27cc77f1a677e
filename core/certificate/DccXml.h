#pragma once

#include "core/certificate/CertificateData.h"

#include <QByteArray>

namespace certificate {

// The certificate as a Digital Calibration Certificate: UTF-8 XML of DCC schema version 3.3.0
// with values and units in D-SI (see docs/certificate.md).
[[nodiscard]] QByteArray dccXml(const CertificateData& data);

} // namespace certificate
