#include "views/PortSearchAction.h"

#include "core/instrument/Identify.h"
#include "core/text/MessageService.h"
#include "views/PortPage.h"
#include "views/frmOrvoCalibration.h"

#include <QComboBox>

namespace app {

namespace {

constexpr int FoundText = 50;
constexpr int NotFoundText = 51;

} // namespace

QString permissionAdvice() {
#ifdef Q_OS_WIN
    // Windows refuses access to a port that another program holds, too.
    return QStringLiteral("Některé sériové porty odmítly přístup; zavřete programy, které je "
                          "mohou používat, nebo požádejte správce počítače o oprávnění.");
#else
    return QStringLiteral("Některé sériové porty nešlo otevřít pro nedostatek oprávnění; "
                          "přidejte uživatele do skupiny \"dialout\" (sudo usermod -aG dialout "
                          "$USER) a znovu se přihlaste.");
#endif
}

bool runPortSearch(frmOrvoCalibration& window) {
    return window.runExclusive([&window] {
        const Services& services = window.services();
        window.DisableNavigation();
        const device::PortSearchResult found =
            device::SearchInstrumentPort({services.line, services.clock});
        if (found.port > 0) {
            services.messages.inform(window.LangText().text(FoundText) + u' ' +
                                         QString::number(found.port),
                                     text::MsgIcon::Information);
            window.fraCOMM->cmbPort->setCurrentIndex(found.port - 1);
        } else {
            QString text = window.LangText().text(NotFoundText);
            if (found.permissionRefused)
                text += u' ' + permissionAdvice();
            services.messages.inform(text, text::MsgIcon::Exclamation);
        }
        window.EnableNavigation();
    });
}

} // namespace app
