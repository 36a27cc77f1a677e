#include "views/session/KeysWindow.h"

#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "views/common/Controls.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPointer>
#include <memory>
#include <utility>

namespace app {

namespace {

constexpr int TitleText = 344;
constexpr int LanguageText = 600;
constexpr int NextStartText = 601;

// Each key with the number of the text that says what it does.
constexpr std::pair<Qt::Key, int> Keys[] = {
    {Qt::Key_F1, 345}, {Qt::Key_F2, 431},     {Qt::Key_F3, 510},    {Qt::Key_F4, 496},
    {Qt::Key_F5, 346}, {Qt::Key_F6, 347},     {Qt::Key_F7, 348},    {Qt::Key_F8, 349},
    {Qt::Key_F9, 350}, {Qt::Key_Delete, 351}, {Qt::Key_Enter, 352}, {Qt::Key_Escape, 353},
};

// Each language by its own name, in the order of session::Languages; a choice is kept and
// takes effect at the next start.
QComboBox* makeLanguageBox(QWidget& parent, const text::LanguageTable& texts,
                           const LanguageChoice& choice) {
    auto* box = ui::makeControl<QComboBox>(&parent, QStringLiteral("cmbLanguage"));
    const session::Language shown = choice.setting->language().value_or(choice.current);
    for (const session::Language language : session::Languages) {
        QString name = session::languageLocale(language).nativeLanguageName();
        box->addItem(name.left(1).toUpper() + name.mid(1));
        if (language == shown)
            box->setCurrentIndex(box->count() - 1);
    }
    QObject::connect(box, &QComboBox::activated, &parent, [&texts, choice](int index) {
        const session::Language chosen = session::Languages.at(static_cast<std::size_t>(index));
        if (choice.setting->language().value_or(choice.current) == chosen)
            return;
        choice.setting->setLanguage(chosen);
        if (choice.messages != nullptr)
            choice.messages->inform(texts.text(NextStartText), text::MsgIcon::Information);
    });
    return box;
}

} // namespace

KeysWindow::KeysWindow(const text::LanguageTable& texts, const LanguageChoice& language,
                       QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmKeys"));
    setWindowTitle(texts.text(TitleText));
    auto* layout = new QFormLayout(this);
    for (const auto& [key, number] : Keys) {
        auto* name = ui::makeControl<QLabel>(this, QStringLiteral("lblKey"));
        name->setText(QKeySequence(key).toString(QKeySequence::NativeText));
        QFont bold = name->font();
        bold.setBold(true);
        name->setFont(bold);
        auto* what = ui::makeControl<QLabel>(this, QStringLiteral("lblKeyText"));
        what->setText(texts.text(number));
        layout->addRow(name, what);
    }
    if (language.setting != nullptr) {
        auto* caption = ui::makeControl<QLabel>(this, QStringLiteral("lblLanguage"));
        caption->setText(texts.text(LanguageText));
        layout->addRow(caption, makeLanguageBox(*this, texts, language));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addRow(buttons);
}

void addKeysWindow(QWidget& mainWindow, const text::LanguageTable& texts,
                   const LanguageChoice& language) {
    QAction* open =
        ui::makeAction(mainWindow, QStringLiteral("keysAction"), QKeySequence(Qt::Key_F1));
    auto window = std::make_shared<QPointer<KeysWindow>>();
    QObject::connect(open, &QAction::triggered, &mainWindow,
                     [&mainWindow, &texts, language, window] {
                         if (window->isNull())
                             *window = new KeysWindow(texts, language, &mainWindow);
                         (*window)->show();
                         (*window)->raise();
                         (*window)->activateWindow();
                     });
}

} // namespace app
