#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>
#include <array>
#include <functional>
#include <optional>

class QSettings;

// The program's language: which language file the window reads and which of Qt's own
// translations go with it.
namespace session {

enum class Language { Czech, English };

inline constexpr std::array Languages{Language::Czech, Language::English};

// "cs", "en": the word of the command line and of the setting.
[[nodiscard]] QString languageCode(Language language);
[[nodiscard]] std::optional<Language> languageOfCode(QStringView code);

// "ToranCal.lang" for Czech, "ToranCal-en.lang" for English.
[[nodiscard]] QString languageFileName(Language language);

// The locale whose Qt translations go with the language (the standard buttons' words).
[[nodiscard]] QLocale languageLocale(Language language);

// The language the operator chose in the window, kept as its code under "Default"/"Language";
// nothing when none was chosen or the stored word names no language.
class LanguageSetting {
public:
    explicit LanguageSetting(QSettings& store) : store_(store) {}
    LanguageSetting(const LanguageSetting&) = delete;
    LanguageSetting& operator=(const LanguageSetting&) = delete;

    [[nodiscard]] std::optional<Language> language() const;
    void setLanguage(Language language);

private:
    QSettings& store_;
};

// Where the language can come from, the first that is given winning.
struct LanguageSources {
    std::optional<Language> commandLine;
    std::optional<Language> setting;
    QLocale system;
};

// The command line's language, else the setting's, else the system's when it is one of the
// program's, else Czech. A language whose file is missing gives way to Czech, so the window
// never shows empty captions for want of a file that the Czech one would fill.
[[nodiscard]] Language chooseLanguage(const LanguageSources& sources,
                                      const std::function<bool(Language)>& hasFile);

} // namespace session
