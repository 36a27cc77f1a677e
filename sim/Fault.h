#pragma once

#include <QString>
#include <chrono>
#include <optional>

namespace sim {

// The commands the instrument understands, by their letters after "$00".
enum class Command {
    Measure,
    Identify,
    SensorQuery,
    Reset,
    ReadSetup,
    WriteSetup,
    ReadBlock,
    WriteBlock
};

// "M", "@", "KQ", "X", "ER", "EW", "KB", "KW".
[[nodiscard]] QString commandName(Command command);
[[nodiscard]] std::optional<Command> commandFromName(QStringView name);

enum class FaultKind {
    NoReply,          // the command is carried out, its reply is lost
    ExtraCharacter,   // the reply carries one character too many, before its line end
    MissingCharacter, // the reply lacks its last character
    WrongValue,       // the leading byte of the reply is inverted (identification: lower case)
    LateReply,        // the reply starts `delay` later
    Garbage,          // the reply's characters are replaced by as many non-hexadecimal ones
    Silence,          // the instrument neither carries out nor answers anything
};

// A fault applies to the frames of one command (or of all): the first `passFirst` matching
// frames pass untouched, then `count` frames (or all, when unset) are affected.
struct Fault {
    FaultKind kind = FaultKind::NoReply;
    std::optional<Command> command;
    int passFirst = 0;
    std::optional<int> count;
    std::chrono::milliseconds delay{0};

    // Nothing is answered from frame `n` (counted from 1, any command) on.
    [[nodiscard]] static Fault silenceFrom(int n) {
        return Fault{FaultKind::Silence, std::nullopt, n > 1 ? n - 1 : 0, std::nullopt, {}};
    }
};

// The text form used by toran-sim and the tests:
//   [COMMAND] KIND [after N] [count N]
//   COMMAND  M | @ | KQ | X | ER | EW | KB | KW | any (the default)
//   KIND     none | extra | short | wrong | garbage | late MS | silence
// Words are separated by blanks and read without regard to case. "silence" affects every
// command and every frame after the first N, so it takes neither a command nor a count.
// Examples: "ER extra", "KW none after 4 count 3", "M late 300", "silence after 10".
struct FaultParse {
    std::optional<Fault> fault;
    QString error;
};
[[nodiscard]] FaultParse parseFault(QStringView text);
[[nodiscard]] QString describeFault(const Fault& fault);

} // namespace sim
