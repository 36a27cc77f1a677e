#pragma once

#include <QDialog>

class QWidget;

namespace text {
class LanguageTable;
}

namespace app {

// The small window F1 opens: the program's keys and what they do.
class KeysWindow : public QDialog {
    Q_OBJECT
public:
    KeysWindow(const text::LanguageTable& texts, QWidget* parent);
};

// The F1 action of the main window, which shows the keys window (made at its first use).
void addKeysWindow(QWidget& mainWindow, const text::LanguageTable& texts);

} // namespace app
