#include "views/Presenter.h"

#include "core/session/Session.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"

namespace app {

namespace {

constexpr int NotToranText = 53;
constexpr int PortNotOpenedText = 54;

} // namespace

void Presenter::tell(session::ConnectResult result) const {
    switch (result) {
    case session::ConnectResult::Connected:
        return;
    case session::ConnectResult::PortNotOpened:
        messages_.inform(texts_.text(PortNotOpenedText), text::MsgIcon::Critical);
        return;
    case session::ConnectResult::NotToran:
        messages_.inform(texts_.text(NotToranText), text::MsgIcon::Critical);
        return;
    }
}

} // namespace app
