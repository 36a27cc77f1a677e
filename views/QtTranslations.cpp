#include "views/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace app {

QTranslator* installQtTranslations(QCoreApplication& application, const QLocale& locale) {
    auto translator = std::make_unique<QTranslator>();
    for (const QString& directory :
         {QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
          QLibraryInfo::path(QLibraryInfo::TranslationsPath)}) {
        if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), directory)) {
            QTranslator* installed = translator.release();
            installed->setParent(&application);
            QCoreApplication::installTranslator(installed);
            return installed;
        }
    }
    return nullptr;
}

} // namespace app
