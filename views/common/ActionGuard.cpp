#include "views/common/ActionGuard.h"

#include "core/session/Session.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>

namespace {

constexpr char OpensModalProperty[] = "opensModalWindow";

} // namespace

namespace ui {

void opensModalWindow(QObject& trigger) {
    trigger.setProperty(OpensModalProperty, true);
}

} // namespace ui

namespace app {

namespace {

bool isInputTowardsTrigger(const QEvent& event) {
    switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::Shortcut:
        return true;
    default:
        return false;
    }
}

} // namespace

ActionGuard::ActionGuard(QWidget& window, session::Session& session)
    : QObject(&window), window_(window), session_(session) {
    connect(&session.runner(), &session::ActionRunner::busyChanged, this,
            [this](bool busy) { busy ? actionStarted() : actionEnded(); });
}

void ActionGuard::actionStarted() {
    focus_ = window_.focusWidget();
    step_ = static_cast<int>(session_.step());
    wasActive_ = window_.isActiveWindow();
    qApp->installEventFilter(this);
}

void ActionGuard::actionEnded() {
    qApp->removeEventFilter(this);
    if (window_.isHidden() || static_cast<int>(session_.step()) != step_)
        return;
    if (wasActive_ && !window_.isActiveWindow() && QApplication::activeModalWidget() == nullptr)
        window_.activateWindow();
    // The navigation lock moves the focus off a button it disables; it comes back here.
    if (focus_ != nullptr && focus_->isVisible() && focus_->isEnabled() &&
        focus_->focusPolicy() != Qt::NoFocus)
        focus_->setFocus(Qt::OtherFocusReason);
}

bool ActionGuard::opensModal(QObject* receiver) const {
    // A key action counts when it is marked itself; a control also when it lies inside a
    // marked one (a list's viewport inside the list).
    if (qobject_cast<QAction*>(receiver) != nullptr)
        return receiver->property(OpensModalProperty).toBool();
    for (QObject* object = receiver; object != nullptr; object = object->parent()) {
        if (object->property(OpensModalProperty).toBool())
            return true;
        if (const auto* widget = qobject_cast<QWidget*>(object); widget && widget->isWindow())
            break;
    }
    return false;
}

bool ActionGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu)
        return true;
    if (isInputTowardsTrigger(*event) && opensModal(watched))
        return true;
    return QObject::eventFilter(watched, event);
}

} // namespace app
