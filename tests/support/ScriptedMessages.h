#pragma once

#include "core/text/MessageService.h"

#include <QList>
#include <QString>
#include <deque>
#include <functional>
#include <utility>

namespace testsupport {

// Records every message box and answers questions from a queue.
class ScriptedMessages final : public text::MessageService {
public:
    struct Shown {
        QString text;
        text::MsgIcon icon;
        text::MsgButtons buttons;
        QString second; // the second button of an offer
    };

    text::MsgAnswer show(const QString& text, text::MsgIcon icon, text::MsgButtons buttons,
                         text::MsgAnswer defaultAnswer) override {
        shown.append({text, icon, buttons, {}});
        if (whileShown)
            whileShown();
        if (buttons == text::MsgButtons::Ok || answers.empty())
            return buttons == text::MsgButtons::Ok ? text::MsgAnswer::Ok : defaultAnswer;
        const text::MsgAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    // An offer takes its second button when `takeSecond` says so, else its default.
    bool offer(const QString& text, text::MsgIcon icon, const QString& second) override {
        shown.append({text, icon, text::MsgButtons::Ok, second});
        if (whileShown)
            whileShown();
        return std::exchange(takeSecond, false);
    }

    void answer(text::MsgAnswer next) { answers.push_back(next); }
    [[nodiscard]] QStringList texts() const {
        QStringList list;
        for (const auto& message : shown)
            list.append(message.text);
        return list;
    }
    void clear() { shown.clear(); }

    QList<Shown> shown;
    std::deque<text::MsgAnswer> answers;
    std::function<void()> whileShown;
    bool takeSecond = false;
};

} // namespace testsupport
