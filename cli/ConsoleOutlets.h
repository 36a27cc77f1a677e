#pragma once

#include "cli/Report.h"
#include "core/text/MessageService.h"

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

} // namespace cli
