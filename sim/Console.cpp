#include "sim/Console.h"

#include "sim/Instrument.h"

#include <QStringList>
#include <cmath>
#include <optional>

namespace sim {

namespace {

const QString Ok = QStringLiteral("ok");

std::optional<int> byteValue(const QString& text, int base) {
    QString digits = text;
    if (base == 16 && digits.startsWith(u"0x", Qt::CaseInsensitive))
        digits = digits.mid(2);
    bool ok = false;
    const int value = digits.toInt(&ok, base);
    if (!ok || value < 0 || value > 0xFF)
        return std::nullopt;
    return value;
}

ConsoleAnswer error(const QString& text) {
    return {QStringLiteral("error: ") + text, false};
}

ConsoleAnswer setByte(const QStringList& words, int base, void (Instrument::*setter)(int),
                      Instrument& instrument) {
    const auto value = words.size() == 2 ? byteValue(words[1], base) : std::nullopt;
    if (!value)
        return error(
            QStringLiteral("%1 needs a byte value%2")
                .arg(words[0], base == 16 ? QStringLiteral(" in hexadecimal") : QString()));
    (instrument.*setter)(*value);
    return {Ok, false};
}

QString hexLine(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex().toUpper());
}

} // namespace

QString consoleHelp() {
    return QStringLiteral(
        "commands: load <mV/V> | noise <mV/V> (uniform, +/-) | ramp <mV/V per s> (0 stops) | "
        "step <mV/V> (the load jumps by it) | status <hex> | range <hex> | battery <0-255> | mask "
        "<hex> | "
        "fault <rule> | clear-faults | block <0|1> | setup | resets | frames | "
        "hangup [<command>] [after <n>] | plug | help | quit; "
        "fault rule: [M|@|KQ|X|ER|EW|KB|KW|any] none|extra|short|wrong|garbage|late <ms>|silence "
        "[after <n>] [count <n>]");
}

namespace {

std::optional<double> numberArgument(const QStringList& words) {
    bool ok = false;
    const double value = words.size() == 2 ? words[1].toDouble(&ok) : 0.0;
    return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
}

ConsoleAnswer signalCommand(Instrument& instrument, const QStringList& words) {
    const QString command = words[0].toLower();
    const std::optional<double> value = numberArgument(words);
    if (!value)
        return error(QStringLiteral("%1 needs a number in mV/V").arg(command));
    if (command == u"load")
        instrument.setLoad(*value);
    else if (command == u"noise")
        instrument.setNoise(*value);
    else if (command == u"ramp")
        instrument.setRamp(*value);
    else
        instrument.setLoad(instrument.loadNow() + *value);
    return {Ok, false};
}

} // namespace

ConsoleAnswer runConsoleCommand(Instrument& instrument, QStringView commandLine) {
    const QStringList words = commandLine.toString().simplified().split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return {};
    const QString command = words[0].toLower();
    if (command == u"load" || command == u"noise" || command == u"ramp" || command == u"step")
        return signalCommand(instrument, words);
    if (command == u"status")
        return setByte(words, 16, &Instrument::setStatus, instrument);
    if (command == u"range")
        return setByte(words, 16, &Instrument::setRangeFlags, instrument);
    if (command == u"battery")
        return setByte(words, 10, &Instrument::setBattery, instrument);
    if (command == u"mask")
        return setByte(words, 16, &Instrument::setSensorMask, instrument);
    if (command == u"fault") {
        const FaultParse parsed = parseFault(words.mid(1).join(u' '));
        if (!parsed.fault)
            return error(parsed.error);
        instrument.addFault(*parsed.fault);
        return {Ok, false};
    }
    if (command == u"clear-faults") {
        instrument.clearFaults();
        return {Ok, false};
    }
    if (command == u"block") {
        if (words.size() != 2 || (words[1] != u"0" && words[1] != u"1"))
            return error(QStringLiteral("block needs 0 or 1"));
        return {hexLine(instrument.block(words[1].toInt())), false};
    }
    if (command == u"setup")
        return {hexLine(instrument.setupMemory()), false};
    if (command == u"resets")
        return {QString::number(instrument.resetCount()), false};
    if (command == u"frames")
        return {QString::number(instrument.frameCount()), false};
    if (command == u"help")
        return {consoleHelp(), false};
    if (command == u"quit")
        return {QStringLiteral("bye"), true};
    return error(QStringLiteral("unknown command '%1' (try help)").arg(words[0]));
}

} // namespace sim
