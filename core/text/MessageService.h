#pragma once

#include <QString>

namespace text {

enum class MsgIcon { None, Critical, Exclamation, Information, Question };
enum class MsgButtons { Ok, YesNo };
enum class MsgAnswer { Ok, Yes, No };

// Every message box of the program goes through here, so tests can read and answer them.
class MessageService {
public:
    virtual ~MessageService() = default;
    virtual MsgAnswer show(const QString& text, MsgIcon icon, MsgButtons buttons,
                           MsgAnswer defaultAnswer) = 0;

    void inform(const QString& text, MsgIcon icon) {
        show(text, icon, MsgButtons::Ok, MsgAnswer::Ok);
    }
    // A Yes/No question with No as the default; true only for Yes.
    [[nodiscard]] bool askYesNo(const QString& text, MsgIcon icon) {
        return show(text, icon, MsgButtons::YesNo, MsgAnswer::No) == MsgAnswer::Yes;
    }
    // An information with OK (the default, also on Escape) and a second button captioned
    // `second`; true only when the second was pressed. Without a second button of its own, a
    // service shows the plain information.
    [[nodiscard]] virtual bool offer(const QString& text, MsgIcon icon, const QString& second) {
        (void)second;
        inform(text, icon);
        return false;
    }
};

} // namespace text
