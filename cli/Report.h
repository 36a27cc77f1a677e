#pragma once

#include "cli/ExitCode.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

namespace cli {

// What a command tells: lines on stdout, or with --json one object gathered for the end; its
// diagnostics on stderr either way, as "error: ..." or "warning: ...".
class Report {
public:
    // `command` names the command in the JSON object (none when empty).
    Report(const QString& command, bool json);

    [[nodiscard]] bool json() const { return json_; }
    // A line of the command's output (not printed with --json).
    void say(const QString& line) const;
    // A member of the JSON object.
    void set(const QString& key, const QJsonValue& value);
    // A member set before; undefined when there is none.
    [[nodiscard]] QJsonValue value(const QString& key) const { return object_.value(key); }
    void warn(const QString& message);
    // Reports the failure and returns its code.
    ExitCode fail(ExitCode code, const QString& message);
    // Prints the JSON object with its "exitCode", when asked for; returns the code as a number.
    int finish(ExitCode code);

    // A line on stderr, as is.
    static void diagnostic(const QString& line);

private:
    bool json_;
    QJsonObject object_;
};

} // namespace cli
