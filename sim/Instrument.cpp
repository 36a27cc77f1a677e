#include "sim/Instrument.h"

#include "core/text/DeviceFloat.h"
#include "core/text/HexCodes.h"
#include "core/text/NumberText.h"
#include "sim/SensorBlock.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

using std::chrono::microseconds;

constexpr int DisplayDigits = 5;
constexpr double RangeZero = 32768.0;
// k of the most sensitive range (7); each range below it doubles.
constexpr double FinestK = 0.0001193;
// A line without CR this long is noise, not a frame.
constexpr qsizetype MaxFrameLength = 64;

struct CommandShape {
    const char* letters;
    Command command;
    int argumentDigits;
};

// Two-letter commands first, so "KQ" is never taken for something shorter.
constexpr std::array<CommandShape, 8> Shapes{{
    {"KQ", Command::SensorQuery, 0},
    {"ER", Command::ReadSetup, 2},
    {"EW", Command::WriteSetup, 4},
    {"KB", Command::ReadBlock, 2},
    {"KW", Command::WriteBlock, 6},
    {"M", Command::Measure, 0},
    {"@", Command::Identify, 0},
    {"X", Command::Reset, 0},
}};

int argumentDigits(Command command) {
    return std::find_if(Shapes.begin(), Shapes.end(),
                        [&](const CommandShape& s) { return s.command == command; })
        ->argumentDigits;
}

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

QByteArray hex2(int value) {
    return device::LongToHex(value, 2).toLatin1();
}

int field(const QByteArray& arguments, int index) {
    return device::HexToLong(QByteArrayView(arguments).sliced(2 * index, 2));
}

// The block a "KB"/"KW" block field names (block number times 32), or -1.
int blockFromField(int value) {
    return value % 32 == 0 && value / 32 < 2 ? value / 32 : -1;
}

void invertLeadingByte(QByteArray& reply, qsizetype at) {
    if (at + 2 > reply.size() || !isHex(reply[at]) || !isHex(reply[at + 1]))
        return;
    const QByteArray inverted = hex2(device::HexToLong(QByteArrayView(reply).sliced(at, 2)) ^ 0xFF);
    reply.replace(at, 2, inverted);
}

void makeWrong(QByteArray& reply, Command command) {
    if (command == Command::Identify) {
        reply = reply.toLower();
    } else if (command == Command::Measure) {
        const qsizetype first = reply.indexOf(';');
        const qsizetype second = first < 0 ? -1 : reply.indexOf(';', first + 1);
        if (second >= 0)
            invertLeadingByte(reply, second + 1);
    } else {
        invertLeadingByte(reply, 0);
    }
}

QByteArray garbageLike(const QByteArray& reply) {
    static constexpr char Letters[] = "GHIJKLMNOPQRSTUVWXYZ";
    QByteArray garbage(reply.size(), ' ');
    for (qsizetype i = 0; i < garbage.size(); ++i)
        garbage[i] = Letters[i % (sizeof Letters - 1)];
    return garbage;
}

} // namespace

Instrument::Instrument() : setup_(MemorySize, '\0') {
    setSetupByte(DigitsAddress, DisplayDigits);
    for (int range = 0; range < 8; ++range) {
        setSetupFloat(rangeZeroAddress(range), RangeZero);
        setSetupFloat(rangeKAddress(range), std::ldexp(FinestK, 7 - range));
    }
    const SensorBlockContent internal = defaultInternalSensor();
    setSetupFloat(ActiveZeroAddress, setupFloat(rangeZeroAddress(internal.gain)));
    setSetupFloat(ActiveKAddress, setupFloat(rangeKAddress(internal.gain)));
    blocks_[0] = makeSensorBlock(defaultExternalSensor());
    blocks_[1] = makeSensorBlock(internal);
}

void Instrument::receive(QByteArrayView bytes, microseconds now) {
    for (const char c : bytes) {
        if (c != '\r') {
            input_ += c;
            if (input_.size() > MaxFrameLength)
                input_.clear();
            continue;
        }
        const QByteArray frame = input_;
        input_.clear();
        if (!frame.isEmpty())
            handleFrame(frame, now);
    }
}

std::optional<Command> Instrument::commandOf(const QByteArray& frame) {
    if (!frame.startsWith("$00"))
        return std::nullopt;
    const QByteArray body = frame.mid(3);
    const auto shape = std::find_if(Shapes.begin(), Shapes.end(), [&](const CommandShape& s) {
        return body.startsWith(s.letters);
    });
    if (shape == Shapes.end())
        return std::nullopt;
    const QByteArray arguments = body.mid(static_cast<qsizetype>(qstrlen(shape->letters)));
    if (arguments.size() != shape->argumentDigits ||
        !std::all_of(arguments.begin(), arguments.end(), isHex))
        return std::nullopt;
    return shape->command;
}

void Instrument::handleFrame(const QByteArray& frame, microseconds now) {
    frames_.append(frame);
    lastFrameAt_ = now;
    const std::optional<Command> command = commandOf(frame);
    if (!command)
        return;
    const QByteArray arguments = frame.right(argumentDigits(*command));

    std::vector<FaultKind> active;
    microseconds delay{0};
    for (auto& armed : faults_) {
        if (armed.fault.command && *armed.fault.command != *command)
            continue;
        ++armed.seen;
        const int beyond = armed.seen - armed.fault.passFirst;
        if (beyond <= 0 || (armed.fault.count && beyond > *armed.fault.count))
            continue;
        active.push_back(armed.fault.kind);
        if (armed.fault.kind == FaultKind::LateReply)
            delay += armed.fault.delay;
    }
    const auto has = [&](FaultKind kind) {
        return std::find(active.begin(), active.end(), kind) != active.end();
    };
    if (has(FaultKind::Silence))
        return;
    std::optional<QByteArray> reply = execute(*command, arguments);
    if (!reply || reply->isEmpty() || has(FaultKind::NoReply))
        return;
    if (has(FaultKind::WrongValue))
        makeWrong(*reply, *command);
    if (has(FaultKind::Garbage))
        *reply = garbageLike(*reply);
    // A longer reply, line end still last: its last character before the line end doubled.
    if (has(FaultKind::ExtraCharacter))
        reply->insert(std::max<qsizetype>(reply->size() - 1, 0),
                      reply->at(reply->size() > 1 ? reply->size() - 2 : 0));
    if (has(FaultKind::MissingCharacter))
        reply->chop(1);
    queueReply(*reply, now + delay);
}

std::optional<QByteArray> Instrument::execute(Command command, const QByteArray& arguments) {
    switch (command) {
    case Command::Measure:
        return measurementReply();
    case Command::Identify:
        return identification_;
    case Command::SensorQuery:
        return hex2(sensorMask_) + '\r';
    case Command::Reset:
        ++resets_;
        return std::nullopt;
    case Command::ReadSetup:
        return hex2(setupByte(field(arguments, 0))) + '\r';
    case Command::WriteSetup: {
        const int address = field(arguments, 0);
        setSetupByte(address, field(arguments, 1));
        return hex2(setupByte(address)) + '\r';
    }
    case Command::ReadBlock: {
        const int index = blockFromField(field(arguments, 0));
        if (index < 0)
            return std::nullopt;
        return blockReply(index);
    }
    case Command::WriteBlock: {
        const int index = blockFromField(field(arguments, 0));
        if (index < 0)
            return std::nullopt;
        const int offset = field(arguments, 1);
        blocks_[index][offset] = static_cast<char>(field(arguments, 2));
        return hex2(static_cast<unsigned char>(blocks_[index][offset])) + '\r';
    }
    }
    return std::nullopt;
}

QByteArray Instrument::blockReply(int index) const {
    return blocks_[index].toHex().toUpper() + '\r';
}

void Instrument::queueReply(const QByteArray& reply, microseconds start) {
    start = std::max(start, lineFreeAt_);
    for (qsizetype i = 0; i < reply.size(); ++i) {
        microseconds at = start;
        if (baud_ > 0)
            at += microseconds(std::llround(static_cast<double>(i + 1) * 10e6 / baud_));
        output_.push_back({at, reply[i]});
        lineFreeAt_ = at;
    }
}

int Instrument::available(microseconds now) const {
    const auto end = std::find_if(output_.begin(), output_.end(),
                                  [&](const Pending& pending) { return pending.at > now; });
    return static_cast<int>(end - output_.begin());
}

QByteArray Instrument::take(microseconds now) {
    QByteArray arrived;
    while (!output_.empty() && output_.front().at <= now) {
        arrived += output_.front().character;
        output_.pop_front();
    }
    return arrived;
}

std::optional<microseconds> Instrument::nextArrival() const {
    if (output_.empty())
        return std::nullopt;
    return output_.front().at;
}

void Instrument::discardOutput() {
    output_.clear();
    lineFreeAt_ = microseconds{0};
}

int Instrument::setupByte(int address) const {
    if (address < 0 || address >= MemorySize)
        return 0;
    return static_cast<unsigned char>(setup_[address]);
}

void Instrument::setSetupByte(int address, int value) {
    if (address >= 0 && address < MemorySize)
        setup_[address] = static_cast<char>(value);
}

double Instrument::setupFloat(int address) const {
    QString text;
    for (int offset = 3; offset >= 0; --offset)
        text += device::LongToHex(setupByte(address + offset), 2);
    return device::HexToFloat(text);
}

bool Instrument::setSetupFloat(int address, double value) {
    const QString text = device::FloatToHex(value, 4);
    if (text.isEmpty() || address < 0 || address + 3 >= MemorySize)
        return false;
    for (int pair = 0; pair < 4; ++pair)
        setSetupByte(address + 3 - pair, device::HexToLong(QStringView(text).mid(2 * pair, 2)));
    return true;
}

const QByteArray& Instrument::block(int index) const {
    return blocks_[index == 0 ? 0 : 1];
}

void Instrument::setBlock(int index, const QByteArray& bytes) {
    blocks_[index == 0 ? 0 : 1] =
        bytes.left(SensorBlockSize).leftJustified(SensorBlockSize, '\xFF');
}

void Instrument::setLoad(double millivoltsPerVolt) {
    load_ = millivoltsPerVolt;
    rampPerSecond_ = 0.0;
}

void Instrument::setRamp(double millivoltsPerVolt, double perSeconds) {
    load_ = loadNow();
    rampSince_ = lastFrameAt_;
    rampPerSecond_ = perSeconds > 0.0 ? millivoltsPerVolt / perSeconds : 0.0;
}

double Instrument::loadNow() const {
    const double seconds = std::chrono::duration<double>(lastFrameAt_ - rampSince_).count();
    return load_ + rampPerSecond_ * seconds;
}

QByteArray Instrument::measurementReply() const {
    const QByteArray& sensor = blocks_[activeBlock()];
    const int gain = static_cast<unsigned char>(sensor[4]) & 7;
    const double zero = setupFloat(rangeZeroAddress(gain));
    const double k = setupFloat(rangeKAddress(gain));
    double load = loadNow();
    if (noise_ > 0.0)
        load += std::uniform_real_distribution<double>(-noise_, noise_)(noiseSource_);
    const double raw = k != 0.0 ? zero + load / k : zero;
    const auto curve = readSensorCurve(sensor);
    const double display = curve ? evaluateCurve(*curve, load) : 0.0;
    const int decimals = curve ? curve->decimals : 0;
    const QString pattern =
        decimals > 0 ? QStringLiteral("0.") + QString(decimals, u'0') : QStringLiteral("0");
    return device::FormatNumber(display, pattern, u",").toLatin1() + ';' +
           device::FormatNumber(raw, u"0", u",").toLatin1() + ';' + hex2(status_) + hex2(range_) +
           hex2(battery_) + '\r';
}

QList<Fault> Instrument::faults() const {
    QList<Fault> list;
    for (const auto& armed : faults_)
        list.append(armed.fault);
    return list;
}

void Instrument::clearLog() {
    frames_.clear();
    resets_ = 0;
}

} // namespace sim
