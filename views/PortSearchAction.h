#pragma once

#include <QString>

namespace session {
class Session;
}
namespace text {
class LanguageTable;
}

namespace app {

class PortPage;

// The sentence added to the "not found" message when some port refused access; `group` owns
// the refused port ("dialout" when the system does not tell).
[[nodiscard]] QString permissionAdvice(const QString& group);

// The search button: probes every port for the instrument with the navigation disabled, tells
// the operator what it found and selects that port. The port is left closed and the remembered
// port unchanged. False when another action held the line.
bool runPortSearch(session::Session& session, PortPage& page, const text::LanguageTable& texts);

} // namespace app
