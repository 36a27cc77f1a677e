#pragma once

#include <QString>

namespace text {

// The status panel laid over the page while a longer exchange runs.
class StatusPanel {
public:
    virtual ~StatusPanel() = default;
    virtual void showStatus() = 0;
    virtual void setStatusText(const QString& text) = 0;
    virtual void hideStatus() = 0;
};

// For programs without a window: progress is not shown.
class NoStatusPanel final : public StatusPanel {
public:
    void showStatus() override {}
    void setStatusText(const QString&) override {}
    void hideStatus() override {}
};

} // namespace text
