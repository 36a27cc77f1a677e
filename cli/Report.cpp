#include "cli/Report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>

namespace cli {

namespace {

void print(std::FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

Report::Report(const QString& command, bool json) : json_(json) {
    if (!command.isEmpty())
        object_.insert(QStringLiteral("command"), command);
}

void Report::say(const QString& line) const {
    if (!json_)
        print(stdout, line.toUtf8() + '\n');
}

void Report::set(const QString& key, const QJsonValue& value) {
    object_.insert(key, value);
}

void Report::diagnostic(const QString& line) {
    print(stderr, line.toUtf8() + '\n');
}

void Report::warn(const QString& message) {
    diagnostic(QStringLiteral("warning: ") + message);
    QJsonArray warnings = object_.value(QStringLiteral("warnings")).toArray();
    warnings.append(message);
    object_.insert(QStringLiteral("warnings"), warnings);
}

ExitCode Report::fail(ExitCode code, const QString& message) {
    diagnostic(QStringLiteral("error: ") + message);
    object_.insert(QStringLiteral("error"), message);
    return code;
}

int Report::finish(ExitCode code) {
    object_.insert(QStringLiteral("exitCode"), static_cast<int>(code));
    if (json_)
        print(stdout, QJsonDocument(object_).toJson(QJsonDocument::Compact) + '\n');
    return static_cast<int>(code);
}

} // namespace cli
