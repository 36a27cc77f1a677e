#include "views/instrument/PortSearchAction.h"

#include "core/instrument/Identify.h"
#include "core/instrument/SerialLine.h"
#include "core/session/Session.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "views/instrument/PortPage.h"
#include "views/instrument/StatusPanel.h"

#include <QComboBox>

namespace app {

namespace {

constexpr int FoundText = 50;
constexpr int NotFoundText = 51;
constexpr int SearchingText = 341;
constexpr int GroupPermissionText = 617;
constexpr int AccessRefusedText = 618;

} // namespace

QString permissionAdvice(const text::LanguageTable& texts, const QString& group) {
#ifdef Q_OS_WIN
    Q_UNUSED(group);
    // Windows refuses access to a port that another program holds, too.
    return texts.text(AccessRefusedText);
#else
    const QString owner = group.isEmpty() ? QStringLiteral("dialout") : group;
    return texts.text(GroupPermissionText).replace(QStringLiteral("%1"), owner);
#endif
}

QString searchingText(const text::LanguageTable& texts, int port) {
    constexpr int PortCount = device::SerialLine::LastPort - device::SerialLine::FirstPort + 1;
    return texts.text(SearchingText)
        .arg(port)
        .arg(port - device::SerialLine::FirstPort + 1)
        .arg(PortCount);
}

bool runPortSearch(session::Session& session, PortPage& page, StatusPanel& status,
                   const text::LanguageTable& texts) {
    return session.runner().run([&](const device::Link& link) {
        text::MessageService& messages = session.outlets().messages;
        session.runner().disableNavigation();
        device::PortSearchResult found;
        {
            device::Lifecycle& lifecycle = session.runner().lifecycle();
            const CancelOffer cancel(status, lifecycle);
            status.showStatus();
            found = device::SearchInstrumentPort(link, [&](int port) {
                status.setStatusText(searchingText(texts, port));
                return !lifecycle.cancelRequested();
            });
            status.hideStatus();
        }
        // A search the operator stopped tells nothing and leaves the chosen port.
        if (found.cancelled) {
            session.runner().enableNavigation();
            return;
        }
        if (found.port > 0) {
            messages.inform(texts.text(FoundText) + u' ' + QString::number(found.port),
                            text::MsgIcon::Information);
            page.cmbPort->setCurrentIndex(found.port - 1);
        } else {
            QString text = texts.text(NotFoundText);
            if (found.permissionRefused)
                text += u' ' + permissionAdvice(texts, found.refusedGroup);
            messages.inform(text, text::MsgIcon::Exclamation);
        }
        session.runner().enableNavigation();
    });
}

} // namespace app
