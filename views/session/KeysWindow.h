#pragma once

#include <QDialog>

class QWidget;

#include "core/session/Language.h"

namespace text {
class LanguageTable;
class MessageService;
} // namespace text

namespace app {

// The program's language as the keys window offers it: the setting a choice goes into, the
// language the program runs in, and where the note that it takes effect at the next start goes.
// Without a setting the window offers no choice.
struct LanguageChoice {
    session::LanguageSetting* setting = nullptr;
    session::Language current = session::Language::Czech;
    text::MessageService* messages = nullptr;
};

// The small window F1 opens: the program's keys and what they do, and the program's language.
class KeysWindow : public QDialog {
    Q_OBJECT
public:
    KeysWindow(const text::LanguageTable& texts, const LanguageChoice& language, QWidget* parent);
};

// The F1 action of the main window, which shows the keys window (made at its first use).
void addKeysWindow(QWidget& mainWindow, const text::LanguageTable& texts,
                   const LanguageChoice& language);

} // namespace app
