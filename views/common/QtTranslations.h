#pragma once

class QCoreApplication;
class QLocale;
class QTranslator;

namespace app {

// Installs Qt's own translations for `locale` (the standard buttons and dialogs: "Ano", "Ne"),
// from a "translations" directory beside the program, where a Windows installation ships them,
// else from the Qt installation. The translator belongs to the application; nullptr when no
// translation for the locale was found, and the buttons stay in English.
QTranslator* installQtTranslations(QCoreApplication& application, const QLocale& locale);

} // namespace app
