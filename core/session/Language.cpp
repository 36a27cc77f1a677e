#include "core/session/Language.h"

#include <QSettings>

namespace session {

namespace {

QString key() {
    return QStringLiteral("Default/Language");
}

} // namespace

QString languageCode(Language language) {
    switch (language) {
    case Language::English:
        return QStringLiteral("en");
    case Language::Czech:
        break;
    }
    return QStringLiteral("cs");
}

std::optional<Language> languageOfCode(QStringView code) {
    for (const Language language : Languages)
        if (code.trimmed().compare(languageCode(language), Qt::CaseInsensitive) == 0)
            return language;
    return std::nullopt;
}

QString languageFileName(Language language) {
    if (language == Language::Czech)
        return QStringLiteral("ToranCal.lang");
    return QStringLiteral("ToranCal-%1.lang").arg(languageCode(language));
}

QLocale languageLocale(Language language) {
    switch (language) {
    case Language::English:
        return QLocale(QLocale::English, QLocale::UnitedKingdom);
    case Language::Czech:
        break;
    }
    return QLocale(QLocale::Czech, QLocale::Czechia);
}

std::optional<Language> LanguageSetting::language() const {
    return languageOfCode(store_.value(key()).toString());
}

void LanguageSetting::setLanguage(Language language) {
    store_.setValue(key(), languageCode(language));
    store_.sync();
}

Language chooseLanguage(const LanguageSources& sources,
                        const std::function<bool(Language)>& hasFile) {
    std::optional<Language> chosen = sources.commandLine ? sources.commandLine : sources.setting;
    if (!chosen)
        chosen = languageOfCode(QLocale::languageToCode(sources.system.language()));
    if (!chosen || !hasFile(*chosen))
        return Language::Czech;
    return *chosen;
}

} // namespace session
