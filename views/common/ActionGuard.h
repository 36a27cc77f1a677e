#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace session {
class Session;
}

namespace ui {

// Marks a control or a key action that opens a modal window of our own (a dialog, a question, a
// file dialog): while an action holds the line, the ActionGuard lets no input reach it.
void opensModalWindow(QObject& trigger);

} // namespace ui

namespace app {

// What the main window does around every action of the session's runner. A modal window or a
// context menu runs an event loop of its own; opened during an action, it would hold the
// action's wait until it closes, and a byte's deadline would pass. So while an action holds the
// line, no context menu opens and the controls marked by ui::opensModalWindow take no input
// (the action's own messages and non-modal windows are not affected). When the action ends,
// whatever its result, the keyboard focus goes back to the control that had it, unless the
// action moved the wizard to another page, which places the focus itself.
class ActionGuard : public QObject {
    Q_OBJECT
public:
    ActionGuard(QWidget& window, session::Session& session);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void actionStarted();
    void actionEnded();
    [[nodiscard]] bool opensModal(QObject* receiver) const;

    QWidget& window_;
    session::Session& session_;
    QPointer<QWidget> focus_;
    int step_ = 0;
    bool wasActive_ = false;
};

} // namespace app
