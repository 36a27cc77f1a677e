#include "views/common/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace app {

QTranslator* installQtTranslations(QCoreApplication& application, const QLocale& locale) {
    auto translator = std::make_unique<QTranslator>();
    // windeployqt merges Qt's catalogues into one "qt_<language>.qm"; a Qt installation also
    // has the base catalogue on its own.
    for (const QString& directory :
         {QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
          QLibraryInfo::path(QLibraryInfo::TranslationsPath)}) {
        for (const QString& catalogue : {QStringLiteral("qt"), QStringLiteral("qtbase")}) {
            if (translator->load(locale, catalogue, QStringLiteral("_"), directory)) {
                QTranslator* installed = translator.release();
                installed->setParent(&application);
                QCoreApplication::installTranslator(installed);
                return installed;
            }
        }
    }
    return nullptr;
}

} // namespace app
