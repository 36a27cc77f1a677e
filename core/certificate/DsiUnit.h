#pragma once

#include <QString>
#include <optional>

namespace certificate {

// The D-SI text of a unit as the operator types it on the sensor page ("kN" -> "\kilo\newton"),
// or none for a unit without one; the certificate then gives such values in "\one" and keeps
// the typed text beside them.
[[nodiscard]] std::optional<QString> dsiUnit(const QString& typed);

} // namespace certificate
