#include "views/common/Controls.h"

#include <QAction>
#include <QColor>
#include <QLabel>
#include <QPalette>

namespace ui {

void setLampColour(QLabel& label, const QColor& colour) {
    QPalette palette = label.palette();
    const int luma = (299 * colour.red() + 587 * colour.green() + 114 * colour.blue()) / 1000;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, colour);
        palette.setColor(group, QPalette::WindowText, luma < 128 ? Qt::white : Qt::black);
    }
    palette.setColor(QPalette::Disabled, QPalette::Window, QColor(192, 192, 192));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
    label.setPalette(palette);
    label.setAutoFillBackground(true);
}

void setTextColour(QLabel& label, const QColor& colour) {
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, colour);
    label.setPalette(palette);
}

QAction* makeAction(QWidget& owner, const QString& name, const QKeySequence& key,
                    const QString& text) {
    auto* action = new QAction(text, &owner);
    action->setObjectName(name);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    owner.addAction(action);
    return action;
}

namespace {
constexpr char ContextMenuProperty[] = "inContextMenu";
}

void offerInContextMenu(QAction& action) {
    action.setProperty(ContextMenuProperty, true);
}

QList<QAction*> contextMenuActions(const QWidget& owner) {
    QList<QAction*> offered;
    for (QAction* action : owner.actions())
        if (action->property(ContextMenuProperty).toBool())
            offered.append(action);
    return offered;
}

} // namespace ui
