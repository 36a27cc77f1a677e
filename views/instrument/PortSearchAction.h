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
class StatusPanel;

// The sentence added to the "not found" message when some port refused access; `group` owns
// the refused port ("dialout" when the system does not tell).
[[nodiscard]] QString permissionAdvice(const text::LanguageTable& texts, const QString& group);

// The status panel's text while the search tries `port`: the port and "n of 49".
[[nodiscard]] QString searchingText(const text::LanguageTable& texts, int port);

// The search button: probes every port for the instrument with the navigation disabled and the
// port being tried on the status panel, tells the operator what it found and selects that port.
// The panel's cancel button (Esc) stops it without a word. The port is left closed and the
// remembered port unchanged. False when another action held the line.
bool runPortSearch(session::Session& session, PortPage& page, StatusPanel& status,
                   const text::LanguageTable& texts);

} // namespace app
