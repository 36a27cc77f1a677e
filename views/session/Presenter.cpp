#include "views/session/Presenter.h"

#include "core/instrument/PortDevices.h"
#include "core/session/Session.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"

namespace app {

namespace {

constexpr int NotToranText = 53;
constexpr int PortNotOpenedText = 54;
constexpr int NoDeviceText = 240;
constexpr int PermissionText = 241;
constexpr int JoinGroupText = 242;
constexpr int NewLoginText = 243;
constexpr int InUseText = 244;
constexpr int HolderText = 245;
constexpr int CloseHolderText = 246;
constexpr int VanishedText = 247;

// Commands to type, each on a line of its own.
QString commands(const QStringList& lines) {
    return QStringLiteral("\n\n    ") + lines.join(QStringLiteral("\n    "));
}

QString reason(const device::PortTrouble& trouble, const text::LanguageTable& texts) {
    using Kind = device::PortTrouble::Kind;
    switch (trouble.kind) {
    case Kind::None:
    case Kind::Other:
        return {};
    case Kind::NoSuchDevice:
        return texts.text(NoDeviceText);
    case Kind::PermissionDenied:
        if (trouble.group.isEmpty())
            return texts.text(PermissionText);
        return texts.text(PermissionText) + u' ' + texts.text(JoinGroupText) +
               commands({QStringLiteral("sudo usermod -aG %1 $USER").arg(trouble.group)}) +
               QStringLiteral("\n\n") + texts.text(NewLoginText);
    case Kind::InUse:
        return texts.text(InUseText) +
               (trouble.holder.isEmpty()
                    ? QString()
                    : u' ' + texts.text(HolderText) + u' ' + trouble.holder + u'.') +
               u' ' + texts.text(CloseHolderText);
    case Kind::Vanished:
#ifdef Q_OS_WIN
        // The usual takers of a fresh device, and the commands that show them, are Linux's.
        return {};
#else
        return texts.text(VanishedText) + commands({QStringLiteral("systemctl status ModemManager"),
                                                    QStringLiteral("dpkg -l brltty")});
#endif
    }
    return {};
}

} // namespace

QString Presenter::advice(const device::PortTrouble& trouble) const {
    const QString text = reason(trouble, texts_);
    if (text.isEmpty() || trouble.device.isEmpty())
        return text;
    return trouble.device + QStringLiteral(": ") + text;
}

void Presenter::tell(const session::ConnectOutcome& outcome, int port) const {
    int number = 0;
    switch (outcome.result) {
    case session::ConnectResult::Connected:
        return;
    case session::ConnectResult::PortNotOpened:
        number = PortNotOpenedText;
        break;
    case session::ConnectResult::NotToran:
        number = NotToranText;
        break;
    }
    // Named as the port list names it, as every message about a port that did not answer.
    const QString failure = device::onPort(port, texts_.text(number));
    const QString reason = advice(outcome.trouble);
    messages_.inform(reason.isEmpty() ? failure : failure + QStringLiteral("\n\n") + reason,
                     text::MsgIcon::Critical);
}

} // namespace app
