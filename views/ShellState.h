#pragma once

namespace app {

// What the application shell keeps between actions.
struct ShellState {
    static constexpr int ExpertOff = 0;
    static constexpr int ExpertOn = 2;

    // The wizard step that the next Next runs, 0..3.
    int WizardStep = 0;
    // 0 normal, 2 expert; anything above 1 counts as expert.
    int ExpertMode = ExpertOff;
    // The wizard starts on the window's first activation only.
    bool activatedOnce = false;

    [[nodiscard]] bool expert() const { return ExpertMode > 1; }
};

} // namespace app
