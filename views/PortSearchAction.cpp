#include "views/PortSearchAction.h"

#include "core/instrument/Identify.h"
#include "core/session/Session.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "views/PortPage.h"

#include <QComboBox>

namespace app {

namespace {

constexpr int FoundText = 50;
constexpr int NotFoundText = 51;

} // namespace

QString permissionAdvice(const QString& group) {
#ifdef Q_OS_WIN
    Q_UNUSED(group);
    // Windows refuses access to a port that another program holds, too.
    return QStringLiteral("Některé sériové porty odmítly přístup; zavřete programy, které je "
                          "mohou používat, nebo požádejte správce počítače o oprávnění.");
#else
    const QString owner = group.isEmpty() ? QStringLiteral("dialout") : group;
    return QStringLiteral("Některé sériové porty nešlo otevřít pro nedostatek oprávnění; "
                          "přidejte uživatele do skupiny \"%1\" (sudo usermod -aG %1 "
                          "$USER) a znovu se přihlaste.")
        .arg(owner);
#endif
}

bool runPortSearch(session::Session& session, PortPage& page, const text::LanguageTable& texts) {
    return session.runner().run([&](const device::Link& link) {
        text::MessageService& messages = session.outlets().messages;
        session.runner().disableNavigation();
        const device::PortSearchResult found = device::SearchInstrumentPort(link);
        if (found.port > 0) {
            messages.inform(texts.text(FoundText) + u' ' + QString::number(found.port),
                            text::MsgIcon::Information);
            page.cmbPort->setCurrentIndex(found.port - 1);
        } else {
            QString text = texts.text(NotFoundText);
            if (found.permissionRefused)
                text += u' ' + permissionAdvice(found.refusedGroup);
            messages.inform(text, text::MsgIcon::Exclamation);
        }
        session.runner().enableNavigation();
    });
}

} // namespace app
