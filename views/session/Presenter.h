#pragma once

#include <QString>

namespace device {
struct PortTrouble;
}
namespace session {
struct ConnectOutcome;
}
namespace text {
class LanguageTable;
class MessageService;
} // namespace text

namespace app {

// Turns the results of the session's actions into the numbered texts of the language file and
// the message boxes the operator sees.
class Presenter {
public:
    Presenter(text::MessageService& messages, const text::LanguageTable& texts)
        : messages_(messages), texts_(texts) {}

    // Tells why `port` could not be used, and what to do about it where the system tells;
    // nothing for a connection that succeeded.
    void tell(const session::ConnectOutcome& outcome, int port) const;

private:
    // The device and what the operator can do about its trouble; empty when nothing is known.
    [[nodiscard]] QString advice(const device::PortTrouble& trouble) const;

    text::MessageService& messages_;
    const text::LanguageTable& texts_;
};

} // namespace app
