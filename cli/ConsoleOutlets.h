#pragma once

#include "cli/Report.h"
#include "core/text/MessageService.h"
#include "core/text/StatusPanel.h"

namespace cli {

// The session's message boxes as lines on stderr; a question gets its default answer.
class ConsoleMessages final : public text::MessageService {
public:
    text::MsgAnswer show(const QString& text, text::MsgIcon, text::MsgButtons,
                         text::MsgAnswer defaultAnswer) override {
        if (!text.trimmed().isEmpty())
            Report::diagnostic(QStringLiteral("message: ") + text.simplified());
        return defaultAnswer;
    }
};

// Progress is not shown.
class SilentStatus final : public text::StatusPanel {
public:
    void showStatus() override {}
    void setStatusText(const QString&) override {}
    void hideStatus() override {}
};

} // namespace cli
