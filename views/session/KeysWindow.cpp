#include "views/session/KeysWindow.h"

#include "core/text/LanguageTable.h"
#include "views/common/Controls.h"

#include <QAction>
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

// Each key with the number of the text that says what it does.
constexpr std::pair<Qt::Key, int> Keys[] = {
    {Qt::Key_F1, 345}, {Qt::Key_F2, 431},     {Qt::Key_F3, 510},    {Qt::Key_F4, 496},
    {Qt::Key_F5, 346}, {Qt::Key_F6, 347},     {Qt::Key_F7, 348},    {Qt::Key_F8, 349},
    {Qt::Key_F9, 350}, {Qt::Key_Delete, 351}, {Qt::Key_Enter, 352}, {Qt::Key_Escape, 353},
};

} // namespace

KeysWindow::KeysWindow(const text::LanguageTable& texts, QWidget* parent) : QDialog(parent) {
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
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addRow(buttons);
}

void addKeysWindow(QWidget& mainWindow, const text::LanguageTable& texts) {
    QAction* open =
        ui::makeAction(mainWindow, QStringLiteral("keysAction"), QKeySequence(Qt::Key_F1));
    auto window = std::make_shared<QPointer<KeysWindow>>();
    QObject::connect(open, &QAction::triggered, &mainWindow, [&mainWindow, &texts, window] {
        if (window->isNull())
            *window = new KeysWindow(texts, &mainWindow);
        (*window)->show();
        (*window)->raise();
        (*window)->activateWindow();
    });
}

} // namespace app
