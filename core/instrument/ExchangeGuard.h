#pragma once

namespace device {

// One exchange with the instrument at a time. Waits process window events, so a click could
// start a second exchange in the middle of the first; every action that talks to the instrument
// holds an ExchangeGuard for its whole run, and one that cannot take it does nothing.
class LineOwnership {
public:
    [[nodiscard]] bool busy() const { return held_; }

private:
    friend class ExchangeGuard;
    bool held_ = false;
};

class [[nodiscard]] ExchangeGuard {
public:
    explicit ExchangeGuard(LineOwnership& line) : line_(line), owns_(!line.held_) {
        if (owns_)
            line_.held_ = true;
    }
    ~ExchangeGuard() {
        if (owns_)
            line_.held_ = false;
    }
    ExchangeGuard(const ExchangeGuard&) = delete;
    ExchangeGuard& operator=(const ExchangeGuard&) = delete;

    // False when another action already holds the line.
    [[nodiscard]] bool owns() const { return owns_; }
    explicit operator bool() const { return owns_; }

private:
    LineOwnership& line_;
    bool owns_;
};

} // namespace device
