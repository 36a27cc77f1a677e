#pragma once

namespace session {
enum class ConnectResult;
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

    // Tells why the port could not be used; nothing for a connection that succeeded.
    void tell(session::ConnectResult result) const;

private:
    text::MessageService& messages_;
    const text::LanguageTable& texts_;
};

} // namespace app
