#pragma once

#include "sim/Fault.h"

#include <QByteArray>
#include <QList>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <vector>

namespace sim {

// The Toran R-40 as seen from its serial line: it takes the characters sent to it, answers
// every complete frame from its own memories and measurement, and hands out the characters of
// its replies as they arrive on the line. Time is passed in by the front end, so the same core
// serves a test clock and the wall clock.
class Instrument {
public:
    static constexpr int MemorySize = 256;
    static constexpr int DigitsAddress = 18;
    static constexpr int ActiveZeroAddress = 10;
    static constexpr int ActiveKAddress = 14;
    [[nodiscard]] static constexpr int rangeZeroAddress(int range) { return 0x20 + 8 * range; }
    [[nodiscard]] static constexpr int rangeKAddress(int range) { return 0x24 + 8 * range; }

    // A working instrument: 5 display digits, constants for all 8 ranges, both sensors present
    // with valid blocks, no load, no faults, no line pacing.
    Instrument();
    [[nodiscard]] static Instrument withDefaults() { return Instrument(); }

    // The line side. `now` is the front end's time.
    void receive(QByteArrayView bytes, std::chrono::microseconds now);
    // Reply characters that have arrived by `now`.
    [[nodiscard]] int available(std::chrono::microseconds now) const;
    // Takes the characters that have arrived by `now`.
    [[nodiscard]] QByteArray take(std::chrono::microseconds now);
    // When the next character still on its way arrives; nullopt when none is.
    [[nodiscard]] std::optional<std::chrono::microseconds> nextArrival() const;
    // Drops every reply character not yet taken (the port on the other side was closed).
    void discardOutput();

    // Setup memory.
    [[nodiscard]] const QByteArray& setupMemory() const { return setup_; }
    [[nodiscard]] int setupByte(int address) const;
    void setSetupByte(int address, int value);
    // A 4-byte device float with its exponent byte at the highest address.
    [[nodiscard]] double setupFloat(int address) const;
    // False (nothing stored) when the value has no device float code.
    bool setSetupFloat(int address, double value);

    // Sensor blocks: 0 external, 1 internal.
    [[nodiscard]] const QByteArray& block(int index) const;
    void setBlock(int index, const QByteArray& bytes);
    [[nodiscard]] int sensorMask() const { return sensorMask_; }
    void setSensorMask(int mask) { sensorMask_ = mask & 0xFF; }
    // The block of the sensor the instrument measures with.
    [[nodiscard]] int activeBlock() const { return sensorMask_ == 3 ? 0 : 1; }

    // Measurement.
    [[nodiscard]] double load() const { return load_; }
    // Setting the load stops a ramp.
    void setLoad(double millivoltsPerVolt);
    // Uniform noise of up to ± this many mV/V on every measurement; 0 for none.
    void setNoise(double millivoltsPerVolt) { noise_ = std::abs(millivoltsPerVolt); }
    // The load rises (or falls) by this many mV/V per second from the last frame on; 0 stops it
    // where it is.
    void setRamp(double millivoltsPerVolt, double perSeconds = 1.0);
    // The load at the last frame, ramp included, noise left out.
    [[nodiscard]] double loadNow() const;
    [[nodiscard]] int status() const { return status_; }
    void setStatus(int flags) { status_ = flags & 0xFF; }
    [[nodiscard]] int rangeFlags() const { return range_; }
    void setRangeFlags(int flags) { range_ = flags & 0xFF; }
    [[nodiscard]] int battery() const { return battery_; }
    void setBattery(int level) { battery_ = level & 0xFF; }
    // The reply to "$00M" for the present state, line end included.
    [[nodiscard]] QByteArray measurementReply() const;

    // The command of a well-formed frame (without its CR); nullopt for anything else.
    [[nodiscard]] static std::optional<Command> commandOf(const QByteArray& frame);

    // The reply to "$00@", line end included.
    [[nodiscard]] const QByteArray& identification() const { return identification_; }
    void setIdentification(const QByteArray& reply) { identification_ = reply; }

    // Line pacing: a reply of n characters takes n * 10 / baud seconds; 0 delivers at once.
    [[nodiscard]] int baud() const { return baud_; }
    void setBaud(int baud) { baud_ = baud > 0 ? baud : 0; }

    void addFault(const Fault& fault) { faults_.push_back({fault, 0}); }
    void clearFaults() { faults_.clear(); }
    [[nodiscard]] QList<Fault> faults() const;

    // Every complete frame received, without its CR, in order (also those not understood).
    [[nodiscard]] const QList<QByteArray>& frames() const { return frames_; }
    [[nodiscard]] int frameCount() const { return static_cast<int>(frames_.size()); }
    [[nodiscard]] int resetCount() const { return resets_; }
    void clearLog();

private:
    struct ArmedFault {
        Fault fault;
        int seen = 0;
    };
    struct Pending {
        std::chrono::microseconds at;
        char character;
    };

    void handleFrame(const QByteArray& frame, std::chrono::microseconds now);
    [[nodiscard]] std::optional<QByteArray> execute(Command command, const QByteArray& arguments);
    void queueReply(const QByteArray& reply, std::chrono::microseconds start);
    [[nodiscard]] QByteArray blockReply(int index) const;

    QByteArray setup_;
    std::array<QByteArray, 2> blocks_;
    int sensorMask_ = 3;
    double load_ = 0.0;
    double noise_ = 0.0;
    double rampPerSecond_ = 0.0;
    std::chrono::microseconds rampSince_{0};
    std::chrono::microseconds lastFrameAt_{0};
    mutable std::minstd_rand noiseSource_{1};
    int status_ = 0x00;
    int range_ = 0x81;
    int battery_ = 200;
    QByteArray identification_ = "TORAN R-40 v2.10\r";
    int baud_ = 0;

    std::vector<ArmedFault> faults_;
    QByteArray input_;
    std::deque<Pending> output_;
    std::chrono::microseconds lineFreeAt_{0};
    QList<QByteArray> frames_;
    int resets_ = 0;
};

} // namespace sim
