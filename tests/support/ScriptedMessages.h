#pragma once

#include "ui/MessageService.h"

#include <QList>
#include <QString>
#include <deque>
#include <functional>

namespace testsupport {

// Records every message box and answers questions from a queue; an empty queue answers with
// the question's default button. `whileShown` runs while a box is open, as timer ticks do
// behind a modal box.
class ScriptedMessages final : public ui::MessageService {
public:
    struct Shown {
        QString text;
        ui::MsgIcon icon;
        ui::MsgButtons buttons;
    };

    ui::MsgAnswer show(const QString& text, ui::MsgIcon icon, ui::MsgButtons buttons,
                       ui::MsgAnswer defaultAnswer) override {
        shown.append({text, icon, buttons});
        if (whileShown)
            whileShown();
        if (buttons == ui::MsgButtons::Ok)
            return ui::MsgAnswer::Ok;
        if (answers.empty())
            return defaultAnswer;
        const ui::MsgAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    void answer(ui::MsgAnswer next) { answers.push_back(next); }
    [[nodiscard]] QStringList texts() const {
        QStringList list;
        for (const auto& message : shown)
            list.append(message.text);
        return list;
    }
    void clear() { shown.clear(); }

    QList<Shown> shown;
    std::deque<ui::MsgAnswer> answers;
    std::function<void()> whileShown;
};

} // namespace testsupport
