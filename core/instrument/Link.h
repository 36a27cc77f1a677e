#pragma once

#include <chrono>
#include <functional>

namespace device {

class Clock;
class SerialLine;
class WakeSource;

// The line and the clock of one instrument action. A Link is the only way to wait: the clock's
// waits are private to it, and only a LinkIssuer (the action runner) makes one. So code that
// takes a Link runs inside an action that holds the line, and the compiler says so.
class Link {
public:
    SerialLine& line;

    // Waits while events are processed; throws EndRequested when the program is ending and no
    // critical write is running.
    void delay(std::chrono::milliseconds ms) const;
    [[nodiscard]] std::chrono::milliseconds now() const;
    // Waits until done() holds or the time is up, looking whenever `wake` signals (once per
    // poll step without one); done() at the end. Throws as delay() does.
    bool waitFor(std::chrono::milliseconds timeout, const std::function<bool()>& done,
                 const WakeSource* wake) const;

private:
    friend class LinkIssuer;
    Link(SerialLine& serialLine, Clock& clock) : line(serialLine), clock_(clock) {}

    Clock& clock_;
};

// What may hand out links: the action runner, and the tests' stand-in for it.
class LinkIssuer {
protected:
    [[nodiscard]] static Link issueLink(SerialLine& line, Clock& clock) { return {line, clock}; }
};

} // namespace device
