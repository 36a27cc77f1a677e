#pragma once

#include "core/instrument/Clock.h"
#include "core/instrument/SerialLine.h"

#include <QByteArray>
#include <QList>
#include <bit>
#include <cstdint>
#include <functional>
#include <type_traits>
#include <utility>

// Pieces shared by the libFuzzer targets.
namespace fuzzing {

// A broken property stops the run at once; libFuzzer keeps the input as a crash.
inline void check(bool holds) {
    if (!holds)
        __builtin_trap();
}

[[nodiscard]] inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Same value, NaN included, and the same sign of zero.
template <typename T> [[nodiscard]] bool sameBits(T a, T b) {
    using Bits = std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>;
    return std::bit_cast<Bits>(a) == std::bit_cast<Bits>(b);
}

// Waits return at once: the exchanges' time-outs are counted, never waited for.
class NoWaitClock final : public device::Clock {
public:
    [[nodiscard]] std::chrono::milliseconds now() const override { return now_; }
    void delay(std::chrono::milliseconds ms) override { now_ += ms; }

private:
    std::chrono::milliseconds now_{0};
};

// An open port whose "instrument" answers every frame sent with what the harness chooses.
class ScriptedLine final : public device::SerialLine {
public:
    using Responder = std::function<QByteArray(const QByteArray& frame)>;
    explicit ScriptedLine(Responder responder, QByteArray stale = {})
        : responder_(std::move(responder)), waiting_(std::move(stale)) {}

    bool setPortNumber(int) override { return true; }
    [[nodiscard]] int portNumber() const override { return 1; }
    device::OpenResult open() override { return device::OpenResult::Opened; }
    void close() override {}
    [[nodiscard]] bool isOpen() const override { return true; }
    bool send(const QByteArray& bytes) override {
        frames.append(bytes);
        waiting_ += responder_(bytes);
        return true;
    }
    [[nodiscard]] int bytesWaiting() override { return static_cast<int>(waiting_.size()); }
    std::optional<QByteArray> readAll() override { return std::exchange(waiting_, {}); }

    QList<QByteArray> frames;

private:
    Responder responder_;
    QByteArray waiting_;
};

} // namespace fuzzing
