#pragma once

#include "core/text/StatusPanel.h"

#include <QStringList>

namespace testsupport {

// Remembers every status text and whether the panel is showing.
class FakeStatusPanel final : public text::StatusPanel {
public:
    void showStatus() override { visible = true; }
    void setStatusText(const QString& text) override { texts.append(text); }
    void hideStatus() override { visible = false; }

    bool visible = false;
    QStringList texts;
};

} // namespace testsupport
