#include "sim/Fault.h"

#include <QStringList>
#include <array>
#include <utility>

namespace sim {

namespace {

constexpr std::array<std::pair<Command, const char*>, 8> CommandNames{{
    {Command::Measure, "M"},
    {Command::Identify, "@"},
    {Command::SensorQuery, "KQ"},
    {Command::Reset, "X"},
    {Command::ReadSetup, "ER"},
    {Command::WriteSetup, "EW"},
    {Command::ReadBlock, "KB"},
    {Command::WriteBlock, "KW"},
}};

constexpr std::array<std::pair<FaultKind, const char*>, 7> KindNames{{
    {FaultKind::NoReply, "none"},
    {FaultKind::ExtraCharacter, "extra"},
    {FaultKind::MissingCharacter, "short"},
    {FaultKind::WrongValue, "wrong"},
    {FaultKind::LateReply, "late"},
    {FaultKind::Garbage, "garbage"},
    {FaultKind::Silence, "silence"},
}};

std::optional<FaultKind> kindFromName(QStringView name) {
    for (const auto& [kind, text] : KindNames)
        if (name.compare(QLatin1String(text), Qt::CaseInsensitive) == 0)
            return kind;
    return std::nullopt;
}

QString kindName(FaultKind kind) {
    for (const auto& [candidate, text] : KindNames)
        if (candidate == kind)
            return QString::fromLatin1(text);
    return {};
}

std::optional<int> wholeNumber(const QStringList& words, qsizetype index) {
    if (index >= words.size())
        return std::nullopt;
    bool ok = false;
    const int value = words[index].toInt(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

FaultParse failure(const QString& error) {
    return FaultParse{std::nullopt, error};
}

} // namespace

QString commandName(Command command) {
    for (const auto& [candidate, text] : CommandNames)
        if (candidate == command)
            return QString::fromLatin1(text);
    return {};
}

std::optional<Command> commandFromName(QStringView name) {
    for (const auto& [command, text] : CommandNames)
        if (name.compare(QLatin1String(text), Qt::CaseInsensitive) == 0)
            return command;
    return std::nullopt;
}

FaultParse parseFault(QStringView text) {
    const QStringList words = text.toString().split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return failure(QStringLiteral("empty fault"));
    Fault fault;
    qsizetype next = 0;
    if (words[0].compare(u"any", Qt::CaseInsensitive) == 0) {
        ++next;
    } else if (const auto command = commandFromName(words[0])) {
        fault.command = command;
        ++next;
    }
    if (next >= words.size())
        return failure(QStringLiteral("missing fault kind"));
    const auto kind = kindFromName(words[next]);
    if (!kind)
        return failure(QStringLiteral("unknown fault kind '%1'").arg(words[next]));
    fault.kind = *kind;
    ++next;
    if (fault.kind == FaultKind::LateReply) {
        const auto ms = wholeNumber(words, next);
        if (!ms)
            return failure(QStringLiteral("'late' needs a delay in ms"));
        fault.delay = std::chrono::milliseconds(*ms);
        ++next;
    }
    while (next < words.size()) {
        const QString& word = words[next];
        const auto value = wholeNumber(words, next + 1);
        if (!value)
            return failure(QStringLiteral("'%1' needs a whole number").arg(word));
        if (word.compare(u"after", Qt::CaseInsensitive) == 0)
            fault.passFirst = *value;
        else if (word.compare(u"count", Qt::CaseInsensitive) == 0)
            fault.count = *value;
        else
            return failure(QStringLiteral("unexpected '%1'").arg(word));
        next += 2;
    }
    if (fault.kind == FaultKind::Silence && (fault.command || fault.count))
        return failure(QStringLiteral("'silence' takes neither a command nor a count"));
    return FaultParse{fault, {}};
}

QString describeFault(const Fault& fault) {
    QString text = fault.command ? commandName(*fault.command) : QStringLiteral("any");
    text += u' ' + kindName(fault.kind);
    if (fault.kind == FaultKind::LateReply)
        text += QStringLiteral(" %1").arg(fault.delay.count());
    if (fault.passFirst > 0)
        text += QStringLiteral(" after %1").arg(fault.passFirst);
    if (fault.count)
        text += QStringLiteral(" count %1").arg(*fault.count);
    return text;
}

} // namespace sim
